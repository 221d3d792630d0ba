#pragma once
// `LocalClock`: seconds since the epoch as local "yyyy/mm/dd hh:mm:ss", fast enough for a date or
// two per folder of a large scan. The zone's offset is looked up once per quarter hour of time
// (zones change their offset only at such instants) and cached; a quarter hour that holds a change
// is converted the slow way.
#include <array>
#include <cstdint>
#include <string>

namespace dg::scan {

class LocalClock {
public:
    static constexpr std::size_t kTextSize = 19;
    // Writes the text at out (kTextSize bytes, more only for years outside 0..9999) and returns
    // the end of what was written.
    char* format(std::int64_t seconds, char* out);
    std::string format(std::int64_t seconds);

private:
    struct Entry {
        std::int64_t bucket = INT64_MIN;
        std::int64_t offset = 0;
        bool mixed = false;
    };
    std::array<Entry, 256> m_cache;
};

} // namespace dg::scan
