#pragma once
// How a message text is laid out in a message box. Message texts use "\r" (or CR LF, or LF) to
// break lines, and a tab to move the rest of a line to one column shared by all lines, the way a
// tab stop does; texts without a tab are shown as plain lines.
#include <QString>

namespace dg::ui {

struct MessageContent {
    QString text;
    bool richText = false;
};

// Plain text with "\n" line breaks when raw holds no tab; otherwise an HTML table whose first
// column holds what stands before each line's first tab and whose second column the rest (further
// tabs become blanks). Lines without a tab span both columns. Text is escaped and keeps its blanks.
MessageContent messageContent(const QString& raw);

} // namespace dg::ui
