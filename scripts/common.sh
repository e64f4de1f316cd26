# Shared by run.sh and test.sh: installs the missing Debian packages and builds one preset.
# Sourced, not run.

ORV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

orv_missing_packages() {
  local pkg missing=()
  while read -r pkg; do
    pkg=${pkg%%#*}
    pkg=${pkg//[[:space:]]/}
    [ -n "$pkg" ] || continue
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$pkg")
    fi
  done <"$ORV_ROOT/scripts/debian-packages.txt"
  echo "${missing[@]}"
}

orv_install_packages() {
  local missing
  missing=$(orv_missing_packages)
  [ -n "$missing" ] || return 0
  echo "Installing Debian packages: $missing"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
}

# orv_build PRESET [TARGET...]: configure once, then build incrementally.
orv_build() {
  local preset=$1
  shift
  cd "$ORV_ROOT" || return 1
  if [ ! -f "build/$preset/build.ninja" ]; then
    cmake --preset "$preset" >/dev/null || return 1
  fi
  if [ $# -gt 0 ]; then
    cmake --build --preset "$preset" --target "$@"
  else
    cmake --build --preset "$preset"
  fi
}
