#!/usr/bin/env bash
# Installs what is missing, builds, makes the demo images and runs the main job on them:
# undelete the deleted files and folders of the demo disk into demo/out/recovered.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_deps.sh
bash scripts/build.sh release
bash scripts/make_demo_image.sh demo/out
cli=build/release/src/cli/tarnwell-cli
devices=(--no-system-devices --image demo/out/disk.img)
recovered=demo/out/recovered
rm -rf "$recovered" && mkdir -p "$recovered"

echo
echo "== the drives of the demo disk"
"$cli" "${devices[@]}" drives
echo
echo "== what was deleted on drive 0"
"$cli" "${devices[@]}" ls 0 Deleted -r
echo
echo "== recovering it into $recovered"
"$cli" "${devices[@]}" save 0 Deleted --to "$recovered"

# With a display, the window opens on the demo disk and on the disk whose table was wiped.
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x build/release/src/app/tarnwell ]; then
    echo
    echo "== opening the window on the demo images"
    build/release/src/app/tarnwell --no-system-devices demo/out/disk.img demo/out/wiped.img
fi
