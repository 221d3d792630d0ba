#include "core/sync_path.h"
#include "partner/frame.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace dg::partner {
namespace {

std::string encoded(const Frame& frame)
{
    const auto bytes = encodeFrame(frame);
    EXPECT_TRUE(bytes.has_value());
    return bytes.value_or(std::string());
}

// Feeds bytes in chunks of chunkSize and collects the frames; stops at the first error.
struct DecodeRun {
    std::vector<Frame> frames;
    DecodeStatus last = DecodeStatus::NeedMore;
    DecodeError error = DecodeError::None;
    std::size_t consumed = 0;
};

DecodeRun decodeInChunks(const std::string& bytes, std::size_t chunkSize)
{
    DecodeRun run;
    FrameDecoder decoder;
    for (std::size_t pos = 0; pos < bytes.size(); pos += chunkSize) {
        std::string_view chunk = std::string_view(bytes).substr(pos, chunkSize);
        while (!chunk.empty()) {
            const std::size_t before = chunk.size();
            run.last = decoder.feed(chunk);
            run.consumed += before - chunk.size();
            if (run.last == DecodeStatus::FrameReady) {
                run.frames.push_back(decoder.takeFrame());
            } else if (run.last == DecodeStatus::Error) {
                run.error = decoder.error();
                return run;
            }
        }
    }
    run.last = decoder.status();
    return run;
}

std::string header(std::uint16_t version, std::uint16_t message, std::uint32_t length)
{
    std::string bytes = encoded(Frame{MessageNumber::ReloadComp, 7, 9, 0, {}});
    bytes[4] = static_cast<char>(version & 0xFF);
    bytes[5] = static_cast<char>(version >> 8);
    bytes[6] = static_cast<char>(message & 0xFF);
    bytes[7] = static_cast<char>(message >> 8);
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<std::size_t>(24 + i)] = static_cast<char>((length >> (8 * i)) & 0xFF);
    return bytes;
}

TEST(Frame, HeaderLayoutIsLittleEndianAndFixed)
{
    const std::string bytes =
        encoded(Frame{MessageNumber::CopyData, 0x01020304, 0x1122334455667788ULL, 0x40000003, "C:"});
    const std::string expected("DGPM"
                               "\x01\x00"
                               "\x4A\x00"
                               "\x04\x03\x02\x01"
                               "\x88\x77\x66\x55\x44\x33\x22\x11"
                               "\x03\x00\x00\x40"
                               "\x02\x00\x00\x00"
                               "C:",
                               30);
    EXPECT_EQ(bytes, expected);
}

TEST(Frame, MessageNumbersKeepTheirValues)
{
    EXPECT_EQ(static_cast<std::uint16_t>(MessageNumber::CopyData), 0x004A);
    EXPECT_EQ(static_cast<std::uint16_t>(MessageNumber::SetPartner), 0x0464);
    EXPECT_EQ(static_cast<std::uint16_t>(MessageNumber::ReloadComp), 0x0465);
    EXPECT_EQ(static_cast<std::uint16_t>(MessageNumber::ReloadDebug), 0x0466);
    EXPECT_EQ(static_cast<std::uint16_t>(MessageNumber::ReloadSynchro), 0x0467);
    EXPECT_EQ(static_cast<std::uint16_t>(MessageNumber::Close), 0x0010);
    EXPECT_EQ(static_cast<std::uint16_t>(MessageNumber::Reply), 0x8000);
    EXPECT_EQ(static_cast<std::uint16_t>(MessageNumber::Working), 0x8001);
    EXPECT_FALSE(isRequest(MessageNumber::Reply));
    EXPECT_FALSE(isRequest(MessageNumber::Working));
    EXPECT_TRUE(isRequest(MessageNumber::Close));
}

