#!/usr/bin/env bash
# Whole-program check of the broadcast on a real Icecast server. A password holding
# ? # / @ : % and a space publishes (a listener hears the programme) and shows on no
# process's command line; an encoder stopped with SIGSTOP ends the broadcast, the station
# restarts it and is back on the air; a second station on the busy mount, a wrong
# password and a server that is not there are each logged with their own reason.
#   broadcast_run.sh <station folder> <source folder>
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/station_gui.sh"
prepare_on_air_check "$1" "$2"
station=$1
log() { iconv -f CP1252 -t UTF-8 "${1:-$work}/OnLine.log" 2>/dev/null || true; }
fail() {
  echo "FAIL: $*"
  echo "--- OnLine.log"; log | tail -24
  exit 1
}

user=lia
password='a?b#c/d@e:f%g h'
port=$("$scripts/free-port")
start_station_icecast "$scripts" "$port" "$user" "$password" || fail "Icecast did not start"

on_air() { curl -sf "http://127.0.0.1:$port/status-json.xsl" | grep -q "\"listenurl\":\"[^\"]*/$user\""; }
wait_until() { # seconds command...
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do ((SECONDS < deadline)) || return 1; sleep 0.3; done
}
gone() { ! kill -0 "$1" 2>/dev/null || [[ $(ps -o stat= -p "$1") == Z* ]]; }
encoder_of() { pgrep -P "$1" -x ffmpeg | head -1 || true; }
program_on_air() { [[ -n $(encoder_of "$program") ]] && on_air; }
# A station of the account in its own folder, publishing to the given server.
start_station() { # folder password server
  "$scripts/demo-settings" "$1" "$user" "$2" "$3"
  cp "$1/padrao.xml" "$1/$user.xml"
  "$1/sonavia-studio" </dev/null >"$1/program.out" 2>&1 &
  program=$!
  pids=("$program" "${pids[@]}")
}
logged() { log "$1" | grep -qF -- "$2"; } # folder text

start_station "$work" "$password" "localhost:$port"
wait_until 30 program_on_air || fail "the station never went on the air with its password"
loudness=$(ffmpeg -hide_banner -nostdin -t 3 -i "http://127.0.0.1:$port/$user" -af volumedetect \
  -f null - 2>&1 | sed -n 's/.*mean_volume: \(-\?[0-9.]*\) dB.*/\1/p')
[[ -n $loudness ]] || fail "no listener could receive the stream"
awk -v l="$loudness" 'BEGIN { exit !(l > -40) }' || fail "the listener hears silence ($loudness dB)"
for cmdline in /proc/[0-9]*/cmdline; do
  if grep -aqF -- "$password" "$cmdline" 2>/dev/null; then
    fail "the password is on the command line of process ${cmdline//[!0-9]/}: $(tr '\0' ' ' <"$cmdline")"
  fi
done

stalled=$(encoder_of "$program")
kill -STOP "$stalled"
wait_until 15 gone "$stalled" || fail "the stopped encoder (process $stalled) was never ended"
logged "$work" "stalled: the encoder sent no audio" || fail "the stall was not logged"
back() { local now; now=$(encoder_of "$program"); [[ -n $now && $now != "$stalled" ]] && on_air; }
wait_until 30 back || fail "the station did not return to the air after the stall"
wait_until 5 logged "$work" "A transmissão voltou ao ar" || fail "the return to the air was not logged"
first=$program

# Each refusal in a station of its own, while the first one holds the mount.
busy=$(fresh_station "$station")
wrong=$(fresh_station "$station")
away=$(fresh_station "$station")
trap 'for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
      wait 2>/dev/null || true; rm -rf "$work" "$services" "$busy" "$wrong" "$away"' EXIT
start_station "$busy" "$password" "localhost:$port"
start_station "$wrong" "not-the-password" "localhost:$port"
start_station "$away" "$password" "localhost:$("$scripts/free-port")"
for expected in "$busy:mount in use" "$wrong:login refused" "$away:cannot connect"; do
  folder=${expected%%:*}
  wait_until 20 logged "$folder" "${expected#*:}" ||
    { work=$folder; fail "no \"${expected#*:}\" in the log of the station that should say so"; }
done
gone "$first" && fail "the station on the air ended"
on_air || fail "the station on the air lost its mount to a refused one"
echo "broadcast OK (listener loudness $loudness dB)"
