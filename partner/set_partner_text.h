#pragma once
// The payload of a SetPartner request: the sender's window title (UTF-8) and, when the sender has
// placed the receiving window, a line feed and "left,top,width,height" in decimal. Plain C++, so
// that the hand-shake's text rules are tested and fuzzed without Qt.
#include <optional>
#include <string>
#include <string_view>

namespace dg::partner {

// Where the sender placed the receiving window, in pixels.
struct WindowPlace {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    bool operator==(const WindowPlace&) const = default;
};

struct SetPartnerText {
    std::string_view title; // views the payload
    std::optional<WindowPlace> place;
};

// title, then, when place is given, "\n" and its four numbers.
std::string composeSetPartnerText(std::string_view title, const std::optional<WindowPlace>& place);

// The text after the payload's last line feed is the place when it is exactly four decimal
// integers (each fitting an int, "-" allowed, nothing else) separated by commas, width and height
// above 0; otherwise the whole payload is the title (a title may hold line feeds of its own).
SetPartnerText parseSetPartnerText(std::string_view payload);

} // namespace dg::partner
