#include "ui/endpoint_partner_link.h"

#include "partner/set_partner_text.h"
#include "ui/file_name.h"

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

} // namespace

std::string composeSetPartnerPayload(const QString& ownTitle, const std::optional<QRect>& geometry)
{
    std::optional<partner::WindowPlace> place;
    if (geometry)
        place = partner::WindowPlace{geometry->x(), geometry->y(), geometry->width(), geometry->height()};
    // The title carries a file name: its bytes go as they are (see file_name.h).
    return partner::composeSetPartnerText(fileNameBytes(ownTitle), place);
}

SetPartnerPayload parseSetPartnerPayload(std::string_view payload)
{
    const partner::SetPartnerText text = partner::parseSetPartnerText(payload);
    SetPartnerPayload parsed{fileNameText(text.title), std::nullopt};
    if (text.place)
        parsed.geometry = QRect(text.place->left, text.place->top, text.place->width, text.place->height);
    return parsed;
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
    m_startError = m_endpoint.start(dir);
    return m_startError;
}

QString EndpointPartnerLink::unavailableReason() const
{
    if (!m_startError.isEmpty())
        return m_startError;
    return m_endpoint.isListening() ? QString() : QStringLiteral("the partner channel has not been opened");
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
