#pragma once

// What the fuzz targets share: a silent prompter, the input bytes as an in-memory device
// and the recovery session that detected it.

#include "diskio/logical_disk_io.h"
#include "diskio/status_dialog.h"
#include "fat/fat_drive.h"
#include "fat/session.h"
#include "platform/byte_source.h"
#include "platform/device_table.h"
#include "platform/prompter.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace tw::fuzz {

/// Inputs above this are ignored: they add run time, not coverage.
inline constexpr size_t MaxInputBytes = 4u << 20;

/// Answers every box as nobody at the screen would, without writing it anywhere.
class TSilentPrompter final : public platform::TPrompter {
public:
    platform::TPromptAnswer Ask(const platform::TPrompt& prompt) override {
        return platform::UnattendedAnswer(prompt.Buttons);
    }
};

inline void InstallSilentPrompter() {
    static TSilentPrompter prompter;
    platform::SetPrompter(&prompter);
}

/// The bytes attached as the only device, then devices and drives detected. Session stays
/// empty when the table refuses the bytes.
struct TFuzzSession {
    fat::TRecoverySession Session;
    diskio::TStatusDialog Dialog;
    bool Attached = false;

    TFuzzSession(const uint8_t* data, size_t size, platform::TAttachAs as) {
        InstallSilentPrompter();
        platform::DeviceTable().Clear();
        std::vector<std::byte> bytes(size);
        if (size > 0) {
            std::memcpy(bytes.data(), data, size);
        }
        std::string error;
        Attached = platform::DeviceTable().AttachMemory(
            std::make_shared<platform::TMemorySource>(std::move(bytes)), as, error);
        if (!Attached) {
            return;
        }
        diskio::StartSectorAccess();
        (void)Session.DetectAll(Dialog);
    }
    ~TFuzzSession() { platform::DeviceTable().Clear(); }
    TFuzzSession(const TFuzzSession&) = delete;
    TFuzzSession& operator=(const TFuzzSession&) = delete;

    /// The drives whose boot sector gave a readable geometry.
    [[nodiscard]] std::vector<fat::TFATdrive*> OpenDrives() const {
        std::vector<fat::TFATdrive*> drives;
        for (int i = 0; i < Session.DriveList.Count(); ++i) {
            auto* drive = static_cast<fat::TFATdrive*>(Session.DriveList.Items(i));
            if (drive && drive->FATType != fat::FatTypeNone && drive->RootDir &&
                drive->DeletedDir) {
                drives.push_back(drive);
            }
        }
        return drives;
    }
};

} // namespace tw::fuzz
