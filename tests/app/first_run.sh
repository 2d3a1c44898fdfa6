#!/usr/bin/env bash
# Whole-program check of a station's first run: a fresh copy of the station folder
# is started under Xvfb (capturing silence); it must create cfg.ini with the seven default keys, tell
# the operator that the encoder session file is missing (before logging it), log
# that in Windows-1252 with CR LF after the box is answered, and then open the
# settings window.
#   first_run.sh <station folder> <folder for screenshots>
set -euo pipefail

source "$(dirname "$0")/station_gui.sh"
shots=$(mkdir -p "$2" && cd "$2" && pwd)
work=$(fresh_station "$1")
trap 'rm -rf "$work"' EXIT
# The machine may have no sound card: the program's capture records silence from
# ALSA's null device, configured in a private home.
printf 'pcm.!default {\n    type null\n}\n' >"$work/.asoundrc"

# Runs inside the virtual display: drives the program and takes the screenshots.
drive() {
  local work=$1 shots=$2 program box
  HOME="$work" start_program
  box=$(wait_for_window "Zorvane Sonavia" 30) || { echo "$box"; return 1; }
  wait_for_window "Studio Sonavia" 5 >/dev/null || { echo "main window missing"; return 1; }
  if grep -aq "FormCreate" "$work/OnLine.log" 2>/dev/null; then
    echo "the record was logged before the box was answered"; return 1
  fi
  screenshot "$shots/first-run-message-box.png"
  answer_box "$box"
  local deadline=$((SECONDS + 10))
  until grep -aq "FormCreate" "$work/OnLine.log" 2>/dev/null; do
    ((SECONDS < deadline)) || { echo "no log record after the box was answered"; return 1; }
    sleep 0.2
  done
  wait_for_window "Configura.*es" 10 >/dev/null || { echo "settings window did not open"; return 1; }
  screenshot "$shots/first-run-settings-window.png"
}

run_in_xvfb 120 drive "$work" "$shots"

fail() { echo "FAIL: $*"; exit 1; }

servidor=$(sed -n 's/^Servidor=//p' "$work/provedor.ini" | tr -d '\r')
value() { sed -n "s/^$1=//p" "$work/provedor.ini" | tr -d '\r'; }
printf '[Geral]\r\nControle=0\r\nUsuario=\r\nSenha=\r\nPlaca=0\r\nRadio=\r\nKbps=32000\r\nServidor=%s\r\n' \
  "$servidor" >"$work/expected-cfg.ini"
cmp "$work/cfg.ini" "$work/expected-cfg.ini" || fail "cfg.ini is not the seven default keys"

{
  printf '%s - Zorvane Sonavia\r\n' "$(value Site)"
  printf 'Fone: %s - E-Mail: %s\r\n' "$(value Fone)" "$(value EMail)"
  printf '%s\r\n%s\r\n' "$(value Endereco)" "$(value CepCidade)"
  printf '%.0s=' {1..62}; printf '\r\n\r\n'
  printf 'Data/Hora............: <DATA>\r\n'
  printf 'A\xe7\xe3o.................: Erro\r\n'
  printf 'Descri\xe7\xe3o............: N\xe3o foi encontrado o arquivo de codifica\xe7\xe3o\r\n'
  printf 'Processo.............: FormCreate\r\n\r\n'
} >"$work/expected-log"
LC_ALL=C sed -E 's#^(Data/Hora\.{12}: )[0-9]{2}/[0-9]{2}/[0-9]{4}( [0-9]{2}:[0-9]{2}:[0-9]{2})?\r$#\1<DATA>\r#' \
  "$work/OnLine.log" >"$work/masked-log"
cmp "$work/masked-log" "$work/expected-log" || {
  od -c "$work/OnLine.log" | head -40
  fail "OnLine.log is not the banner and the missing-session record"
}
echo "first run OK; screenshots in $shots"
