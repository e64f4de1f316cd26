# Shared by the scripts: installs missing Debian packages and builds one preset.
# Sourced, not run.

ORV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# orv_install_debian PACKAGE...: installs those of the packages that are missing.
orv_install_debian() {
  local pkg missing=()
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$pkg")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "Installing Debian packages: ${missing[*]}" >&2
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# The packages of scripts/debian-packages.txt.
orv_install_packages() {
  local pkg pkgs=()
  while read -r pkg; do
    pkg=${pkg%%#*}
    pkg=${pkg//[[:space:]]/}
    [ -n "$pkg" ] && pkgs+=("$pkg")
  done <"$ORV_ROOT/scripts/debian-packages.txt"
  orv_install_debian "${pkgs[@]}"
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
