#include "core/sync_path.h"
#include "partner/partner_endpoint.h"

#include "tests/partner/partner_test_support.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace dg::partner {
namespace {

using namespace std::chrono_literals;
using ::dg::test::readBytes;
using ::dg::test::TempDir;
using test::frameBytes;

// Runs the event loop until done() holds or timeoutMs have passed; returns done().
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return done();
}

// Lets pending events (deferred deletions among them) run.
void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

std::vector<std::string> filesIn(const std::filesystem::path& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A socket file that nobody listens on any more, as a crashed viewer leaves it.
void makeDeadSocket(const std::filesystem::path& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    const sockaddr_un address = test::unixAddress(path);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(fd, 1), 0);
    ::close(fd);
}

struct Received {
    Frame frame;
    bool receiverHandling = false;
    bool senderHandling = false;
};

class PartnerEndpointTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::application(); }

    // A started endpoint with this title; configure, when given, runs before the start.
    std::unique_ptr<PartnerEndpoint> endpoint(const QString& title,
                                              const std::function<void(PartnerEndpoint&)>& configure = {})
    {
        auto result = std::make_unique<PartnerEndpoint>();
        if (configure)
            configure(*result);
        EXPECT_EQ(result->start(m_dir.path()), QString());
        result->setTitle(title);
        return result;
    }

    std::filesystem::path socketOf(const PartnerEndpoint& e) const
    {
        return m_dir / (e.id().toStdString() + ".sock");
    }
    std::filesystem::path titleOf(const PartnerEndpoint& e) const
    {
        return m_dir / (e.id().toStdString() + ".title");
    }

    // Connects a raw client to e's socket.
    void connectPeer(QLocalSocket& peer, const PartnerEndpoint& e) const
    {
        peer.connectToServer(QString::fromStdString(socketOf(e).string()));
        ASSERT_TRUE(peer.waitForConnected(2000));
    }

    TempDir m_dir;
};

TEST_F(PartnerEndpointTest, PublishesItsTitleAndTakesItsFilesAlongWhenItGoes)
{
    auto a = endpoint("Dirgauge - /d/a.txt");
    EXPECT_TRUE(std::filesystem::is_socket(socketOf(*a)));
    EXPECT_EQ(readBytes(titleOf(*a)), "TDgaForm1\nDirgauge - /d/a.txt\n");
    a->setTitle(QString::fromUtf8("Dirgauge - /d/\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF.txt"));
    EXPECT_EQ(readBytes(titleOf(*a)), "TDgaForm1\nDirgauge - /d/\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF.txt\n");
    EXPECT_EQ(filesIn(m_dir.path()).size(), 2u); // no temporary file left behind
    a.reset();
    EXPECT_TRUE(filesIn(m_dir.path()).empty());
}

TEST_F(PartnerEndpointTest, TitleSetBeforeStartIsPublishedByStart)
{
    PartnerEndpoint a;
    a.setTitle("Dirgauge");
    ASSERT_EQ(a.start(m_dir.path()), QString());
    EXPECT_EQ(readBytes(titleOf(a)), "TDgaForm1\nDirgauge\n");
}

TEST_F(PartnerEndpointTest, FindsAnotherViewerByClassAndExactTitleOldestFirst)
{
    auto a = endpoint("Dirgauge - a.txt");
    auto b = endpoint("Dirgauge - b.txt");
    QThread::msleep(3); // ids carry the creation time in milliseconds
    auto b2 = endpoint("Dirgauge - b.txt");
    auto c = endpoint("Dirgauge - c.txt");
    {
        std::ofstream(titleOf(*c), std::ios::trunc) << "OtherClass\nDirgauge - c.txt\n";
    }

    EXPECT_EQ(a->findPartner("Dirgauge - b.txt"), b->id());
    EXPECT_EQ(b->findPartner("Dirgauge - b.txt"), b2->id()); // never itself
    EXPECT_EQ(a->findPartner("Dirgauge - b.tx"), std::nullopt);
    EXPECT_EQ(a->findPartner("dirgauge - b.txt"), std::nullopt);
    EXPECT_EQ(a->findPartner("Dirgauge - a.txt"), std::nullopt);
    EXPECT_EQ(a->findPartner("Dirgauge - c.txt"), std::nullopt);
    b.reset();
    EXPECT_EQ(a->findPartner("Dirgauge - b.txt"), b2->id());
}

