// dirgauge-screenshot REPORT OUTPUT.png: opens the viewer on a report with a private settings
// folder, expands the first levels of the tree, selects a folder and writes a picture of the
// window with, beside it, the details box of that folder (its path among them). `make screenshot`
// runs it under Xvfb to make the README's picture.
#include "app/viewer_startup.h"
#include "ui/folder_tree_model.h"
#include "ui/qt_user_dialogs.h"
#include "ui/user_dialogs.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <cstdio>

namespace {

// Nobody is there to answer a box: messages go to standard error instead.
class ConsoleDialogs : public dg::ui::UserDialogs {
public:
    void message(const QString& text) override
    {
        last = text;
        print(text);
    }
    void error(const QString& text) override { print(text); }
    std::optional<QString> openFile(const dg::ui::OpenFileRequest&) override { return std::nullopt; }
    int execModal(QDialog&) override { return 0; }
    void openUrl(const QUrl&) override {}

    QString last; // the last message

private:
    static void print(const QString& text)
    {
        std::fprintf(stderr, "dirgauge-screenshot: %s\n", text.toLocal8Bit().constData());
    }
};

// Expands the top node's children and the first folders below the first root.
void expandFirstLevels(dg::ui::MainWindow& window)
{
    QTreeView* view = window.treeView();
    const dg::ui::FolderTreeModel* model = window.treeModel();
    const QModelIndex top = model->index(0, 0);
    view->expand(top);
    const QModelIndex root = model->index(0, 0, top);
    if (!root.isValid())
        return;
    view->expand(root);
    const int rows = model->rowCount(root);
    for (int row = 0; row < rows && row < 2; ++row)
        view->expand(model->index(row, 0, root));
    const QModelIndex selected = model->index(0, 0, root);
    if (selected.isValid())
        view->setCurrentIndex(selected);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: dirgauge-screenshot REPORT OUTPUT.png\n");
        return 2;
    }
    QTemporaryDir config;
    if (!config.isValid()) {
        std::fprintf(stderr, "dirgauge-screenshot: cannot make a temporary folder\n");
        return 1;
    }
    const std::filesystem::path folder(QFile::encodeName(config.path()).toStdString());

    ConsoleDialogs dialogs;
    int status = 0;
    dg::ui::ViewerContext context;
    context.settingsPath = folder / "dirgauge.ini";
    context.debugLogBase = folder / "dirgauge";
    context.parameters = QStringList{QFile::decodeName(argv[1])};
    context.dialogs = &dialogs;
    context.endProgram = [&status](int code) { status = code; };
    dg::app::ViewerWindows windows = dg::app::createViewerWindows(std::move(context));
    dg::ui::MainWindow& window = *windows.main;
    if (status != 0 || window.tree().nodeCount() == 0) {
        std::fprintf(stderr, "dirgauge-screenshot: %s was not shown\n", argv[1]);
        return 1;
    }

    window.show();
    expandFirstLevels(window);
    // The details of the selected folder, in the box the viewer shows them in.
    dialogs.last.clear();
    window.guarded([&] { window.View2Click(); });
    const std::unique_ptr<QMessageBox> details =
        dg::ui::makeMessageBox(&window, QStringLiteral("Dirgauge"), dialogs.last);
    if (!dialogs.last.isEmpty())
        details->show();
    const QString output = QFile::decodeName(argv[2]);
    QTimer::singleShot(500, &window, [&] {
        const QPixmap main = window.grab();
        const QPixmap box = details->isVisible() ? details->grab() : QPixmap();
        constexpr int kGap = 8;
        QPixmap both(main.width() + (box.isNull() ? 0 : kGap + box.width()), std::max(main.height(), box.height()));
        both.fill(Qt::white);
        {
            QPainter painter(&both);
            painter.drawPixmap(0, 0, main);
            if (!box.isNull())
                painter.drawPixmap(main.width() + kGap, 0, box);
        }
        if (!both.save(output, "PNG")) {
            std::fprintf(stderr, "dirgauge-screenshot: cannot write %s\n", argv[2]);
            status = 1;
        }
        QCoreApplication::quit();
    });
    QApplication::exec();
    return status;
}
