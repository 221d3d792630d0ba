#pragma once
// The message frames that two viewers exchange over the partner channel, and the 32-bit event word
// of a tree event. Plain C++: the socket side lives in partner_endpoint.h.
//
// Layout of one frame (all integers little-endian, no padding):
//   offset  size  field
//        0     4  magic "DGPM"
//        4     2  version (kProtocolVersion)
//        6     2  message number (MessageNumber)
//        8     4  request id (a reply carries the id of the request it answers)
//       12     8  sender id (the sending endpoint's random id)
//       20     4  event word
//       24     4  payload length, at most kMaxPayload
//       28     n  payload bytes
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dg::partner {

inline constexpr std::array<char, 4> kMagic = {'D', 'G', 'P', 'M'};
inline constexpr std::uint16_t kProtocolVersion = 1;
inline constexpr std::size_t kHeaderSize = 28;
inline constexpr std::size_t kMaxPayload = 64 * 1024;

// The messages of the partner channel. The first six carry the numbers of the window messages
// they stand for; Reply and Working are the channel's own. All values are stable: they travel
// over the socket and other tools rely on them.
enum class MessageNumber : std::uint16_t {
    CopyData = 0x004A,      // WM_COPYDATA: one tree event; payload = path text (Shift-JIS bytes)
    SetPartner = 0x0464,    // WM_SETPARTNER: payload = the sender's window title (UTF-8)
    ReloadComp = 0x0465,    // WM_RELOADCOMP: re-read the comparison settings
    ReloadDebug = 0x0466,   // WM_RELOADDEBUG: re-read the debug switch
    ReloadSynchro = 0x0467, // WM_RELOADSYNCHRO: re-read the synchronisation switch
    Close = 0x0010,         // WM_CLOSE: close as if the user had closed the window
    Reply = 0x8000,         // the receiver has handled the request with the same request id
    Working = 0x8001,       // the receiver is still handling that request (keeps the sender waiting)
};

// True for the numbers listed in MessageNumber.
bool isKnownMessage(std::uint16_t number);

// True for the six requests a viewer handles (everything but Reply and Working).
bool isRequest(MessageNumber message);

struct Frame {
    MessageNumber message = MessageNumber::CopyData;
    std::uint32_t requestId = 0;
    std::uint64_t senderId = 0;
    std::uint32_t eventWord = 0;
    std::string payload;

    bool operator==(const Frame&) const = default;
};

// The bytes of frame, or nothing when its message number is not one of MessageNumber or its
// payload is longer than kMaxPayload.
std::optional<std::string> encodeFrame(const Frame& frame);

enum class DecodeError {
    None,
    BadMagic,       // the first four bytes are not "DGPM"
    BadVersion,     // a protocol version this program does not speak
    UnknownMessage, // a message number outside MessageNumber
    Oversized,      // a payload length above kMaxPayload
};

// A short English description of error for logs ("bad magic", ...).
std::string_view describe(DecodeError error);

enum class DecodeStatus {
    NeedMore,   // the current frame is not complete; feed more bytes
    FrameReady, // a whole frame is ready: takeFrame()
    Error,      // the byte stream is not a frame stream; error() says why. Stays so.
};

// Reassembles frames from a byte stream that arrives in chunks of any size. It holds at most one
// frame (kHeaderSize + kMaxPayload bytes) and rejects a bad header as soon as the offending bytes
// arrive, so garbage costs no memory and no waiting.
class FrameDecoder {
public:
    // Takes bytes from the front of input, never past the end of the current frame, and removes
    // them from input. Returns the state after that; bytes of a following frame stay in input.
    // Once FrameReady, nothing is taken until takeFrame(); once Error, nothing is ever taken.
    DecodeStatus feed(std::string_view& input);

    DecodeStatus status() const { return m_status; }
    DecodeError error() const { return m_error; }

    // How many more bytes the current frame needs at the least (the rest of the header, then the
    // rest of the payload); 0 when a frame is ready or the stream failed. Readers use it to take
    // no more from a socket than the frame needs.
    std::size_t bytesWanted() const;

    // True when part of a frame has been received but not all of it.
    bool inFrame() const { return m_status == DecodeStatus::NeedMore && m_headerFill > 0; }

    // The frame that is ready; the decoder then waits for the next frame. Precondition: status()
    // is FrameReady.
    Frame takeFrame();

private:
    DecodeStatus fail(DecodeError error);
    DecodeStatus checkHeader();

    std::array<char, kHeaderSize> m_header{};
    std::size_t m_headerFill = 0;
    std::uint32_t m_payloadLength = 0;
    Frame m_frame;
    DecodeStatus m_status = DecodeStatus::NeedMore;
    DecodeError m_error = DecodeError::None;
};

} // namespace dg::partner
