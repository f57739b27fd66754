#!/usr/bin/env bash
# Takes the README's screenshots with their window frames: a private X
# server with a window manager, then the screenshot tool on it.
#   ./scripts/setup.sh --desktop && ./tools/screenshots/shoot.sh [OUT]
set -euo pipefail
cd "$(dirname "$0")/../.."
out="${1:-docs/screenshots}"
display=":$((90 + RANDOM % 9))"
Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$wm" "$xvfb" 2>/dev/null || true' EXIT
sleep 1
DISPLAY="$display" openbox >/dev/null 2>&1 &
wm=$!
sleep 1
DISPLAY="$display" TAVIMO_SHOTS_FRAMED=1 ./build/tools/screenshots/tavimo-screenshots "$out"
