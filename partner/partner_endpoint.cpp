#include "partner/partner_endpoint.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QPointer>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTimer>

#include <algorithm>
#include <array>
#include <exception>
#include <fstream>
#include <iterator>
#include <system_error>

namespace dg::partner {

namespace {

// Warnings by default; QT_LOGGING_RULES="dirgauge.partner.info=true" shows the routine events too.
Q_LOGGING_CATEGORY(lcPartner, "dirgauge.partner", QtWarningMsg)

// How long findPartner waits for a listening viewer to take a connection. A local socket connects
// at once when someone listens, so this only bounds a viewer whose backlog is full.
constexpr int kProbeTimeoutMs = 2000;

QString toQString(const std::filesystem::path& path)
{
    return QString::fromStdString(path.string());
}

// The bytes of a small regular file, or nothing (missing, not a regular file, too big, unreadable).
std::optional<std::string> readSmallFile(const std::filesystem::path& path, std::size_t maxSize)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(path, ec)))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes;
    std::array<char, 4096> buffer{};
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        bytes.append(buffer.data(), static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > maxSize)
            return std::nullopt;
    }
    if (in.bad())
        return std::nullopt;
    return bytes;
}

// Reads from socket no more than the frame in progress needs, so that bytes of a following frame
// stay in the socket. Returns false when the stream broke the protocol.
bool readIntoDecoder(QLocalSocket& socket, FrameDecoder& decoder)
{
    std::array<char, 4096> buffer{};
    while (decoder.status() == DecodeStatus::NeedMore && socket.bytesAvailable() > 0) {
        const auto want = std::min<std::size_t>(buffer.size(), decoder.bytesWanted());
        const qint64 got = socket.read(buffer.data(), static_cast<qint64>(want));
        if (got <= 0)
            break;
        std::string_view bytes(buffer.data(), static_cast<std::size_t>(got));
        decoder.feed(bytes);
    }
    return decoder.status() != DecodeStatus::Error;
}

void writeFrame(QLocalSocket& socket, const Frame& frame)
{
    if (socket.state() != QLocalSocket::ConnectedState)
        return;
    if (const auto bytes = encodeFrame(frame))
        socket.write(bytes->data(), static_cast<qint64>(bytes->size()));
}

} // namespace

// One connection accepted by the endpoint's server: it reads requests one after the other, hands
// each to the endpoint's handler and answers it. A request is handled only after the previous one
// was answered; while one is handled, further bytes wait in the socket (whose buffer is bounded).
//
// Fairness: one connection handles at most one request per turn of the event loop. When more bytes
// are waiting, the next request is taken up in a later turn (a queued call), after the other
// connections and the viewer's own events have had theirs, so a client that pipelines requests
// (or garbage) cannot hold the viewer while a valid request on another connection waits.
// Bounds: at most one frame is buffered for reading; answers not yet taken by the client are
// limited to kMaxQueuedAnswerBytes, past which the client (one that sends but never reads) is
// dropped.
//
// Qt sockets must not be deleted inside their own signals, and a request is handled inside the
// socket's readyRead: so a connection is only ever deleted later, never while it handles a request,
// and it outlives an endpoint that a handler destroys (detach()).
class PartnerEndpoint::Connection : public QObject {
public:
    Connection(PartnerEndpoint& owner, QLocalSocket* socket)
        : QObject(&owner),
          m_owner(&owner),
          m_senderId(owner.m_senderId),
          m_socket(socket)
    {
        owner.m_connections.push_back(this);
        m_socket->setParent(this);
        m_socket->setReadBufferSize(static_cast<qint64>(kHeaderSize + kMaxPayload));
        m_lastActivity.start();
        m_idle.setSingleShot(true);
        m_idle.setInterval(owner.m_idleTimeout);
        m_heartbeat.setInterval(owner.m_heartbeatInterval);
        connect(&m_idle, &QTimer::timeout, this, [this] {
            qCInfo(lcPartner) << "dropping a partner connection that sent no complete request in time";
            close();
        });
        connect(&m_heartbeat, &QTimer::timeout, this, [this] {
            writeFrame(*m_socket, Frame{MessageNumber::Working, m_requestId, m_senderId, 0, {}});
            dropWhenAnswersPileUp();
        });
        connect(m_socket, &QLocalSocket::readyRead, this, [this] { readRequests(); });
        connect(m_socket, &QLocalSocket::disconnected, this, [this] { close(); });
        connect(m_socket, &QLocalSocket::errorOccurred, this, [this] { close(); });
        m_idle.start();
    }

    ~Connection() override
    {
        unregister();
        QObject::disconnect(m_socket, nullptr, this, nullptr);
    }

    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool busy() const { return m_busy; }
    // Closed and waiting for its deferred deletion: no longer counts against the limit.
    bool closing() const { return m_closing; }

