#!/usr/bin/env bash
# Pictures of the main window, the drive dialog and the progress dialog on the demo disk,
# drawn by a real X server (Xvfb) with a CJK font, into OUTPUT_DIR (default screenshots/).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-screenshots}
bash scripts/install_deps.sh
bash scripts/build.sh dev >/dev/null
[ -f demo/out/disk.img ] || bash scripts/make_demo_image.sh demo/out
mkdir -p "$out"
xvfb-run -a -s "-screen 0 1280x800x24" build/dev/tests/ui/tw_ui_screenshots demo/out/disk.img "$out"
ls -1 "$out"
