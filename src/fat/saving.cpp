#include "fat/saving.h"

#include "devices/device.h"
#include "diskio/physical_disk_io.h"
#include "diskio/shared_helpers.h"
#include "diskio/status_dialog.h"
#include "fat/fat_directory.h"
#include "fat/fat_drive.h"
#include "fat/safe_name.h"
#include "platform/file_system_info.h"
#include "platform/output_files.h"
#include "platform/prompter.h"

#include <vector>

namespace tw::fat {

using platform::TPathKind;
using platform::TPrompt;
using platform::TPromptAnswer;
using platform::TPromptButtons;
using platform::TPromptIcon;

namespace {

constexpr uint32_t SaveChunkBytes = 65536;

TPromptAnswer Ask(const std::string& text, TPromptIcon icon, TPromptButtons buttons) {
    return platform::Prompter().Ask(TPrompt{"", text, icon, buttons});
}

void Warn(const std::string& text) {
    Ask(text, TPromptIcon::piWarning, TPromptButtons::pbOK);
}

std::string SafeDisplayName(const devices::TCustomItem& item) {
    return SafeComponent(devices::ReplaceDeletedChar(item));
}

} // namespace

TSaveRun::TSaveRun(TFATdrive& drive, diskio::TStatusDialog& dialog, uint8_t fatChoice,
                   bool deletedMode)
    : m_Drive(drive), m_Dialog(dialog), m_FATChoice(fatChoice), m_DeletedMode(deletedMode),
      m_AbortsAtStart(diskio::ReadAbortCount()) {}

bool TSaveRun::Cancelled() const {
    // One Abort in a read error box ends the whole run.
    if (diskio::ReadAbortCount() != m_AbortsAtStart) {
        m_Dialog.Cancelled = true;
    }
    return m_Dialog.Cancelled;
}

bool TSaveRun::CountBytes(const std::vector<devices::TCustomItem*>& items, uint64_t& total) {
    for (devices::TCustomItem* item : items) {
        if (Cancelled()) {
            return false;
        }
        if (!item->IsDirectory()) {
            total += static_cast<TFATFile&>(*item).Size;
            continue;
        }
        static_cast<TFATDirectory&>(*item).ForEach(
            [&](devices::TCustomItem& child) {
                if (child.IsDirectory()) {
                    m_Dialog.PumpMessages();
                } else {
                    total += static_cast<TFATFile&>(child).Size;
                }
                return !Cancelled();
            },
            m_DeletedMode, m_DeletedMode, true);
    }
    return !Cancelled();
}

bool TSaveRun::SaveFile(TFATFile& file, const std::string& destination) {
    const std::string displayName = devices::ReplaceDeletedChar(file);
    const std::string safeName = SafeDisplayName(file);
    std::string path = destination + safeName;
    if (m_Written.count(path) != 0) {
        // Two items of this run with the same name (two deleted files that both show as
        // "_EADME.TXT"): the later one gets a number instead of replacing the first.
        for (int n = 2;; ++n) {
            path = destination + NumberedName(safeName, n);
            if (m_Written.count(path) == 0 && platform::PathKind(path) == TPathKind::pkNone) {
                break;
            }
        }
    } else if (!ReplaceAllFiles && platform::PathKind(path) != TPathKind::pkNone) {
        const TPromptAnswer answer =
            Ask("This folder already contains a file called '" + path + "'.\r\r" +
                    "Would you like to replace the existing file?",
                TPromptIcon::piConfirmation, TPromptButtons::pbYesNoAll);
        m_Dialog.ResetTimer();
        if (answer == TPromptAnswer::paAll) {
            ReplaceAllFiles = true;
        } else if (answer != TPromptAnswer::paYes) {
            return true; // No, or the box was closed: keep the user's file.
        }
    }
    if (!platform::IsNetworkFileSystem(destination) &&
        platform::FreeBytesAt(destination) < file.Size) {
        Ask("Cannot save file " + displayName + ". There is not enough free space on drive " +
                diskio::DriveRootOf(destination) + ".",
            TPromptIcon::piError, TPromptButtons::pbOK);
        return false;
    }
    SaveTo(file, path);
    return true;
}

void TSaveRun::SaveTo(TFATFile& file, const std::string& path) {
    TFATFileReader reader;
    m_Drive.InitReader(reader, file.FirstCluster, file.Size);
    m_Dialog.SetTexts("Saving files...", "File: " + diskio::ShortenPath(path, 30), "", "", "");
    m_Dialog.PumpMessages();

    if (path.size() >= platform::MaxPathBytes()) {
        Warn("Could not write to destination file: " + path + "!");
        m_Dialog.ResetTimer();
        return;
    }
    std::vector<std::byte> buffer(SaveChunkBytes);
    platform::TOutputFile out;
    bool writeFailed = !out.Create(path);
    const bool created = !writeFailed;
    if (created) {
        m_Written.insert(path);
    }
    bool readFailed = false;
    uint64_t saved = 0;
    if (created && file.Size > 0) {
        uint32_t got = 0;
        bool written = false;
        do {
            const bool ok =
                m_Drive.ReadFile(reader, SaveChunkBytes, got, m_FATChoice, buffer.data());
            m_Dialog.StepSize = got;
            m_Dialog.StepProgress();
            written = false;
            if (ok) {
                written = got > 0 && out.Write(std::span<const std::byte>(buffer.data(), got));
                writeFailed = writeFailed || (got > 0 && !written);
                saved += written ? got : 0;
            } else {
                readFailed = true;
                Warn("Could not read source file! (dev:" +
                     (m_Drive.Device ? m_Drive.Device->Name : std::string()) +
                     ", cluster:" + std::to_string(file.FirstCluster) +
                     ", size: " + std::to_string(file.Size) + ")");
                m_Dialog.ResetTimer();
            }
        } while (written && !readFailed && got >= 4 && !Cancelled());
    }
    if (created && !out.Close()) {
        writeFailed = true;
    }
    if (created && (readFailed || writeFailed || Cancelled())) {
        // Only a file this run created or truncated is ever removed.
        platform::RemoveFile(path);
        m_Written.erase(path);
    }
    if (writeFailed) {
        Warn("Could not write to destination file: " + path + "!");
        m_Dialog.ResetTimer();
        return;
    }
    if (!readFailed && !Cancelled()) {
        ++m_Report.FilesSaved;
        m_Report.BytesSaved += saved;
        m_Report.SavedPaths.push_back(path);
    }
}

bool TSaveRun::SaveDirectory(TFATDirectory& folder, const std::string& destination,
                             bool onlyDeleted, bool recursive) {
    if (Cancelled()) {
        return false;
    }
    const std::string target = destination + SafeDisplayName(folder);
    const TPathKind kind = platform::PathKind(target);
    if (kind == TPathKind::pkNone) {
        if (platform::CreateFolder(target)) {
            m_CreatedFolders.insert(target);
        } else {
            Warn("Could not create directory: " + target + "!");
        }
    } else if (kind != TPathKind::pkDirectory) {
        // A file or a link of that name: never write through it, and skip what the folder
        // holds rather than let each file fail.
        Warn("Could not create directory: " + target + "!");
        return true;
    } else if (!AllFolders && m_CreatedFolders.count(target) == 0) {
        const TPromptAnswer answer = Ask(
            "This folder already contains a folder called '" + SafeDisplayName(folder) + "'\r\r" +
                "If the files in the existing folder have the same name as files you are saving, " +
                "do you want to replace the existing files?",
            TPromptIcon::piConfirmation, TPromptButtons::pbYesNoAll);
        m_Dialog.ResetTimer();
        if (answer == TPromptAnswer::paYes) {
            ReplaceAllFiles = true;
        } else if (answer == TPromptAnswer::paAll) {
            AllFolders = true;
            ReplaceAllFiles = true;
        } else {
            ReplaceAllFiles = false;
            return true;
        }
    }
    const bool loadedHere = !folder.Children;
    if (loadedHere) {
        folder.LoadChildren(m_DeletedMode, onlyDeleted);
    }
    m_Dialog.ResetTimer();
    bool result = true;
    const std::string inside = target + "/";
    if (folder.Children) {
        for (const auto& child : *folder.Children) {
            if (child->IsDirectory()) {
                if (recursive) {
                    result = SaveDirectory(static_cast<TFATDirectory&>(*child), inside, onlyDeleted,
                                           recursive);
                }
            } else {
                result = SaveFile(static_cast<TFATFile&>(*child), inside);
            }
            if (Cancelled() || !result) {
                break;
            }
        }
    }
    if (loadedHere) {
        folder.UnloadChildren();
    }
    return result;
}

TSaveReport SaveItems(TFATdrive& drive, devices::TListView& list, bool deletedMode,
                      TSaveEnvironment& environment) {
    TDirSelectDialog& destination = environment.Destination;
    destination.FATChoices = {"no FAT (consecutive)"};
    for (unsigned n = 1; n <= drive.NumberOfFATs(); ++n) {
        destination.FATChoices.push_back("FAT " + std::to_string(n));
    }
    destination.SelectedFAT = deletedMode ? 0 : std::min<int>(drive.FATInUse, drive.NumberOfFATs());
    if (!destination.Execute()) {
        return {};
    }
    const int chosen = destination.SelectedFAT;
    const uint8_t fatChoice =
        chosen >= 0 && chosen < static_cast<int>(destination.FATChoices.size())
            ? static_cast<uint8_t>(chosen)
            : drive.FATInUse;
    std::string folder = destination.Directory;
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }

    std::vector<devices::TCustomItem*> items;
    for (devices::TListItem* row : list.SelectedItems()) {
        if (row->Data) {
            items.push_back(row->Data);
        }
    }
    diskio::TStatusDialog& dialog = environment.Dialog;
    if (environment.EnableMainWindow) {
        environment.EnableMainWindow(false);
    }
    dialog.Prepare("Saving files...", "Preparing for saving...", "", "", "", true, true);
    dialog.Show();

    TSaveRun run(drive, dialog, fatChoice, deletedMode);
    uint64_t total = 0;
    run.CountBytes(items, total);
    dialog.Total = total;
    dialog.UpdateInterval = 0;
    if (!run.Cancelled()) {
        for (devices::TCustomItem* item : items) {
            const bool goOn = item->IsDirectory()
                                  ? run.SaveDirectory(static_cast<TFATDirectory&>(*item), folder,
                                                      deletedMode, true)
                                  : run.SaveFile(static_cast<TFATFile&>(*item), folder);
            if (!goOn || run.Cancelled()) {
                break;
            }
        }
    }
    if (environment.EnableMainWindow) {
        environment.EnableMainWindow(true);
    }
    dialog.Hide();
    return run.Report();
}

} // namespace tw::fat
