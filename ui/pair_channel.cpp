#include "ui/pair_channel.h"

#include "core/scope_exit.h"

#include <utility>

namespace dg::ui {

void PairChannel::sendQueuedTreeEvents(const std::function<bool(const QString&)>& stillCurrent)
{
    if (m_sending)
        return;
    m_sending = true;
    const ScopeExit done([this] { m_sending = false; });
    while (!m_treeEvents.empty()) {
        const QueuedTreeEvent event = std::move(m_treeEvents.front());
        m_treeEvents.pop_front();
        // An event of a comparison that has ended meanwhile (or another partner) is dropped.
        if (!stillCurrent(event.partnerTitle))
            continue;
        m_link->sendTreeEvent(event.partnerTitle, event.eventWord, event.path);
    }
}

} // namespace dg::ui
