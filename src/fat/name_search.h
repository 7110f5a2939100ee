#pragma once

#include <string>

namespace tw::fat {

class TFATdrive;

/// The find dialog as the name search sees it: the pattern, the Start and Stop state, the
/// scanning label and the hit list.
class TFindDialog {
public:
    virtual ~TFindDialog() = default;
    std::string Pattern;
    bool Started = false;
    bool Stopped = false;
    /// Shows the dialog and waits for Start or Stop (closing it counts as Stop). Returns
    /// Started; Pattern then holds the pattern built from the typed text.
    virtual bool Execute() = 0;
    /// The folder being scanned (already shortened).
    virtual void SetScanning(const std::string& path) = 0;
    virtual void AddHit(const std::string& name) = 0;
    /// Lets the window system process pending events (Stop may set Stopped).
    virtual void PumpMessages() {}
    virtual void Hide() {}
};

/// The pattern for a typed text: "*" for an empty text, "*text*" for a text without a dot,
/// the text itself otherwise.
std::string BuildFindPattern(const std::string& typed);

/// Walks "Deleted", "Lost" and "Root" and copies every item whose display name matches the
/// pattern into "Searched". False when the dialog was stopped before the search started.
bool FindByName(TFATdrive& drive, TFindDialog& dialog);

} // namespace tw::fat
