#!/usr/bin/env bash
# Compares Tarnwell with the tools people would otherwise use, on images in the page cache:
#   saving the live tree of a 1 GiB FAT32 image        vs  mcopy -s (mtools)
#   saving every deleted file of that image            vs  tsk_recover (sleuthkit)
#   ls -r of a FAT32 volume holding 100,000 files      vs  mdir -/ -a (mtools)
# Usage: bench/fat_bench.sh [WORKDIR]   (builds the release preset first)
set -euo pipefail
cd "$(dirname "$0")/.."
work=${1:-/tmp/tarnwell-fat-bench}
mkdir -p "$work"
dpkg -s sleuthkit >/dev/null 2>&1 || { apt-get update -qq && apt-get install -y -qq sleuthkit >/dev/null; }
bash scripts/build.sh release >/dev/null
cli=$PWD/build/release/src/cli/tarnwell-cli
export MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8

best() { # best wall time of 3 runs of a command, in seconds
    local best=999999 t0 t1 t
    for _ in 1 2 3; do
        eval "$PRE" >/dev/null 2>&1 || true
        t0=$(date +%s.%N); eval "$1" >/dev/null 2>&1; t1=$(date +%s.%N)
        t=$(echo "$t1 - $t0" | bc -l)
        best=$(echo "if ($t < $best) $t else $best" | bc -l)
    done
    echo "$best"
}

img="$work/fat32-1g.img"
if [ ! -f "$img" ]; then
    echo "making $img ..."
    src="$work/src"; rm -rf "$src"; mkdir -p "$src"
    for d in $(seq 1 40); do
        mkdir -p "$src/DIR$d"
        for f in $(seq 1 50); do
            head -c $(( (f * 7919 % 600 + 100) * 1024 )) /dev/urandom > "$src/DIR$d/FILE$f.BIN"
        done
    done
    mkfs.fat -C -F 32 -s 8 -n BENCH "$img" $((1024 * 1024)) >/dev/null
    mcopy -s -i "$img" "$src"/* ::/
    # A third of the files are deleted.
    for d in $(seq 1 40); do
        for f in $(seq 1 3 50); do mdel -i "$img" "::DIR$d/FILE$f.BIN"; done
    done
    rm -rf "$src"
fi
out="$work/out"
PRE="rm -rf '$out'; mkdir -p '$out'; cat '$img' > /dev/null"
t_mcopy=$(best "mcopy -s -n -i '$img' '::/*' '$out/'")
t_live=$(best "'$cli' --quiet --no-system-devices --image '$img' save 0 Root --to '$out'")
t_tsk=$(best "tsk_recover '$img' '$out'")
t_deleted=$(best "'$cli' --quiet --no-system-devices --image '$img' save 0 Deleted --to '$out'")

many="$work/fat32-100k.img"
if [ ! -f "$many" ]; then
    echo "making $many ..."
    src="$work/many"; rm -rf "$src"; mkdir -p "$src"
    for d in $(seq 1 100); do
        mkdir -p "$src/D$d"
        (cd "$src/D$d" && seq 1 1000 | sed 's/^/F/; s/$/.TXT/' | xargs touch)
    done
    mkfs.fat -C -F 32 -n MANY "$many" $((256 * 1024)) >/dev/null
    mcopy -s -i "$many" "$src"/* ::/
    rm -rf "$src"
fi
PRE="cat '$many' > /dev/null"
t_mdir=$(best "mdir -/ -a -i '$many' ::/")
t_ls=$(best "'$cli' --quiet --no-system-devices --image '$many' ls 0 Root -r")

ratio() { echo "scale=2; $1 / $2" | bc -l; }
printf 'save live tree:     tarnwell %6.2fs  mcopy -s    %6.2fs  speed ratio %s (target >= 1)\n' "$t_live" "$t_mcopy" "$(ratio "$t_mcopy" "$t_live")"
printf 'save deleted files: tarnwell %6.2fs  tsk_recover %6.2fs  speed ratio %s (target >= 1)\n' "$t_deleted" "$t_tsk" "$(ratio "$t_tsk" "$t_deleted")"
printf 'ls -r 100k files:   tarnwell %6.2fs  mdir -/ -a  %6.2fs  speed ratio %s (target >= 1)\n' "$t_ls" "$t_mdir" "$(ratio "$t_mdir" "$t_ls")"
