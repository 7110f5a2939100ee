#pragma once

#include "devices/view_model.h"

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace tw::diskio {
class TStatusDialog;
}

namespace tw::fat {

class TFATdrive;
class TFATDirectory;
class TFATFile;

/// The destination dialog as saving sees it: the FAT choices to offer with one preselected,
/// and the user's folder and choice afterwards.
class TDirSelectDialog {
public:
    virtual ~TDirSelectDialog() = default;
    /// "no FAT (consecutive)", then "FAT 1" … "FAT n".
    std::vector<std::string> FATChoices;
    /// In: the preselected entry. Out: the chosen entry (-1 keeps the drive's FATInUse).
    int SelectedFAT = 0;
    /// Out: the chosen folder.
    std::string Directory;
    /// Shows the dialog; false when the user cancelled.
    virtual bool Execute() = 0;
};

/// What saving needs from the front end.
struct TSaveEnvironment {
    diskio::TStatusDialog& Dialog;
    TDirSelectDialog& Destination;
    /// Disables (false) and enables (true) the main window around the run; may be empty.
    std::function<void(bool)> EnableMainWindow;
};

/// What one save run did, for front ends and tests.
struct TSaveReport {
    uint64_t FilesSaved = 0;
    uint64_t BytesSaved = 0;
    std::vector<std::string> SavedPaths;
};

/// One save run: the answers of its questions hold until it ends.
class TSaveRun {
public:
    TSaveRun(TFATdrive& drive, diskio::TStatusDialog& dialog, uint8_t fatChoice, bool deletedMode);

    /// Saves a file into destination (a folder path ending in "/"). False ends the whole run.
    bool SaveFile(TFATFile& file, const std::string& destination);
    /// Saves a folder with its files (and subfolders when recursive) into destination.
    bool SaveDirectory(TFATDirectory& folder, const std::string& destination, bool onlyDeleted,
                       bool recursive);
    /// The byte total of the items, counted as saving will walk them. False when cancelled.
    bool CountBytes(const std::vector<devices::TCustomItem*>& items, uint64_t& total);
    [[nodiscard]] const TSaveReport& Report() const { return m_Report; }
    [[nodiscard]] bool Cancelled() const;

    bool ReplaceAllFiles = false;
    bool AllFolders = false;

private:
    /// Copies the file's bytes to path. Leaves no partial file on a failed read or a cancel.
    void SaveTo(TFATFile& file, const std::string& path);

    TFATdrive& m_Drive;
    diskio::TStatusDialog& m_Dialog;
    uint8_t m_FATChoice;
    bool m_DeletedMode;
    uint64_t m_AbortsAtStart;
    /// Files and folders this run created: never replaced, never asked about.
    std::set<std::string> m_Written;
    std::set<std::string> m_CreatedFolders;
    TSaveReport m_Report;
};

/// Saves the selected rows of the list (folders with their subfolders) to a folder the user
/// picks. deletedMode: the list shows a folder under "Deleted".
TSaveReport SaveItems(TFATdrive& drive, devices::TListView& list, bool deletedMode,
                      TSaveEnvironment& environment);

} // namespace tw::fat
