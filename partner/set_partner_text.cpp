#include "partner/set_partner_text.h"

#include <array>
#include <charconv>

namespace dg::partner {

namespace {

// Exactly four decimal integers separated by commas ("-" allowed), each fitting an int.
std::optional<std::array<int, 4>> fourIntegers(std::string_view text)
{
    std::array<int, 4> values{};
    const char* p = text.data();
    const char* end = text.data() + text.size();
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) {
            if (p == end || *p != ',')
                return std::nullopt;
            ++p;
        }
        // from_chars takes no "+", which the place never has.
        const auto [next, error] = std::from_chars(p, end, values[i]);
        if (error != std::errc() || next == p)
            return std::nullopt;
        p = next;
    }
    if (p != end)
        return std::nullopt;
    return values;
}

} // namespace

std::string composeSetPartnerText(std::string_view title, const std::optional<WindowPlace>& place)
{
    std::string payload(title);
    if (place) {
        payload += '\n';
        payload += std::to_string(place->left);
        payload += ',';
        payload += std::to_string(place->top);
        payload += ',';
        payload += std::to_string(place->width);
        payload += ',';
        payload += std::to_string(place->height);
    }
    return payload;
}

SetPartnerText parseSetPartnerText(std::string_view payload)
{
    const std::size_t feed = payload.rfind('\n');
    if (feed != std::string_view::npos) {
        if (const auto values = fourIntegers(payload.substr(feed + 1));
            values && (*values)[2] > 0 && (*values)[3] > 0)
            return {payload.substr(0, feed), WindowPlace{(*values)[0], (*values)[1], (*values)[2], (*values)[3]}};
    }
    return {payload, std::nullopt};
}

} // namespace dg::partner
