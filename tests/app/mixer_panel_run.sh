#!/usr/bin/env bash
# Whole-program check of the settings window's mixer panel on a machine whose card
# mixer the program reaches directly (no desktop sound server in sight): ALSA's
# "default" device and control are a private PulseAudio server named only in the
# program's own ALSA configuration, so the program does not take it for a desktop
# sound server. The panel shows; "Controle" shows the card's recording line; the
# knob "Gravação" turned with the keys sets the recording volume as the server
# reports it. (The server's mixer has no playback line of that kind, so the
# monitor knob and mute stay disabled there.)
#   mixer_panel_run.sh <station folder> <folder for screenshots> <source folder>
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/station_gui.sh"
for tool in pulseaudio pactl Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
shots=$(mkdir -p "$2" && cd "$2" && pwd)
scripts=$(cd "$3/scripts" && pwd)
work=$(fresh_station "$1")
make_services_folder

"$scripts/start-pulse" "$services/pulse" >"$services/pulse.out" 2>&1 &
pids+=($!)
server=unix:$services/pulse/native
"$scripts/wait-for" 10 "$server" || { cat "$services/pulse.out"; fail "the sound server did not start"; }
mkdir -p "$services/home"
cat >"$services/home/.asoundrc" <<ASOUND
pcm.!default { type pulse server "$server" }
ctl.!default { type pulse server "$server" }
ASOUND
unset PULSE_SERVER XDG_RUNTIME_DIR
export SONAVIA_PULSE=$server HOME=$services/home

drive() {
  local work=$1 shots=$2 program box
  start_program
  local settings="Configurações"
  server() { PULSE_SERVER=$SONAVIA_PULSE pactl "$@"; }
  percent() { grep -o '[0-9]*%' | head -1; }

  box=$(wait_for_window "Zorvane Sonavia" 30) || { echo "$box"; return 1; }
  answer_box "$box"
  wait_for_window "Configura.*es" 10 >/dev/null || { echo "settings window did not open"; return 1; }
  atspi wait "$settings" Gravação || { echo "the mixer panel is not shown"; return 1; }
  # Qt names a combo box after its current item: Controle shows the card's line.
  atspi wait "$settings" Capture || { atspi dump "$settings"; echo "Controle does not show the card's line"; return 1; }

  atspi focus "$settings" Gravação && xdotool key Home
  sleep 0.5
  [[ $(server get-source-volume sonavia.monitor | percent) == 100% ]] ||
    { echo "Home on the knob did not set the recording volume to the maximum"; return 1; }
  xdotool key End
  sleep 0.5
  [[ $(server get-source-volume sonavia.monitor | percent) == 0% ]] ||
    { echo "End on the knob did not set the recording volume to the minimum"; return 1; }
  xdotool key Page_Up Page_Up Page_Up Page_Up Page_Up Page_Up Page_Up Page_Up
  sleep 0.5
  [[ $(server get-source-volume sonavia.monitor | percent) == 50% ]] ||
    { echo "eight Page Up presses of two steps did not reach half the range"; return 1; }
  screenshot "$shots/mixer-panel.png"

}

run_in_xvfb 90 drive "$work" "$shots" || {
  echo "--- program output"; cat "$work/program.out" 2>/dev/null
  fail "the mixer panel did not work as expected"
}
echo "mixer panel OK: the recording knob reaches the card's mixer; screenshot in $shots"
