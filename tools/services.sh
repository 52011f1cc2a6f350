#!/usr/bin/env bash
# Private PulseAudio and X servers for the tests (and for start.sh when the
# desktop has no sound server). Every process is recorded by id in STATE/pids
# and stopped by id; STATE/env.sh holds what clients need.
#   services.sh start STATE        test PulseAudio (null sinks, sine microphone) + Xvfb with trayer
#   services.sh pulse STATE        a plain private PulseAudio (one null sink) for the desktop
#   services.sh stop STATE         stops everything started under STATE
set -euo pipefail

cmd=${1:-}
D=${2:-}
[ -n "$cmd" ] && [ -n "$D" ] || { echo "usage: $0 start|pulse|stop STATE" >&2; exit 2; }
mkdir -p "$D"
D=$(cd "$D" && pwd)

remember() { echo "$1" >>"$D/pids"; }

wait_for() { # wait_for SECONDS COMMAND...
  local limit=$(($1 * 10)); shift
  for ((i = 0; i < limit; i++)); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

start_pulse() { # start_pulse test|plain
  mkdir -p "$D/run" "$D/xdg"; chmod 700 "$D/run" "$D/xdg"
  {
    echo ".fail"
    echo "load-module module-native-protocol-unix socket=$D/native auth-anonymous=1"
    echo "load-module module-null-sink sink_name=rec_sink rate=44100 channels=2 sink_properties=device.description=Pelvanto_Output"
    if [ "$1" = test ]; then
      echo "load-module module-null-sink sink_name=mic_sink rate=44100 channels=2"
      echo "load-module module-sine sink=mic_sink frequency=440"
      echo "load-module module-remap-source master=mic_sink.monitor source_name=sine_mic"
      echo "set-default-source sine_mic"
    fi
    echo "set-default-sink rec_sink"
  } >"$D/pulse.pa"
  printf 'autospawn = no\nenable-memfd = no\n' >"$D/client.conf"
  export PULSE_RUNTIME_PATH=$D/run PULSE_CLIENTCONFIG=$D/client.conf PULSE_SERVER=unix:$D/native
  pulseaudio -n -F "$D/pulse.pa" --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    --realtime=no --high-priority=no --log-target=file:"$D/pulse.log" </dev/null >/dev/null 2>&1 &
  remember $!
  if ! wait_for 15 pactl info; then
    echo "services: PulseAudio did not start; see $D/pulse.log" >&2
    return 1
  fi
  # A null sink's monitor delivers in 2-second chunks until a low-latency
  # client is attached; these keep-alives make capture from it smooth.
  parec --latency-msec=10 -d rec_sink.monitor >/dev/null 2>&1 &
  remember $!
  if [ "$1" = test ]; then
    parec --latency-msec=10 -d mic_sink.monitor >/dev/null 2>&1 &
    remember $!
  fi
  cat >>"$D/env.sh" <<ENV
export PULSE_RUNTIME_PATH=$D/run PULSE_CLIENTCONFIG=$D/client.conf PULSE_SERVER=unix:$D/native
export XDG_RUNTIME_DIR=$D/xdg
ENV
  [ "$1" = test ] && echo "export PELVANTO_TEST_PULSE_SERVER=unix:$D/native" >>"$D/env.sh"
  return 0
}

start_x() {
  if ! command -v Xvfb >/dev/null; then
    echo "services: Xvfb is not installed; X11 tests will skip" >&2
    return 0
  fi
  : >"$D/display"
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$D/display" >"$D/xvfb.log" 2>&1 &
  remember $!
  if ! wait_for 15 test -s "$D/display"; then
    echo "services: Xvfb did not start; see $D/xvfb.log" >&2
    return 1
  fi
  local display=":$(head -n1 "$D/display")"
  if command -v trayer >/dev/null; then
    DISPLAY=$display trayer --edge top --align right --widthtype request --height 24 \
      >"$D/trayer.log" 2>&1 &
    remember $!
  fi
  cat >>"$D/env.sh" <<ENV
export DISPLAY=$display PELVANTO_TEST_DISPLAY=$display
ENV
}

stop_all() {
  [ -f "$D/pids" ] || return 0
  # Newest first: keep-alives and the tray before their servers.
  tac "$D/pids" | while read -r pid; do
    kill -TERM "$pid" 2>/dev/null || true
  done
  tac "$D/pids" | while read -r pid; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
  done
  rm -f "$D/pids"
}

case "$cmd" in
  start)
    : >"$D/env.sh"
    start_pulse test
    start_x
    ;;
  pulse)
    : >"$D/env.sh"
    start_pulse plain
    ;;
  stop) stop_all ;;
  *) echo "usage: $0 start|pulse|stop STATE" >&2; exit 2 ;;
esac
