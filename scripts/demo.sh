#!/usr/bin/env bash
# Installs what is missing, builds, makes the demo images and runs the main job on them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_deps.sh
bash scripts/build.sh release
bash scripts/make_demo_image.sh demo/out
cli=build/release/src/cli/tarnwell-cli
echo
echo "== devices of the demo disk and of the disk whose partition table was wiped"
"$cli" --no-system-devices --image demo/out/disk.img --image demo/out/wiped.img devices
