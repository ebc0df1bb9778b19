# Installs the Debian packages Hotaru needs to build, test and run, when any
# of them is missing.  Sourced by scripts/test and scripts/run.
# clang and its runtime libraries build the fuzz targets (libFuzzer).  The
# end-to-end tests (tests/e2e) drive the program on a virtual display with
# xdotool; the input-method one runs it with ibus and Mozc on a private
# D-Bus and takes screenshots with imagemagick.
HOTARU_PACKAGES=(cmake g++ make qt6-base-dev libgl-dev libgtest-dev libbenchmark-dev
  fonts-ipafont-gothic xvfb xauth clang libclang-rt-14-dev
  dbus ibus ibus-mozc mozc-server xdotool imagemagick)

hotaru_install_deps() {
  local missing=()
  for p in "${HOTARU_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}
