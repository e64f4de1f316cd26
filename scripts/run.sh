#!/usr/bin/env bash
# Installs what is missing, builds the release editor and starts it.
# Usage: scripts/run.sh [file.orv]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
orv_install_packages
orv_build release orveditor
exec "$ORV_ROOT/build/release/src/orveditor" "$@"
