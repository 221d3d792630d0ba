#pragma once
// The main window's line to the partner viewer of a comparison pair. The window knows its partner
// only by title ("Dirgauge - " + BaseName) and looks it up anew for every message; this interface
// is that lookup plus the synchronous send. Until pairing is built, NullPartnerLink finds nobody.
#include <QString>

namespace dg::ui {

// Messages without values that one viewer sends the other. Values are stable: they name the
// messages of the pairing protocol.
enum class PartnerMessage : int {
    Close = 0x0010,         // close as if the user had closed the window
    ReloadComp = 0x0465,    // re-read the comparison settings
    ReloadDebug = 0x0466,   // re-read "Env"/"Debug"
    ReloadSynchro = 0x0467, // re-read "Comp"/"Synchro"
};

class PartnerLink {
public:
    virtual ~PartnerLink() = default;

    // Looks up the viewer whose window title is partnerTitle and, when one is found, sends it
    // message and waits until it has been handled. False when no such viewer was found (a partner
    // that went away is not an error).
    virtual bool send(const QString& partnerTitle, PartnerMessage message) = 0;

    // This window's title changed; a platform without window-system lookup publishes it here.
    virtual void titleChanged(const QString& title) = 0;
};

class NullPartnerLink : public PartnerLink {
public:
    bool send(const QString&, PartnerMessage) override { return false; }
    void titleChanged(const QString&) override {}
};

} // namespace dg::ui
