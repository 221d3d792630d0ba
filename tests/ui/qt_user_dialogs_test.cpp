// The Qt boxes themselves: the report chooser takes a name that does not exist, and the details
// box draws every backslash of a path as a backslash, also where the Japanese font is the
// desktop's own.
#include "ui/qt_user_dialogs.h"

#include "ui_test_support.h"

#include <QApplication>
#include <QFileDialog>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QTextLayout>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

namespace dg::test {
namespace {

TEST(OpenFileDialog, ATypedNameThatDoesNotExistIsAcceptedWithoutACheck)
{
    TempFolder folder;
    const QString missing = folder.qpath() + QStringLiteral("/missing report.txt");
    const std::unique_ptr<QFileDialog> dialog =
        ui::makeOpenFileDialog(nullptr, {QStringLiteral("開く"), QStringLiteral("全てのファイル"), folder.qpath()});
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->show();
    dialog->selectFile(missing);
    // A "File not found" box would be modal; it is counted and closed so the test cannot hang.
    int boxes = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != dialog.get()) {
            ++boxes;
            modal->close();
        }
    });
    closer.start(20);
    static_cast<QDialog*>(dialog.get())->accept(); // QFileDialog::accept, as the Open button
    EXPECT_EQ(boxes, 0);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->selectedFiles(), QStringList{missing});
}

// How far the ink of the character at index at of text, drawn in font, matches its own mirror
// image: about 1 for a yen sign (symmetric about its stem), far less for a backslash.
double mirrorMatch(const QString& text, qsizetype at, const QFont& font)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    const int left = static_cast<int>(line.cursorToX(static_cast<int>(at)));
    const int right = static_cast<int>(line.cursorToX(static_cast<int>(at + 1)));
    QImage image(static_cast<int>(line.naturalTextWidth()) + 8, static_cast<int>(line.height()) + 8,
                 QImage::Format_Grayscale8);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setPen(Qt::black);
        layout.draw(&painter, QPointF(4, 4));
    }
    // The ink's columns inside the character's cell.
    const auto inked = [&](int x, int y) { return qGray(image.pixel(x, y)) < 128; };
    int first = INT_MAX;
    int last = -1;
    for (int x = left + 4; x < right + 4 && x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (inked(x, y)) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
    if (last < 0)
        return 0;
    int ink = 0;
    int matched = 0;
    for (int x = first; x <= last; ++x)
        for (int y = 0; y < image.height(); ++y)
            if (inked(x, y)) {
                ++ink;
                matched += inked(first + last - x, y) ? 1 : 0;
            }
    return static_cast<double>(matched) / ink;
}

TEST(PathFont, EveryBackslashOfAPathIsDrawnAsABackslash)
{
    // A desktop whose own font is the Japanese one (as under a Japanese locale), and one with a
    // Latin font first: Japanese characters then come from the Japanese font beside backslashes.
    QFont japanese(QStringLiteral("IPAGothic"));
    QFont latin = QApplication::font();
    const QString path = QStringLiteral("C:\\Users\\表計算\\Documents\\ソフト\\x");
    // The measure itself: a yen sign matches its mirror image, a backslash in a Latin font does not.
    japanese.setPixelSize(40);
    latin.setPixelSize(40);
    ASSERT_GT(mirrorMatch(QStringLiteral("a\u00A5b"), 1, latin), 0.8);
    ASSERT_LT(mirrorMatch(QStringLiteral("a\\\\b"), 1, QFont(QStringLiteral("DejaVu Sans"), 30)), 0.5);
    const QFont desktop = QApplication::font();
    for (const QFont& base : {japanese, latin}) {
        SCOPED_TRACE(base.family().toStdString());
        const QFont font = ui::pathFont(base);
        QApplication::setFont(base);
        EXPECT_EQ(ui::makeMessageBox(nullptr, QString(), path)->font().families(), font.families());
        for (qsizetype at = path.indexOf(QLatin1Char('\\')); at >= 0; at = path.indexOf(QLatin1Char('\\'), at + 1))
            EXPECT_LT(mirrorMatch(path, at, font), 0.5) << "the backslash at " << at << " looks like a yen sign";
    }
    QApplication::setFont(desktop);
}

} // namespace
} // namespace dg::test
