#!/usr/bin/env bash
# Whole-program check that an outage of the streaming server is logged once: a station
# starts while its Icecast server is away, its encoder is restarted every 10 s and fails
# each time, yet OnLine.log gets one error record for the cause; once the server is
# there the station goes on the air and logs that once.
#   outage_log_run.sh <station folder> <source folder>
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/station_gui.sh"
prepare_on_air_check "$1" "$2"
log() { iconv -f CP1252 -t UTF-8 "$work/OnLine.log" 2>/dev/null || true; }
fail() {
  echo "FAIL: $*"
  echo "--- OnLine.log"; log | tail -40
  exit 1
}
# Records of the log with the given Ação and Processo.
records() { log | tr -d '\r' | awk -v action="$1" -v process="$2" '
  /^Ação/ { a = substr($0, index($0, ": ") + 2) }
  /^Processo/ { p = substr($0, index($0, ": ") + 2); if (a == action && p == process) n++ }
  END { print n + 0 }'; }

user=lia
password=segredo
port=$("$scripts/free-port")
"$scripts/demo-settings" "$work" "$user" "$password" "localhost:$port"
cp "$work/padrao.xml" "$work/$user.xml"

"$work/sonavia-studio" </dev/null >"$work/program.out" 2>&1 &
pids=("$!" "${pids[@]}")
# The server is away for the first start and three restarts (one every 10 s), and back
# before the switch to the second host at 60 s.
sleep 38
errors=$(records Erro Encoder)
((errors == 1)) || fail "$errors error records for one outage (expected 1)"

start_station_icecast "$scripts" "$port" "$user" "$password" || fail "Icecast did not start"
for _ in $(seq 40); do
  (($(records "Processo normal" Encoder) > 0)) && break
  sleep 0.5
done
(($(records "Processo normal" Encoder) == 1)) || fail "the return to the air was not logged once"
(($(records Erro Encoder) == 1)) || fail "more error records after the server came back"
echo "outage logged once OK"
