#!/usr/bin/env bash
# Whole-program check of the capture: a private PulseAudio daemon with a null sink
# plays a tone; a copy of the station folder is started under Xvfb and must open a
# recording stream on the sink's monitor, 44.1 kHz 16-bit stereo, which the sound
# server lists as the program's.
#   capture_run.sh <station folder>
set -euo pipefail

station=$(cd "$1" && pwd)
[[ -x $station/sonavia-studio ]] || { echo "no program in $station (build the station first)"; exit 1; }
for tool in pulseaudio pactl paplay Xvfb sox; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d /tmp/sonavia-capture-run-XXXXXX)
mkdir -p "$work/run" "$work/home"
chmod 700 "$work/run"
export XDG_RUNTIME_DIR=$work/run HOME=$work/home
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  sleep 0.5
  rm -rf "$work"
}
trap cleanup EXIT

pulseaudio --system=false --daemonize=no --exit-idle-time=-1 -n \
  -L "module-null-sink sink_name=studio" -L module-native-protocol-unix \
  >"$work/pulse.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || { echo "the sound server did not come up:"; cat "$work/pulse.log"; exit 1; }
pactl set-default-source studio.monitor

sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 60 sine 1000 vol 0.5
paplay -d studio "$work/tone.wav" &
pids+=($!)

# A virtual display of our own, so that the program is our direct child.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 50); do [[ -s $work/display ]] && break; sleep 0.1; done
[[ -s $work/display ]] || { echo "Xvfb did not start:"; cat "$work/xvfb.log"; exit 1; }

cp -r "$station/." "$work/station/"
DISPLAY=:$(cat "$work/display") "$work/station/sonavia-studio" >"$work/program.out" 2>&1 &
pids=("$!" "${pids[@]}") # the program ends first

deadline=$((SECONDS + 30))
until pactl list source-outputs | grep -q 'application.process.binary = "sonavia-studio"'; do
  if ((SECONDS >= deadline)); then
    echo "FAIL: the sound server lists no recording stream of the program"
    pactl list source-outputs
    cat "$work/program.out"
    exit 1
  fi
  sleep 0.3
done
outputs=$(pactl list source-outputs)
grep -q "s16le 2ch 44100Hz" <<<"$outputs" ||
  { echo "FAIL: the stream is not 44.1 kHz 16-bit stereo"; echo "$outputs"; exit 1; }
grep -q "Corked: no" <<<"$outputs" || { echo "FAIL: the stream is not running"; echo "$outputs"; exit 1; }
echo "capture OK: the sound server lists the program's recording stream"
