#include "ui/message_text.h"

#include <QRegularExpression>
#include <QStringList>

namespace dg::ui {
namespace {

QStringList splitLines(const QString& raw)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    return raw.split(lineBreak);
}

enum class CellKind { WholeLine, Label, Value };

QString cell(const QString& text, CellKind kind)
{
    QString escaped = text.toHtmlEscaped();
    escaped.replace(QLatin1Char('\t'), QLatin1Char(' '));
    if (escaped.isEmpty())
        escaped = QStringLiteral("&nbsp;");
    switch (kind) {
    case CellKind::WholeLine:
        return QStringLiteral("<td colspan=\"2\" style=\"white-space:pre\">%1</td>").arg(escaped);
    case CellKind::Label:
        return QStringLiteral("<td style=\"white-space:pre; padding-right:8px\">%1</td>").arg(escaped);
    case CellKind::Value:
        return QStringLiteral("<td style=\"white-space:pre\">%1</td>").arg(escaped);
    }
    return escaped;
}

} // namespace

MessageContent messageContent(const QString& raw)
{
    const QStringList lines = splitLines(raw);
    if (!raw.contains(QLatin1Char('\t')))
        return {lines.join(QLatin1Char('\n')), false};

    QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"0\">");
    for (const QString& line : lines) {
        html += QStringLiteral("<tr>");
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab < 0) {
            html += cell(line, CellKind::WholeLine);
        } else {
            html += cell(line.left(tab), CellKind::Label);
            html += cell(line.mid(tab + 1), CellKind::Value);
        }
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table>");
    return {html, true};
}

} // namespace dg::ui
