#!/usr/bin/env bash
# The two searches against reading the same image with cat, and the lost-data search against
# PhotoRec's free-space scan, on images in the page cache:
#   lost-data over a 2 GiB FAT32 image with 4 KiB clusters, ~80% full, a third deleted
#   lost-drives over every sector of a 512 MiB disk with four populated FAT partitions
# Usage: bench/recovery_bench.sh [WORKDIR]   (builds the release preset first)
set -euo pipefail
cd "$(dirname "$0")/.."
work=${1:-/tmp/tarnwell-recovery-bench}
mkdir -p "$work"
dpkg -s testdisk >/dev/null 2>&1 || { apt-get update -qq && apt-get install -y -qq testdisk >/dev/null; }
bash scripts/build.sh release >/dev/null
cli=$PWD/build/release/src/cli/tarnwell-cli
export MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8

seconds() { local t0 t1; t0=$(date +%s.%N); eval "$1" >/dev/null 2>&1 || true; t1=$(date +%s.%N); echo "$t1 - $t0" | bc -l; }
best() { local b=999999 t; for _ in 1 2 3; do eval "$PRE" >/dev/null 2>&1 || true; t=$(seconds "$1"); b=$(echo "if ($t < $b) $t else $b" | bc -l); done; echo "$b"; }
fill_folder() { # DIR COUNT KIB_MIN KIB_SPAN
    mkdir -p "$1"
    for f in $(seq 1 "$2"); do head -c $(( (f * 7919 % $4 + $3) * 1024 )) /dev/urandom > "$1/F$f.BIN"; done
}

img="$work/fat32-2g.img"
if [ ! -f "$img" ]; then
    echo "making $img ..."
    mkfs.fat -C -F 32 -s 8 -n LOST "$img" $((2 * 1024 * 1024)) >/dev/null
    for d in $(seq 1 40); do
        fill_folder "$work/src/D$d" 50 200 1200
        mcopy -s -i "$img" "$work/src/D$d" ::/
        for f in $(seq 1 3 50); do mdel -i "$img" "::D$d/F$f.BIN"; done
        rm -rf "$work/src"
    done
fi
rm -rf "$work/photorec"; mkdir -p "$work/photorec"
PRE="cat '$img' > /dev/null"
t_cat=$(best "cat '$img' > /dev/null")
t_lost=$(best "'$cli' --quiet --no-system-devices --image '$img' lost-data 0")
PRE="rm -rf '$work/photorec'; mkdir -p '$work/photorec'; cat '$img' > /dev/null"
t_photorec=$(seconds "cd '$work/photorec' && photorec /log /d '$work/photorec/out' /cmd '$img' partition_none,fileopt,everything,enable,freespace,search")
mb=$(du -m "$img" | cut -f1)

disk="$work/disk-512m.img"
if [ ! -f "$disk" ]; then
    echo "making $disk ..."
    truncate -s 512M "$disk"
    printf 'label: dos\nstart=2048, size=204800, type=6\nstart=206848, size=204800, type=c\nstart=411648, size=204800, type=b\nstart=616448, size=432128, type=c\n' | sfdisk -q "$disk"
    for p in 2048:16 206848:32 411648:32 616448:32; do
        start=${p%%:*}; bits=${p##*:}
        part="$work/part.img"; rm -f "$part"
        sectors=$( [ "$start" = 616448 ] && echo 432128 || echo 204800 )
        mkfs.fat -C -F "$bits" "$part" $((sectors / 2)) >/dev/null
        fill_folder "$work/src/DATA" 40 100 1000
        mcopy -s -i "$part" "$work/src/DATA" ::/ 2>/dev/null || true
        rm -rf "$work/src"
        dd if="$part" of="$disk" bs=512 seek="$start" conv=notrunc status=none
    done
    rm -f "$work/part.img"
fi
PRE="cat '$disk' > /dev/null"
t_cat_disk=$(best "cat '$disk' > /dev/null")
t_drives=$(best "'$cli' --quiet --no-system-devices --disk '$disk' lost-drives 0")
disk_mb=$(du -m "$disk" | cut -f1)

ratio() { echo "scale=3; $1 / $2" | bc -l; }
printf 'lost-data  %5d MiB: tarnwell %6.2fs (%6.0f MiB/s)  cat %6.2fs  ratio to cat %s (target >= 0.25)\n' "$mb" "$t_lost" "$(echo "$mb / $t_lost" | bc -l)" "$t_cat" "$(ratio "$t_cat" "$t_lost")"
printf '                          photorec free-space scan %6.2fs  speed ratio %s (target >= 5)\n' "$t_photorec" "$(ratio "$t_photorec" "$t_lost")"
printf 'lost-drives %4d MiB: tarnwell %6.2fs (%6.0f MiB/s)  cat %6.2fs  ratio to cat %s (target >= 0.10)\n' "$disk_mb" "$t_drives" "$(echo "$disk_mb / $t_drives" | bc -l)" "$t_cat_disk" "$(ratio "$t_cat_disk" "$t_drives")"
