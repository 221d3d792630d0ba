// The partner channel under abuse, with real sockets: clients that flood malformed frames, a
// client that sends requests and never reads the answers, and many idle connections. Each test
// runs the endpoint's event loop on this thread and the abusive clients on threads of their own
// with plain POSIX sockets; every loop and wait is bounded.
#include "partner/partner_endpoint.h"

#include "tests/partner/partner_test_support.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace dg::partner {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::connectTo;
using test::request;

// Runs an event loop, as the viewer's own, until done() holds or the time is up; returns done().
// (A real loop rather than processEvents, so that deferred deletions happen as in the viewer.)
bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() >= limit.count())
            loop.quit();
    });
    poll.start();
    if (!done())
        loop.exec();
    return done();
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Waits up to limit for the Reply to requestId (Working frames are passed over).
bool awaitReply(int fd, std::uint32_t requestId, std::chrono::milliseconds limit)
{
    const auto end = Clock::now() + limit;
    FrameDecoder decoder;
    char buffer[256];
    while (Clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (::poll(&p, 1, static_cast<int>(std::max<long long>(1, left.count()))) <= 0)
            continue;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return false;
        std::string_view input(buffer, static_cast<std::size_t>(n));
        while (!input.empty()) {
            if (decoder.feed(input) == DecodeStatus::Error)
                return false;
            if (decoder.status() == DecodeStatus::FrameReady) {
                const Frame frame = decoder.takeFrame();
                if (frame.message == MessageNumber::Reply && frame.requestId == requestId)
                    return true;
            }
        }
    }
    return false;
}

// True when the peer has closed the connection (a read gives end of file or an error).
bool closedByPeer(int fd, std::chrono::milliseconds limit)
{
    const auto end = Clock::now() + limit;
    char buffer[4096];
    while (Clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            return true;
    }
    return false;
}

class PartnerAbuseTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::application(); }

    void SetUp() override
    {
        ASSERT_EQ(m_endpoint.start(m_dir.path()), QString());
        m_endpoint.setTitle("Dirgauge - b.txt");
        m_endpoint.setHandler([this](const Frame&) { ++m_handled; });
    }
    void TearDown() override { m_endpoint.stop(); }

    std::filesystem::path socketPath() const { return m_dir / (m_endpoint.id().toStdString() + ".sock"); }

    // Sends count valid requests, one connection each, from a thread of its own while the event
    // loop runs here; returns how long each waited for its Reply (-1: none within 5 s). Stops
    // after three without a Reply, so that a starved viewer fails the test in bounded time.
    std::vector<long long> probe(int count, std::chrono::milliseconds pause)
    {
        std::vector<long long> waits;
        std::atomic<bool> done{false};
        std::thread prober([&] {
            int unanswered = 0;
            for (int i = 0; i < count && unanswered < 3; ++i) {
                const auto start = Clock::now();
                const int fd = connectTo(socketPath());
                bool replied = false;
                if (fd >= 0) {
                    const auto id = static_cast<std::uint32_t>(1000 + i);
                    replied = writeAll(fd, request(MessageNumber::ReloadComp, id)) && awaitReply(fd, id, 5s);
                    ::close(fd);
                }
                unanswered += replied ? 0 : 1;
                waits.push_back(replied ? std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count()
                                        : -1);
                std::this_thread::sleep_for(pause);
            }
            done = true;
        });
        runUntil([&] { return done.load(); }, 10s * count);
        prober.join();
        return waits;
    }

    ::dg::test::TempDir m_dir;
    PartnerEndpoint m_endpoint;
    int m_handled = 0;
};

