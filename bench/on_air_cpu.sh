#!/usr/bin/env bash
# CPU share of a station on the air: each station folder given is run in turn on the same
# private sound server (playing the demo programme), virtual display and local Icecast
# server, and the program, its encoder (ffmpeg) and the sound server are measured over
# the same span from /proc/<pid>/stat (user + system time). Shares are % of one core.
# Giving the station before and after a change measures both in one run.
#   bench/on_air_cpu.sh <seconds> <station folder>...
set -euo pipefail
seconds=${1:?usage: on_air_cpu.sh <seconds> <station folder>...}
shift
(($# > 0)) || { echo "usage: on_air_cpu.sh <seconds> <station folder>..." >&2; exit 2; }
source_dir=$(cd "$(dirname "$0")/.." && pwd)
source "$source_dir/tests/app/station_gui.sh"
scripts=$source_dir/scripts
for tool in pulseaudio icecast2 ffmpeg Xvfb curl; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed: run scripts/install-deps" >&2; exit 1; }
done

work=$(mktemp -d /tmp/sonavia-cpu-XXXXXX) # replaced per station; cleaned up on exit
start_station_services "$scripts"
user=lia
password=segredo
port=$("$scripts/free-port")
start_station_icecast "$scripts" "$port" "$user" "$password"
pulse=${pids[0]} # start-pulse runs the server in its own process

ticks() { # pid: user + system clock ticks so far
  awk '{ sub(/.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"
}
on_air() { curl -sf "http://127.0.0.1:$port/status-json.xsl" | grep -q "\"listenurl\":\"[^\"]*/$user\""; }
off_air() { ! on_air; }
wait_until() { # seconds command
  local deadline=$((SECONDS + $1))
  until "$2"; do ((SECONDS < deadline)) || return 1; sleep 0.5; done
}

hz=$(getconf CLK_TCK)
printf '%-48s %9s %9s %9s %9s\n' "station" "program" "encoder" "both" "sound srv"
for station in "$@"; do
  rm -rf "$work"
  work=$(fresh_station "$station")
  "$scripts/demo-settings" "$work" "$user" "$password" "localhost:$port"
  cp "$work/padrao.xml" "$work/$user.xml"
  "$work/sonavia-studio" </dev/null >"$work/program.out" 2>&1 &
  program=$!
  wait_until 30 on_air || { echo "$station never went on the air" >&2; cat "$work/program.out" >&2; exit 1; }
  encoder=$(pgrep -P "$program" -x ffmpeg | head -1)
  echo "on the air; settling, then measuring $seconds s..." >&2
  sleep 5
  before=("$(ticks "$program")" "$(ticks "$encoder")" "$(ticks "$pulse")")
  sleep "$seconds"
  after=("$(ticks "$program")" "$(ticks "$encoder")" "$(ticks "$pulse")")
  share() { awk -v t="$1" -v hz="$hz" -v s="$seconds" 'BEGIN { printf "%8.2f%%", 100 * t / hz / s }'; }
  printf '%-48s %9s %9s %9s %9s\n' "$station" \
    "$(share $((after[0] - before[0])))" "$(share $((after[1] - before[1])))" \
    "$(share $((after[0] - before[0] + after[1] - before[1])))" "$(share $((after[2] - before[2])))"
  kill "$program"
  wait "$program" || true
  wait_until 15 off_air || { echo "the mount stayed busy after $station closed" >&2; exit 1; }
done
