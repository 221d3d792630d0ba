#pragma once
// One viewer's end of the partner channel: it listens on a local socket in the per-user endpoint
// folder, publishes the viewer's window title beside it, finds other viewers by title, and sends
// them messages synchronously. docs/partner-protocol.md describes what travels over the socket.
//
// Everything runs on the thread that owns the endpoint (the GUI thread); there are no locks.
#include "partner/endpoint_dir.h"
#include "partner/frame.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QLocalServer;

namespace dg::partner {

class PartnerEndpoint : public QObject {
    Q_OBJECT
public:
    // Called for every request that arrives (tree events, the hand-shake, reloads, close). It runs
    // on the endpoint's thread between the application's own events; the endpoint replies to the
    // sender when it returns (for Close: before it is called, so that the sender's wait ends
    // before the window starts closing). It may show modal boxes, send messages itself, or even
    // destroy the endpoint. It should not throw; an exception is caught, logged and the sender
    // gets its reply all the same.
    using Handler = std::function<void(const Frame&)>;

    static constexpr std::chrono::milliseconds kDefaultReplyTimeout{30000};
    static constexpr std::chrono::milliseconds kDefaultIdleTimeout{10000};
    static constexpr std::chrono::milliseconds kDefaultHeartbeatInterval{2000};
    static constexpr std::size_t kMaxIncomingConnections = 64;
    // Answers (Reply and Working frames) waiting to be sent on one connection beyond this many
    // bytes mean that its client sends requests but does not read the answers: it is dropped.
    static constexpr std::size_t kMaxQueuedAnswerBytes = 64 * 1024;

    explicit PartnerEndpoint(QObject* parent = nullptr);
    ~PartnerEndpoint() override;
    PartnerEndpoint(const PartnerEndpoint&) = delete;
    PartnerEndpoint& operator=(const PartnerEndpoint&) = delete;

    // Prepares dir (see prepareEndpointDir), listens on "<id>.sock" in it and publishes the title
    // set so far. Returns an empty text on success, else why the channel cannot be used (English,
    // for the log); the endpoint then finds nobody and receives nothing, and the viewer works
    // alone. Does nothing when already listening.
    QString start(const std::filesystem::path& dir = defaultEndpointDir());

    // Stops listening, drops incoming connections and removes this endpoint's two files. The
    // destructor does the same.
    void stop();

    bool isListening() const { return m_listening; }

    // This endpoint's id: creation time in milliseconds (15 digits) + "-" + senderId() in 16 hex
    // digits. Ids sort by age. Fixed for the endpoint's life.
    const QString& id() const { return m_id; }

    // The random 64-bit id carried in every frame this endpoint sends.
    std::uint64_t senderId() const { return m_senderId; }

    // The endpoint folder in use; empty before a successful start().
    const std::filesystem::path& dir() const { return m_dir; }

    // Publishes title as this viewer's window title, replacing the title file at once (atomically:
    // readers see the old or the new title, whole). Remembered when not listening yet.
    void setTitle(const QString& title);
    const QString& title() const { return m_title; }

    // The id of another live viewer whose class is "TDgaForm1" and whose title equals title
    // exactly; the oldest one when several match. Endpoints found dead on the way (socket file
    // missing or connection refused) are removed. Nothing when there is no such viewer.
    std::optional<QString> findPartner(const QString& title);

    // Sends one request to the viewer findPartner(title) would find and waits until it has handled
    // it. While waiting, requests that arrive for this endpoint are still handled (two viewers
    // that send to each other at the same moment do not deadlock), but no user input is
    // processed. The wait has no bound while the receiver shows that it is still working (it does
    // while it runs an event loop, for example for a modal box); after replyTimeout() without any
    // sign from it the send gives up. True when the request was handled; false, without any
    // error, when there is no such viewer, it went away, it broke the protocol, it stayed silent,
    // or payload is longer than kMaxPayload. message must be a request (not Reply or Working).
    bool send(const QString& title, MessageNumber message, std::uint32_t eventWord = 0,
              std::string_view payload = {});

    // As send, to the endpoint with the given id (as findPartner returned it).
    bool sendTo(const QString& endpointId, MessageNumber message, std::uint32_t eventWord = 0,
                std::string_view payload = {});

    void setHandler(Handler handler) { m_handler = std::move(handler); }

    // True while a received request is being handled (nested handling counts): the viewer sends
    // no tree events then, so that nothing echoes back to the partner.
    bool isHandlingPartnerMessage() const { return m_handlingDepth > 0; }

    // How long a send waits for any sign of the receiver (connection, Working or Reply frames).
    void setReplyTimeout(std::chrono::milliseconds timeout) { m_replyTimeout = timeout; }
    std::chrono::milliseconds replyTimeout() const { return m_replyTimeout; }

    // How long an incoming connection may take to deliver a whole request; a peer that connects
    // and never speaks, or stops in the middle of a frame, is dropped after it. Applies to
    // connections accepted afterwards.
    void setIdleTimeout(std::chrono::milliseconds timeout) { m_idleTimeout = timeout; }

    // How often a Working frame tells the sender that its request is still being handled. Applies
    // to connections accepted afterwards.
    void setHeartbeatInterval(std::chrono::milliseconds interval) { m_heartbeatInterval = interval; }

private:
    class Connection;
    enum class Outcome { Waiting, Replied, Gone, Failed };

    void acceptConnections();
    void dispatch(const Frame& frame);
    Outcome exchange(const QString& endpointId, const std::string& bytes, std::uint32_t requestId);
    std::vector<QString> endpointsTitled(const QString& title) const;
    void removeEndpoint(const QString& endpointId) const;
    std::filesystem::path socketPath(const QString& endpointId) const;
    std::filesystem::path titlePath(const QString& endpointId) const;
    void writeTitleFile() const;

    QLocalServer* m_server; // owned (child)
    Handler m_handler;
    QString m_id;
    std::uint64_t m_senderId;
    std::filesystem::path m_dir;
    QString m_title;
    bool m_listening = false;
    int m_handlingDepth = 0;
    std::vector<Connection*> m_connections; // owned (children); each one registers itself
    std::uint32_t m_nextRequestId = 0;
    std::chrono::milliseconds m_replyTimeout = kDefaultReplyTimeout;
    std::chrono::milliseconds m_idleTimeout = kDefaultIdleTimeout;
    std::chrono::milliseconds m_heartbeatInterval = kDefaultHeartbeatInterval;
};

} // namespace dg::partner
