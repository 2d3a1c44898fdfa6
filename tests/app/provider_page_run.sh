#!/usr/bin/env bash
# Whole-program check of the provider's information page against the demo provider
# (scripts/start-provider: Icecast and the page behind one port). The station starts
# at 32 kbit/s; the page entitles the account to 100 kbit/s, so the value reaches
# cfg.ini, the session file is rebuilt with the 96 kbit/s profile, the encoder
# restarts and a listener receives 96 kbit/s. "Informações" shows the page. A killed
# renderer, and later a page that cannot be reached, leave the station on the air
# with nothing reported. (bench/provider_page_memory.sh measures the time to the
# entitled bitrate and the memory the browser takes.)
#   provider_page_run.sh <station folder> <folder for screenshots> <source folder>
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/station_gui.sh"
command -v ffprobe >/dev/null || { echo "SKIP: ffprobe is not installed"; exit 77; }
command -v python3 >/dev/null || { echo "SKIP: python3 is not installed"; exit 77; }
shots=$(mkdir -p "$2" && cd "$2" && pwd)
prepare_on_air_check "$1" "$3"
log() { iconv -f CP1252 -t UTF-8 "$work/OnLine.log" 2>/dev/null || true; }
fail() {
  echo "FAIL: $*"
  echo "--- OnLine.log"; log | tail -20
  echo "--- program output"; tail -20 "$work/program.out" 2>/dev/null
  exit 1
}
wait_until() { # seconds command...
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do ((SECONDS < deadline)) || return 1; sleep 0.3; done
}

user=demo
password='pão 1&2'
port=$("$scripts/free-port")
"$scripts/start-provider" "$services/provider" "$port" "$user" "$password" 100 \
  >"$services/provider.out" 2>&1 &
provider=$!
pids+=($provider)
"$scripts/wait-for" 10 "tcp:127.0.0.1:$port" || { cat "$services/provider.out"; fail "the demo provider did not start"; }
"$scripts/demo-settings" "$work" "$user" "$password" "localhost:$port"
cp "$work/padrao.xml" "$work/$user.xml"

encoder() { pgrep -P "$program" -x ffmpeg | head -1 || true; }
listened_bitrate() {
  timeout 10 ffprobe -v error -show_entries stream=bit_rate -of csv=p=0 "http://127.0.0.1:$port/$user" 2>/dev/null || true
}
entitled_on_air() { [[ $(listened_bitrate) == 96000 ]]; }
boxes() { xdotool search --onlyvisible --name '^Zorvane Sonavia$' 2>/dev/null | wc -l; }

"$work/sonavia-studio" </dev/null >"$work/program.out" 2>&1 &
program=$!
pids=("$program" "${pids[@]}")
has_encoder() { [[ -n $(encoder) ]]; }
wait_until 30 has_encoder || fail "no encoder started"
first_encoder=$(encoder)

wait_until 90 grep -q $'^Kbps=96000\r$' "$work/cfg.ini" || fail "the page's value never reached cfg.ini"
grep -q 'bitrate="96000"' "$work/$user.xml" || fail "the session file was not rebuilt with the 96 kbit/s profile"
wait_until 60 entitled_on_air || fail "a listener never received 96 kbit/s (got '$(listened_bitrate)')"
[[ $(encoder) != "$first_encoder" ]] || fail "the encoder was not restarted"
tr '\0' ' ' </proc/"$(encoder)"/cmdline | grep -q -- '-b:a 96000' || fail "the encoder does not encode at 96000"

# The login as the page's server received it: the Windows-1252 account, form-encoded.
python3 - "$services/provider/page-requests.jsonl" <<'PY' || fail "the page did not receive the expected login"
import json, sys
requests = [json.loads(line) for line in open(sys.argv[1])]
posts = [r for r in requests if r["method"] == "POST"]
assert posts, requests
body = bytes.fromhex(posts[0]["body"])
assert body == b"Usuario=demo&Senha=p%E3o+1%262", body
types = [v for k, v in posts[0]["headers"] if k.lower() == "content-type"]
assert types == ["application/x-www-form-urlencoded"], types
PY

# "Informações" uncovers the page in the settings window.
atspi press "Studio Sonavia" Informações
config=$(wait_for_window "Configura.*es" 10) || fail "Informações did not open the settings window"
sleep 2
screenshot "$shots/provider-page.png"
import -window "$config" "$services/config.png"
tesseract "$services/config.png" - 2>/dev/null | grep -q "Plano" || fail "the settings window does not show the provider's page"
atspi press "Configura.*es" Fechar
wait_for_window_gone "Configura.*es" 10 || fail "Fechar did not close the page"

# The page's renderer is killed: the station stays on the air, nothing is reported.
log_before=$(log)
on_air_encoder=$(encoder)
renderer=""
for zygote in $(pgrep -P "$program" -x QtWebEngineProc); do
  renderer=$(pgrep -P "$zygote" | head -1 || true)
  [[ -n $renderer ]] && break
done
[[ -n $renderer ]] || fail "no renderer process of the page was found"
kill -KILL "$renderer"
sleep 5
kill -0 "$program" 2>/dev/null || fail "the program ended with its renderer"
[[ $(encoder) == "$on_air_encoder" ]] || fail "the encoder changed when the renderer died"
entitled_on_air || fail "the station left the air when the renderer died"
(($(boxes) == 0)) || fail "a message box opened when the renderer died"
[[ $(log) == "$log_before" ]] || fail "the renderer's end was logged"

# The page cannot be reached any more; a save sends the login again.
for pid in $(pgrep -P "$provider"); do
  grep -qa provider-page /proc/"$pid"/cmdline && kill "$pid"
done
atspi press "Studio Sonavia" Configurar
wait_for_window "Configura.*es" 10 >/dev/null || fail "Configurar did not open the settings window"
atspi press "Configura.*es" Salvar
wait_for_window_gone "Configura.*es" 10 || fail "the save did not close the settings window"
sleep 8
kill -0 "$program" 2>/dev/null || fail "the program ended on an unreachable page"
wait_until 30 entitled_on_air || fail "the station is not on the air at 96 kbit/s after the save"
grep -q $'^Kbps=96000\r$' "$work/cfg.ini" || fail "an unreachable page changed the bitrate"
(($(boxes) == 0)) || fail "a message box opened for the unreachable page"
! log | grep -q "Erro" || fail "something was logged as an error"

echo "provider page OK"
