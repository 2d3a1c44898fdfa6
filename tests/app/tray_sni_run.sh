#!/usr/bin/env bash
# Whole-program check of the tray icon on a StatusNotifier desktop: a private D-Bus
# session with a StatusNotifier watcher and a registered host, under Xvfb. The
# program registers its item with the tip "Zorvane Sonavia" and no menu of the
# host's own; the host's Activate hides the main window and a second shows it;
# ContextMenu opens the program's menu where the pointer is, and "Fechar" ends it.
#   tray_sni_run.sh <station folder> <source folder>
set -euo pipefail
for tool in status-notifier-watcher dbus-run-session gdbus xdotool pulseaudio; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
here=$(cd "$(dirname "$0")" && pwd)
source "$here/station_gui.sh"
scripts=$(cd "$2/scripts" && pwd)
work=$(fresh_station "$1")
make_services_folder

# A sound card to capture from: the icon comes with a running capture.
"$scripts/start-pulse" "$services/pulse" >"$services/pulse.out" 2>&1 &
pids+=($!)
export PULSE_SERVER=unix:$services/pulse/native
"$scripts/wait-for" 10 "$PULSE_SERVER" || { cat "$services/pulse.out"; echo "FAIL: no sound server"; exit 1; }
# An account, so that no message box waits at start-up; no server is needed.
"$scripts/demo-settings" "$work" demo demo localhost:1
cp "$work/padrao.xml" "$work/demo.xml"

# Runs inside the private session bus and the virtual display.
drive() {
    local work=$1 program item main
    sni() { gdbus call --session -d "$1" -o "$2" -m "$3" "${@:4}"; }
    watcher() { sni org.kde.StatusNotifierWatcher /StatusNotifierWatcher "$@"; }
    status-notifier-watcher >/dev/null 2>&1 &
    local deadline=$((SECONDS + 10))
    until watcher org.kde.StatusNotifierWatcher.RegisterStatusNotifierHost org.kde.StatusNotifierHost-check >/dev/null 2>&1; do
        ((SECONDS < deadline)) || { echo "no StatusNotifier watcher"; return 1; }
        sleep 0.2
    done
    start_program
    main=$(wait_for_window "Studio Sonavia" 30) || { echo "$main"; return 1; }
    deadline=$((SECONDS + 10))
    until item=$(watcher org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher \
        RegisteredStatusNotifierItems | grep -o ":[0-9.]*" | head -1) && [[ -n $item ]]; do
        ((SECONDS < deadline)) || { echo "the program registered no item"; return 1; }
        sleep 0.2
    done
    local properties
    properties=$(sni "$item" /StatusNotifierItem org.freedesktop.DBus.Properties.GetAll org.kde.StatusNotifierItem)
    echo "item $item: $(grep -o "'ToolTip': <[^>]*>" <<<"$properties"), $(grep -o "'Menu': <[^>]*>" <<<"$properties")"
    grep -q "'ToolTip': <('', @a(iiay) \[\], 'Zorvane Sonavia', '')>" <<<"$properties" || { echo "the tip is not \"Zorvane Sonavia\""; return 1; }
    grep -q "'Menu': <objectpath '/NO_DBUSMENU'>" <<<"$properties" || { echo "the host was given a menu"; return 1; }

    sni "$item" /StatusNotifierItem org.kde.StatusNotifierItem.Activate 10 10 >/dev/null
    wait_for_window_gone "Studio Sonavia" 5 || return 1
    sni "$item" /StatusNotifierItem org.kde.StatusNotifierItem.Activate 10 10 >/dev/null
    wait_for_window "Studio Sonavia" 5 >/dev/null || { echo "a second Activate did not show the window"; return 1; }

    # The host says where the click was; the menu opens where the pointer is.
    xdotool mousemove 500 300
    sni "$item" /StatusNotifierItem org.kde.StatusNotifierItem.ContextMenu 10 10 >/dev/null
    local menu="" X Y id
    deadline=$((SECONDS + 5))
    while [[ -z $menu ]] && ((SECONDS < deadline)); do
        for id in $(xdotool search --onlyvisible --pid "$program" 2>/dev/null); do
            [[ $id == "$main" ]] || menu=$id
        done
        sleep 0.1
    done
    [[ -n $menu ]] || { echo "ContextMenu opened no menu"; return 1; }
    eval "$(xdotool getwindowgeometry --shell "$menu")"
    echo "menu at $X,$Y"
    [[ $X == 500 && $Y == 300 ]] || { echo "the menu is not at the pointer (500,300)"; return 1; }
    xdotool key --repeat 3 --delay 50 Down
    xdotool key Return
    deadline=$((SECONDS + 10))
    while kill -0 "$program" 2>/dev/null; do
        ((SECONDS < deadline)) || { echo "\"Fechar\" did not end the program"; return 1; }
        sleep 0.2
    done
}

timeout 90 dbus-run-session -- xvfb-run -a -s "-screen 0 1024x768x24" \
    bash -c "$(cat "$here/station_gui.sh"); $(declare -f drive); drive \"\$@\"" _ "$work" || {
    echo "--- program output"; cat "$work/program.out" 2>/dev/null
    echo "FAIL: the tray icon did not behave as expected on a StatusNotifier desktop"
    exit 1
}
echo "StatusNotifier tray OK"
