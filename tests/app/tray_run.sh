#!/usr/bin/env bash
# Whole-program check of the tray icon under Xvfb with a window manager (openbox)
# and an XEmbed system tray (trayer): a station goes on the air on a private
# sound server and a local Icecast server. The icon appears in the tray with its
# tip; a left click hides the main window and a second shows it; a right click
# opens the menu, whose "Ocultar", "Restaurar" and "Fechar" do what they say;
# while on the air the icon runs through four distinct frames every 2 s, and once
# the server is gone it stays on one.
#   tray_run.sh <station folder> <folder for screenshots> <source folder>
set -euo pipefail
for tool in trayer openbox tesseract xdotool xwd import convert montage pulseaudio icecast2 ffmpeg curl; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
here=$(cd "$(dirname "$0")" && pwd)
source "$here/station_gui.sh"
shots=$(mkdir -p "$2" && cd "$2" && pwd)
scripts=$(cd "$3/scripts" && pwd)
work=$(fresh_station "$1")
make_services_folder

user=demo
password=tray-check

start_programme_sound "$scripts" || fail "no sound card"

port=$("$scripts/free-port")
start_station_icecast "$scripts" "$port" "$user" "$password" || fail "Icecast did not start"
"$scripts/demo-settings" "$work" "$user" "$password" "localhost:$port"
cp "$work/padrao.xml" "$work/$user.xml" # an existing session file goes on the air at start
export port icecast user