    // Milliseconds since the connection last delivered bytes or was answered (or was accepted).
    qint64 idleFor() const { return m_lastActivity.elapsed(); }

    // Ends the connection; the object goes once it is not handling a request.
    void close()
    {
        if (m_closing)
            return;
        m_closing = true;
        m_idle.stop();
        m_heartbeat.stop();
        // Answers already written go out before the connection ends.
        m_socket->flush();
        m_socket->abort();
        if (!m_busy)
            deleteLater();
    }

    // Cuts the tie to an endpoint that is being destroyed; the connection then deletes itself.
    void detach()
    {
        unregister();
        setParent(nullptr);
    }

private:
    void unregister()
    {
        if (m_owner)
            std::erase(m_owner->m_connections, this);
        m_owner = nullptr;
    }

    void readRequests()
    {
        m_continuationQueued = false;
        if (m_busy || m_closing)
            return;
        const qint64 before = m_socket->bytesAvailable();
        if (!readIntoDecoder(*m_socket, m_decoder)) {
            qCWarning(lcPartner) << "dropping a partner connection:" << describe(m_decoder.error()).data();
            close();
            return;
        }
        if (m_socket->bytesAvailable() != before)
            m_lastActivity.restart();
        if (m_decoder.status() != DecodeStatus::FrameReady)
            return;
        const Frame frame = m_decoder.takeFrame();
        if (!isRequest(frame.message)) {
            qCWarning(lcPartner) << "dropping a partner connection: a reply where a request belongs";
            close();
            return;
        }
        m_idle.stop();
        handle(frame);
        if (m_closing) {
            deleteLater();
            return;
        }
        if (!m_owner) {
            close();
            return;
        }
        m_lastActivity.restart();
        if (dropWhenAnswersPileUp())
            return;
        m_idle.start();
        // The next request, if any bytes are waiting, in a later turn of the event loop.
        if (m_socket->bytesAvailable() > 0 && !m_continuationQueued) {
            m_continuationQueued = true;
            QMetaObject::invokeMethod(this, [this] { readRequests(); }, Qt::QueuedConnection);
        }
    }

    // Drops a client whose unread answers have passed the limit; true when it did.
    bool dropWhenAnswersPileUp()
    {
        if (m_closing || m_socket->bytesToWrite() <= static_cast<qint64>(kMaxQueuedAnswerBytes))
            return false;
        qCWarning(lcPartner) << "dropping a partner connection that does not read its answers";
        // Not close(): its flush would try to push the pile out first.
        m_closing = true;
        m_idle.stop();
        m_heartbeat.stop();
        m_socket->abort();
        if (!m_busy)
            deleteLater();
        return true;
    }

    void handle(const Frame& frame)
    {
        m_busy = true;
        m_requestId = frame.requestId;
        const Frame reply{MessageNumber::Reply, frame.requestId, m_senderId, 0, {}};
        // Close is answered first: the window that handles it goes away, and the sender must not
        // wait for that.
        const bool replyFirst = frame.message == MessageNumber::Close;
        if (replyFirst) {
            writeFrame(*m_socket, reply);
            m_socket->flush();
        } else {
            m_heartbeat.start();
        }
        if (m_owner)
            m_owner->dispatch(frame);
        m_heartbeat.stop();
        if (!replyFirst)
            writeFrame(*m_socket, reply);
        m_busy = false;
    }

    PartnerEndpoint* m_owner; // not owned; null once detached
    std::uint64_t m_senderId;
    QLocalSocket* m_socket; // owned (child)
    FrameDecoder m_decoder;
    QTimer m_idle;
    QTimer m_heartbeat;
    QElapsedTimer m_lastActivity;
    std::uint32_t m_requestId = 0;
    bool m_busy = false;
    bool m_closing = false;
    bool m_continuationQueued = false;
};

PartnerEndpoint::PartnerEndpoint(QObject* parent)
    : QObject(parent),
      m_server(new QLocalServer(this)),
      m_senderId(QRandomGenerator::system()->generate64())
{
    m_id = QStringLiteral("%1-%2")
               .arg(QDateTime::currentMSecsSinceEpoch(), 15, 10, QLatin1Char('0'))
               .arg(m_senderId, 16, 16, QLatin1Char('0'));
    connect(m_server, &QLocalServer::newConnection, this, [this] { acceptConnections(); });
}

PartnerEndpoint::~PartnerEndpoint()
{
    stop();
    // Connections still handling a request are on the call stack (a handler is destroying this
    // endpoint): they finish on their own and delete themselves. The others go now.
    for (Connection* connection : std::vector<Connection*>(m_connections)) {
        if (connection->busy())
            connection->detach();
        else
            delete connection;
    }
}