TEST_F(PartnerEndpointTest, EveryRequestArrivesWholeInBothDirections)
{
    auto a = endpoint("Dirgauge - a.txt");
    auto b = endpoint("Dirgauge - b.txt");
    std::vector<Received> atA, atB;
    a->setHandler([&](const Frame& f) {
        atA.push_back({f, a->isHandlingPartnerMessage(), b->isHandlingPartnerMessage()});
    });
    b->setHandler([&](const Frame& f) {
        atB.push_back({f, b->isHandlingPartnerMessage(), a->isHandlingPartnerMessage()});
    });

    const std::string path("C:\\Windows\\\x95\x5C\\System32");
    ASSERT_TRUE(a->send("Dirgauge - b.txt", MessageNumber::CopyData,
                        makeEventWord(SyncKind::Expanded, 3), path));
    ASSERT_EQ(atB.size(), 1u);
    EXPECT_EQ(atB[0].frame.message, MessageNumber::CopyData);
    EXPECT_EQ(atB[0].frame.eventWord, 0x40000003u);
    EXPECT_EQ(atB[0].frame.payload, path);
    EXPECT_EQ(atB[0].frame.senderId, a->senderId());
    EXPECT_TRUE(atB[0].receiverHandling);
    EXPECT_FALSE(atB[0].senderHandling); // waiting for a reply is not handling a message
    EXPECT_FALSE(b->isHandlingPartnerMessage());

    const MessageNumber requests[] = {MessageNumber::SetPartner,  MessageNumber::ReloadComp,
                                      MessageNumber::ReloadDebug, MessageNumber::ReloadSynchro,
                                      MessageNumber::Close,       MessageNumber::CopyData};
    for (MessageNumber message : requests)
        EXPECT_TRUE(b->send("Dirgauge - a.txt", message, 0, "Dirgauge - b.txt"));
    ASSERT_EQ(atA.size(), std::size(requests));
    for (std::size_t i = 0; i < atA.size(); ++i) {
        EXPECT_EQ(atA[i].frame.message, requests[i]);
        EXPECT_EQ(atA[i].frame.payload, "Dirgauge - b.txt");
        EXPECT_TRUE(atA[i].receiverHandling);
    }
}

TEST_F(PartnerEndpointTest, TwoViewersSendingToEachOtherAtOnceDoNotDeadlock)
{
    auto a = endpoint("Dirgauge - a.txt");
    auto b = endpoint("Dirgauge - b.txt");
    std::vector<std::string> log;
    b->setHandler([&](const Frame&) {
        log.push_back("b handles");
        const bool sent = b->send("Dirgauge - a.txt", MessageNumber::ReloadSynchro);
        log.push_back(sent ? "b sent" : "b failed");
        // Still inside its own handling after the nested send: nested handling counts.
        log.push_back(b->isHandlingPartnerMessage() ? "b still handling" : "b not handling");
    });
    a->setHandler([&](const Frame& f) {
        log.push_back(f.message == MessageNumber::ReloadSynchro ? "a handles reload" : "a handles other");
        log.push_back(a->isHandlingPartnerMessage() && b->isHandlingPartnerMessage() ? "both handling"
                                                                                     : "not both");
    });

    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(a->send("Dirgauge - b.txt", MessageNumber::CopyData, 2, "C:\\x"));
    EXPECT_LT(clock.elapsed(), 5000);
    const std::vector<std::string> expected = {"b handles", "a handles reload", "both handling", "b sent",
                                               "b still handling"};
    EXPECT_EQ(log, expected);
    EXPECT_FALSE(a->isHandlingPartnerMessage());
    EXPECT_FALSE(b->isHandlingPartnerMessage());
}

