# The Debian packages Hotaru needs, installed with apt-get when any of them
# is missing.  Sourced by scripts/run and scripts/test.
#
# Building and running: the compiler and Qt, the font the editor maps its
# font name to, Qt's translations (Japanese dialogs), and a virtual display
# for machines without one.
HOTARU_RUN_PACKAGES=(cmake g++ make qt6-base-dev libgl-dev fonts-ipafont-gothic qt6-translations-l10n
  xvfb xauth)
# Testing adds GoogleTest and Google Benchmark; clang and its runtime
# libraries for the fuzz targets (libFuzzer); for the end-to-end tests
# (tests/e2e) xdotool, and ibus with Mozc on a private D-Bus with
# imagemagick for screenshots; dpkg-dev and file for the Debian package.
HOTARU_TEST_PACKAGES=(libgtest-dev libbenchmark-dev clang libclang-rt-14-dev
  xdotool dbus ibus ibus-mozc mozc-server imagemagick dpkg-dev file)

hotaru_install_deps() {  # PACKAGE...
  local missing=()
  for p in "$@"; do
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
