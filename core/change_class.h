#pragma once
#include <cstdint>

namespace dg {

// How a folder changed against the base report. The values are stable: they appear in the
// command-line tool's output and travel between viewers.
enum class ChangeClass : std::uint8_t {
    None = 0,       // not classified (the tree build sets it)
    Added = 1,      // Ad: no line in the base report
    Increased = 2,  // U1
    GreatlyIncreased = 3, // U2
    Decreased = 4,  // D1
    GreatlyDecreased = 5, // D2
    Unchanged = 255,
};

} // namespace dg
