#!/usr/bin/env bash
# Runs the whole program under Xvfb on the settings files of tests/corpus/settings
# whose expected outcome is for the program:
#   starts <text>  the station (with a session file for its user) comes up, its
#                  message boxes answered, stays running and logs the text;
#   repairs        the station (without a session file) opens its settings window,
#                  and one "Salvar" with a typed account leaves a sound cfg.ini;
#   session-folder <text>  the same with a folder where the user's session file
#                  goes: the text is logged, and no error is logged under a class
#                  name of the C++ library;
#   ends-without-template  the same save, with capture failing and no session
#                  template beside the program, ends the program once its box is
#                  answered.
#   settings_corpus_run.sh <station folder> <source folder>
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/station_gui.sh"
corpus=$(cd "$2/tests/corpus/settings" && pwd)
command -v Xvfb >/dev/null || { echo "SKIP: Xvfb is not installed"; exit 77; }
services=$(mktemp -d /tmp/sonavia-corpus-XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$services"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$services/display" 2>"$services/xvfb.log" &
pids+=($!)
for _ in $(seq 50); do [[ -s $services/display ]] && break; sleep 0.1; done
export DISPLAY=:$(cat "$services/display")
start_accessibility_bus || exit 1
# No sound server: capture fails, as on a machine without a capture device.
export PULSE_SERVER=unix:$services/no-sound-server

answer_boxes() {
  for box in $(xdotool search --onlyvisible --name '^Zorvane Sonavia$' 2>/dev/null); do
    xdotool windowfocus --sync "$box" key Return 2>/dev/null || true
  done
}

# Waits (answering boxes) until the command succeeds; fails if the program ends.
until_true() { # seconds command...
  local tries=$(($1 * 2))
  shift
  while ((tries-- > 0)); do
    kill -0 "$program" 2>/dev/null || { echo "the program ended"; return 1; }
    answer_boxes
    "$@" && return 0
    sleep 0.5
  done
  return 1
}

logged() { iconv -f CP1252 -t UTF-8 "$work/OnLine.log" 2>/dev/null | grep -qF "$1"; }

starts() { # text
  local user
  user=$(sed -n 's/^Usuario[ \t]*=[ \t]*\([^\r]*[^ \t\r]\)[ \t\r]*$/\1/p' "$work/cfg.ini")
  cp "$work/padrao.xml" "$work/$user.xml"
  start_station
  until_true 20 logged "$1" || { echo "OnLine.log does not say \"$1\""; return 1; }
}

session-folder() { # text
  local user
  user=$(sed -n 's/^Usuario[ \t]*=[ \t]*\([^\r]*[^ \t\r]\)[ \t\r]*$/\1/p' "$work/cfg.ini")
  mkdir "$work/$user.xml"
  start_station
  until_true 20 logged "$1" || { echo "OnLine.log does not say \"$1\""; return 1; }
  ! logged "std::" || { echo "OnLine.log names a C++ library class"; return 1; }
}

config_window() { xdotool search --onlyvisible --name '^Configura.*es$' 2>/dev/null | head -1; }
# Starts the station, waits for its settings window and saves an account in it.
save_account() {
  start_station
  until_true 20 config_window >/dev/null || { echo "the settings window did not open"; return 1; }
  local field
  for field in "Usuário ana" "Senha s3nha"; do
    atspi focus "Configurações" "${field% *}" && xdotool type --delay 20 "${field#* }" || return 1
  done
  atspi press "Configurações" Salvar
}

repairs() {
  save_account || return 1
  sound() {
    tr -d '\r' <"$work/cfg.ini" | grep -qx 'Usuario=ana' &&
      [[ $(tr -d '\r' <"$work/cfg.ini" | grep -cx '\[Geral\]') == 1 ]] &&
      tr -d '\r' <"$work/cfg.ini" | grep -qx 'Placa=-\?[0-9]\+' &&
      tr -d '\r' <"$work/cfg.ini" | grep -qx 'Controle=-\?[0-9]\+'
  }
  until_true 10 sound || { echo "cfg.ini was not repaired by the save:"; od -c "$work/cfg.ini" | head; return 1; }
}

ends-without-template() {
  rm "$work/padrao.xml"
  save_account
  ended() { ! kill -0 "$program" 2>/dev/null; }
  until_true 10 ended 2>/dev/null || ended || { echo "the program went on without its template"; return 1; }
  wait "$program" || { echo "the program ended with status $?"; return 1; }
}

stop_station() {
  kill "$program" 2>/dev/null || true
  for _ in $(seq 20); do kill -0 "$program" 2>/dev/null || break; sleep 0.25; done
  kill -9 "$program" 2>/dev/null || true
  wait "$program" 2>/dev/null || true
}

start_station() {
  "$work/sonavia-studio" </dev/null >"$work/program.out" 2>&1 &
  program=$!
}

failures=0
while read -r name outcome details <&3; do
  case $outcome in starts | repairs | session-folder | ends-without-template) ;; *) continue ;; esac
  work=$(fresh_station "$1")
  cp "$corpus/$name" "$work/cfg.ini"
  if $outcome "$details"; then
    echo "ok $name"
  else
    echo "FAIL $name ($outcome $details)"
    cat "$work/program.out"
    iconv -f CP1252 -t UTF-8 "$work/OnLine.log" 2>/dev/null | tail -5
    failures=$((failures + 1))
  fi
  stop_station
  rm -rf "$work"
done 3< <(grep -v '^#' "$corpus/expected.txt")
((failures == 0))
