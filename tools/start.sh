#!/usr/bin/env bash
# Installs what is missing, builds Pelvanto and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target pelvanto

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Pelvanto is a desktop program and needs a graphical session, but neither DISPLAY" >&2
  echo "nor WAYLAND_DISPLAY is set. Run this from a terminal inside your desktop (or over" >&2
  echo "ssh -X), then try again." >&2
  exit 1
fi

state=""
if ! pactl info >/dev/null 2>&1; then
  state=$(mktemp -d /tmp/pelvanto-pulse.XXXXXX)
  trap 'bash tools/services.sh stop "$state"; rm -rf "$state"' EXIT
  bash tools/services.sh pulse "$state"
  # shellcheck disable=SC1091
  source "$state/env.sh"
  echo "No sound server was reachable, so Pelvanto started a private PulseAudio server for" >&2
  echo "this session. It has one device: the monitor of its 'Pelvanto_Output' sink (no" >&2
  echo "microphone). It stops when Pelvanto exits." >&2
fi

build/default/bin/pelvanto
