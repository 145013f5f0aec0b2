#!/usr/bin/env bash
# Renders the editor's main window with the example channel list loaded, at its template size and
# maximised on a 1920x1080 screen, and the About box, into PNG files.
# Usage: scripts/screenshot.sh [OUTDIR] [BUILDDIR]   (defaults: docs/screenshots, build)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshots}
build=${2:-build}
mkdir -p "$out"
cmake --build "$build" --target ui_screenshot
if command -v xvfb-run >/dev/null; then
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1920x1080x24" \
    "$build/tests/ui/ui_screenshot" "$out" examples/channels.cdd
else
  QT_QPA_PLATFORM=offscreen "$build/tests/ui/ui_screenshot" "$out" examples/channels.cdd
fi
