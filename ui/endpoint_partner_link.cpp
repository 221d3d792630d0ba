#include "ui/endpoint_partner_link.h"

#include "ui/file_name.h"

#include <charconv>
#include <limits>
#include <vector>

namespace dg::ui {
namespace {

using partner::MessageNumber;

MessageNumber numberOf(PartnerMessage message)
{
    switch (message) {
    case PartnerMessage::Close: return MessageNumber::Close;
    case PartnerMessage::ReloadComp: return MessageNumber::ReloadComp;
    case PartnerMessage::ReloadDebug: return MessageNumber::ReloadDebug;
    case PartnerMessage::ReloadSynchro: return MessageNumber::ReloadSynchro;
    }
    return MessageNumber::Close;
}

// Exactly four decimal integers separated by commas ("-" allowed), each fitting an int.
std::optional<std::vector<int>> fourIntegers(std::string_view text)
{
    std::vector<int> values;
    const char* p = text.data();
    const char* end = text.data() + text.size();
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (p == end || *p != ',')
                return std::nullopt;
            ++p;
        }
        int value = 0;
        const auto [next, error] = std::from_chars(p, end, value);
        if (error != std::errc() || next == p)
            return std::nullopt;
        values.push_back(value);
        p = next;
    }
    if (p != end)
        return std::nullopt;
    return values;
}

} // namespace

std::string composeSetPartnerPayload(const QString& ownTitle, const std::optional<QRect>& geometry)
{
    // The title carries a file name: its bytes go as they are (see file_name.h).
    std::string payload = fileNameBytes(ownTitle);
    if (geometry) {
        payload += '\n';
        payload += std::to_string(geometry->x()) + ',' + std::to_string(geometry->y()) + ',' +
                   std::to_string(geometry->width()) + ',' + std::to_string(geometry->height());
    }
    return payload;
}

SetPartnerPayload parseSetPartnerPayload(std::string_view payload)
{
    const auto toQString = [](std::string_view bytes) { return fileNameText(bytes); };
    const std::size_t feed = payload.rfind('\n');
    if (feed != std::string_view::npos) {
        if (const auto values = fourIntegers(payload.substr(feed + 1)); values && (*values)[2] > 0 && (*values)[3] > 0)
            return {toQString(payload.substr(0, feed)), QRect((*values)[0], (*values)[1], (*values)[2], (*values)[3])};
    }
    return {toQString(payload), std::nullopt};
}

std::optional<PartnerRequest> requestFromFrame(const partner::Frame& frame)
{
    PartnerRequest request;
    switch (frame.message) {
    case MessageNumber::CopyData:
        request.kind = PartnerRequest::Kind::TreeEvent;
        request.eventWord = frame.eventWord;
        request.path = frame.payload;
        break;
    case MessageNumber::SetPartner: {
        request.kind = PartnerRequest::Kind::SetPartner;
        SetPartnerPayload parsed = parseSetPartnerPayload(frame.payload);
        request.senderTitle = std::move(parsed.senderTitle);
        request.geometry = parsed.geometry;
        break;
    }
    case MessageNumber::ReloadComp: request.kind = PartnerRequest::Kind::ReloadComp; break;
    case MessageNumber::ReloadDebug: request.kind = PartnerRequest::Kind::ReloadDebug; break;
    case MessageNumber::ReloadSynchro: request.kind = PartnerRequest::Kind::ReloadSynchro; break;
    case MessageNumber::Close: request.kind = PartnerRequest::Kind::Close; break;
    case MessageNumber::Reply:
    case MessageNumber::Working: return std::nullopt;
    }
    return request;
}

QString EndpointPartnerLink::start(const std::filesystem::path& dir)
{
    return m_endpoint.start(dir);
}

bool EndpointPartnerLink::send(const QString& partnerTitle, PartnerMessage message)
{
    return m_endpoint.send(partnerTitle, numberOf(message));
}

void EndpointPartnerLink::titleChanged(const QString& title)
{
    m_endpoint.setTitle(title);
}

bool EndpointPartnerLink::exists(const QString& title)
{
    return m_endpoint.findPartner(title).has_value();
}

bool EndpointPartnerLink::sendTreeEvent(const QString& partnerTitle, std::uint32_t eventWord, std::string_view sjisPath)
{
    return m_endpoint.send(partnerTitle, MessageNumber::CopyData, eventWord, sjisPath);
}

bool EndpointPartnerLink::sendSetPartner(const QString& partnerTitle, const QString& ownTitle,
                                         const std::optional<QRect>& geometry)
{
    return m_endpoint.send(partnerTitle, MessageNumber::SetPartner, 0, composeSetPartnerPayload(ownTitle, geometry));
}

void EndpointPartnerLink::setReceiver(PartnerReceiver receiver)
{
    if (!receiver) {
        m_endpoint.setHandler({});
        return;
    }
    m_endpoint.setHandler([receiver = std::move(receiver)](const partner::Frame& frame) {
        if (const auto request = requestFromFrame(frame))
            receiver(*request);
    });
}

} // namespace dg::ui
