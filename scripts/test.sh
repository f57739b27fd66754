#!/usr/bin/env bash
# Installs what Tavimo needs, builds it and runs the whole test suite.
# With --sanitize the build and the tests run under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
preset=default
if [ "${1:-}" = "--sanitize" ]; then
  preset=sanitize
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -- -j"$(nproc)"
ctest --preset "$preset" -j"$(nproc)"
