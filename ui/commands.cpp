#include "ui/commands.h"

#include <QCoreApplication>

namespace dg::ui {
namespace {

// Captions and hints are the Japanese source texts of their translations (commandText()).
constexpr std::array<CommandSpec, kCommandCount> kCommands{{
    {CommandId::Open1, "Open1",
     QT_TRANSLATE_NOOP("dg::ui::commands", "開く...(&O)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "開く...(&O)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "開く...(&O)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "開く"),
     CommandImage::Open, true, false},
    {CommandId::Comp1, "Comp1",
     QT_TRANSLATE_NOOP("dg::ui::commands", "比較元を開く...(&O)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "比較元を開く(&C)..."),
     QT_TRANSLATE_NOOP("dg::ui::commands", "比較元を開く(&Z)..."),
     QT_TRANSLATE_NOOP("dg::ui::commands", "比較元を開く"),
     CommandImage::Compare, false, false},
    {CommandId::Scan1, "Scan1",
     QT_TRANSLATE_NOOP("dg::ui::commands", "フォルダをスキャン...(&S)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "フォルダをスキャン...(&S)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "フォルダをスキャン...(&S)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "フォルダをスキャン"),
     CommandImage::None, true, false},
    {CommandId::ExitWithComp1, "ExitWithComp1",
     QT_TRANSLATE_NOOP("dg::ui::commands", "比較元も終了(&W)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "比較元も終了(&W)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "比較元も終了(&W)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "比較元も終了"),
     CommandImage::ExitWithCompare, false, false},
    {CommandId::Exit1, "Exit1",
     QT_TRANSLATE_NOOP("dg::ui::commands", "終了(&X)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "終了(&X)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "終了(&X)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "終了"),
     CommandImage::None, true, false},
    {CommandId::View2, "View2",
     QT_TRANSLATE_NOOP("dg::ui::commands", "情報(&F)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "情報(&F)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "情報(&F)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "情報"),
     CommandImage::Details, false, false},
    {CommandId::CtrlDown1, "CtrlDown1",
     QT_TRANSLATE_NOOP("dg::ui::commands", "下の異なるフォルダへ(&D)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "下の異なるフォルダへ(&D)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "下の異なるフォルダへ(&D)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "下の異なるフォルダへ"),
     CommandImage::NextChange, false, false},
    {CommandId::CtrlUp1, "CtrlUp1",
     QT_TRANSLATE_NOOP("dg::ui::commands", "上の異なるフォルダへ(&U)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "上の異なるフォルダへ(&U)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "上の異なるフォルダへ(&U)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "上の異なるフォルダへ"),
     CommandImage::PreviousChange, false, false},
    {CommandId::CSet1, "CSet1",
     QT_TRANSLATE_NOOP("dg::ui::commands", "比較の設定(&C)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "比較の設定(&C)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "比較の設定(&C)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "比較の設定"),
     CommandImage::None, true, false},
    {CommandId::Synchro1, "Synchro1",
     QT_TRANSLATE_NOOP("dg::ui::commands", "比較同期モード(&S)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "比較同期モード(&S)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "比較同期モード(&S)"),
     "",
     CommandImage::None, true, true},
    {CommandId::About1, "About1",
     QT_TRANSLATE_NOOP("dg::ui::commands", "バージョン情報(&A)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "バージョン情報(&A)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "バージョン情報(&A)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "バージョン情報"),
     CommandImage::None, true, false},
    {CommandId::Debug1, "Debug1",
     QT_TRANSLATE_NOOP("dg::ui::commands", "デバッグ(&Z)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "デバッグ(&Z)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "デバッグ(&Z)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "デバッグ"),
     CommandImage::None, true, true},
    {CommandId::Help1, "Help1",
     QT_TRANSLATE_NOOP("dg::ui::commands", "ヘルプ(&H)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "ヘルプ(&H)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "ヘルプ(&H)"),
     QT_TRANSLATE_NOOP("dg::ui::commands", "ヘルプ"),
     CommandImage::None, true, false},
}};

constexpr bool inIdOrder()
{
    for (std::size_t i = 0; i < kCommands.size(); ++i)
        if (static_cast<std::size_t>(kCommands[i].id) != i)
            return false;
    return true;
}
static_assert(inIdOrder(), "the command table is in CommandId order, one entry per command");

constexpr MenuEntry cmd(CommandId id)
{
    return {false, id};
}
constexpr MenuEntry kSeparator{true, CommandId::Open1};

} // namespace

const std::array<CommandSpec, kCommandCount>& commandTable()
{
    return kCommands;
}

const CommandSpec& commandSpec(CommandId id)
{
    return kCommands[static_cast<std::size_t>(id)];
}

QList<QKeySequence> commandShortcuts(CommandId id)
{
    switch (id) {
    case CommandId::View2:
        return {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)};
    case CommandId::CtrlDown1:
        return {QKeySequence(Qt::CTRL | Qt::Key_Down)};
    case CommandId::CtrlUp1:
        return {QKeySequence(Qt::CTRL | Qt::Key_Up)};
    case CommandId::Scan1:
        return {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)};
    case CommandId::Open1:
        return {QKeySequence(Qt::CTRL | Qt::Key_O)};
    case CommandId::Exit1:
        return {QKeySequence(Qt::CTRL | Qt::Key_Q)};
    case CommandId::Help1:
        return {QKeySequence(Qt::Key_F1)};
    case CommandId::Comp1:
    case CommandId::ExitWithComp1:
    case CommandId::CSet1:
    case CommandId::Synchro1:
    case CommandId::About1:
    case CommandId::Debug1:
        return {};
    }
    return {};
}

QString commandText(const char* text)
{
    return QCoreApplication::translate("dg::ui::commands", text);
}

const char* commandImagePath(CommandImage image)
{
    switch (image) {
    case CommandImage::None:
        return "";
    case CommandImage::Open:
        return ":/icons/open.svg";
    case CommandImage::Compare:
        return ":/icons/compare.svg";
    case CommandImage::ExitWithCompare:
        return ":/icons/exit_with_compare.svg";
    case CommandImage::Details:
        return ":/icons/details.svg";
    case CommandImage::PreviousChange:
        return ":/icons/previous_change.svg";
    case CommandImage::NextChange:
        return ":/icons/next_change.svg";
    }
    return "";
}

const QList<MenuSpec>& menuTable()
{
    static const QList<MenuSpec> menus{
        {QT_TRANSLATE_NOOP("dg::ui::commands", "ファイル(&F)"),
         {cmd(CommandId::Open1), cmd(CommandId::Comp1), cmd(CommandId::Scan1), kSeparator, cmd(CommandId::ExitWithComp1),
          cmd(CommandId::Exit1)}},
        {QT_TRANSLATE_NOOP("dg::ui::commands", "表示(&V)"),
         {cmd(CommandId::View2), kSeparator, cmd(CommandId::CtrlDown1), cmd(CommandId::CtrlUp1)}},
        {QT_TRANSLATE_NOOP("dg::ui::commands", "オプション(&O)"), {cmd(CommandId::CSet1), cmd(CommandId::Synchro1)}},
        {QT_TRANSLATE_NOOP("dg::ui::commands", "ヘルプ(&H)"), {cmd(CommandId::About1), kSeparator, cmd(CommandId::Debug1)}},
    };
    return menus;
}

const QList<MenuEntry>& toolBarTable()
{
    static const QList<MenuEntry> tools{
        cmd(CommandId::Open1),         cmd(CommandId::Comp1), cmd(CommandId::ExitWithComp1), kSeparator,
        cmd(CommandId::View2),         cmd(CommandId::CtrlDown1), cmd(CommandId::CtrlUp1),
    };
    return tools;
}

} // namespace dg::ui
