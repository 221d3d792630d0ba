#pragma once
// The main window's line to the partner viewer of a comparison pair. The window knows its partner
// only by title ("Dirgauge - " + BaseName) and looks it up anew for every message; this interface
// is that lookup plus the synchronous sends, and the way in for what the partner sends. Only send
// and titleChanged must be implemented: the rest defaults to a link that finds nobody and
// receives nothing (NullPartnerLink, and the recording fakes of the tests).
#include <QRect>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace dg::ui {

// Messages without values that one viewer sends the other. Values are stable: they name the
// messages of the pairing protocol.
enum class PartnerMessage : int {
    Close = 0x0010,         // close as if the user had closed the window
    ReloadComp = 0x0465,    // re-read the comparison settings
    ReloadDebug = 0x0466,   // re-read "Env"/"Debug"
    ReloadSynchro = 0x0467, // re-read "Comp"/"Synchro"
};

// One message received from another viewer (or a tool speaking the protocol).
struct PartnerRequest {
    enum class Kind { TreeEvent, SetPartner, Close, ReloadComp, ReloadDebug, ReloadSynchro };

    Kind kind = Kind::TreeEvent;
    std::uint32_t eventWord = 0; // TreeEvent: level and action (core/sync_path.h)
    std::string path;            // TreeEvent: the path text, Shift-JIS bytes
    QString senderTitle;         // SetPartner: the sender's window title
    std::optional<QRect> geometry; // SetPartner: where the sender placed this window, if it did
};

// Called for every received message, on the GUI thread between the window's own events. The
// sender waits until it returns (for Close: the sender has its answer already).
using PartnerReceiver = std::function<void(const PartnerRequest&)>;

class PartnerLink {
public:
    virtual ~PartnerLink() = default;

    // Looks up the viewer whose window title is partnerTitle and, when one is found, sends it
    // message and waits until it has been handled. False when no such viewer was found (a partner
    // that went away is not an error).
    virtual bool send(const QString& partnerTitle, PartnerMessage message) = 0;

    // This window's title changed; a platform without window-system lookup publishes it here.
    virtual void titleChanged(const QString& title) = 0;

    // Whether a viewer titled title can be found now (the window lookup, nothing is sent).
    virtual bool exists([[maybe_unused]] const QString& title) { return false; }

    // Sends one tree event (event word, Shift-JIS path text) as send() does; false when nobody
    // took it.
    virtual bool sendTreeEvent([[maybe_unused]] const QString& partnerTitle, [[maybe_unused]] std::uint32_t eventWord,
                               [[maybe_unused]] std::string_view sjisPath)
    {
        return false;
    }

    // The hand-shake: tells the viewer titled partnerTitle that this viewer, titled ownTitle, is
    // its partner, and where it has been placed (nothing: leave it where it is). Waits until the
    // receiver has loaded this viewer's file as its base file.
    virtual bool sendSetPartner([[maybe_unused]] const QString& partnerTitle, [[maybe_unused]] const QString& ownTitle,
                                [[maybe_unused]] const std::optional<QRect>& geometry)
    {
        return false;
    }

    // True while a received message is being handled: tree events raised meanwhile are not sent,
    // so nothing echoes back to the partner.
    virtual bool isHandlingPartnerMessage() const { return false; }

    // Why this viewer cannot pair with another at all (the partner channel could not be opened),
    // for the user; empty when it can.
    virtual QString unavailableReason() const { return {}; }

    // Where received messages go from now on; an empty receiver drops them.
    virtual void setReceiver([[maybe_unused]] PartnerReceiver receiver) {}
};

class NullPartnerLink : public PartnerLink {
public:
    bool send(const QString&, PartnerMessage) override { return false; }
    void titleChanged(const QString&) override {}
};

} // namespace dg::ui
