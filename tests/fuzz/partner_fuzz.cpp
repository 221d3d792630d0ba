// Fuzzing of what arrives over the partner channel:
//  - the frame decoder, fed the input in chunks whose sizes come from the input itself, against a
//    plain reading of the whole byte stream by the header rules (same frames, same error, at the
//    same place); every decoded frame encodes back to exactly the bytes it came from;
//  - every payload read as a SetPartner text (title and window place): composing what was read
//    and reading it again gives the same title and place, and a place is only ever read from a
//    last line of four integers;
//  - every payload as a window title in a title file: composed and read back unchanged;
//  - the event word of a tree event: level and kind survive makeEventWord.
// Any difference aborts, which libFuzzer reports with the input that caused it.
#include "core/sync_path.h"
#include "partner/endpoint_dir.h"
#include "partner/frame.h"
#include "partner/set_partner_text.h"
#include "tests/fuzz/fuzz_require.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {
using namespace dg;
using namespace dg::partner;

std::uint32_t littleEndian(std::string_view bytes, std::size_t at, std::size_t size)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}

struct PlainResult {
    std::vector<Frame> frames;
    DecodeError error = DecodeError::None;
    bool partial = false; // the stream ends inside a frame
};

// The header rules applied to the whole stream at once.
PlainResult plainDecode(std::string_view bytes)
{
    PlainResult result;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::string_view rest = bytes.substr(at);
        for (std::size_t i = 0; i < 4 && i < rest.size(); ++i)
            if (rest[i] != kMagic[i]) {
                result.error = DecodeError::BadMagic;
                return result;
            }
        // The magic is checked byte by byte, the rest of the header once all of it is there.
        if (rest.size() >= kHeaderSize) {
            if (littleEndian(rest, 4, 2) != kProtocolVersion) {
                result.error = DecodeError::BadVersion;
                return result;
            }
            if (!isKnownMessage(static_cast<std::uint16_t>(littleEndian(rest, 6, 2)))) {
                result.error = DecodeError::UnknownMessage;
                return result;
            }
            if (littleEndian(rest, 24, 4) > kMaxPayload) {
                result.error = DecodeError::Oversized;
                return result;
            }
        }
        if (rest.size() < kHeaderSize || rest.size() < kHeaderSize + littleEndian(rest, 24, 4)) {
            result.partial = true;
            return result;
        }
        Frame frame;
        frame.message = static_cast<MessageNumber>(littleEndian(rest, 6, 2));
        frame.requestId = littleEndian(rest, 8, 4);
        frame.senderId = littleEndian(rest, 12, 4) | (std::uint64_t{littleEndian(rest, 16, 4)} << 32);
        frame.eventWord = littleEndian(rest, 20, 4);
        const std::size_t length = littleEndian(rest, 24, 4);
        frame.payload.assign(rest.substr(kHeaderSize, length));
        result.frames.push_back(std::move(frame));
        at += kHeaderSize + length;
    }
    return result;
}

void checkDecoder(std::string_view stream, std::string_view chunking)
{
    const PlainResult expected = plainDecode(stream);
    FrameDecoder decoder;
    std::vector<Frame> frames;
    std::size_t chunkAt = 0;
    std::string_view input = stream;
    while (!input.empty() && decoder.status() != DecodeStatus::Error) {
        std::size_t size = 1;
        if (!chunking.empty())
            size = 1 + static_cast<unsigned char>(chunking[chunkAt++ % chunking.size()]) * 7;
        std::string_view chunk = input.substr(0, std::min(size, input.size()));
        const std::size_t before = chunk.size();
        const DecodeStatus status = decoder.feed(chunk);
        input.remove_prefix(before - chunk.size());
        if (status == DecodeStatus::FrameReady) {
            frames.push_back(decoder.takeFrame());
        } else if (status == DecodeStatus::NeedMore) {
            require(chunk.empty());                // everything offered was taken
            require(decoder.bytesWanted() > 0);
        }
    }
    require(frames == expected.frames);
    require(decoder.error() == expected.error);
    require((decoder.status() == DecodeStatus::Error) == (expected.error != DecodeError::None));
    if (expected.error == DecodeError::None)
        require(decoder.inFrame() == expected.partial);

    // Each frame goes back to the bytes it came from.
    std::string again;
    for (const Frame& frame : frames) {
        const auto bytes = encodeFrame(frame);
        require(bytes.has_value());
        again += *bytes;
    }
    require(stream.substr(0, again.size()) == again);
}

// A decimal integer that fits an int: an optional "-", then digits (leading zeros allowed).
std::optional<long long> plainInt(std::string_view text)
{
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > 2147483648LL)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > 2147483647LL)
        return std::nullopt;
    return value;
}

// The plain reading of a place: the last line is "a,b,c,d", four integers, c and d above 0.
bool plainIsPlace(std::string_view line)
{
    std::vector<std::string_view> parts;
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = line.find(',', from);
        parts.push_back(line.substr(from, comma == std::string_view::npos ? std::string_view::npos : comma - from));
        if (comma == std::string_view::npos)
            break;
        from = comma + 1;
    }
    if (parts.size() != 4)
        return false;
    std::vector<long long> values;
    for (std::string_view part : parts) {
        const auto value = plainInt(part);
        if (!value)
            return false;
        values.push_back(*value);
    }
    return values[2] > 0 && values[3] > 0;
}

void checkPayload(std::string_view payload)
{
    const SetPartnerText text = parseSetPartnerText(payload);
    const std::size_t feed = payload.rfind('\n');
    const bool place = feed != std::string_view::npos && plainIsPlace(payload.substr(feed + 1));
    require(text.place.has_value() == place);
    require(text.title == (place ? payload.substr(0, feed) : payload));
    if (text.place) {
        // Numbers written with leading zeros or "-0" read the same once composed anew.
        const std::string composed = composeSetPartnerText(text.title, text.place);
        const SetPartnerText again = parseSetPartnerText(composed);
        require(again.title == text.title && again.place == text.place);
    }

    const auto title = parseTitleFile(composeTitleFile(payload));
    require(title && title->windowClass == kWindowClass && title->title == payload);
}

void checkEventWord(std::uint32_t word)
{
    for (SyncKind kind : {SyncKind::Change, SyncKind::Expanded, SyncKind::Collapsed}) {
        const std::uint32_t made = makeEventWord(kind, word);
        require(eventKind(made) == kind);
        require(eventLevel(made) == (word & kLevelMask));
    }
    require(eventLevel(word) == (word & 0x00FFFFFFu));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // The first byte says how many of the following bytes choose the chunk sizes.
    std::string_view chunking;
    std::string_view stream = input;
    if (!stream.empty()) {
        const std::size_t count = std::min<std::size_t>(static_cast<unsigned char>(stream.front()) % 8, stream.size() - 1);
        chunking = stream.substr(1, count);
        stream.remove_prefix(1 + count);
    }
    checkDecoder(stream, chunking);
    checkPayload(stream);
    // The payloads of whatever frames the stream holds, too.
    FrameDecoder decoder;
    std::string_view rest = stream;
    while (decoder.feed(rest) == DecodeStatus::FrameReady) {
        const Frame frame = decoder.takeFrame();
        checkPayload(frame.payload);
        checkEventWord(frame.eventWord);
    }
    if (size >= 4) {
        std::uint32_t word = 0;
        std::memcpy(&word, data, 4);
        checkEventWord(word);
    }
    return 0;
}