# Runs inside the virtual display.
drive() {
    local work=$1 shots=$2 program main icon
    # Position and size of a window on the screen: x y width height.
    window_box() {
        local X Y WIDTH HEIGHT
        eval "$(xdotool getwindowgeometry --shell "$1")"
        echo "$X $Y $WIDTH $HEIGHT"
    }
    # The program's visible windows other than the main one, one "id width height" a line.
    other_windows() {
        local id
        for id in $(xdotool search --onlyvisible --pid "$program" 2>/dev/null); do
            [[ $id == "$main" ]] || echo "$id $(window_box "$id" | cut -d' ' -f3-)"
        done
    }
    # The icon is the program's only small window: the one trayer took in.
    tray_icon() { # seconds
        local deadline=$((SECONDS + $1)) id width height
        while ((SECONDS < deadline)); do
            while read -r id width height; do
                ((width <= 64 && height <= 64)) && { echo "$id"; return 0; }
            done < <(other_windows)
            sleep 0.2
        done
        return 1
    }
    # A window of the program that was not there before, once it shows: the tip, the menu.
    wait_for_new_window() { # seconds, ids already there
        local deadline=$((SECONDS + $1)) id width height
        while ((SECONDS < deadline)); do
            while read -r id width height; do
                [[ " $2 " == *" $id "* ]] || { echo "$id"; return 0; }
            done < <(other_windows)
            sleep 0.1
        done
        return 1
    }
    # Opens the tray menu with a right click and picks its n-th item by keyboard.
    menu_item() { # n [picture of the open menu]
        local menu mx my mw mh
        xdotool mousemove "$cx" "$cy" click 3
        menu=$(wait_for_new_window 5 "$icon") || { echo "a right click opened no menu"; return 1; }
        if [[ -n ${2:-} ]]; then
            read -r mx my mw mh < <(window_box "$menu")
            sleep 0.3
            import -window root -crop "$((mw + 60))x$((mh + h + 40))+$((mx - 20))+$((my - 20))" "$2"
        fi
        xdotool key --repeat "$1" --delay 50 Down
        xdotool key Return
    }
    # "milliseconds picture-hash" lines, as fast as the icon can be read (xwd is much
    # quicker than import), for a while; each distinct picture is kept as
    # frames/<hash>.xwd.
    sample_icon() { # seconds
        local end=$((SECONDS + $1)) frame sample=$work/sample.xwd
        mkdir -p "$work/frames"
        while ((SECONDS < end)); do
            xwd -silent -id "$icon" >"$sample"
            frame=$(md5sum <"$sample")
            frame=${frame:0:12}
            [[ -f $work/frames/$frame.xwd ]] || cp "$sample" "$work/frames/$frame.xwd"
            echo "$((${EPOCHREALTIME/./} / 1000)) $frame"
        done
    }

    openbox >/dev/null 2>&1 &
    trayer --edge bottom --align right --widthtype request --height 32 --SetDockType true \
        --transparent false --tint 0xc0c0c0 >/dev/null 2>&1 &
    start_program
    main=$(wait_for_window "Studio Sonavia" 30) || { echo "$main"; return 1; }
    icon=$(tray_icon 20) || { screenshot "$shots/tray-missing.png"; echo "no icon in the tray"; return 1; }
    local x y w h
    read -r x y w h < <(window_box "$icon")
    local cx=$((x + w / 2)) cy=$((y + h / 2))
    echo "tray icon: ${w}x$h at $x,$y"

    # The tip, read off the screen while the pointer rests on the icon.
    xdotool mousemove "$cx" "$cy"
    local tip tx ty tw th text
    tip=$(wait_for_new_window 5 "$icon") || { echo "no tip over the icon"; return 1; }
    read -r tx ty tw th < <(window_box "$tip")
    sleep 0.3
    import -window root "$work/tip-screen.png"
    convert "$work/tip-screen.png" -crop "$((x + w + 10 - tx + 10))x$((y + h + 10 - ty + 10))+$((tx - 10))+$((ty - 10))" \
        +repage "$shots/tray-tip.png"
    convert "$work/tip-screen.png" -crop "${tw}x$th+$tx+$ty" +repage -colorspace gray -resize 400% \
        -bordercolor white -border 20 "$work/tip.png"
    text=$(tesseract "$work/tip.png" - --psm 7 2>/dev/null | tr -d '\f' | head -1)
    echo "tip reads \"$text\""
    [[ $text == "Zorvane Sonavia" ]] || { echo "the tip is not \"Zorvane Sonavia\""; return 1; }
    xdotool mousemove 10 10

    # Left click: hidden; left click again: shown.
    xdotool mousemove "$cx" "$cy" click 1
    wait_for_window_gone "Studio Sonavia" 5 || return 1
    sleep 0.6 # not a double click
    xdotool mousemove "$cx" "$cy" click 1
    wait_for_window "Studio Sonavia" 5 >/dev/null || { echo "a second left click did not show the window"; return 1; }

    # The menu: "Ocultar" (second item) hides, "Restaurar" (first) shows.
    menu_item 2 "$shots/tray-menu.png" || return 1
    wait_for_window_gone "Studio Sonavia" 5 || { echo "\"Ocultar\" did not hide the window"; return 1; }
    menu_item 1 || return 1
    wait_for_window "Studio Sonavia" 5 >/dev/null || { echo "\"Restaurar\" did not show the window"; return 1; }

    # On the air: four distinct pictures in a fixed order, a new one every 500 ms.
    local deadline=$((SECONDS + 40))
    until curl -sf "http://127.0.0.1:$port/status-json.xsl" | grep -q "\"listenurl\":\"[^\"]*/$user\""; do
        ((SECONDS < deadline)) || { echo "the station never went on the air"; return 1; }
        sleep 0.5
    done
    sleep 2 # the status poll runs every second
    sample_icon 6 >"$work/on-air.frames"
    local report
    report=$(awk -f "$here/tray_frames.awk" "$work/on-air.frames") || { echo "$report"; head -50 "$work/on-air.frames"; return 1; }
    echo "on the air: $report"

    # Off the air: the server goes away and the icon settles on one picture, the first frame.
    kill "$icecast"
    local still="" end=$((SECONDS + 30))
    while ((SECONDS < end)); do
        sample_icon 3 >"$work/off-air.frames"
        if (($(cut -d' ' -f2 "$work/off-air.frames" | sort -u | wc -l) == 1)); then
            still=$(head -1 "$work/off-air.frames" | cut -d' ' -f2)
            break
        fi
    done
    [[ -n $still ]] || { echo "the icon never stood still after the server went away"; return 1; }
    grep -q " $still\$" "$work/on-air.frames" || { echo "off the air the icon shows a picture of no frame"; return 1; }
    echo "off the air: one picture for 3 s"

    # The four frames for the documentation, in their order from the still one.
    local order frame pictures=()
    order=$(awk -v first="$still" -f "$here/tray_frames.awk" "$work/on-air.frames")
    for frame in $order; do
        convert xwd:"$work/frames/$frame.xwd" -scale 400% "$work/frames/$frame.png"
        pictures+=("$work/frames/$frame.png")
    done
    montage -background '#c0c0c0' -geometry +8+8 -tile 4x1 "${pictures[@]}" "$shots/tray-frames.png"

    # "Fechar" (third item) ends the program.
    menu_item 3 || return 1
    local gone=$((SECONDS + 10))
    while kill -0 "$program" 2>/dev/null; do
        ((SECONDS < gone)) || { echo "\"Fechar\" did not end the program"; return 1; }
        sleep 0.2
    done
}

export here
run_in_xvfb 150 drive "$work" "$shots" || {
    echo "--- program output"; cat "$work/program.out" 2>/dev/null
    fail "the tray icon did not behave as expected"
}
echo "tray OK; screenshots in $shots"
