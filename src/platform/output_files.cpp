#include "platform/output_files.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tw::platform {

TPathKind PathKind(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return TPathKind::pkNone;
    }
    if (S_ISREG(st.st_mode)) {
        return TPathKind::pkFile;
    }
    if (S_ISDIR(st.st_mode)) {
        return TPathKind::pkDirectory;
    }
    return TPathKind::pkOther;
}

bool CreateFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0755) == 0;
}

bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

size_t MaxPathBytes() {
    return PATH_MAX;
}

TOutputFile::~TOutputFile() {
    (void)Close();
}

bool TOutputFile::Create(const std::string& path) {
    (void)Close();
    m_Fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    return m_Fd >= 0;
}

bool TOutputFile::Write(std::span<const std::byte> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_Fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool TOutputFile::Close() {
    if (m_Fd < 0) {
        return true;
    }
    const int fd = m_Fd;
    m_Fd = -1;
    return ::close(fd) == 0;
}

} // namespace tw::platform
