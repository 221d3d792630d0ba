// How message texts with "\r" and tabs are laid out in a box.
#include "ui/message_text.h"

#include <QTextDocument>

#include <gtest/gtest.h>

namespace dg::ui {
namespace {

TEST(MessageText, PlainTextBreaksLinesAtEveryKindOfLineEnd)
{
    const MessageContent content = messageContent(QStringLiteral("3行目\rC:\\a\r\nb\nc"));
    EXPECT_FALSE(content.richText);
    EXPECT_EQ(content.text, QStringLiteral("3行目\nC:\\a\nb\nc"));
}

TEST(MessageText, TabsLineTheValuesUpInOneColumnOfATable)
{
    const MessageContent content =
        messageContent(QStringLiteral("フォルダ　\t： C:\\<x> & y\r\r作成日付　\t： 2020\r属性 (16)　\t： a\tb"));
    ASSERT_TRUE(content.richText);
    EXPECT_EQ(content.text.count(QStringLiteral("<tr>")), 4);
    EXPECT_EQ(content.text.count(QStringLiteral("colspan")), 1); // the empty line
    EXPECT_TRUE(content.text.contains(QStringLiteral("C:\\&lt;x&gt; &amp; y")));

    QTextDocument document;
    document.setHtml(content.text);
    const QString plain = document.toPlainText();
    EXPECT_TRUE(plain.contains(QStringLiteral("： C:\\<x> & y")));
    EXPECT_TRUE(plain.contains(QStringLiteral("： a b")));
}

} // namespace
} // namespace dg::ui
