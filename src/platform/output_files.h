#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tw::platform {

/// What a path names, without following a symbolic link at its end.
enum class TPathKind : uint8_t { pkNone, pkFile, pkDirectory, pkOther };
TPathKind PathKind(const std::string& path);

/// Creates one folder (mode 0755). True when it was created.
bool CreateFolder(const std::string& path);
/// Removes a file (never a folder).
bool RemoveFile(const std::string& path);
/// The longest path the machine accepts.
size_t MaxPathBytes();

/// A file written by saving: created or truncated, never through a symbolic link.
class TOutputFile {
public:
    TOutputFile() = default;
    ~TOutputFile();
    TOutputFile(const TOutputFile&) = delete;
    TOutputFile& operator=(const TOutputFile&) = delete;

    /// Creates path, or truncates an existing regular file there.
    bool Create(const std::string& path);
    /// Writes all bytes; false on a short or failed write.
    bool Write(std::span<const std::byte> bytes);
    bool Close();
    [[nodiscard]] bool IsOpen() const { return m_Fd >= 0; }

private:
    int m_Fd = -1;
};

} // namespace tw::platform
