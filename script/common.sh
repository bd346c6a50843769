# Shared by script/run and script/test: Debian packages, configure, build, a display.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"

PACKAGES=(cmake ninja-build g++ ccache pkg-config
  qt6-base-dev qt6-webengine-dev qt6-svg-dev libqt6svg6 qt6-image-formats-plugins
  libjpeg62-turbo-dev libjpeg-turbo-progs libx11-dev libxext-dev libgl-dev
  xvfb xauth x11-utils x11-xserver-utils xdotool openbox fonts-noto-cjk locales
  qt6-translations-l10n xdg-utils
  wine wine64 gcc-mingw-w64-x86-64
  curl
  # the Debian packages (script/package) and their checks
  lintian desktop-file-utils appstream dpkg-dev fakeroot file librsvg2-bin)

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
  ensure_japanese_locale
}

# Classrooms run a Japanese desktop, and Wine needs a UTF-8 locale that exists.
ensure_japanese_locale() {
  if locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then return; fi
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  if [ -f /etc/locale.gen ] && grep -q '^# *ja_JP.UTF-8 UTF-8' /etc/locale.gen; then
    $SUDO sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  elif ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  fi
  $SUDO locale-gen >/dev/null
}

configure_and_build() {
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$BUILD" -j "$(nproc)"
}

# Starts Xvfb when no display is set; XVFB_PID is left for the caller to stop.
XVFB_PID=
ensure_display() {
  if [ -n "${DISPLAY:-}" ]; then return; fi
  local n
  for n in $(seq 91 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then break; fi
  done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && return
    sleep 0.1
  done
  echo "Xvfb did not start" >&2
  exit 1
}

stop_display() {
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
}
