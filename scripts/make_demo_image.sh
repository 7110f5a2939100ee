#!/usr/bin/env bash
# Builds the demo images from the real tools (mkfs.fat, mtools, sfdisk):
#   disk.img   a 96 MiB disk: a FAT16 partition with live and deleted files and folders
#              (long names, Chinese names, files removed with mdel and mdeltree), and a
#              FAT32 logical partition that was quick-formatted after it was filled.
#   wiped.img  the same disk with its partition table zeroed.
# Usage: make_demo_image.sh OUTPUT_DIR
set -euo pipefail
out=${1:?usage: make_demo_image.sh OUTPUT_DIR}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8 MTOOLS_SKIP_CHECK=1 MTOOLS_NO_VFAT=0

# Deterministic file contents: numbered text lines, so a recovered file is easy to check.
make_text() { # NAME LINES SEED
    awk -v n="$2" -v seed="$3" 'BEGIN { for (i = 1; i <= n; i++) printf "%s line %06d: the quick brown fox jumps over the lazy dog %d\n", seed, i, (i * 7919 + seed) % 100003 }' > "$1"
}

p1_start=2048;  p1_sectors=65536   # FAT16, 32 MiB
ext_start=67584                    # extended partition
p2_start=69632; p2_sectors=126976  # FAT32 logical, 62 MiB
total_mib=96

# --- FAT16: live files, then deletions ------------------------------------------------
fat16="$work/fat16.img"
mkfs.fat -C -F 16 -n DEMO16 -h "$p1_start" "$fat16" $((p1_sectors / 2)) >/dev/null
mmd -i "$fat16" ::DOCS ::DOCS/OLD ::PHOTOS ::照片 ::TRASH
make_text "$work/readme.txt" 40 1;           mcopy -i "$fat16" "$work/readme.txt" ::README.TXT
make_text "$work/report.txt" 3000 2;         mcopy -i "$fat16" "$work/report.txt" "::DOCS/Quarterly report 2026.txt"
make_text "$work/old.txt" 500 3;             mcopy -i "$fat16" "$work/old.txt" ::DOCS/OLD/NOTES.TXT
make_text "$work/letter.txt" 800 4;          mcopy -i "$fat16" "$work/letter.txt" "::DOCS/OLD/Letter to grandma.txt"
make_text "$work/photo1.txt" 5000 5;         mcopy -i "$fat16" "$work/photo1.txt" ::PHOTOS/BEACH.JPG
make_text "$work/photo2.txt" 7000 6;         mcopy -i "$fat16" "$work/photo2.txt" "::PHOTOS/Family picnic.jpg"
make_text "$work/cn1.txt" 1200 7;            mcopy -i "$fat16" "$work/cn1.txt" ::照片/长城.jpg
make_text "$work/cn2.txt" 300 8;             mcopy -i "$fat16" "$work/cn2.txt" ::报告.txt
make_text "$work/t1.txt" 2000 9;             mcopy -i "$fat16" "$work/t1.txt" ::TRASH/OLDPLAN.DOC
make_text "$work/t2.txt" 900 10;             mcopy -i "$fat16" "$work/t2.txt" "::TRASH/Budget draft.xls"
make_text "$work/keep.txt" 100 11;           mcopy -i "$fat16" "$work/keep.txt" ::KEEP.TXT
# The deletions a user regrets.
mdel -i "$fat16" "::DOCS/Quarterly report 2026.txt"
mdel -i "$fat16" ::README.TXT
mdel -i "$fat16" ::报告.txt
mdel -i "$fat16" "::PHOTOS/Family picnic.jpg"
mdeltree -i "$fat16" ::TRASH

# --- FAT32: filled, then quick-formatted ----------------------------------------------
fat32="$work/fat32.img"
mkfs.fat -C -F 32 -n DEMO32 -h "$p2_start" "$fat32" $((p2_sectors / 2)) >/dev/null
mmd -i "$fat32" ::PROJECTS ::PROJECTS/SITE ::MUSIC
make_text "$work/p1.txt" 4000 21; mcopy -i "$fat32" "$work/p1.txt" ::PROJECTS/PLAN.TXT
make_text "$work/p2.txt" 1500 22; mcopy -i "$fat32" "$work/p2.txt" "::PROJECTS/SITE/index page.html"
make_text "$work/p3.txt" 9000 23; mcopy -i "$fat32" "$work/p3.txt" ::MUSIC/SONG.MP3
mkfs.fat -F 32 -n DEMO32 -h "$p2_start" "$fat32" >/dev/null   # the quick format

# --- the disk ----------------------------------------------------------------------------
disk="$out/disk.img"
rm -f "$disk"
truncate -s ${total_mib}M "$disk"
sfdisk -q "$disk" >/dev/null <<SFDISK
label: dos
start=$p1_start, size=$p1_sectors, type=6
start=$ext_start, size=$((total_mib * 2048 - ext_start)), type=5
start=$p2_start, size=$p2_sectors, type=c
SFDISK
dd if="$fat16" of="$disk" bs=512 seek=$p1_start conv=notrunc status=none
dd if="$fat32" of="$disk" bs=512 seek=$p2_start conv=notrunc status=none

cp "$disk" "$out/wiped.img"
dd if=/dev/zero of="$out/wiped.img" bs=512 count=1 conv=notrunc status=none
echo "demo images in $out: disk.img, wiped.img"
