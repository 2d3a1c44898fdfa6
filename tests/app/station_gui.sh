# Helpers for whole-program checks of a station under Xvfb; sourced by the check
# scripts in this folder, inside and outside the virtual display.

# A fresh copy of the station folder in a temporary folder, without the files a
# station makes for itself; prints its path.
fresh_station() { # station folder
  local station work
  station=$(cd "$1" && pwd)
  [[ -x $station/sonavia-studio ]] || { echo "no program in $station (build the station first)" >&2; return 1; }
  work=$(mktemp -d /tmp/sonavia-station-XXXXXX)
  cp -r "$station/." "$work/"
  rm -f "$work/cfg.ini" "$work/OnLine.log" "$work"/*.xml
  cp "$station/padrao.xml" "$work/"
  echo "$work"
}

# The accessibility driver that presses the program's controls by name.
ATSPI=${ATSPI:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)/atspi}
export ATSPI
atspi() { "$ATSPI" "$@"; }

# Runs a shell function inside a fresh virtual display, on a private session bus
# with the program's accessibility switched on, so that atspi finds its controls.
# xvfb-run is a POSIX shell script that drops exported bash functions, so the
# function and these helpers go along as text.
run_in_xvfb() { # seconds function arguments...
  local seconds=$1 function=$2
  shift 2
  QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 timeout "$seconds" xvfb-run -a -s "-screen 0 1024x768x24" \
    dbus-run-session -- \
    bash -c "$(cat "${BASH_SOURCE[0]}"); $(declare -f "$function"); $function \"\$@\"" _ "$@"
}

# A private session bus, for checks that start their own display, with the
# program's accessibility switched on so that atspi finds its controls there;
# adds the bus to $pids.
start_accessibility_bus() {
  local address
  address=$(mktemp /tmp/sonavia-bus-XXXXXX)
  dbus-daemon --session --nofork --print-address=3 3>"$address" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [[ -s $address ]] && break; sleep 0.1; done
  DBUS_SESSION_BUS_ADDRESS=$(head -1 "$address")
  rm -f "$address"
  [[ -n $DBUS_SESSION_BUS_ADDRESS ]] || { echo "the private session bus did not start"; return 1; }
  export DBUS_SESSION_BUS_ADDRESS QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
}

# Starts the station's program from its folder ($work); sets $program and ends the
# program when the calling shell exits.
start_program() {
  "$work/sonavia-studio" >"$work/program.out" 2>&1 &
  program=$!
  trap 'kill "$program" 2>/dev/null; sleep 0.5; kill -9 "$program" 2>/dev/null || true' EXIT
}

# Prints the id of the visible window whose name matches, once it appears.
wait_for_window() { # name-pattern seconds
  local id deadline=$((SECONDS + $2))
  while ((SECONDS < deadline)); do
    kill -0 "$program" 2>/dev/null || { echo "program ended early:"; cat "$work/program.out"; return 1; }
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
    [[ -n $id ]] && { echo "$id"; return 0; }
    sleep 0.2
  done
  echo "no window \"$1\" within $2 s"
  return 1
}

# Waits until no visible window matches.
wait_for_window_gone() { # name-pattern seconds
  local deadline=$((SECONDS + $2))
  while xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; do
    ((SECONDS < deadline)) || { echo "window \"$1\" still open after $2 s"; return 1; }
    sleep 0.2
  done
}

# Answers the message box that is open with Return; prints nothing.
answer_box() { # window id
  xdotool windowfocus --sync "$1" key Return
}

# A screenshot of the whole virtual screen, after letting the windows paint.
screenshot() { # file
  sleep 0.5
  import -window root "$1"
}

# A temporary folder for the services a check starts ($services) and the list of
# processes to end ($pids; add yours). Both go, with $work, when the shell exits.
make_services_folder() {
  services=$(mktemp -d /tmp/sonavia-services-XXXXXX)
  chmod 755 "$services" # Icecast, running as root, drops to nobody
  pids=()
  trap 'for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
        wait 2>/dev/null || true; rm -rf "$work" "$services"' EXIT
}

fail() { echo "FAIL: $*"; exit 1; }

# The sound card: a private PulseAudio (exported as PULSE_SERVER) whose default
# source hears the demo programme; adds both to $pids.
start_programme_sound() { # scripts folder
  "$1/start-pulse" "$services/pulse" >"$services/pulse.out" 2>&1 &
  pids+=($!)
  export PULSE_SERVER=unix:$services/pulse/native
  "$1/wait-for" 10 "$PULSE_SERVER" || { cat "$services/pulse.out"; echo "the private sound server did not start"; return 1; }
  "$1/make-programme" "$services/programme.wav"
  "$1/play-programme" "$services/programme.wav" >"$services/play.out" 2>&1 &
  pids+=($!)
}

# What a station on the air needs, for a check that runs the program itself: a private
# sound server playing the demo programme and a virtual display of its own. Sets
# $services (a temporary folder) and $pids (what to end; add yours), exports
# PULSE_SERVER and DISPLAY, and cleans up, $work included, when the shell exits.
start_station_services() { # scripts folder
  local scripts=$1
  make_services_folder
  start_programme_sound "$scripts" || return 1
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$services/display" 2>"$services/xvfb.log" &
  pids+=($!)
  for _ in $(seq 50); do [[ -s $services/display ]] && break; sleep 0.1; done
  export DISPLAY=:$(cat "$services/display")
  start_accessibility_bus
}

# Icecast on a loopback port with the account as the mount's source; sets $icecast
# and adds it to $pids.
start_station_icecast() { # scripts folder, port, user, password
  "$1/start-icecast" "$services/icecast" "$2" "$3" "$4" >"$services/icecast.out" 2>&1 &
  icecast=$!
  pids+=($icecast)
  "$1/wait-for" 10 "tcp:127.0.0.1:$2" || { cat "$services/icecast.out"; return 1; }
}

# The start of a whole-program check of a station on the air: skips (status 77) when a
# program it needs is missing, then sets $scripts and $work and starts the services.
prepare_on_air_check() { # station folder, source folder
  local tool
  for tool in pulseaudio icecast2 ffmpeg Xvfb curl; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
  done
  scripts=$(cd "$2/scripts" && pwd)
  work=$(fresh_station "$1")
  start_station_services "$scripts" || { echo "FAIL: the private sound server did not start"; exit 1; }
}
