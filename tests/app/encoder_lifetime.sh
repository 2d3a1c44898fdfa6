#!/usr/bin/env bash
# Whole-program check that the encoder never outlives the station: a station on the
# air on a private sound server and a local Icecast server is killed with -9, and its
# ffmpeg must die with it, so that a restart goes back on the air (a surviving encoder
# keeps the mount busy and every new start is refused). A plain kill closes the station
# like its close button: encoder stopped, mount free, files intact. An ffmpeg left
# running in the station folder is ended at start-up; one elsewhere is left alone.
#   encoder_lifetime.sh <station folder> <source folder>
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/station_gui.sh"
prepare_on_air_check "$1" "$2"
fail() {
  echo "FAIL: $*"
  echo "--- program output"; cat "$work/program.out" 2>/dev/null || true
  echo "--- OnLine.log"; iconv -f CP1252 -t UTF-8 "$work/OnLine.log" 2>/dev/null | tail -8 || true
  exit 1
}

user=lia
password=segredo
port=$("$scripts/free-port")
start_station_icecast "$scripts" "$port" "$user" "$password" || fail "Icecast did not start"
"$scripts/demo-settings" "$work" "$user" "$password" "localhost:$port"
cp "$work/padrao.xml" "$work/$user.xml"

on_air() { curl -sf "http://127.0.0.1:$port/status-json.xsl" | grep -q "\"listenurl\":\"[^\"]*/$user\""; }
wait_until() { # seconds command...
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do ((SECONDS < deadline)) || return 1; sleep 0.3; done
}
gone() { ! kill -0 "$1" 2>/dev/null || [[ $(ps -o stat= -p "$1") == Z* ]]; }
encoder_of() { pgrep -P "$1" -x ffmpeg | head -1; }
# On the air through this program's own encoder, not a source Icecast still lists.
program_on_air() { pgrep -P "$program" -x ffmpeg >/dev/null && on_air; }
start_station() {
  "$work/sonavia-studio" </dev/null >"$work/program.out" 2>&1 &
  program=$!
  pids=("$program" "${pids[@]}")
}
stray() { # folder: an ffmpeg running there, as a killed station would leave it
  (cd "$1" && exec ffmpeg -nostdin -loglevel quiet -re -f lavfi -i anullsrc -f null - </dev/null >/dev/null 2>&1) &
}

mkdir -p "$services/elsewhere"
stray "$work"
left_here=$!
stray "$services/elsewhere"
left_elsewhere=$!
pids+=("$left_here" "$left_elsewhere")
start_station
wait_until 30 program_on_air || fail "the station never went on the air"
gone "$left_here" || fail "the ffmpeg left running in the station folder was not ended at start-up"
gone "$left_elsewhere" && fail "an ffmpeg outside the station folder was ended"
encoder=$(encoder_of "$program")
[[ -n $encoder ]] || fail "no encoder process under the program"

kill -9 "$program"
wait_until 5 gone "$encoder" || fail "the encoder (process $encoder) outlived the killed program"
wait_until 10 eval '! on_air' || fail "the mount stayed busy after the program was killed"

start_station
wait_until 30 program_on_air || fail "the restarted station never went back on the air"

cp "$work/cfg.ini" "$services/cfg.before"
encoder=$(encoder_of "$program")
kill -TERM "$program"
wait_until 10 gone "$program" || fail "the program did not close on TERM"
wait "$program" && status=0 || status=$?
((status == 0)) || fail "the program ended with status $status on TERM instead of closing"
gone "$encoder" || fail "the encoder outlived the program closed by TERM"
wait_until 10 eval '! on_air' || fail "the mount stayed busy after the program closed"
cmp -s "$work/cfg.ini" "$services/cfg.before" || fail "cfg.ini changed when the program closed"
echo "encoder lifetime OK"
