#include "partner/frame.h"

#include <algorithm>
#include <cstring>

namespace dg::partner {

namespace {

constexpr std::size_t kVersionOffset = 4;
constexpr std::size_t kMessageOffset = 6;
constexpr std::size_t kRequestOffset = 8;
constexpr std::size_t kSenderOffset = 12;
constexpr std::size_t kEventOffset = 20;
constexpr std::size_t kLengthOffset = 24;

template <typename T>
void putLittleEndian(std::string& out, T value)
{
    for (std::size_t i = 0; i < sizeof(T); ++i)
        out.push_back(static_cast<char>(static_cast<unsigned char>(value >> (8 * i))));
}

template <typename T>
T getLittleEndian(const char* bytes)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        value |= std::uint64_t{static_cast<unsigned char>(bytes[i])} << (8 * i);
    return static_cast<T>(value);
}

} // namespace

bool isKnownMessage(std::uint16_t number)
{
    const auto message = static_cast<MessageNumber>(number);
    return isRequest(message) || message == MessageNumber::Reply || message == MessageNumber::Working;
}

bool isRequest(MessageNumber message)
{
    switch (message) {
    case MessageNumber::CopyData:
    case MessageNumber::SetPartner:
    case MessageNumber::ReloadComp:
    case MessageNumber::ReloadDebug:
    case MessageNumber::ReloadSynchro:
    case MessageNumber::Close:
        return true;
    case MessageNumber::Reply:
    case MessageNumber::Working:
        return false;
    }
    return false;
}

std::optional<std::string> encodeFrame(const Frame& frame)
{
    if (!isKnownMessage(static_cast<std::uint16_t>(frame.message)) || frame.payload.size() > kMaxPayload)
        return std::nullopt;
    std::string out;
    out.reserve(kHeaderSize + frame.payload.size());
    out.append(kMagic.data(), kMagic.size());
    putLittleEndian(out, kProtocolVersion);
    putLittleEndian(out, static_cast<std::uint16_t>(frame.message));
    putLittleEndian(out, frame.requestId);
    putLittleEndian(out, frame.senderId);
    putLittleEndian(out, frame.eventWord);
    putLittleEndian(out, static_cast<std::uint32_t>(frame.payload.size()));
    out += frame.payload;
    return out;
}

std::string_view describe(DecodeError error)
{
    switch (error) {
    case DecodeError::None:
        return "no error";
    case DecodeError::BadMagic:
        return "bad magic";
    case DecodeError::BadVersion:
        return "unsupported protocol version";
    case DecodeError::UnknownMessage:
        return "unknown message number";
    case DecodeError::Oversized:
        return "payload longer than the limit";
    }
    return "unknown error";
}

DecodeStatus FrameDecoder::fail(DecodeError error)
{
    m_error = error;
    m_status = DecodeStatus::Error;
    m_frame = Frame{};
    return m_status;
}

DecodeStatus FrameDecoder::checkHeader()
{
    if (getLittleEndian<std::uint16_t>(m_header.data() + kVersionOffset) != kProtocolVersion)
        return fail(DecodeError::BadVersion);
    const auto number = getLittleEndian<std::uint16_t>(m_header.data() + kMessageOffset);
    if (!isKnownMessage(number))
        return fail(DecodeError::UnknownMessage);
    m_payloadLength = getLittleEndian<std::uint32_t>(m_header.data() + kLengthOffset);
    if (m_payloadLength > kMaxPayload)
        return fail(DecodeError::Oversized);
    m_frame.message = static_cast<MessageNumber>(number);
    m_frame.requestId = getLittleEndian<std::uint32_t>(m_header.data() + kRequestOffset);
    m_frame.senderId = getLittleEndian<std::uint64_t>(m_header.data() + kSenderOffset);
    m_frame.eventWord = getLittleEndian<std::uint32_t>(m_header.data() + kEventOffset);
    m_frame.payload.clear();
    m_frame.payload.reserve(m_payloadLength);
    return m_status;
}

DecodeStatus FrameDecoder::feed(std::string_view& input)
{
    if (m_status != DecodeStatus::NeedMore)
        return m_status;
    while (m_headerFill < kHeaderSize && !input.empty()) {
        const std::size_t before = m_headerFill;
        // The magic is taken and checked on its own first, so that a stream of garbage is refused
        // on its first wrong byte rather than after a whole header.
        const std::size_t upTo = m_headerFill < kMagic.size() ? kMagic.size() : kHeaderSize;
        const std::size_t take = std::min(upTo - m_headerFill, input.size());
        std::memcpy(m_header.data() + m_headerFill, input.data(), take);
        input.remove_prefix(take);
        m_headerFill += take;
        for (std::size_t i = before; i < std::min(m_headerFill, kMagic.size()); ++i) {
            if (m_header[i] != kMagic[i])
                return fail(DecodeError::BadMagic);
        }
        if (m_headerFill == kHeaderSize && checkHeader() == DecodeStatus::Error)
            return m_status;
    }
    if (m_headerFill < kHeaderSize)
        return m_status;
    const std::size_t take = std::min<std::size_t>(m_payloadLength - m_frame.payload.size(), input.size());
    m_frame.payload.append(input.data(), take);
    input.remove_prefix(take);
    if (m_frame.payload.size() == m_payloadLength)
        m_status = DecodeStatus::FrameReady;
    return m_status;
}

std::size_t FrameDecoder::bytesWanted() const
{
    if (m_status != DecodeStatus::NeedMore)
        return 0;
    if (m_headerFill < kHeaderSize)
        return kHeaderSize - m_headerFill;
    return m_payloadLength - m_frame.payload.size();
}

Frame FrameDecoder::takeFrame()
{
    Frame frame = std::move(m_frame);
    m_frame = Frame{};
    m_headerFill = 0;
    m_payloadLength = 0;
    if (m_status == DecodeStatus::FrameReady)
        m_status = DecodeStatus::NeedMore;
    return frame;
}

} // namespace dg::partner
