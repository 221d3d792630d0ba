#pragma once
// The partner link over the partner channel (partner/partner_endpoint.h): this viewer's endpoint
// publishes the window title, finds other viewers by title and carries the messages both ways.
// docs/partner-protocol.md describes what travels.
#include "partner/endpoint_dir.h"
#include "partner/frame.h"
#include "partner/partner_endpoint.h"
#include "ui/partner_link.h"

#include <QRect>
#include <QString>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace dg::ui {

// The payload of a SetPartner frame: the sender's title (UTF-8) and, when the sender placed the
// receiving window, a line feed and "x,y,w,h" in decimal.
std::string composeSetPartnerPayload(const QString& ownTitle, const std::optional<QRect>& geometry);

struct SetPartnerPayload {
    QString senderTitle;
    std::optional<QRect> geometry;
};

// Reads a SetPartner payload. The text after the last line feed is the geometry when it is
// exactly four decimal integers separated by commas, the last two above 0; otherwise the whole
// payload is the title (a title may hold line feeds of its own). Bytes that are not UTF-8 are
// replaced, never refused.
SetPartnerPayload parseSetPartnerPayload(std::string_view payload);

// What the window receives for a frame: one request for each of the six requests, nothing for
// the channel's own answers.
std::optional<PartnerRequest> requestFromFrame(const partner::Frame& frame);

class EndpointPartnerLink : public PartnerLink {
public:
    EndpointPartnerLink() = default;

    // Starts listening in dir (see PartnerEndpoint::start). Empty on success, else why this
    // viewer works alone (English, for the log). Until it succeeds the link finds nobody and
    // receives nothing.
    QString start(const std::filesystem::path& dir = partner::defaultEndpointDir());

    partner::PartnerEndpoint& endpoint() { return m_endpoint; }

    bool send(const QString& partnerTitle, PartnerMessage message) override;
    void titleChanged(const QString& title) override;
    bool exists(const QString& title) override;
    bool sendTreeEvent(const QString& partnerTitle, std::uint32_t eventWord, std::string_view sjisPath) override;
    bool sendSetPartner(const QString& partnerTitle, const QString& ownTitle,
                        const std::optional<QRect>& geometry) override;
    bool isHandlingPartnerMessage() const override { return m_endpoint.isHandlingPartnerMessage(); }
    void setReceiver(PartnerReceiver receiver) override;
    // Why start() failed (the folder refused, the socket not made); before start(), that it has
    // not been started.
    QString unavailableReason() const override;

private:
    partner::PartnerEndpoint m_endpoint;
    QString m_startError;
};

} // namespace dg::ui
