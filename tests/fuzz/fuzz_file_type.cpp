// Type recognition of a data block, as the lost-data search applies it to each cluster.

#include "fat/file_type.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tw;
    const std::span<const std::byte> block(reinterpret_cast<const std::byte*>(data), size);
    std::string type;
    fat::TMatchKind kind = fat::TMatchKind::mkFileStart;
    (void)fat::DetectFileType(block, type, kind);
    (void)fat::CountAudioFrames(block);
    size_t position = 0;
    while (position < size) {
        const size_t before = position;
        (void)fat::ReadTextLine(block, position, size);
        if (position == before) {
            break;
        }
    }
    return 0;
}
