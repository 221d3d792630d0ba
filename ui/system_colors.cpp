#include "ui/system_colors.h"

namespace dg::ui {

QColor toQColor(TColor color, const QPalette& palette)
{
    if (!isSystemColor(color))
        return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                      static_cast<int>((color >> 16) & 0xFF));
    switch (systemColorIndex(color)) {
    case 4: return palette.color(QPalette::Window);           // menu
    case 5: return palette.color(QPalette::Base);             // window background
    case 7: return palette.color(QPalette::WindowText);       // menu text
    case 8: return palette.color(QPalette::Text);             // window text
    case 13: return palette.color(QPalette::Highlight);
    case 14: return palette.color(QPalette::HighlightedText);
    case 15: return palette.color(QPalette::Button);          // button face
    case 16: return palette.color(QPalette::Dark);            // button shadow
    case 17: return palette.color(QPalette::Disabled, QPalette::Text); // grey text
    case 18: return palette.color(QPalette::ButtonText);
    case 20: return palette.color(QPalette::Light);           // button highlight
    case 23: return palette.color(QPalette::ToolTipText);
    case 24: return palette.color(QPalette::ToolTipBase);
    default: return palette.color(QPalette::Text);
    }
}

TColor fromQColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return static_cast<TColor>(rgb.red()) | (static_cast<TColor>(rgb.green()) << 8) |
           (static_cast<TColor>(rgb.blue()) << 16);
}

} // namespace dg::ui
