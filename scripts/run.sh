#!/usr/bin/env bash
# Builds the editor in its own folder, build-run/ (Release), and starts it.
# Without a display it starts under xvfb-run.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ruvo_install_deps

cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=Release -DRUVO_BUILD_UI=ON \
    -DRUVO_BUILD_TESTS=OFF -DRUVO_BUILD_BENCH=OFF -DRUVO_SANITIZE=OFF -DRUVO_FUZZ=OFF -DRUVO_WERROR=OFF
cmake --build build-run --target ruvoteledit ruvotel

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec build-run/app/ruvoteledit
fi
echo "No display: starting the editor on a virtual one (xvfb-run)."
exec xvfb-run -a -s "-screen 0 1280x1024x24" build-run/app/ruvoteledit
