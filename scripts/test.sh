#!/usr/bin/env bash
# Installs what is missing, builds the test suite with sanitizers and runs it headless; then
# builds the Windows program and runs its tests under Wine (scripts/windows.sh --test; the first
# run also builds Qt for Windows, once).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
orv_install_packages
orv_build test
cd "$ORV_ROOT"
QT_QPA_PLATFORM=offscreen ctest --preset test -j2 "$@"
"$ORV_ROOT/scripts/windows.sh" --test
