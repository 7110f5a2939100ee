#include "support/fake_source.h"

#include <algorithm>
#include <cstring>

namespace tw::test {

std::vector<std::byte> TFakeSource::Pattern(uint64_t sectors, uint32_t sectorBytes) {
    std::vector<std::byte> bytes(sectors * sectorBytes);
    for (uint64_t s = 0; s < sectors; ++s) {
        for (uint64_t i = 0; i < sectorBytes; ++i) {
            bytes[s * sectorBytes + i] = PatternByte(s, i);
        }
    }
    return bytes;
}

uint32_t TFakeSource::ReadAt(uint64_t offset, std::span<std::byte> out) {
    m_Transfers.push_back({offset, out.size()});
    if (m_Clock) {
        m_Clock->Advance(m_SlownessMs);
    }
    if (!out.empty()) {
        const uint64_t first = offset / m_SectorBytes;
        const uint64_t last = (offset + out.size() - 1) / m_SectorBytes;
        for (auto it = m_Failing.lower_bound(first); it != m_Failing.end() && it->first <= last;
             ++it) {
            if (it->second > 0) {
                --it->second;
                return platform::ErrorCode::Crc;
            }
        }
    }
    if (offset >= m_Bytes.size() || m_Bytes.size() - offset < out.size()) {
        return platform::ErrorCode::SectorNotFound;
    }
    std::memcpy(out.data(), m_Bytes.data() + offset, out.size());
    return platform::ErrorCode::Success;
}

} // namespace tw::test
