#!/usr/bin/env bash
# Makes the manual's screenshots from the real program under a private Xvfb:
#
#   bash doc/manual/screenshots.sh build/src/k7
#
# It builds nothing: it takes the k7 binary, works in a temporary folder on a
# copy of examples/, types as an operator would (xdotool) and writes PNG files
# into doc/manual/images/ (ImageMagick's import). Run it again when the
# windows change, look at the pictures, and commit them.
# Needs Xvfb, xdotool, xprop and import (scripts/install-deps.sh installs them).
set -euo pipefail

[ $# -eq 1 ] && [ -x "$1" ] || { echo "usage: $0 PATH/TO/k7" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
k7=$(realpath "$1")
out="$here/images"
W=$(mktemp -d)
PAUSE=${PAUSE:-0.7}
xpid=
kpid=

cleanup() {
    [ -n "$kpid" ] && kill "$kpid" 2>/dev/null && wait "$kpid" 2>/dev/null
    [ -n "$xpid" ] && kill "$xpid" 2>/dev/null && wait "$xpid" 2>/dev/null
    rm -rf "$W"
}
trap cleanup EXIT

# K7 runs from a copy of itself in the scratch folder, so k7.ini, the recent
# files and the window positions stay there.
mkdir -p "$W/bin" "$W/home" "$W/run" "$W/work"
chmod 700 "$W/run"
cp "$k7" "$W/bin/k7"
cp "$here/../../examples/"* "$W/work/"

Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp 3>"$W/display" >"$W/xvfb.log" 2>&1 &
xpid=$!
for _ in $(seq 100); do [ -s "$W/display" ] && break; sleep 0.05; done
export DISPLAY=:$(head -n1 "$W/display") HOME=$W/home XDG_RUNTIME_DIR=$W/run XDG_CONFIG_HOME=$W/home/.config
export QT_QPA_PLATFORM=xcb

wait_until() {
    local limit=$1 t=0
    shift
    while ! "$@"; do
        sleep 0.1
        t=$((t + 1))
        [ $t -ge $((limit * 10)) ] && return 1
    done
    return 0
}
main_window() { xdotool search --onlyvisible --pid "$kpid" --name '^K7 - /' 2>/dev/null | head -n1; }
dialog_window() {
    local w
    for w in $(xdotool search --onlyvisible --pid "$kpid" --name "${1:-.}" 2>/dev/null); do
        case "$(xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null)" in *DIALOG*) echo "$w"; return ;; esac
    done
}
has_main() { [ -n "$(main_window)" ]; }
has_dialog() { [ -n "$(dialog_window "${1:-.}")" ]; }
no_dialog() { [ -z "$(dialog_window)" ]; }
no_splash() { [ -z "$(xdotool search --onlyvisible --name '^K7 - Version' 2>/dev/null)" ]; }
# No window manager runs, so the keyboard is handed to a window by hand.
focus() { xdotool windowfocus --sync "$1" >/dev/null 2>&1 || xdotool windowfocus "$1"; sleep "$PAUSE"; }
focus_main() { focus "$(main_window)"; }
key() { local k; for k in "$@"; do xdotool key "$k"; sleep "$PAUSE"; done; }
typ() { xdotool type --delay 60 "$1"; sleep "$PAUSE"; }
# Waits for a dialog whose title matches, presses the keys in it and gives
# the keyboard back to the main window once it has closed.
answer() {
    local title=$1 w
    shift
    wait_until 10 has_dialog "$title" || { echo "no dialog $title" >&2; return 1; }
    w=$(dialog_window "$title")
    focus "$w"
    key "$@"
    wait_until 10 no_dialog
    focus_main
}
shot() { sleep 0.6; import -window "$1" "$out/$2.png"; echo "wrote images/$2.png"; }

# Opens the example; it names the line it does not know and asks first.
( cd "$W/work" && exec "$W/bin/k7" "$W/work/finds.cfg" ) >>"$W/k7.log" 2>&1 &
kpid=$!
wait_until 30 has_dialog || { echo "K7 asked nothing on opening finds.cfg" >&2; exit 1; }
focus "$(dialog_window)"
key Return
wait_until 30 has_main || { echo "no main window" >&2; cat "$W/k7.log" >&2; exit 1; }
wait_until 15 no_splash
xdotool windowsize "$(main_window)" 1100 760
focus_main

# A few records: ID, artifact type (a letter picks it), then what the
# conditions ask for. Each value is given time to be taken, and the save at
# the end of a record more.
record() {
    typ "$1"; key Return
    shift
    local v
    for v in "$@"; do
        case "$v" in
            [a-z]) key "$v" ;;
            *) typ "$v"; key Return ;;
        esac
        sleep 0.5
    done
    sleep 1
}
record A001 c n 12
record A002 l t 45.5
record A003 b
record A004 c c 3
record A005 l f
typ A006; key Return
shot "$(main_window)" menu-variable
key c n
shot "$(main_window)" main-window
key ctrl+c

# The Sort dialog with one field chosen.
key alt+d s
wait_until 10 has_dialog Sort
focus "$(dialog_window Sort)"
key Down Return
shot "$(dialog_window Sort)" sort-dialog
key Escape
wait_until 10 no_dialog
focus_main

# The properties editor on the second variable.
key alt+v f
wait_until 10 has_dialog
shot "$(dialog_window)" properties-editor
key Escape
sleep 1
focus_main

# Verify mode: the first record typed again, with a different artifact type.
key alt+f v
sleep 1
if has_dialog; then
    shot "$(dialog_window)" verify-question
fi
focus_main
typ A001; key Return
sleep 0.5
key b
shot "$(main_window)" verify-mode