TEST(Frame, RoundTripsInAnyChunking)
{
    // A Shift-JIS name whose trail byte is "\" ("\x95\x5C") must come through untouched.
    const std::vector<Frame> frames = {
        {MessageNumber::CopyData, 1, 42, makeEventWord(SyncKind::Change, 3),
         std::string("C:\\Windows\\\x95\x5C\\System32")},
        {MessageNumber::SetPartner, 2, 42, 0, "Dirgauge - /home/u/\xE3\x83\x87.txt"},
        {MessageNumber::ReloadComp, 3, 42, 0, {}},
        {MessageNumber::ReloadDebug, 4, 42, 0, {}},
        {MessageNumber::ReloadSynchro, 5, 42, 0, {}},
        {MessageNumber::Close, 6, 42, 0, {}},
        {MessageNumber::Reply, 6, 43, 0, {}},
        {MessageNumber::Working, 0xFFFFFFFF, ~0ULL, 0xFFFFFFFF, {}},
        {MessageNumber::CopyData, 7, 42, 0, std::string(kMaxPayload, '\0')},
    };
    std::string stream;
    for (const Frame& frame : frames)
        stream += encoded(frame);
    for (std::size_t chunk :
         {std::size_t{1}, std::size_t{3}, kHeaderSize, std::size_t{4096}, stream.size()}) {
        SCOPED_TRACE(chunk);
        const DecodeRun run = decodeInChunks(stream, chunk);
        EXPECT_EQ(run.last, DecodeStatus::NeedMore);
        EXPECT_EQ(run.error, DecodeError::None);
        EXPECT_EQ(run.frames, frames);
    }
}

TEST(Frame, EncodeRefusesWhatCannotTravel)
{
    EXPECT_FALSE(encodeFrame(Frame{MessageNumber::CopyData, 1, 1, 0, std::string(kMaxPayload + 1, 'x')}));
    EXPECT_FALSE(encodeFrame(Frame{static_cast<MessageNumber>(0x0468), 1, 1, 0, {}}));
}

TEST(Frame, DecoderRefusesBadHeadersAsSoonAsTheyArrive)
{
    struct Case {
        const char* name;
        std::string bytes;
        DecodeError error;
        std::size_t consumedAtMost;
    };
    std::string lateMagic = header(1, 0x0465, 0);
    lateMagic[3] = 'X';
    const std::vector<Case> cases = {
        {"garbage", "GET / HTTP/1.1\r\n\r\n", DecodeError::BadMagic, kMagic.size()},
        {"wrong last magic byte", lateMagic, DecodeError::BadMagic, 4},
        {"version 0", header(0, 0x0465, 0), DecodeError::BadVersion, kHeaderSize},
        {"version 2", header(2, 0x0465, 0), DecodeError::BadVersion, kHeaderSize},
        {"unknown message", header(1, 0x0468, 0), DecodeError::UnknownMessage, kHeaderSize},
        {"message zero", header(1, 0, 0), DecodeError::UnknownMessage, kHeaderSize},
        // The length alone is refused: no payload is waited for or allocated.
        {"oversized", header(1, 0x004A, kMaxPayload + 1) + std::string(1000, 'x'), DecodeError::Oversized,
         kHeaderSize},
        {"length 4 GiB", header(1, 0x004A, 0xFFFFFFFF), DecodeError::Oversized, kHeaderSize},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (std::size_t chunk : {std::size_t{1}, c.bytes.size()}) {
            const DecodeRun run = decodeInChunks(c.bytes, chunk);
            EXPECT_EQ(run.last, DecodeStatus::Error);
            EXPECT_EQ(run.error, c.error);
            EXPECT_TRUE(run.frames.empty());
            EXPECT_LE(run.consumed, c.consumedAtMost);
        }
    }
}

TEST(Frame, ErrorIsFinal)
{
    FrameDecoder decoder;
    std::string_view garbage = "xx";
    EXPECT_EQ(decoder.feed(garbage), DecodeStatus::Error);
    const std::string good = encoded(Frame{MessageNumber::Close, 1, 1, 0, {}});
    std::string_view next = good;
    EXPECT_EQ(decoder.feed(next), DecodeStatus::Error);
    EXPECT_EQ(next.size(), good.size());
    EXPECT_EQ(decoder.bytesWanted(), 0u);
}

