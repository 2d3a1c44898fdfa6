#!/usr/bin/env bash
# The provider's page at start-up: each station folder given is run in turn against the
# demo provider (scripts/start-provider: Icecast and the information page behind one
# port; the page entitles the account to 100 kbit/s) on the same private sound server and
# virtual display. For each: the time from start until a listener receives 96 kbit/s
# (or "-" when the station never changes profile, e.g. a build without the page), then
# the memory of the program alone (resident) and of the program with its browser
# processes (resident, and proportional with shared pages counted once), ffmpeg left out.
# Giving the station before and after a change measures both in one run.
#   bench/provider_page_memory.sh <settle seconds> <station folder>...
set -euo pipefail
settle=${1:?usage: provider_page_memory.sh <settle seconds> <station folder>...}
shift
(($# > 0)) || { echo "usage: provider_page_memory.sh <settle seconds> <station folder>..." >&2; exit 2; }
source_dir=$(cd "$(dirname "$0")/.." && pwd)
source "$source_dir/tests/app/station_gui.sh"
scripts=$source_dir/scripts
for tool in pulseaudio icecast2 ffmpeg ffprobe Xvfb python3; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed: run scripts/install-deps" >&2; exit 1; }
done

work=$(mktemp -d /tmp/sonavia-memory-XXXXXX) # replaced per station; cleaned up on exit
start_station_services "$scripts"
user=lia
password=segredo
port=$("$scripts/free-port")
"$scripts/start-provider" "$services/provider" "$port" "$user" "$password" 100 \
  >"$services/provider.out" 2>&1 &
pids+=($!)
"$scripts/wait-for" 10 "tcp:127.0.0.1:$port"

bitrate() {
  timeout 10 ffprobe -v error -show_entries stream=bit_rate -of csv=p=0 "http://127.0.0.1:$port/$user" 2>/dev/null || true
}
descendants() { # pid: the pid and all its descendants
  local child
  echo "$1"
  for child in $(pgrep -P "$1"); do descendants "$child"; done
}
kib() { awk -v key="$2:" '$1 == key { print $2 }' "/proc/$1/smaps_rollup" 2>/dev/null || echo 0; }

printf '%-48s %12s %12s %14s %14s\n' "station" "96k on air" "program RSS" "with browser" "proportional"
for station in "$@"; do
  rm -rf "$work"
  work=$(fresh_station "$station")
  "$scripts/demo-settings" "$work" "$user" "$password" "localhost:$port"
  cp "$work/padrao.xml" "$work/$user.xml"
  echo "starting $station; waiting up to 60 s for 96 kbit/s on the air..." >&2
  started=$(date +%s.%N)
  "$work/sonavia-studio" </dev/null >"$work/program.out" 2>&1 &
  program=$!
  entitled="-"
  deadline=$((SECONDS + 60))
  while ((SECONDS < deadline)); do
    if [[ $(bitrate) == 96000 ]]; then
      entitled=$(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f s", b - a }')
      break
    fi
    sleep 0.3
  done
  sleep "$settle"
  rss=0 pss=0
  for pid in $(descendants "$program"); do
    [[ $(ps -o comm= -p "$pid") == ffmpeg ]] && continue
    rss=$((rss + $(kib "$pid" Rss))) pss=$((pss + $(kib "$pid" Pss)))
  done
  printf '%-48s %12s %8d MiB %10d MiB %10d MiB\n' "$station" "$entitled" \
    $(($(kib "$program" Rss) / 1024)) $((rss / 1024)) $((pss / 1024))
  kill "$program"
  wait "$program" || true
  sleep 3 # the mount is free again
done
