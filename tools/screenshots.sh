#!/usr/bin/env bash
# Renders the documentation screenshots into docs/screenshots/ under a virtual X display.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
BUILD=${BUILD:-build}
cmake --build "$BUILD" --target test_ui
export TELLUR_SCREENSHOT_DIR=$PWD/docs/screenshots
export QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$BUILD/test_ui" --gtest_filter=Screenshots.*
ls -l docs/screenshots
