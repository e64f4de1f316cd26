#!/usr/bin/env bash
# Installs what is missing, builds the test suite with sanitizers and runs it headless.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
orv_install_packages
orv_build test
cd "$ORV_ROOT"
export QT_QPA_PLATFORM=offscreen
ctest --preset test -j2 "$@"
