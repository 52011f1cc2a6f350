#!/usr/bin/env bash
# Installs every Debian package Pelvanto and its tests need. Quick when all are present.
set -euo pipefail

PACKAGES=(
  # build
  cmake ninja-build g++ pkg-config clang lld libclang-rt-14-dev clang-format clang-tidy
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  # audio engine
  libpulse-dev libsndfile1-dev libmp3lame-dev libvorbis-dev libogg-dev libspandsp-dev
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev libfftw3-dev libasound2-dev
  # tags, player, CD
  libtag1-dev libopenmpt-dev libfluidsynth-dev libsamplerate0-dev zlib1g-dev timgm6mb-soundfont libcdio-dev libcdio-paranoia-dev
  # X11 hotkeys
  libxcb1-dev libxcb-keysyms1-dev libx11-xcb-dev
  # icon sizes drawn at build time, the Debian package and its desktop checks
  librsvg2-bin dpkg-dev desktop-file-utils appstream
  # run-time and test services
  pulseaudio pulseaudio-utils xvfb xauth trayer xdotool x11-utils x11-xkb-utils
  # independent tools the tests compare against
  ffmpeg sox libsox-fmt-all lame vorbis-tools id3v2 eyed3 python3-mutagen
  # the recorder benchmark's reference pipeline (pulsesrc, audioconvert, lamemp3enc)
  gstreamer1.0-tools gstreamer1.0-pulseaudio gstreamer1.0-plugins-base gstreamer1.0-plugins-good
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "setup: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
$SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
