#include "fat/fat_stream.h"

namespace tw::fat {

TFATStream::TFATStream(TFATdrive& drive, uint32_t firstCluster, uint32_t size, uint8_t fatChoice)
    : m_Drive(drive), m_Size(size), m_FATChoice(fatChoice) {
    m_Drive.InitReader(m_Reader, firstCluster, size);
}

uint32_t TFATStream::Read(std::byte* buffer, uint32_t count) {
    uint32_t got = 0;
    return m_Drive.ReadFile(m_Reader, count, got, m_FATChoice, buffer) ? got : 0;
}

int64_t TFATStream::Seek(int64_t offset, int origin) {
    if (origin == 0) {
        m_Position = offset;
    } else if (origin == 1) {
        m_Position += offset;
    } else {
        m_Position = int64_t{m_Size} + offset;
    }
    if (m_Position >= 0 && m_Position <= 0xFFFFFFFF) {
        (void)m_Drive.SeekFile(m_Reader, static_cast<uint32_t>(m_Position), m_FATChoice);
    }
    return m_Position;
}

} // namespace tw::fat