TEST(Frame, TruncatedFrameWaitsAndSaysHowMuchIsMissing)
{
    const std::string bytes = encoded(Frame{MessageNumber::CopyData, 1, 2, 5, "C:\\a\\b"});
    FrameDecoder decoder;
    EXPECT_EQ(decoder.bytesWanted(), kHeaderSize);
    EXPECT_FALSE(decoder.inFrame());
    std::string_view part = std::string_view(bytes).substr(0, 10);
    EXPECT_EQ(decoder.feed(part), DecodeStatus::NeedMore);
    EXPECT_TRUE(decoder.inFrame());
    EXPECT_EQ(decoder.bytesWanted(), kHeaderSize - 10);
    std::string_view rest = std::string_view(bytes).substr(10, bytes.size() - 11);
    EXPECT_EQ(decoder.feed(rest), DecodeStatus::NeedMore);
    EXPECT_EQ(decoder.bytesWanted(), 1u);
    std::string_view last = std::string_view(bytes).substr(bytes.size() - 1);
    EXPECT_EQ(decoder.feed(last), DecodeStatus::FrameReady);
    EXPECT_EQ(decoder.takeFrame().payload, "C:\\a\\b");
    EXPECT_FALSE(decoder.inFrame());
}

TEST(Frame, FeedStopsAtTheEndOfAFrame)
{
    const std::string first = encoded(Frame{MessageNumber::ReloadComp, 1, 1, 0, "ab"});
    const std::string second = encoded(Frame{MessageNumber::ReloadDebug, 2, 1, 0, {}});
    const std::string both = first + second;
    std::string_view input = both;
    FrameDecoder decoder;
    EXPECT_EQ(decoder.feed(input), DecodeStatus::FrameReady);
    EXPECT_EQ(input.size(), second.size());
    EXPECT_EQ(decoder.feed(input), DecodeStatus::FrameReady); // nothing taken until takeFrame
    EXPECT_EQ(input.size(), second.size());
    EXPECT_EQ(decoder.takeFrame().message, MessageNumber::ReloadComp);
    EXPECT_EQ(decoder.feed(input), DecodeStatus::FrameReady);
    EXPECT_EQ(decoder.takeFrame().requestId, 2u);
}

// Random damage to a valid stream: the decoder must either deliver frames that are byte for byte
// encodable again or stop with an error, and never hold more than one frame.
TEST(Frame, DamagedStreamsNeverYieldOversizedOrUnknownFrames)
{
    std::mt19937 random(12345);
    std::string clean;
    for (std::uint32_t i = 0; i < 20; ++i)
        clean +=
            encoded(Frame{MessageNumber::CopyData, i, 7, i, std::string(i * 37, static_cast<char>('a' + i))});
    for (int round = 0; round < 500; ++round) {
        std::string damaged = clean;
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int f = 0; f < flips; ++f)
            damaged[random() % damaged.size()] = static_cast<char>(random() & 0xFF);
        const DecodeRun run = decodeInChunks(damaged, 1 + random() % 64);
        for (const Frame& frame : run.frames) {
            EXPECT_LE(frame.payload.size(), kMaxPayload);
            EXPECT_TRUE(encodeFrame(frame).has_value());
        }
    }
}

TEST(EventWord, KindAndLevelTravelInOneWord)
{
    struct Case {
        SyncKind kind;
        std::uint32_t level;
        std::uint32_t word;
    };
    const Case cases[] = {
        {SyncKind::Change, 0, 0},
        {SyncKind::Change, 3, 3},
        {SyncKind::Expanded, 3, 0x40000003},
        {SyncKind::Collapsed, 3, 0x80000003},
        {SyncKind::Expanded, 0xFFFFFF, 0x40FFFFFF},
        {SyncKind::Change, 0x01000002, 2}, // only 24 bits of level travel
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        EXPECT_EQ(makeEventWord(c.kind, c.level), c.word);
        EXPECT_EQ(eventLevel(c.word), c.level & kLevelMask);
        EXPECT_EQ(eventKind(c.word), c.kind);
    }
}

TEST(EventWord, CollapsedWinsOverExpandedAndMiddleBitsAreIgnored)
{
    EXPECT_EQ(eventKind(0xC0000001), SyncKind::Collapsed);
    EXPECT_EQ(eventLevel(0x3F000005), 5u);
    EXPECT_EQ(eventKind(0x3F000005), SyncKind::Change);
}

} // namespace
} // namespace dg::partner
