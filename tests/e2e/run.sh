#!/usr/bin/env bash
# End-to-end test of the real program, as a user would meet it: a virtual X display, a
# PulseAudio server with a null sink whose monitor we record, key presses and mouse drags with
# xdotool, screenshots checked by analyze.py, and a program killed while its song is unsaved.
#   tests/e2e/run.sh path/to/vorkeln
set -euo pipefail

checks=8
if [[ "${1:-}" == "--count" ]]; then
    echo "$checks"
    exit 0
fi

bin="$(realpath "${1:?usage: run.sh path/to/vorkeln}")"
here="$(cd "$(dirname "$0")" && pwd)"
analyze=(/usr/bin/python3 "$here/analyze.py")
work="$(mktemp -d /tmp/vorkeln-e2e.XXXXXX)"
display=":$((90 + RANDOM % 100))"
pids=()

cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    pulseaudio --kill 2>/dev/null || true
    wait 2>/dev/null || true
}
trap cleanup EXIT

fail() {
    echo "e2e: FAILED: $*" >&2
    [[ -f "$work/vorkeln.log" ]] && tail -n 20 "$work/vorkeln.log" >&2
    exit 1
}

# Polls a command for up to $1 seconds.
wait_for() {
    local seconds="$1"
    shift
    local deadline=$((SECONDS + seconds))
    until "$@" >/dev/null 2>&1; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export HOME="$work/home"
mkdir -p "$HOME"

# No reset when the last client goes: the program is killed and started again on this display.
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY="$display"
wait_for 20 xdotool getmouselocation || fail "Xvfb did not start"

pulseaudio --daemonize=yes --exit-idle-time=-1 -n \
    --load="module-native-protocol-unix" \
    --load="module-null-sink sink_name=vorkeln_null" >"$work/pulse.log" 2>&1 ||
    fail "PulseAudio did not start"
wait_for 20 pactl info || fail "PulseAudio does not answer"
pactl set-default-sink vorkeln_null

# Starts the program, with VAR=value settings after the log file in its environment, and waits
# for its window: $app and $win.
start_app() {
    local log="$1"
    shift
    env "$@" "$bin" >>"$log" 2>&1 &
    app=$!
    pids+=("$app")
    wait_for 20 xdotool search --onlyvisible --name '^Vorkeln$' ||
        fail "no window titled Vorkeln (${log##*/})"
    win="$(xdotool search --onlyvisible --name '^Vorkeln$' | head -n 1)"
}

start_app "$work/vorkeln.log"
xdotool windowmove "$win" 0 0 windowsize "$win" 1200 760
xdotool mousemove 600 400
xdotool windowfocus --sync "$win" || true
# The SoundFont loads in the background; give it time so the first note is not just queued.
sleep 3

echo "e2e: a key press sounds and the sound ends after the note length"
parec -d vorkeln_null.monitor --latency-msec=20 --file-format=wav "$work/key.wav" &
rec=$!
# The key is pressed once the recording runs; a note still queued behind a slow SoundFont load
# comes later but must end all the same.
wait_for 10 test -s "$work/key.wav" || fail "parec does not record"
sleep 0.7
xdotool key q
sleep 6
kill "$rec"
wait "$rec" 2>/dev/null || true
"${analyze[@]}" note "$work/key.wav" 0.7 || fail "pressing Q gave no note that ends"

echo "e2e: the lattice shows C major"
import -window root "$work/major.png"
xdotool key F12
sleep 1
import -window root "$work/chromatic.png"
xdotool key ctrl+F12
sleep 1
"${analyze[@]}" colours "$work/major.png" "$work/chromatic.png" ||
    fail "the keyboard does not show C major's colours"

echo "e2e: tool windows open and close with their keys"
for entry in "F2:Orchestra" "F3:Options" "alt+F12:Scale"; do
    key="${entry%%:*}"
    title="${entry#*:}"
    xdotool windowfocus --sync "$win" || true
    xdotool key "$key"
    wait_for 10 xdotool search --onlyvisible --name "^$title\$" || fail "$key did not open $title"
    xdotool windowfocus --sync "$win" || true
    xdotool key "$key"
    wait_for 10 bash -c "! xdotool search --onlyvisible --name '^$title\$'" ||
        fail "$key did not close $title"
done

echo "e2e: what was set is found again after quitting and starting again"
settings="$HOME/.config/Local AppWizard-Generated Applications/Vorkeln.ini"
quit_app() {
    xdotool windowfocus --sync "$win" || true
    xdotool key alt+f
    sleep 0.5
    xdotool key x
    wait_for 20 bash -c "! kill -0 $app" || fail "File > Exit did not end the program"
}
setting() { sed -n "s/^$1=//p" "$settings"; }
xdotool windowfocus --sync "$win" || true
xdotool key F3
wait_for 10 xdotool search --onlyvisible --name '^Options$' || fail "F3 did not open Options"
options="$(xdotool search --onlyvisible --name '^Options$' | head -n 1)"
eval "$(xdotool getwindowgeometry --shell "$options")"
options_at="$X,$Y"
# A click near the right end of the Tempo slider moves it a page up from 100.
xdotool mousemove $((X + 175)) $((Y + 30)) click 1
sleep 0.5
quit_app
[[ "$(setting tempo)" -gt 100 ]] || fail "the tempo set was not kept ($(setting tempo))"
tempo="$(setting tempo)"
start_app "$work/vorkeln.log"
wait_for 10 xdotool search --onlyvisible --name '^Options$' || fail "Options did not open again"
options="$(xdotool search --onlyvisible --name '^Options$' | head -n 1)"
eval "$(xdotool getwindowgeometry --shell "$options")"
[[ "$X,$Y" == "$options_at" ]] || fail "Options came back at $X,$Y, not at $options_at"
# Read back from the slider at the next exit: the restarted program had the tempo too.
quit_app
[[ "$(setting tempo)" == "$tempo" ]] || fail "the tempo came back as $(setting tempo), not $tempo"
# The window is left as at the start for what follows: Options hidden again.
sed -i 's/^options\\shown=true/options\\shown=false/' "$settings"
start_app "$work/vorkeln.log"
xdotool windowmove "$win" 0 0 windowsize "$win" 1200 760
sleep 3

echo "e2e: a pen stroke appears in pen mode"
xdotool windowfocus --sync "$win" || true
xdotool key F7
sleep 1
import -window root "$work/before.png"
xdotool mousemove 200 300 mousedown 1
for x in 250 300 350 400 450 500; do xdotool mousemove "$x" 300; done
xdotool mouseup 1
sleep 1
import -window root "$work/after.png"
"${analyze[@]}" stroke "$work/before.png" "$work/after.png" 200 500 300 || fail "no pen stroke"

echo "e2e: a C major triad is named C in the chord pane"
xdotool windowfocus --sync "$win" || true
xdotool key F7
# C, E and G above middle C on the lattice keys; the pane shows the name while they sound.
xdotool key i 9 equal
import -window root -crop 170x26+1030+734 "$work/chord.png"
"${analyze[@]}" chord "$work/chord.png" C || fail "the chord pane does not read C"

echo "e2e: the notes just played are saved from File > Save Last Played"
xdotool key alt+f l
wait_for 10 xdotool search --onlyvisible --name '^Save' || fail "no Save dialog"
xdotool type --delay 20 "$work/played.mid"
xdotool key Return
wait_for 10 test -s "$work/played.mid" || fail "the last played notes were not saved"
# Everything played live since the program started again: the triad (the Q of the first check
# went with the first run).
"${analyze[@]}" played "$work/played.mid" 60,64,67 || fail "the saved notes are not C E G"

echo "e2e: notes recorded before a crash are restored at the next start"
recovery="$HOME/.local/share/Local AppWizard-Generated Applications/Vorkeln"
xdotool windowfocus --sync "$win" || true
xdotool key ctrl+r
xdotool key q w e
xdotool key ctrl+r
# Recording stops: the recovery file follows at once.
wait_for 10 "${analyze[@]}" notes "$recovery" 3 || fail "no recovery file of the three notes"
kill -KILL "$app"
wait "$app" 2>/dev/null || true
wait_for 20 xdotool getmouselocation || fail "the display went with the program"

"$bin" >"$work/vorkeln2.log" 2>&1 &
app=$!
pids+=("$app")
# The question comes once the window is up: two windows of that title, the smaller the box.
vorkeln_windows() { xdotool search --onlyvisible --name '^Vorkeln\*?$' 2>/dev/null || true; }
window_count_is() { [[ "$(vorkeln_windows | wc -l)" -eq "$1" ]]; }
wait_for 20 window_count_is 2 || fail "no question to restore the song"
box=""
for id in $(vorkeln_windows); do
    width="$(xdotool getwindowgeometry --shell "$id" | sed -n 's/^WIDTH=//p')"
    if ((width < 800)); then box="$id"; else win="$id"; fi
done
[[ -n "$box" ]] || fail "the question box was not found"
xdotool windowfocus --sync "$box" || true
xdotool key Return
wait_for 10 window_count_is 1 || fail "the question did not go"
# One more note recorded: the song written again holds the three restored ones with it.
xdotool windowfocus --sync "$win" || true
xdotool key ctrl+r r ctrl+r
wait_for 10 "${analyze[@]}" notes "$recovery" 4 || fail "the restored song lacks its notes"

echo "e2e: at scale factor 2 the lattice is drawn at twice the size, with key labels"
kill "$app"
wait "$app" 2>/dev/null || true
wait_for 20 xdotool getmouselocation || fail "the display went with the program"
rm -f "$recovery"/song-*.mid
start_app "$work/vorkeln3.log" QT_SCALE_FACTOR=2
xdotool windowmove "$win" 0 0 windowsize "$win" 1200 760
xdotool mousemove 1250 790
xdotool windowfocus --sync "$win" || true
sleep 1
import -window root "$work/dense.png"
# View > Key Labels by its mnemonic.
xdotool key alt+v
sleep 0.5
xdotool key k
sleep 1
import -window root "$work/labels.png"
"${analyze[@]}" dense "$work/major.png" "$work/dense.png" "$work/labels.png" || fail "scale factor 2 or key labels"
if [[ -n "${VORKELN_E2E_SHOTS:-}" ]]; then
    cp "$work/labels.png" "$VORKELN_E2E_SHOTS/scale2-key-labels.png"
fi

echo "e2e: ${checks} passed, 0 failed"
