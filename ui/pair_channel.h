#pragma once
// The window's side of the pair: the link to the partner viewer (a link that finds no partner
// when none is given), the tree events waiting to be sent to it, and whether the user has been
// told why no pair can be made.
#include "ui/partner_link.h"

#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

namespace dg::ui {

class PairChannel {
public:
    // link is not owned; null: no partner is ever found.
    explicit PairChannel(PartnerLink* link) : m_link(link ? link : &m_nullLink) {}
    PairChannel(const PairChannel&) = delete;
    PairChannel& operator=(const PairChannel&) = delete;

    PartnerLink& link() const { return *m_link; }
    PartnerLink* operator->() const { return m_link; }

    // A tree event waiting to go to the partner: the partner's title, the event word and the path
    // text, all as they were when the event happened.
    void queueTreeEvent(QString partnerTitle, std::uint32_t eventWord, std::string path)
    {
        m_treeEvents.push_back({std::move(partnerTitle), eventWord, std::move(path)});
    }
    // Marks a delivery as posted to the event loop; false when one is posted already.
    bool postDelivery()
    {
        if (m_deliveryPosted)
            return false;
        m_deliveryPosted = true;
        return true;
    }
    // The posted delivery has started.
    void deliveryStarted() { m_deliveryPosted = false; }
    // Sends the queued tree events, oldest first, each one for which stillCurrent(partner title)
    // holds (the others are dropped). A call made while one is running leaves the rest to it.
    void sendQueuedTreeEvents(const std::function<bool(const QString&)>& stillCurrent);

    // True the first time only: the user is told once why no pair can be made.
    bool firstCannotPair()
    {
        if (m_toldCannotPair)
            return false;
        m_toldCannotPair = true;
        return true;
    }

private:
    struct QueuedTreeEvent {
        QString partnerTitle;
        std::uint32_t eventWord;
        std::string path;
    };

    NullPartnerLink m_nullLink;
    PartnerLink* m_link; // not owned
    std::deque<QueuedTreeEvent> m_treeEvents;
    bool m_deliveryPosted = false; // a delivery is posted to the event loop
    bool m_sending = false;        // sendQueuedTreeEvents is running
    bool m_toldCannotPair = false; // the user has been told why no pair can be made
};

} // namespace dg::ui
