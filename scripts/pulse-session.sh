#!/usr/bin/env bash
# A private PulseAudio server with one null sink, for tests and benchmarks that
# must hear what the program plays on a machine without sound hardware.
#
#   pulse-session.sh start DIR       start a server whose files all live in DIR
#                                    (created if missing); prints the client's
#                                    environment as `export NAME=value` lines
#   pulse-session.sh stop DIR        stop that server and wait for it to exit
#   pulse-session.sh record DIR FILE record the sink's output until SIGINT or
#                                    SIGTERM: raw float32le, 2 channels, 50 kHz;
#                                    a WAV file instead when FILE ends in .wav
#
# Clients reach the server through PULSE_SERVER=unix:DIR/native (anonymous
# authentication, no cookie). The sink is `mossgate_null`, float32le stereo at
# 50 kHz, paced by the monotonic clock; its monitor is `mossgate_null.monitor`.
# Why 50 kHz: the null sink advances its clock by each rendered block's length
# in whole microseconds, rounded down, so at 48 kHz (20.83 us a frame) it runs
# some 150 ppm fast; at 50 kHz a frame is exactly 20 us and one second of the
# recording is one second of the monotonic clock. Players resample to it.
# The server never exits by itself; its log is DIR/pulseaudio.log.
# Works as root: the server runs per-user with HOME and the runtime paths in DIR.
set -euo pipefail

readonly SINK=mossgate_null
readonly RATE=50000

usage() {
  awk 'NR > 1 && /^#/ { print; next } NR > 1 { exit }' "$0" >&2
  exit 2
}

server_env() {
  local dir=$1
  export HOME="$dir" XDG_RUNTIME_DIR="$dir" XDG_CONFIG_HOME="$dir/config" \
    PULSE_RUNTIME_PATH="$dir" PULSE_STATE_PATH="$dir"
  unset PULSE_SERVER DBUS_SESSION_BUS_ADDRESS
}

start() {
  local dir
  mkdir -p "$1"
  dir=$(cd "$1" && pwd)
  chmod 700 "$dir"
  if [ -f "$dir/pulseaudio.pid" ] && kill -0 "$(cat "$dir/pulseaudio.pid")" 2>/dev/null; then
    echo "pulse-session: a server already runs in $dir" >&2
    exit 1
  fi
  (
    server_env "$dir"
    exec pulseaudio -n --daemonize=no --system=false --exit-idle-time=-1 \
      --use-pid-file=false --disallow-exit=true --log-target=stderr \
      -L "module-null-sink sink_name=$SINK format=float32le rate=$RATE channels=2" \
      -L "module-native-protocol-unix socket=$dir/native auth-anonymous=1" \
      </dev/null >"$dir/pulseaudio.log" 2>&1
  ) &
  echo $! >"$dir/pulseaudio.pid"
  # Ready once a client can talk to it; give up after 10 s.
  for _ in $(seq 100); do
    if PULSE_SERVER="unix:$dir/native" pactl info >/dev/null 2>&1; then
      echo "export PULSE_SERVER=unix:$dir/native"
      return 0
    fi
    kill -0 "$(cat "$dir/pulseaudio.pid")" 2>/dev/null || break
    sleep 0.1
  done
  echo "pulse-session: the server did not start; see $dir/pulseaudio.log" >&2
  stop "$dir"
  exit 1
}

stop() {
  local dir=$1 pid
  [ -f "$dir/pulseaudio.pid" ] || return 0
  pid=$(cat "$dir/pulseaudio.pid")
  if kill -TERM "$pid" 2>/dev/null; then
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
  fi
  rm -f "$dir/pulseaudio.pid"
}

record() {
  local dir file
  dir=$(cd "$1" && pwd)
  file=$2
  # exec: the caller's signal reaches parec itself, which then closes FILE cleanly.
  if [[ "$file" == *.wav ]]; then
    exec env PULSE_SERVER="unix:$dir/native" parec -d "$SINK.monitor" --file-format=wav \
      --format=float32le --rate=$RATE --channels=2 --latency-msec=20 "$file"
  fi
  exec env PULSE_SERVER="unix:$dir/native" parec -d "$SINK.monitor" --raw \
    --format=float32le --rate=$RATE --channels=2 --latency-msec=20 "$file"
}

[ $# -ge 2 ] || usage
case $1 in
  start) [ $# -eq 2 ] || usage; start "$2" ;;
  stop) [ $# -eq 2 ] || usage; stop "$2" ;;
  record) [ $# -eq 3 ] || usage; record "$2" "$3" ;;
  *) usage ;;
esac
