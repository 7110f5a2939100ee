#pragma once

#include "platform/byte_source.h"
#include "platform/device_table.h"
#include "platform/system_family.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tw::test {

/// A fresh folder under the system's temporary folder, removed with everything in it.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    [[nodiscard]] const std::string& Path() const { return m_Path; }
    [[nodiscard]] std::string File(const std::string& name) const { return m_Path + "/" + name; }

private:
    std::string m_Path;
};

/// Runs a shell command of the test's own making; false when it exits nonzero.
bool Run(const std::string& command);
/// Single-quotes a path for the shell.
std::string Quote(const std::string& text);
/// FNV-1a of a whole file.
uint64_t HashFile(const std::string& path);
std::vector<std::byte> ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::vector<std::byte>& bytes);

/// A 1.44 MB FAT12 floppy image made by mkfs.fat.
bool MakeFloppyImage(const std::string& path, const std::string& label = "FLOPPY");
/// A partitioned disk image of sizeMiB made by sfdisk, with the given sfdisk script
/// (for example "start=2048, size=65536, type=c\n").
bool MakePartitionedImage(const std::string& path, unsigned sizeMiB, const std::string& script);

/// Starts a test with an empty device table and the chosen system family, and leaves the
/// process as it found it (NT family, empty table) afterwards.
class TDeviceTableScope {
public:
    explicit TDeviceTableScope(platform::TSystemFamily family = platform::TSystemFamily::sfNT);
    ~TDeviceTableScope();
    TDeviceTableScope(const TDeviceTableScope&) = delete;
    TDeviceTableScope& operator=(const TDeviceTableScope&) = delete;

    void AttachFile(const std::string& path, platform::TAttachAs as = platform::TAttachAs::aaAuto);
    void AttachSource(std::shared_ptr<platform::TByteSource> source,
                      platform::TAttachAs as = platform::TAttachAs::aaAuto);
};

} // namespace tw::test
