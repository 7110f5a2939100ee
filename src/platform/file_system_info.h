#pragma once

#include <cstdint>
#include <string>

namespace tw::platform {

/// Bytes free to this process on the file system that holds path; 0 when it cannot be told.
uint64_t FreeBytesAt(const std::string& path);
/// True when path lies on NFS, SMB/CIFS or FUSE, where free space is not tested.
bool IsNetworkFileSystem(const std::string& path);

/// The freedesktop type comment for a file name ("plain text document"), from the
/// shared-mime-info database. False when the name matches no glob or there is no database.
bool MimeTypeComment(const std::string& fileName, std::string& comment);

/// The mount point of the file system that holds path: the longest mount point in
/// /proc/self/mounts that is path itself or one of its ancestors, after resolving path
/// (a path that does not exist yet is judged by its nearest existing ancestor).
/// Empty when it cannot be told.
std::string MountPointOf(const std::string& path);

} // namespace tw::platform