QString PartnerEndpoint::start(const std::filesystem::path& dir)
{
    if (m_listening)
        return {};
    const DirCheck check = prepareEndpointDir(dir);
    if (!check.ok())
        return QString::fromStdString(check.error);
    m_dir = dir;
    if (!m_server->listen(toQString(socketPath(m_id)))) {
        const QString why = QCoreApplication::translate("dg::partner", "cannot listen on %1: %2")
                                .arg(toQString(socketPath(m_id)), m_server->errorString());
        m_dir.clear();
        return why;
    }
    m_listening = true;
    writeTitleFile();
    return {};
}

void PartnerEndpoint::stop()
{
    if (!m_listening)
        return;
    m_listening = false;
    // The title goes first: a viewer found by title must still have its socket.
    std::error_code ec;
    std::filesystem::remove(titlePath(m_id), ec);
    m_server->close(); // removes the socket file
    for (Connection* connection : std::vector<Connection*>(m_connections))
        connection->close();
}

void PartnerEndpoint::setTitle(const QString& title)
{
    m_title = title;
    if (m_listening)
        writeTitleFile();
}

void PartnerEndpoint::writeTitleFile() const
{
    QSaveFile file(toQString(titlePath(m_id)));
    const std::string bytes = composeTitleFile(m_title.toStdString());
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), static_cast<qint64>(bytes.size())) < 0 ||
        !file.commit())
        qCWarning(lcPartner) << "cannot publish the window title:" << file.errorString();
}

std::filesystem::path PartnerEndpoint::socketPath(const QString& endpointId) const
{
    return m_dir / (endpointId.toStdString() + std::string(kSocketSuffix));
}

std::filesystem::path PartnerEndpoint::titlePath(const QString& endpointId) const
{
    return m_dir / (endpointId.toStdString() + std::string(kTitleSuffix));
}

