#include "platform/byte_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tw::platform {

namespace {
uint32_t ErrnoToCode(int err) {
    switch (err) {
    case ENOENT:
    case ENOTDIR:
    case ENXIO:
    case ENODEV:
        return ErrorCode::FileNotFound;
    case EACCES:
    case EPERM:
        return ErrorCode::AccessDenied;
    case ENOMEDIUM:
        return ErrorCode::NotReady;
    case EIO:
        return ErrorCode::Crc;
    default:
        return ErrorCode::ReadFault;
    }
}
} // namespace

std::unique_ptr<TFileSource> TFileSource::Open(const std::string& path, uint32_t& error) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = ErrnoToCode(errno);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error = ErrnoToCode(errno);
        ::close(fd);
        return nullptr;
    }
    std::unique_ptr<TFileSource> source(new TFileSource());
    source->m_Fd = fd;
    if (S_ISBLK(st.st_mode)) {
        source->m_IsBlockDevice = true;
        uint64_t bytes = 0;
        if (::ioctl(fd, BLKGETSIZE64, &bytes) == 0) {
            source->m_SizeBytes = bytes;
        }
        int sectorBytes = 0;
        if (::ioctl(fd, BLKSSZGET, &sectorBytes) == 0 && sectorBytes > 0) {
            source->m_KernelSectorBytes = static_cast<uint32_t>(sectorBytes);
        }
    } else if (S_ISREG(st.st_mode)) {
        source->m_SizeBytes = static_cast<uint64_t>(st.st_size);
    } else {
        error = ErrorCode::InvalidFunction;
        return nullptr;
    }
    error = ErrorCode::Success;
    return source;
}

TFileSource::~TFileSource() {
    if (m_Fd >= 0) {
        ::close(m_Fd);
    }
}

uint32_t TFileSource::ReadAt(uint64_t offset, std::span<std::byte> out) {
    size_t done = 0;
    while (done < out.size()) {
        ssize_t got =
            ::pread(m_Fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return ErrnoToCode(errno);
        }
        if (got == 0) {
            return ErrorCode::SectorNotFound;
        }
        done += static_cast<size_t>(got);
    }
    return ErrorCode::Success;
}

uint32_t TMemorySource::ReadAt(uint64_t offset, std::span<std::byte> out) {
    if (offset >= m_Bytes.size()) {
        return ErrorCode::SectorNotFound;
    }
    const uint64_t available = m_Bytes.size() - offset;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(available, out.size()));
    std::memcpy(out.data(), m_Bytes.data() + offset, n);
    return n == out.size() ? ErrorCode::Success : ErrorCode::SectorNotFound;
}

} // namespace tw::platform
