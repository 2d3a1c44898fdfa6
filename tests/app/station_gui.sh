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

# Runs a shell function inside a fresh virtual display. xvfb-run is a POSIX shell
# script that drops exported bash functions, so the function and these helpers go
# along as text.
run_in_xvfb() { # seconds function arguments...
  local seconds=$1 function=$2
  shift 2
  timeout "$seconds" xvfb-run -a -s "-screen 0 1024x768x24" \
    bash -c "$(cat "${BASH_SOURCE[0]}"); $(declare -f "$function"); $function \"\$@\"" _ "$@"
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
