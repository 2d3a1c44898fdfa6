#!/usr/bin/env bash
# Whole-program check of the windows' skins under Xvfb with a window manager
# (openbox): the main window and the settings window have no frame, their X
# bounding shape is cut to the picture (the screen behind shows at the rounded
# corners), a press-and-drag on the picture moves each window by the pointer's
# way (also before openbox starts, when the program moves the window itself), a
# real click on a bitmap button works ("Configurar" opens the settings) and the
# buttons answer by accessible name ("Fechar", "Ocultar"). Takes the pictures of
# both windows for the documentation.
#   skin_run.sh <station folder> <folder for screenshots> <source folder>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/station_gui.sh"
for tool in openbox xdotool xwininfo xprop import; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
shots=$(mkdir -p "$2" && cd "$2" && pwd)
prepare_on_air_check "$1" "$3"
# The encoder finds no server on port 9 and keeps retrying: only the windows matter here.
"$scripts/demo-settings" "$work" demo demo "localhost:9"
cp "$work/padrao.xml" "$work/demo.xml"

# "x y width height" of a window on the screen.
window_box() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /^ *Width/ {w=$NF} /^ *Height/ {h=$NF} END {print x, y, w, h}'
}
# The colour the screen shows at x, y, as "srgb(r,g,b)".
screen_pixel() {
  import -window root -crop "1x1+$1+$2" -depth 8 txt:- | awk 'NR == 2 {print $NF}'
}

# Frameless: openbox puts no frame around the window.
expect_frameless() { # window id, title
  local extents
  extents=$(xprop -id "$1" _NET_FRAME_EXTENTS)
  [[ $extents == *"= 0, 0, 0, 0" ]] || fail "$2 has a frame: $extents"
}

# Shaped: X reports a bounding shape of the window's size, and the rounded corner's
# pixel shows the screen's own pattern (black or white), not the window's graphite.
expect_shaped() { # window id, title
  local shape x y w h corner
  shape=$(xwininfo -id "$1" -shape)
  grep -q "Window shape extents" <<<"$shape" || fail "$2 has no bounding shape: $shape"
  echo "$2: $(grep "Window shape extents" <<<"$shape" | tr -s ' ')"
  read -r x y w h < <(window_box "$1")
  corner=$(screen_pixel "$x" "$y")
  [[ $corner == "srgb(0,0,0)" || $corner == "srgb(255,255,255)" || $corner == "black" ||
     $corner == "white" ]] || fail "$2 shows $corner at its cut-away corner"
  inside=$(screen_pixel $((x + w / 2)) $((y + 6)))
  [[ $inside != "$corner" ]] || fail "$2 shows the screen inside its picture"
}

# Presses the picture at (dx, dy) inside the window, drags by 60, 40 and lets go;
# the window must follow.
expect_dragged() { # window id, title, dx, dy
  local x y w h nx ny nw nh
  read -r x y w h < <(window_box "$1")
  xdotool mousemove --sync $((x + $3)) $((y + $4)) mousedown 1
  for step in 1 2 3 4 5 6; do
    xdotool mousemove --sync $((x + $3 + step * 10)) $((y + $4 + step * 40 / 6))
    sleep 0.1
  done
  xdotool mouseup 1
  sleep 0.5
  read -r nx ny nw nh < <(window_box "$1")
  ((nx - x == 60 && ny - y == 40)) || fail "$2 moved from $x,$y to $nx,$ny, not by 60,40"
  echo "$2 dragged from $x,$y to $nx,$ny"
}

"$work/sonavia-studio" </dev/null >"$work/program.out" 2>&1 &
program=$!
pids=("$program" "${pids[@]}") # the program ends first
main=$(wait_for_window "Studio Sonavia" 30) || fail "$main"
sleep 1
# With no window manager to ask, the program moves the window itself.
expect_dragged "$main" "the main window (no window manager)" 159 240
openbox >/dev/null 2>&1 &
pids+=($!)
until xprop -id "$main" _NET_FRAME_EXTENTS 2>/dev/null | grep -q "="; do
  ((SECONDS < 60)) || fail "openbox did not take the main window"
  sleep 0.2
done
expect_frameless "$main" "the main window"
expect_shaped "$main" "the main window"
import -window root -crop "$(window_box "$main" | awk '{print $3 "x" $4 "+" $1 "+" $2}')" \
  "$shots/skin-main-window.png"
# The speaker grille under the status lamp: picture, no control.
expect_dragged "$main" "the main window" 159 240

# A real click on the "Configurar" face opens the settings window.
read -r x y _ _ < <(window_box "$main")
xdotool mousemove --sync $((x + 64)) $((y + 324)) click 1
config=$(wait_for_window "Configura.*es" 10) || fail "a click on Configurar opened no settings window"
sleep 1
expect_frameless "$config" "the settings window"
expect_shaped "$config" "the settings window"
import -window root -crop "$(window_box "$config" | awk '{print $3 "x" $4 "+" $1 "+" $2}')" \
  "$shots/skin-settings.png"
# The name plate under the panels.
expect_dragged "$config" "the settings window" 60 420

atspi press "Configura.*es" Fechar
wait_for_window_gone "Configura.*es" 10 || fail "Fechar did not close the settings window"
atspi press "Studio Sonavia" Ocultar
wait_for_window_gone "Studio Sonavia" 10 || fail "Ocultar did not hide the main window"
kill -0 "$program" || fail "the program ended"
grep -q "imagem da janela" <(iconv -f CP1252 -t UTF-8 "$work/OnLine.log" 2>/dev/null) &&
  fail "a skin picture could not be read: $(iconv -f CP1252 -t UTF-8 "$work/OnLine.log")"
echo "skins OK: both windows frameless, shaped and draggable; pictures in $shots"
