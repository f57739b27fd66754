#!/usr/bin/env bash
# Installs what Tavimo needs, builds it and starts it on its default data
# folder (or the one given with --data-dir DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target tavimo
exec ./build/src/app/tavimo "$@"
