#pragma once

#include "fat/fat_drive.h"

#include <cstdint>

namespace tw::fat {

/// A read-only byte stream over one file of a volume, for the viewers.
class TFATStream {
public:
    TFATStream(TFATdrive& drive, uint32_t firstCluster, uint32_t size, uint8_t fatChoice);

    /// Up to count bytes from the reader's position; 0 when the reader fails.
    uint32_t Read(std::byte* buffer, uint32_t count);
    /// origin 0: from the start, 1: from Position, 2: from the end. Returns the new Position;
    /// a position the file cannot reach leaves the reader where it was.
    int64_t Seek(int64_t offset, int origin);
    [[nodiscard]] uint32_t Size() const { return m_Size; }
    [[nodiscard]] int64_t Position() const { return m_Position; }

private:
    TFATdrive& m_Drive;
    int64_t m_Position = 0;
    uint32_t m_Size;
    uint8_t m_FATChoice;
    TFATFileReader m_Reader;
};

} // namespace tw::fat
