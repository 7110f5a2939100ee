#!/usr/bin/env bash
# Runs one fuzz target under libFuzzer for a while: fuzz.sh TARGET SECONDS
# TARGET is one of volume, partitions, file_type, analyser, lost_data, save. The search
# starts from a copy of the target's seed corpus in build/fuzz/corpus-TARGET (which keeps
# what it finds between runs); crashes land in build/fuzz/artifacts-TARGET/.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ $# -ne 2 ]]; then
    echo "usage: $0 TARGET SECONDS" >&2
    exit 2
fi
target=$1
seconds=$2
seeds=tests/fuzz/corpus/$target
if [[ ! -d $seeds ]]; then
    echo "no fuzz target '$target' (no folder $seeds)" >&2
    exit 2
fi

if ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
    sudo=""
    [[ $(id -u) -ne 0 ]] && sudo=sudo
    $sudo apt-get install -y libclang-rt-14-dev
fi

build=build/fuzz
# Clang warns about a field GCC accepts silently (TFATStream::m_FirstCluster is kept but not
# read); that warning is not what this build is for.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DTW_FUZZ=ON -DTW_SANITIZE=ON -DTW_BUILD_GUI=OFF \
    -DTW_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS="-Wno-error=unused-private-field" >/dev/null
cmake --build "$build" --target "tw_fuzz_$target" -j "${TW_JOBS:-1}"

corpus=$build/corpus-$target
artifacts=$build/artifacts-$target
mkdir -p "$corpus" "$artifacts"
cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true

# Images need room: allow inputs up to 64 KiB (the targets themselves stop at 4 MiB).
"$build/tests/fuzz/tw_fuzz_$target" "$corpus" \
    -max_total_time="$seconds" -max_len=65536 -timeout=25 -rss_limit_mb=4096 \
    -artifact_prefix="$artifacts/" -print_final_stats=1