// Close is answered before the receiver acts on it; other requests only when handled. A receiver
// that runs an event loop while it handles (a modal box) keeps the sender waiting with Working
// frames; without them the sender gives up after its reply timeout.
TEST_F(PartnerEndpointTest, ReplyTimingFollowsTheMessageAndTheReceiversSigns)
{
    struct Case {
        const char* name;
        MessageNumber message;
        std::chrono::milliseconds heartbeat;
        bool delivered;
    };
    const Case cases[] = {
        {"close without heartbeat", MessageNumber::Close, 60s, true},
        {"reload without heartbeat", MessageNumber::ReloadComp, 60s, false},
        {"reload with heartbeat", MessageNumber::ReloadComp, 50ms, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto a = endpoint("Dirgauge - a.txt");
        auto b = endpoint("Dirgauge - b.txt", [&](PartnerEndpoint& e) { e.setHeartbeatInterval(c.heartbeat); });
        a->setReplyTimeout(1000ms);
        b->setHandler([](const Frame&) {
            QEventLoop modal;
            QTimer::singleShot(2500, &modal, &QEventLoop::quit);
            modal.exec();
        });
        EXPECT_EQ(a->send("Dirgauge - b.txt", c.message), c.delivered);
    }
}

// A viewer that closes on Close may take its endpoint with it inside the handler. Close was
// answered before; any other request that ends its receiver finds the partner gone.
TEST_F(PartnerEndpointTest, HandlerMayDestroyTheReceivingEndpoint)
{
    auto a = endpoint("Dirgauge - a.txt");
    for (const auto& [message, delivered] :
         {std::pair{MessageNumber::Close, true}, std::pair{MessageNumber::ReloadComp, false}}) {
        auto b = endpoint("Dirgauge - b.txt");
        const auto socketFile = socketOf(*b);
        b->setHandler([&](const Frame&) { b.reset(); });
        EXPECT_EQ(a->send("Dirgauge - b.txt", message), delivered);
        EXPECT_FALSE(b);
        EXPECT_FALSE(std::filesystem::exists(socketFile));
        settle();
    }
    EXPECT_EQ(filesIn(m_dir.path()).size(), 2u);
}

TEST_F(PartnerEndpointTest, OversizedPayloadsRepliesAndUnknownTitlesAreNotSent)
{
    auto a = endpoint("Dirgauge - a.txt");
    auto b = endpoint("Dirgauge - b.txt");
    int handled = 0;
    b->setHandler([&](const Frame&) { ++handled; });
    EXPECT_FALSE(a->send("Dirgauge - b.txt", MessageNumber::CopyData, 0, std::string(kMaxPayload + 1, 'x')));
    EXPECT_FALSE(a->send("Dirgauge - b.txt", MessageNumber::Reply));
    EXPECT_FALSE(a->send("Dirgauge - nobody.txt", MessageNumber::ReloadComp));
    EXPECT_FALSE(a->sendTo(a->id(), MessageNumber::ReloadComp));
    EXPECT_TRUE(a->send("Dirgauge - b.txt", MessageNumber::CopyData, 0, std::string(kMaxPayload, 'x')));
    EXPECT_EQ(handled, 1);
}

TEST_F(PartnerEndpointTest, BadPeersAreDroppedAndTheViewerCarriesOn)
{
    struct Case {
        const char* name;
        std::string bytes;
        bool protocolError; // dropped at once, not by the idle timeout
    };
    std::string oversized = frameBytes(Frame{MessageNumber::CopyData, 1, 1, 0, "x"});
    oversized[26] = 1; // length 0x00010001 > 64 KiB
    const std::string valid = frameBytes(Frame{MessageNumber::ReloadComp, 1, 1, 0, "abc"});
    const Case cases[] = {
        {"silent", "", false},
        {"truncated", valid.substr(0, valid.size() - 1), false},
        {"header only", valid.substr(0, 10), false},
        {"garbage", "GET / HTTP/1.0\r\n\r\n", true},
        {"oversized", oversized + std::string(100000, 'y'), true},
        {"reply instead of request", frameBytes(Frame{MessageNumber::Reply, 1, 1, 0, {}}), true},
        {"unknown message",
         [] {
             std::string s = frameBytes(Frame{MessageNumber::ReloadComp, 1, 1, 0, {}});
             s[6] = 0x68;
             return s;
         }(),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto b = endpoint("Dirgauge - b.txt", [&](PartnerEndpoint& e) { e.setIdleTimeout(c.protocolError ? 60s : 200ms); });
        int handled = 0;
        b->setHandler([&](const Frame&) { ++handled; });

        QLocalSocket peer;
        ASSERT_NO_FATAL_FAILURE(connectPeer(peer, *b));
        peer.write(c.bytes.data(), static_cast<qint64>(c.bytes.size()));
        EXPECT_TRUE(waitUntil([&] { return peer.state() == QLocalSocket::UnconnectedState; }));
        EXPECT_EQ(handled, 0);

        auto a = endpoint("Dirgauge - a.txt");
        EXPECT_TRUE(a->send("Dirgauge - b.txt", MessageNumber::ReloadDebug));
        EXPECT_EQ(handled, 1);
    }
}

TEST_F(PartnerEndpointTest, ValidRequestsAreAnsweredBeforeALaterBadFrameEndsTheConnection)
{
    auto b = endpoint("Dirgauge - b.txt");
    std::vector<MessageNumber> handled;
    b->setHandler([&](const Frame& f) { handled.push_back(f.message); });
    QLocalSocket peer;
    ASSERT_NO_FATAL_FAILURE(connectPeer(peer, *b));
    const std::string bytes = frameBytes(Frame{MessageNumber::ReloadComp, 1, 9, 0, {}}) +
                              frameBytes(Frame{MessageNumber::ReloadDebug, 2, 9, 0, {}}) + "junk";
    peer.write(bytes.data(), static_cast<qint64>(bytes.size()));
    EXPECT_TRUE(waitUntil([&] { return peer.state() == QLocalSocket::UnconnectedState; }));
    EXPECT_EQ(handled, (std::vector<MessageNumber>{MessageNumber::ReloadComp, MessageNumber::ReloadDebug}));
    FrameDecoder decoder;
    const QByteArray answers = peer.readAll();
    std::string_view input(answers.constData(), static_cast<std::size_t>(answers.size()));
    std::vector<std::uint32_t> replied;
    while (decoder.feed(input) == DecodeStatus::FrameReady) {
        const Frame reply = decoder.takeFrame();
        EXPECT_EQ(reply.message, MessageNumber::Reply);
        EXPECT_EQ(reply.senderId, b->senderId());
        replied.push_back(reply.requestId);
    }
    EXPECT_EQ(replied, (std::vector<std::uint32_t>{1, 2}));
}

// A hand-made peer, as another tool would write one from the protocol description: a title file
// and a socket that accepts requests but answers none.
class SilentPeer {
public:
    explicit SilentPeer(const std::filesystem::path& dir) : m_socketPath(dir / "000000000000000-silent.sock")
    {
        std::ofstream(dir / "000000000000000-silent.title") << "TDgaForm1\nDirgauge - silent.txt\n";
        EXPECT_TRUE(m_server.listen(QString::fromStdString(m_socketPath.string())));
        QObject::connect(&m_server, &QLocalServer::newConnection, [this] {
            while (QLocalSocket* s = m_server.nextPendingConnection())
                m_connections.push_back(s);
        });
    }
    void dropConnections()
    {
        for (QLocalSocket* s : m_connections)
            s->abort();
    }
    void closeServer()
    {
        dropConnections();
        m_server.close();
    }

private:
    std::filesystem::path m_socketPath;
    QLocalServer m_server;
    std::vector<QLocalSocket*> m_connections; // owned by m_server
};

// A send to a partner that goes away while the sender waits ends long before the reply timeout;
// one to a partner that stays silent ends with the timeout.
TEST_F(PartnerEndpointTest, SendEndsWhenThePartnerGoesAwayOrNeverAnswers)
{
    struct Case {
        const char* name;
        std::function<void(SilentPeer&)> end; // after 200 ms; empty: the partner stays
        std::chrono::milliseconds replyTimeout;
        qint64 atLeastMs;
    };
    const Case cases[] = {
        {"connection dropped", [](SilentPeer& p) { p.dropConnections(); }, PartnerEndpoint::kDefaultReplyTimeout, 0},
        {"server closed", [](SilentPeer& p) { p.closeServer(); }, PartnerEndpoint::kDefaultReplyTimeout, 0},
        {"never answers", {}, 300ms, 250},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto a = endpoint("Dirgauge - a.txt");
        a->setReplyTimeout(c.replyTimeout);
        SilentPeer peer(m_dir.path());
        if (c.end)
            QTimer::singleShot(200, [&peer, &c] { c.end(peer); });
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(a->send("Dirgauge - silent.txt", MessageNumber::ReloadComp));
        EXPECT_GE(clock.elapsed(), c.atLeastMs);
        EXPECT_LT(clock.elapsed(), 5000);
        peer.closeServer();
    }
}

TEST_F(PartnerEndpointTest, RefusesAnUnsafeFolderAndThenFindsNobody)
{
    const auto loose = m_dir / "loose";
    std::filesystem::create_directory(loose);
    std::filesystem::permissions(loose,
                                 std::filesystem::perms::others_read | std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add);
    PartnerEndpoint a;
    const QString why = a.start(loose);
    EXPECT_TRUE(why.contains("open to other users")) << why.toStdString();
    EXPECT_FALSE(a.isListening());
    a.setTitle("Dirgauge - a.txt");
    EXPECT_TRUE(std::filesystem::is_empty(loose));
    EXPECT_EQ(a.findPartner("Dirgauge - a.txt"), std::nullopt);
    EXPECT_FALSE(a.send("Dirgauge - a.txt", MessageNumber::ReloadComp));
}

// Viewers in other processes, started and killed for real.
class PeerProcessTest : public PartnerEndpointTest {
protected:
    // Starts partner_peer and returns its endpoint id once it listens.
    QString startPeer(QProcess& process, const QStringList& arguments)
    {
        process.start(DG_PARTNER_PEER,
                      QStringList{QString::fromStdString(m_dir.path().string())} + arguments);
        EXPECT_TRUE(process.waitForStarted(5000));
        QByteArray out;
        while (!out.contains('\n') && process.waitForReadyRead(5000))
            out += process.readAll();
        EXPECT_TRUE(out.startsWith("ready "))
            << out.toStdString() << process.readAllStandardError().toStdString();
        return QString::fromUtf8(out.mid(6).trimmed());
    }

    void killPeer(QProcess& process)
    {
        process.kill();
        process.waitForFinished(5000);
    }
};

TEST_F(PeerProcessTest, ViewersInTwoProcessesSendToEachOtherAtOnce)
{
    auto a = endpoint("Dirgauge - a.txt");
    QProcess peer;
    startPeer(peer, {"Dirgauge - peer.txt", "echo", "Dirgauge - a.txt"});
    std::vector<Received> atA;
    a->setHandler([&](const Frame& f) { atA.push_back({f, a->isHandlingPartnerMessage(), false}); });

    EXPECT_TRUE(a->send("Dirgauge - peer.txt", MessageNumber::CopyData, 0x40000002, "C:\\Program Files"));
    ASSERT_EQ(atA.size(), 1u);
    EXPECT_EQ(atA[0].frame.message, MessageNumber::ReloadSynchro);
    EXPECT_TRUE(atA[0].receiverHandling);
    ASSERT_TRUE(waitUntil([&] { return peer.canReadLine(); }));
    EXPECT_EQ(peer.readLine().toStdString(), "got 4a 1073741826 C:\\Program Files sent-back\n");
    killPeer(peer);
}

TEST_F(PeerProcessTest, ViewersInTwoProcessesSendingStreamsAtTheSameTimeAllArrive)
{
    constexpr int kCount = 200;
    auto a = endpoint("Dirgauge - a.txt");
    int received = 0;
    a->setHandler([&](const Frame&) { ++received; });
    QProcess peer;
    startPeer(peer, {"Dirgauge - peer.txt", "chatter", "Dirgauge - a.txt", QString::number(kCount)});
    int sent = 0;
    for (int i = 0; i < kCount; ++i)
        sent +=
            a->send("Dirgauge - peer.txt", MessageNumber::CopyData, static_cast<std::uint32_t>(i), "C:\\y")
                ? 1
                : 0;
    ASSERT_TRUE(waitUntil([&] { return peer.canReadLine(); }, 20000));
    EXPECT_EQ(peer.readLine().toStdString(), "sent 200\n");
    EXPECT_TRUE(a->send("Dirgauge - peer.txt", MessageNumber::ReloadDebug));
    ASSERT_TRUE(waitUntil([&] { return peer.canReadLine(); }));
    EXPECT_EQ(peer.readLine().toStdString(), "received 200\n");
    EXPECT_EQ(sent, kCount);
    EXPECT_EQ(received, kCount);
    killPeer(peer);
}

TEST_F(PeerProcessTest, PartnerKilledWhileASendWaitsEndsTheWaitPromptly)
{
    auto a = endpoint("Dirgauge - a.txt");
    QProcess peer;
    startPeer(peer, {"Dirgauge - peer.txt", "hang"});
    QTimer::singleShot(300, &peer, [&peer] { peer.kill(); });
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(a->send("Dirgauge - peer.txt", MessageNumber::CopyData, 1, "C:"));
    EXPECT_LT(clock.elapsed(), 10000);
    peer.waitForFinished(5000);
}

TEST_F(PeerProcessTest, EndpointsOfCrashedViewersAreRemovedByLookupAndSend)
{
    auto a = endpoint("Dirgauge - a.txt");
    QProcess crashed;
    const QString crashedId = startPeer(crashed, {"Dirgauge - b.txt", "serve"});
    killPeer(crashed);
    const auto crashedSocket = m_dir / (crashedId.toStdString() + ".sock");
    const auto crashedTitle = m_dir / (crashedId.toStdString() + ".title");
    ASSERT_TRUE(std::filesystem::exists(crashedSocket));
    ASSERT_TRUE(std::filesystem::exists(crashedTitle));
    // A viewer killed between removing its socket and its title, and one whose socket is dead.
    std::ofstream(m_dir / "000000000000001-nosocket.title") << "TDgaForm1\nDirgauge - b.txt\n";
    std::ofstream(m_dir / "000000000000002-dead.title") << "TDgaForm1\nDirgauge - b.txt\n";
    makeDeadSocket(m_dir / "000000000000002-dead.sock");
    std::ofstream(m_dir / "000000000000003-other.title") << "TDgaForm1\nDirgauge - other.txt\n";

    EXPECT_EQ(a->findPartner("Dirgauge - b.txt"), std::nullopt);
    const std::vector<std::string> left = {"000000000000003-other.title", a->id().toStdString() + ".sock",
                                           a->id().toStdString() + ".title"};
    EXPECT_EQ(filesIn(m_dir.path()), left);

    // send removes them on its way to a live viewer with the same title.
    std::ofstream(m_dir / "000000000000002-dead.title") << "TDgaForm1\nDirgauge - b.txt\n";
    makeDeadSocket(m_dir / "000000000000002-dead.sock");
    auto b = endpoint("Dirgauge - b.txt");
    EXPECT_TRUE(a->send("Dirgauge - b.txt", MessageNumber::ReloadComp));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "000000000000002-dead.title"));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "000000000000002-dead.sock"));
}

} // namespace
} // namespace dg::partner
