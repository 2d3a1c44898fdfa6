#!/usr/bin/env bash
# Whole-program check of a station's first save, as the operator lives it: a fresh
# station folder on a private sound server and a local Icecast server; the program
# says the session file is missing and opens the settings window; "Salvar" with an
# empty user and then with an empty password gives the two messages and writes
# nothing; typing the account and saving writes it to cfg.ini with the password
# scrambled, builds the user's session file from the template, and the encoder
# puts the station on the air (the Icecast mount goes live). A second save with
# another user name builds that user's file and leaves the first one untouched.
#   first_save.sh <station folder> <folder for screenshots> <source folder>
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/station_gui.sh"
shots=$(mkdir -p "$2" && cd "$2" && pwd)
scripts=$(cd "$3/scripts" && pwd)
work=$(fresh_station "$1")
make_services_folder

user=ana
password='pão 1&2'
station_name='Rádio Azul'

# The sound card: a private PulseAudio whose default source hears the demo programme.
start_programme_sound "$scripts" || fail "no sound card"

# The provider's streaming server on a free loopback port, the account as the mount's source.
port=$("$scripts/free-port")
start_station_icecast "$scripts" "$port" "$user" "$password" || fail "Icecast did not start"
sed -i "s/^Servidor=.*/Servidor=localhost:$port\r/" "$work/provedor.ini"

# Runs inside the virtual display: drives the program and takes the screenshots.
drive() {
  local work=$1 shots=$2 user=$3 password=$4 station_name=$5 program box config
  start_program
  settings_unchanged() { cmp -s "$work/cfg.ini" "$work/cfg.before"; }
  local settings="Configurações"
  salvar() { atspi press "$settings" Salvar; }
  type_into() { atspi focus "$settings" "$1" && xdotool key ctrl+a type --delay 30 "$2"; }

  box=$(wait_for_window "Zorvane Sonavia" 30) || { echo "$box"; return 1; }
  answer_box "$box"
  config=$(wait_for_window "Configura.*es" 10) || { echo "settings window did not open"; return 1; }
  cp "$work/cfg.ini" "$work/cfg.before"

  salvar
  box=$(wait_for_window "Zorvane Sonavia" 10) || { echo "no box for the empty user"; return 1; }
  screenshot "$shots/first-save-empty-user.png"
  answer_box "$box"
  wait_for_window_gone "Zorvane Sonavia" 5 || return 1
  settings_unchanged || { echo "cfg.ini changed on an empty user"; return 1; }

  type_into Usuário "$user"
  salvar
  box=$(wait_for_window "Zorvane Sonavia" 10) || { echo "no box for the empty password"; return 1; }
  screenshot "$shots/first-save-empty-password.png"
  answer_box "$box"
  wait_for_window_gone "Zorvane Sonavia" 5 || return 1
  settings_unchanged || { echo "cfg.ini changed on an empty password"; return 1; }

  type_into Senha "$password"
  type_into Rádio "$station_name"
  screenshot "$shots/first-save-account-typed.png"
  salvar
  wait_for_window_gone "Configura.*es" 10 || { screenshot "$shots/first-save-failed.png"; return 1; }
  cp "$work/cfg.ini" "$work/cfg.first-save"

  # On the air: the mount is live and the status line turns to "Conectado".
  local deadline=$((SECONDS + 30))
  until curl -sf "http://127.0.0.1:$port/status-json.xsl" | grep -q "\"listenurl\":\"[^\"]*/$user\""; do
    ((SECONDS < deadline)) || { screenshot "$shots/first-save-not-on-air.png"; echo "the mount /$user never went live"; return 1; }
    sleep 0.5
  done
  sleep 2 # the status poll runs every second
  screenshot "$shots/first-save-on-air.png"
  curl -s --max-time 3 "http://127.0.0.1:$port/$user" -o "$work/listened.mp3" || true

  # A second account on the same station: "Configurar", a new user name, "Salvar".
  cp "$work/$user.xml" "$work/first-session.xml"
  local main
  main=$(wait_for_window "Studio Sonavia" 5) || return 1
  atspi press "Studio Sonavia" Configurar
  config=$(wait_for_window "Configura.*es" 10) || { echo "Configurar did not open the settings"; return 1; }
  type_into Usuário "bia"
  salvar
  wait_for_window_gone "Configura.*es" 10 || { screenshot "$shots/first-save-second-user-failed.png"; return 1; }
}

export port
run_in_xvfb 150 drive "$work" "$shots" "$user" "$password" "$station_name" || {
  echo "--- program output"; cat "$work/program.out" 2>/dev/null
  echo "--- OnLine.log"; iconv -f CP1252 -t UTF-8 "$work/OnLine.log" 2>/dev/null | tail -20
  fail "the operator's first save did not go as expected"
}

# What the save wrote: the account in Windows-1252, the password scrambled byte by byte.
to_cp1252() { printf '%s' "$1" | iconv -f UTF-8 -t CP1252; }
scrambled=$(to_cp1252 "$password" | perl -0777 -pe 's/(.)/chr((0x1F - ord $1) & 0xFF)/ges')
{
  printf '[Geral]\r\nControle=0\r\nUsuario=%s\r\nSenha=%s\r\n' "$user" "$scrambled"
  printf 'Placa=0\r\nRadio=%s\r\nKbps=32000\r\nServidor=localhost:%s\r\n' "$(to_cp1252 "$station_name")" "$port"
} >"$work/expected-cfg.ini"
cmp "$work/cfg.first-save" "$work/expected-cfg.ini" || { od -c "$work/cfg.first-save"; fail "cfg.ini does not hold the account"; }

# The session file: the template with the station's values written in.
session="$work/$user.xml"
[[ -f $session ]] || fail "no session file $user.xml"
grep -q "PublishingPoint=\"$user\"" "$session" || fail "the session file does not publish to $user"
grep -q "PublishServer=\"ns1.localhost:$port\"" "$session" || fail "the session file does not name ns1.localhost:$port"
grep -q "Title=\"$(to_cp1252 "$station_name")\"" "$session" || fail "the session file does not carry the station name"
grep -q 'Program="ffmpeg"' "$session" || fail "the session file was not built from the template"

# The second save built the new user's file from the template and left the first alone.
cmp "$work/$user.xml" "$work/first-session.xml" || fail "the first user's session file changed"
grep -q 'PublishingPoint="bia"' "$work/bia.xml" || fail "no session file for the second user"
grep -q '^Usuario=bia' "$work/cfg.ini" || fail "cfg.ini does not hold the second user"

# Someone listening hears MP3 frames.
[[ -s $work/listened.mp3 ]] || fail "nothing could be heard from the mount"
echo "first save OK: on the air at http://127.0.0.1:$port/$user ($(stat -c %s "$work/listened.mp3") bytes heard); screenshots in $shots"
