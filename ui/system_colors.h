#pragma once
// Colours of the comparison settings (TColor: 0x00BBGGRR, or 0xFF0000nn for system colour nn) as
// Qt colours. System colours come from the palette of the widget that paints: 5 window
// background, 8 window text, 17 grey text, 13 highlight, 14 highlight text, and a few more.
#include "settings/comp_setting.h"

#include <QColor>
#include <QPalette>

namespace dg::ui {

QColor toQColor(TColor color, const QPalette& palette);
// The explicit colour of a QColor (no system colour): 0x00BBGGRR.
TColor fromQColor(const QColor& color);

} // namespace dg::ui
