// Writes the starting corpus of the fuzz targets: small byte-exact images with the layouts the
// targets should start from (chains that loop or leave the volume, deleted and lost
// folders, hostile names, partition chains). Run once with the corpus folder as argument;
// the output is committed, so the replays never depend on this program.

#include "support/fat_image_builder.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace tw;
using test::TFatImageBuilder;
using test::TFatLayout;
namespace fs = std::filesystem;

constexpr uint8_t AttrDir = 0x10;
constexpr uint8_t AttrArchive = 0x20;
constexpr uint8_t AttrLabel = 0x08;

fs::path g_Root;

void Write(const std::string& target, const std::string& name, const std::vector<std::byte>& bytes) {
    const fs::path folder = g_Root / target;
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::byte> Bytes(std::string_view text) {
    std::vector<std::byte> bytes(text.size());
    std::memcpy(bytes.data(), text.data(), text.size());
    return bytes;
}

const std::vector<std::byte> JpegStart = Bytes(std::string_view("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11));

/// A 64-sector FAT12 volume holding every kind of entry the walk, the save and the lost-data
/// search meet: a live file and folder, deleted files (one with a long name), a cyclic chain,
/// a size beyond its chain, a cluster outside the volume, names that try to climb out of the
/// save folder, and an unreferenced folder and JPEG start for the lost-data search.
std::vector<std::byte> SmallVolume() {
    TFatLayout layout;
    layout.FatBits = 12;
    layout.RootEntries = 16;
    layout.TotalSectors = 64;
    layout.SectorsPerFat = 1;
    TFatImageBuilder b(layout);
    for (uint32_t cluster = 2; cluster <= 40; ++cluster) {
        b.WriteBytes(b.ClusterOffset(cluster), test::PatternBytes(512, static_cast<uint8_t>(cluster)));
    }
    std::vector<TFatImageBuilder::TEntry> root;
    root.push_back(TFatImageBuilder::ShortEntry("TARNSEED   ", AttrLabel, 0, 0));
    root.push_back(TFatImageBuilder::ShortEntry("README  TXT", AttrArchive, 2, 700));
    b.Chain({2, 3});
    root.push_back(TFatImageBuilder::ShortEntry("DOCS       ", AttrDir, 4, 0));
    b.Chain({4});
    const auto photo = TFatImageBuilder::ShortEntry("\xE5HOTO   JPG", AttrArchive, 7, 1500);
    for (const auto& e : TFatImageBuilder::LongNameEntries(u"Deleted photo.jpg", photo, true)) {
        root.push_back(e);
    }
    root.push_back(photo);
    b.WriteBytes(b.ClusterOffset(7), JpegStart);
    root.push_back(TFatImageBuilder::ShortEntry("LOOP    BIN", AttrArchive, 10, 5000));
    b.SetFat(10, 11);
    b.SetFat(11, 10);
    root.push_back(TFatImageBuilder::ShortEntry("BIG     DAT", AttrArchive, 12, 0xFFFFFFFFu));
    b.Chain({12, 13});
    b.SetFat(13, 14, 1); // the second FAT goes on where the first ends
    root.push_back(TFatImageBuilder::ShortEntry("OUTSIDE DAT", AttrArchive, 0xFF0, 10));
    root.push_back(TFatImageBuilder::ShortEntry("\xE5GONE   DIR", AttrDir, 15, 0));
    b.WriteEntries(b.RootSlot(0), root);

    // Deleted folder with its own deleted file.
    b.WriteDotEntries(15, 0);
    b.WriteEntry(b.ClusterSlot(15, 2),
                 TFatImageBuilder::ShortEntry("\xE5NNER   TXT", AttrArchive, 16, 600));

    b.WriteDotEntries(4, 0);
    std::vector<TFatImageBuilder::TEntry> docs;
    docs.push_back(TFatImageBuilder::ShortEntry("NOTE    TXT", AttrArchive, 5, 100));
    b.Chain({5});
    docs.push_back(TFatImageBuilder::ShortEntry("\xE5OLD    TXT", AttrArchive, 6, 300));
    const auto climb = TFatImageBuilder::ShortEntry("CLIMB   TXT", AttrArchive, 8, 20);
    for (const auto& e : TFatImageBuilder::LongNameEntries(u"../../escape.txt", climb, false)) {
        docs.push_back(e);
    }
    docs.push_back(climb);
    b.Chain({8});
    docs.push_back(TFatImageBuilder::ShortEntry("..      TXT", AttrArchive, 9, 20));
    b.Chain({9});
    const auto slash = TFatImageBuilder::ShortEntry("\xE5LASH   TXT", AttrArchive, 17, 30);
    for (const auto& e : TFatImageBuilder::LongNameEntries(u"a/../../b", slash, true)) {
        docs.push_back(e);
    }
    docs.push_back(slash);
    docs.push_back(TFatImageBuilder::ShortEntry("SELF       ", AttrDir, 4, 0)); // a folder loop
    b.WriteEntries(b.ClusterSlot(4, 2), docs);

    // Lost: a folder nothing points at, with a file, and a JPEG start in a free cluster.
    b.WriteDotEntries(20, 4);
    b.WriteEntry(b.ClusterSlot(20, 2),
                 TFatImageBuilder::ShortEntry("LOST    TXT", AttrArchive, 21, 200));
    b.WriteBytes(b.ClusterOffset(30), JpegStart);
    return b.Take();
}

/// The first sectors of larger FAT16 and FAT32 volumes: the boot sector and FATs are whole,
/// the data area is cut off.
std::vector<std::byte> TruncatedVolume(int fatBits, uint32_t keepSectors) {
    TFatLayout layout;
    layout.FatBits = fatBits;
    layout.SectorsPerCluster = 4;
    if (fatBits == 16) {
        layout.RootEntries = 512;
        layout.TotalSectors = 20000;
        layout.SectorsPerFat = 20;
    } else {
        layout.ReservedSectors = 32;
        layout.RootEntries = 0;
        layout.TotalSectors = 300000;
        layout.SectorsPerFat = 600;
        layout.SectorsPerCluster = 1;
    }
    TFatImageBuilder b(layout);
    if (fatBits == 32) {
        b.Chain({2});
        b.WriteEntry(b.ClusterSlot(2, 0),
                     TFatImageBuilder::ShortEntry("ROOTFILETXT", AttrArchive, 3, 4000));
        b.Chain({3, 4, 5, 6, 7, 8, 9, 10});
    } else {
        b.WriteEntry(b.RootSlot(0), TFatImageBuilder::ShortEntry("ROOTFILETXT", AttrArchive, 2, 4000));
        b.Chain({2, 3});
    }
    std::vector<std::byte> bytes = b.Take();
    bytes.resize(std::min<size_t>(bytes.size(), size_t{keepSectors} * 512));
    return bytes;
}

void PutPartition(std::vector<std::byte>& disk, uint64_t tableSector, int slot, uint8_t type,
                  uint32_t start, uint32_t count) {
    const size_t at = tableSector * 512 + 446 + 16 * static_cast<size_t>(slot);
    disk[at + 4] = std::byte{type};
    for (int i = 0; i < 4; ++i) {
        disk[at + 8 + i] = std::byte(start >> (8 * i));
        disk[at + 12 + i] = std::byte(count >> (8 * i));
    }
    disk[tableSector * 512 + 510] = std::byte{0x55};
    disk[tableSector * 512 + 511] = std::byte{0xAA};
}

/// A disk: the partition table, then the small volume at sector 1. With an extended chain,
/// the logical table points back at itself.
std::vector<std::byte> Disk(bool extendedLoop) {
    const std::vector<std::byte> volume = SmallVolume();
    std::vector<std::byte> disk(512 + volume.size() + (extendedLoop ? 1024 : 0));
    std::copy(volume.begin(), volume.end(), disk.begin() + 512);
    PutPartition(disk, 0, 0, 0x01, 1, static_cast<uint32_t>(volume.size() / 512));
    if (extendedLoop) {
        const uint32_t ext = static_cast<uint32_t>(disk.size() / 512) - 2;
        PutPartition(disk, 0, 1, 0x05, ext, 2);
        PutPartition(disk, ext, 0, 0x06, 1, 100000); // past the end of the disk
        PutPartition(disk, ext, 1, 0x05, 0, 2);      // the next table is this one again
    }
    return disk;
}

/// The volume without its boot sector, after a blank sector: what the analyser rebuilds.
std::vector<std::byte> LostVolumeDisk(bool keepBoot) {
    std::vector<std::byte> volume = SmallVolume();
    if (!keepBoot) {
        std::fill(volume.begin(), volume.begin() + 512, std::byte{0});
    }
    std::vector<std::byte> disk(1024, std::byte{0});
    disk.insert(disk.end(), volume.begin(), volume.end());
    return disk;
}

std::vector<std::byte> Mp3Frames() {
    // MPEG-1 layer III, 128 kbit/s, 44.1 kHz, no CRC: 417-byte frames.
    std::vector<std::byte> bytes;
    for (int frame = 0; frame < 3; ++frame) {
        std::vector<std::byte> f(417, std::byte{0x11});
        f[0] = std::byte{0xFF};
        f[1] = std::byte{0xFB};
        f[2] = std::byte{0x90};
        f[3] = std::byte{0x00};
        bytes.insert(bytes.end(), f.begin(), f.end());
    }
    bytes.resize(1024);
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
        return 2;
    }
    g_Root = argv[1];
    const std::vector<std::byte> volume = SmallVolume();
    for (const char* target : {"volume", "lost_data", "save"}) {
        Write(target, "fat12_small.bin", volume);
    }
    Write("volume", "fat16_head.bin", TruncatedVolume(16, 48));
    Write("volume", "fat32_head.bin", TruncatedVolume(32, 40));
    Write("lost_data", "fat16_head.bin", TruncatedVolume(16, 48));

    Write("partitions", "primary.bin", Disk(false));
    Write("partitions", "extended_loop.bin", Disk(true));

    Write("analyser", "boot_gone.bin", LostVolumeDisk(false));
    Write("analyser", "boot_kept.bin", LostVolumeDisk(true));

    Write("file_type", "jpeg.bin", JpegStart);
    Write("file_type", "png.bin", Bytes(std::string_view("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)));
    Write("file_type", "zip.bin", Bytes(std::string_view("PK\x03\x04\x14\0\0\0\x08\0", 10)));
    Write("file_type", "pdf.bin", Bytes("%PDF-1.2\r\n%\xE2\xE3\xCF\xD3\r\n"));
    Write("file_type", "html.bin", Bytes("  \r\n<HTML><HEAD></HEAD></HTML>"));
    Write("file_type", "rtf.bin", Bytes("{\\rtf1\\ansi\r\nline\nbare\r\n"));
    Write("file_type", "dxf.bin", Bytes("  0\r\nSECTION\r\n  2\r\nHEADER\r\n"));
    Write("file_type", "riff_wav.bin", Bytes(std::string_view("RIFF\x24\0\0\0WAVEfmt ", 16)));
    Write("file_type", "mp3.bin", Mp3Frames());
    Write("file_type", "empty.bin", {});
    return 0;
}
