// The About box: its texts, the link's underline and click, and OK.
#include "ui/about_box.h"

#include "recording_dialogs.h"
#include "ui_test_support.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace dg::ui {
namespace {

// Moves the pointer into widget, as the window system reports it.
void moveOver(QWidget* widget)
{
    QTest::mouseMove(widget, QPoint(2, 2));
}

QString labelText(const AboutBox& box, const char* name)
{
    const auto* label = box.findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QString();
}

TEST(AboutBox, ShowsNameVersionMakerAddressAndComment)
{
    test::RecordingDialogs dialogs;
    AboutBox box(dialogs);
    EXPECT_EQ(box.objectName(), "TAboutBox");
    EXPECT_EQ(box.windowTitle(), "バージョン情報");
    EXPECT_EQ(box.size(), QSize(273, 210));
    EXPECT_EQ(labelText(box, "ProductName"), "Dirgauge");
    EXPECT_EQ(labelText(box, "Version"), "Version 2.7");
    EXPECT_EQ(labelText(box, "Copyright"), "Dirgauge project");
    EXPECT_EQ(labelText(box, "URL"), "https://dirgauge.example.org/docs");
    EXPECT_EQ(labelText(box, "Comments"), "Dirsweep2.jsの結果を入力して表示します。\u3000ディスクスペースを大切に。");
    EXPECT_TRUE(box.findChild<QLabel*>("Comments")->wordWrap());
    EXPECT_EQ(box.urlLabel()->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(box.okButton()->isDefault());
    EXPECT_EQ(box.okButton()->text(), "OK");
}

TEST(AboutBox, TheAddressIsUnderlinedWhileThePointerIsOverItAndOpensWhenClicked)
{
    test::RecordingDialogs dialogs;
    AboutBox box(dialogs);
    box.show();
    EXPECT_FALSE(box.urlUnderlined());
    moveOver(box.urlLabel());
    EXPECT_TRUE(box.urlUnderlined());
    moveOver(box.findChild<QLabel*>("Version")); // reaches the panel
    EXPECT_FALSE(box.urlUnderlined());
    moveOver(box.urlLabel());
    box.hide();
    EXPECT_TRUE(box.urlUnderlined()); // kept until the pointer next moves on the panel

    box.show();
    QTest::mouseClick(box.urlLabel(), Qt::LeftButton);
    EXPECT_EQ(dialogs.texts(test::RecordingDialogs::Kind::Url), QStringList{"https://dirgauge.example.org/docs"});
    EXPECT_TRUE(box.isVisible());

    QTest::mouseClick(box.okButton(), Qt::LeftButton);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

TEST(AboutBox, EnterClosesTheBox)
{
    test::RecordingDialogs dialogs;
    AboutBox box(dialogs);
    box.show();
    box.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_FALSE(box.isVisible());
}

} // namespace
} // namespace dg::ui
