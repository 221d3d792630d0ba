#pragma once
// A main window made the way start-up makes it, but with a private settings folder, recorded
// boxes, a recording partner link and a recorded end of the program.
#include "recording_dialogs.h"
#include "ui_test_support.h"

#include "ui/folder_tree_model.h"
#include "ui/main_window.h"
#include "ui/status_panel.h"

#include <QAction>
#include <QLabel>
#include <QTreeView>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace dg::test {

// A report of one drive: C: with two folders, each with one subfolder. The root size has 12
// digits, so every size is right-aligned to 15 characters.
inline std::vector<std::string> goodReportLines()
{
    return {
        "MYPC CHECK START AT 2024/05/01 10:20:30",
        "C:,511101108224,33%",
        "C:\\,118101360871,\"2019/04/01 09:12:44\",\"2024/05/01 09:58:41\",22",
        "\"C:\\Program Files\",5153535662,\"2019/04/01 09:12:44\",\"2024/04/20 21:00:00\",17",
        "\"C:\\Program Files\\ソフト\",1234,\"2020/01/02 03:04:05\",\"2024/04/20 21:00:00\",2066",
        "C:\\Users,35647833031,\"2019/04/01 09:12:44\",\"2024/04/29 08:00:00\",16",
        "C:\\Users\\表計算,128,\"2019/04/01 09:12:44\",\"2024/04/29 08:00:00\",128",
        "END",
    };
}

class MainWindowTest : public ::testing::Test {
protected:
    std::unique_ptr<ui::MainWindow> makeWindow(const QStringList& parameters = {})
    {
        ui::ViewerContext context;
        context.settingsPath = settingsPath();
        context.debugLogBase = folder.path() / "dirgauge";
        context.parameters = parameters;
        context.collatorLocale = "ja";
        context.dialogs = &dialogs;
        context.partner = &partner;
        context.endProgram = [this](int code) { endCodes.push_back(code); };
        return std::make_unique<ui::MainWindow>(std::move(context));
    }

    std::filesystem::path settingsPath() const { return folder.path() / "dirgauge.ini"; }

    QString goodReport() const { return folder.writeReport("good.txt", goodReportLines()); }

    // Loads through the guarded path a command takes.
    static void load(ui::MainWindow& window, const QString& fileName)
    {
        window.guarded([&] { window.LoadFile(fileName); });
    }

    static QString label(const ui::MainWindow& window, const QModelIndex& index)
    {
        return window.treeModel()->data(index).toString();
    }
    // The labels of the children of parent, in the order shown.
    static QStringList childLabels(const ui::MainWindow& window, const QModelIndex& parent)
    {
        QStringList labels;
        const auto* model = window.treeModel();
        for (int row = 0; row < model->rowCount(parent); ++row)
            labels.append(label(window, model->index(row, 0, parent)));
        return labels;
    }
    static bool enabled(const ui::MainWindow& window, ui::CommandId id) { return window.action(id)->isEnabled(); }

    // The enabled state of the five commands a load switches, in the order Comp1, ExitWithComp1,
    // View2, CtrlDown1, CtrlUp1.
    static std::vector<bool> loadCommands(const ui::MainWindow& window)
    {
        using ui::CommandId;
        return {enabled(window, CommandId::Comp1), enabled(window, CommandId::ExitWithComp1),
                enabled(window, CommandId::View2), enabled(window, CommandId::CtrlDown1),
                enabled(window, CommandId::CtrlUp1)};
    }

    TempFolder folder;
    RecordingDialogs dialogs;
    RecordingPartner partner;
    std::vector<int> endCodes;
};

} // namespace dg::test
