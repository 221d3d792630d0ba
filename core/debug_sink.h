#pragma once
// Where the core's progress lines go. The core never opens a log itself: the viewer and the
// command-line tools hand it a sink (diag::DebugLog), or nothing when logging is off.
#include <string_view>

namespace dg {

class DebugSink {
public:
    virtual ~DebugSink() = default;
    // False when lines would be dropped, so callers can skip building their text.
    virtual bool enabled() const = 0;
    // One line, Shift-JIS bytes as held, without a line end.
    virtual void out(std::string_view text) = 0;
};

// Writes the line when a sink is given and switched on.
inline void debugOut(DebugSink* sink, std::string_view text)
{
    if (sink && sink->enabled())
        sink->out(text);
}

} // namespace dg
