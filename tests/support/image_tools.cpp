#include "support/image_tools.h"

#include "diskio/logical_disk_io.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace tw::test {

TTempDir::TTempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tarnwell-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    m_Path = pattern;
}

TTempDir::~TTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_Path, ec);
}

bool Run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

std::vector<std::byte> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> chars((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::byte> bytes(chars.size());
    std::memcpy(bytes.data(), chars.data(), chars.size());
    return bytes;
}

void WriteWholeFile(const std::string& path, const std::vector<std::byte>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

uint64_t HashFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    uint64_t hash = 1469598103934665603ull;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        for (std::streamsize i = 0; i < in.gcount(); ++i) {
            hash = (hash ^ static_cast<unsigned char>(buffer[i])) * 1099511628211ull;
        }
    }
    return hash;
}

bool MakeFloppyImage(const std::string& path, const std::string& label) {
    return Run("mkfs.fat -C -n " + Quote(label) + " " + Quote(path) + " 1440 >/dev/null 2>&1");
}

bool MakePartitionedImage(const std::string& path, unsigned sizeMiB, const std::string& script) {
    return Run("truncate -s " + std::to_string(sizeMiB) + "M " + Quote(path)) &&
           Run("printf %s " + Quote("label: dos\n" + script) + " | sfdisk -q " + Quote(path) +
               " >/dev/null 2>&1");
}

TDeviceTableScope::TDeviceTableScope(platform::TSystemFamily family) {
    platform::DeviceTable().Clear();
    platform::SetSystemFamily(family);
    diskio::StartSectorAccess();
}

TDeviceTableScope::~TDeviceTableScope() {
    diskio::EndSectorAccess();
    platform::DeviceTable().Clear();
    platform::SetSystemFamily(platform::TSystemFamily::sfNT);
    diskio::StartSectorAccess();
}

void TDeviceTableScope::AttachFile(const std::string& path, platform::TAttachAs as) {
    std::string error;
    if (!platform::DeviceTable().AttachPath(path, as, error)) {
        throw std::runtime_error(error);
    }
}

void TDeviceTableScope::AttachSource(std::shared_ptr<platform::TByteSource> source,
                                     platform::TAttachAs as) {
    std::string error;
    if (!platform::DeviceTable().AttachMemory(std::move(source), as, error)) {
        throw std::runtime_error(error);
    }
}

} // namespace tw::test