std::vector<QString> PartnerEndpoint::endpointsTitled(const QString& title) const
{
    std::vector<QString> ids;
    if (m_dir.empty())
        return ids;
    const std::string wanted = title.toStdString();
    std::error_code ec;
    for (std::filesystem::directory_iterator it(m_dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= kTitleSuffix.size() || !name.ends_with(kTitleSuffix))
            continue;
        const QString endpointId = QString::fromStdString(name.substr(0, name.size() - kTitleSuffix.size()));
        if (endpointId == m_id)
            continue;
        const auto bytes = readSmallFile(it->path(), kMaxTitleFileSize);
        if (!bytes)
            continue;
        const auto content = parseTitleFile(*bytes);
        if (content && content->windowClass == kWindowClass && content->title == wanted)
            ids.push_back(endpointId);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

void PartnerEndpoint::removeEndpoint(const QString& endpointId) const
{
    qCInfo(lcPartner) << "removing the endpoint of a viewer that has gone away:" << endpointId;
    std::error_code ec;
    std::filesystem::remove(titlePath(endpointId), ec);
    std::filesystem::remove(socketPath(endpointId), ec);
}

std::optional<QString> PartnerEndpoint::findPartner(const QString& title)
{
    for (const QString& endpointId : endpointsTitled(title)) {
        const auto path = socketPath(endpointId);
        std::error_code ec;
        if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
            removeEndpoint(endpointId);
            continue;
        }
        QLocalSocket probe;
        probe.connectToServer(toQString(path));
        if (probe.waitForConnected(kProbeTimeoutMs)) {
            probe.abort();
            return endpointId;
        }
        const auto error = probe.error();
        if (error == QLocalSocket::ConnectionRefusedError || error == QLocalSocket::ServerNotFoundError)
            removeEndpoint(endpointId);
    }
    return std::nullopt;
}

bool PartnerEndpoint::send(const QString& title, MessageNumber message, std::uint32_t eventWord,
                           std::string_view payload)
{
    if (!isRequest(message) || payload.size() > kMaxPayload)
        return false;
    const QPointer<PartnerEndpoint> self(this);
    for (const QString& endpointId : endpointsTitled(title)) {
        const std::uint32_t requestId = ++m_nextRequestId;
        const auto bytes =
            encodeFrame(Frame{message, requestId, m_senderId, eventWord, std::string(payload)});
        const Outcome outcome = exchange(endpointId, *bytes, requestId);
        if (!self)
            return outcome == Outcome::Replied;
        if (outcome != Outcome::Gone)
            return outcome == Outcome::Replied;
        // Nobody listens there any more: a viewer that crashed. The next one with the title may
        // still be alive.
        removeEndpoint(endpointId);
    }
    return false;
}

bool PartnerEndpoint::sendTo(const QString& endpointId, MessageNumber message, std::uint32_t eventWord,
                             std::string_view payload)
{
    if (!isRequest(message) || payload.size() > kMaxPayload || m_dir.empty() || endpointId == m_id)
        return false;
    const std::uint32_t requestId = ++m_nextRequestId;
    const auto bytes = encodeFrame(Frame{message, requestId, m_senderId, eventWord, std::string(payload)});
    return exchange(endpointId, *bytes, requestId) == Outcome::Replied;
}

PartnerEndpoint::Outcome PartnerEndpoint::exchange(const QString& endpointId, const std::string& bytes,
                                                   std::uint32_t requestId)
{
    // Everything the wait touches lives on this stack frame, so that a handler run during the wait
    // may even destroy the endpoint. The socket is declared last: it goes first.
    Outcome outcome = Outcome::Waiting;
    bool connected = false;
    FrameDecoder decoder;
    QEventLoop loop;
    QTimer silence;
    silence.setSingleShot(true);
    silence.setInterval(m_replyTimeout);
    QLocalSocket socket;

    const auto finish = [&](Outcome result) {
        if (outcome != Outcome::Waiting)
            return;
        outcome = result;
        loop.quit();
    };
    const auto readAnswers = [&] {
        while (outcome == Outcome::Waiting) {
            if (!readIntoDecoder(socket, decoder)) {
                qCWarning(lcPartner) << "partner answered with a broken frame:"
                                     << describe(decoder.error()).data();
                finish(Outcome::Failed);
                return;
            }
            if (decoder.status() != DecodeStatus::FrameReady)
                return;
            const Frame answer = decoder.takeFrame();
            if (answer.requestId != requestId) {
                qCWarning(lcPartner) << "partner answered another request";
                finish(Outcome::Failed);
            } else if (answer.message == MessageNumber::Reply) {
                finish(Outcome::Replied);
            } else if (answer.message == MessageNumber::Working) {
                silence.start();
            } else {
                qCWarning(lcPartner) << "partner answered with a request";
                finish(Outcome::Failed);
            }
        }
    };

    QObject::connect(&socket, &QLocalSocket::connected, &loop, [&] {
        connected = true;
        silence.start();
        socket.write(bytes.data(), static_cast<qint64>(bytes.size()));
    });
    QObject::connect(&socket, &QLocalSocket::readyRead, &loop, readAnswers);
    QObject::connect(&socket, &QLocalSocket::disconnected, &loop, [&] {
        readAnswers(); // a Close reply may arrive together with the end of the connection
        finish(Outcome::Failed);
    });
    QObject::connect(&socket, &QLocalSocket::errorOccurred, &loop, [&](QLocalSocket::LocalSocketError error) {
        if (!connected &&
            (error == QLocalSocket::ConnectionRefusedError || error == QLocalSocket::ServerNotFoundError)) {
            finish(Outcome::Gone);
            return;
        }
        readAnswers();
        finish(Outcome::Failed);
    });
    QObject::connect(&silence, &QTimer::timeout, &loop, [&] {
        qCInfo(lcPartner) << "partner did not answer in time";
        finish(Outcome::Failed);
    });

    silence.start();
    socket.connectToServer(toQString(socketPath(endpointId)));
    if (outcome == Outcome::Waiting)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    QObject::disconnect(&socket, nullptr, nullptr, nullptr);
    socket.abort();
    return outcome;
}

void PartnerEndpoint::acceptConnections()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        const auto open = std::count_if(m_connections.begin(), m_connections.end(),
                                        [](const Connection* connection) { return !connection->closing(); });
        if (static_cast<std::size_t>(open) >= kMaxIncomingConnections) {
            // Room for the newcomer: the connection that has been idle longest goes (never one
            // whose request is being handled). Idle clients, stuck or hostile, thus cannot keep a
            // partner out; a live sender delivers its request at once and is never the idlest.
            Connection* idlest = nullptr;
            for (Connection* connection : m_connections)
                if (!connection->busy() && !connection->closing() &&
                    (!idlest || connection->idleFor() > idlest->idleFor()))
                    idlest = connection;
            if (!idlest) {
                qCWarning(lcPartner) << "refusing a partner connection: too many busy";
                socket->abort();
                socket->deleteLater();
                continue;
            }
            qCInfo(lcPartner) << "closing the idlest partner connection to make room";
            idlest->close();
        }
        new Connection(*this, socket);
    }
}

void PartnerEndpoint::dispatch(const Frame& frame)
{
    const QPointer<PartnerEndpoint> self(this);
    // A copy: the handler may replace itself.
    const Handler handler = m_handler;
    ++m_handlingDepth;
    try {
        if (handler)
            handler(frame);
    } catch (const std::exception& error) {
        qCWarning(lcPartner) << "partner message handler failed:" << error.what();
    } catch (...) {
        qCWarning(lcPartner) << "partner message handler failed";
    }
    if (self)
        --m_handlingDepth;
}

} // namespace dg::partner