// Three clients flood malformed frames as fast as they can, reconnecting whenever they are
// dropped: garbage, a reply where a request belongs, unknown message numbers, and long pipelined
// runs of tree events whose paths are junk (well-formed frames, so each one is handled: the
// handler takes 2 ms for each, as the viewer's tree search might). Valid requests from a fourth
// client are still answered within a second.
TEST_F(PartnerAbuseTest, ValidRequestsAreAnsweredPromptlyDuringAFloodOfMalformedFrames)
{
    m_endpoint.setHandler([this](const Frame& frame) {
        if (frame.message == MessageNumber::CopyData)
            std::this_thread::sleep_for(2ms);
        else if (frame.message == MessageNumber::ReloadComp)
            ++m_handled; // the probes' requests
    });
    std::string treeEvents;
    for (std::uint32_t i = 0; i < 3000; ++i)
        treeEvents += request(MessageNumber::CopyData, i, "\x81\\junk" + std::to_string(i));
    std::string reply = request(MessageNumber::ReloadComp, 1);
    reply[7] = '\x80'; // message 0x8000: a reply where a request belongs
    std::string unknown = request(MessageNumber::ReloadComp, 1);
    unknown[6] = 0x68;
    const std::vector<std::string> junk = {treeEvents, std::string(4096, 'x'), reply, unknown,
                                           request(MessageNumber::ReloadDebug, 7) + std::string(2000, '\0')};
    std::atomic<bool> stop{false};
    std::atomic<long> floods{0};
    std::atomic<int> finished{0};
    std::vector<std::thread> flooders;
    for (int f = 0; f < 3; ++f) {
        flooders.emplace_back([&, f] {
            for (std::size_t round = 0; !stop; ++round) {
                const int fd = connectTo(socketPath());
                if (fd < 0) {
                    std::this_thread::sleep_for(1ms);
                    continue;
                }
                const timeval bound{0, 200000}; // never stuck in a send once the test stops
                ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &bound, sizeof bound);
                const std::string& bytes = junk[(round + static_cast<std::size_t>(f)) % junk.size()];
                for (int i = 0; i < 20 && writeAll(fd, bytes); ++i)
                    ++floods;
                ::close(fd);
            }
            ++finished;
        });
    }
    runUntil([&] { return floods.load() > 100; }, 10s); // the flood is on
    const std::vector<long long> waits = probe(30, 50ms);
    stop = true;
    runUntil([&] { return finished.load() == 3; }, 10s);
    for (std::thread& t : flooders)
        t.join();

    int late = 0;
    std::string all;
    for (long long wait : waits) {
        late += wait < 0 || wait > 1000;
        all += std::to_string(wait) + " ";
    }
    EXPECT_EQ(waits.size(), 30u);
    EXPECT_EQ(late, 0) << "probes without a Reply within a second, of " << waits.size() << ": " << all;
    EXPECT_GT(floods.load(), 100);
    EXPECT_EQ(m_handled, static_cast<int>(waits.size()));
}

// A client that sends requests without end and never reads the answers is dropped once the
// answers waiting for it pass the limit, instead of making the viewer's memory grow.
TEST_F(PartnerAbuseTest, ClientThatNeverReadsItsAnswersIsDropped)
{
    const int fd = connectTo(socketPath());
    ASSERT_GE(fd, 0);
    // Answers are 28 bytes each: this many are several times the limit plus what the system
    // buffers on both sides.
    const std::size_t requests = 8 * PartnerEndpoint::kMaxQueuedAnswerBytes / kHeaderSize + 200000;
    std::string batch;
    for (int i = 0; i < 1000; ++i)
        batch += request(MessageNumber::ReloadSynchro, static_cast<std::uint32_t>(i));
    std::atomic<bool> writerDone{false};
    std::atomic<bool> refused{false};
    std::thread writer([&] {
        const auto end = Clock::now() + 30s;
        for (std::size_t sent = 0; sent < requests && Clock::now() < end; sent += 1000) {
            if (!writeAll(fd, batch)) {
                refused = true;
                break;
            }
        }
        writerDone = true;
    });
    runUntil([&] { return writerDone.load(); }, 40s);
    // Whatever is still in flight is handled; then the connection must be gone.
    runUntil([&] { return false; }, 500ms);
    writer.join();
    EXPECT_TRUE(refused.load() || closedByPeer(fd, 100ms)) << "the connection stayed open";
    ::close(fd);
    EXPECT_LT(m_handled, static_cast<int>(requests)) << "every request was handled: nothing was bounded";

    // The viewer carries on.
    EXPECT_EQ(probe(1, 0ms).front() >= 0, true);
}

// 80 clients connect and stay silent: more than the viewer keeps open. A valid request is still
// answered within a second (the idle timeout itself is checked in partner_endpoint_test).
TEST_F(PartnerAbuseTest, IdleConnectionsDoNotBlockAValidRequest)
{
    m_endpoint.setIdleTimeout(60s); // the eviction, not the timer, must make room
    std::vector<int> idle;
    std::atomic<bool> connected{false};
    std::thread opener([&] {
        for (int i = 0; i < 80; ++i)
            if (const int fd = connectTo(socketPath()); fd >= 0)
                idle.push_back(fd);
        connected = true;
    });
    runUntil([&] { return connected.load(); }, 20s);
    opener.join();
    runUntil([&] { return false; }, 300ms); // all accepted
    ASSERT_GE(idle.size(), 64u);

    const std::vector<long long> waits = probe(3, 100ms);
    for (long long wait : waits)
        EXPECT_TRUE(wait >= 0 && wait <= 1000) << wait;
    EXPECT_EQ(m_handled, 3);
    for (int fd : idle)
        ::close(fd);
}

} // namespace
} // namespace dg::partner
