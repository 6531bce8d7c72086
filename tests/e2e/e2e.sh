#!/bin/bash
# End-to-end checks of the main road: the real program on the X display in $DISPLAY (on a virtual
# display of its own when there is none or it is too small), a virtual instrument (fxsim, one
# model-100 device) and a headless office with a new workbook. The program
# is driven like a user drives it: a click on its Connect button, then the instrument's button.
# What lands in the sheet is read back through the office's pipe (e2e_calc).
#
# The case setup runs the set-up of the user's own LibreOffice as README.md gives it, on a fresh
# HOME, and that office as the application menu starts it (a window on the display, no option
# for the program); the case second-start starts the program a second time under a window manager;
# the case last-workbook runs a window manager and an office on the screen. The case soak (not
# run by ctest; scripts/soak runs it on the Release build) presses the button a thousand times.
#
# usage: e2e.sh BIN_DIR CASE        CASE: main-road | calibration-due | office-lost | colour-sets | journal |
#                                         setup | second-start | last-workbook | comparison |
#                                         shared-journal | soak
#        e2e.sh BIN_DIR cleanup     stops whatever an interrupted run left behind
# environment: OMBRA_E2E_STATE  folder where each run notes its work folder (for cleanup)
#              OMBRA_SOAK_PRESSES presses of the soak with the default selection (default 1000;
#                               a fifth of them with the full selection)
#              OMBRA_E2E_KEEP=1 keep the work folder (logs, screenshots) after the run
set -u
BIN=$(cd "${1:?usage: e2e.sh BIN_DIR CASE}" && pwd)
CASE=${2:?usage: e2e.sh BIN_DIR CASE}
HERE=$(cd "$(dirname "$0")" && pwd)
SUPPORT=$HERE/../support
STATE=${OMBRA_E2E_STATE:-/tmp/ombra-e2e-state-$(id -u)}
mkdir -p "$STATE"

# ---------------------------------------------------------------------------------------------
# Processes: every one started here is noted in $WORK/pids and stopped by its id.

stop_work() {  # stop_work WORKDIR
    local dir=$1 pid
    [ -d "$dir" ] || return 0
    if [ -f "$dir/pids" ]; then
        while read -r pid; do kill "$pid" 2>/dev/null; done < "$dir/pids"
        for _ in $(seq 20); do
            local alive=0
            while read -r pid; do kill -0 "$pid" 2>/dev/null && alive=1; done < "$dir/pids"
            [ $alive = 0 ] && break
            sleep 0.25
        done
        while read -r pid; do kill -9 "$pid" 2>/dev/null; done < "$dir/pids"
    fi
    [ -d "$dir/office" ] && "$SUPPORT/stop-office.sh" "$dir/office" "$(cat "$dir/pipe" 2>/dev/null)" >/dev/null 2>&1
    if [ -f "$dir/pg-cluster" ]; then
        "$SUPPORT/pg-cluster.sh" stop "$(cat "$dir/pg-cluster")" >/dev/null 2>&1
        rm -rf "$(cat "$dir/pg-cluster")"
    fi
    true
}

if [ "$CASE" = cleanup ]; then
    for note in "$STATE"/*.run; do
        [ -f "$note" ] || continue
        dir=$(cat "$note")
        stop_work "$dir"
        [ "${OMBRA_E2E_KEEP:-0}" = 1 ] || rm -rf "$dir"
        rm -f "$note"
    done
    exit 0
fi

for tool in xdotool import xwininfo Xvfb; do
    command -v $tool >/dev/null || { echo "e2e: $tool is not installed" >&2; exit 1; }
done

WORK=$(mktemp -d /tmp/ombra-e2e-XXXXXX)
echo "$WORK" > "$STATE/$(basename "$WORK").run"
PIPE="ombra-e2e-$$"
echo "$PIPE" > "$WORK/pipe"
export FXSIM_DIR=$WORK/fxsim
TEST_UNO_URL="uno:pipe,name=$PIPE;urp;StarOffice.ComponentContext"
export OMBRA_UNO_URL=$TEST_UNO_URL
if [ "$CASE" = setup ]; then
    # The program and e2e_calc use the program's own connection, the one the set-up makes.
    unset OMBRA_UNO_URL
    echo ombra-dts > "$WORK/pipe"
fi
export ASAN_OPTIONS=detect_leaks=0
FAILURES=0
SKIP=77
APP_PID=
MAIN_WINDOW=

finish() {
    local status=$?
    [ $FAILURES -gt 0 ] && status=1
    if [ $status != 0 ] && [ $status != $SKIP ]; then
        shot failure
        echo "--- program output ---"; cat "$WORK/app.log" 2>/dev/null
        echo "--- fxsim output ---"; cat "$WORK/fxsim.log" 2>/dev/null
        for log in "$WORK"/station-*/app.log; do [ -f "$log" ] && { echo "--- $log ---"; cat "$log"; }; done
    fi
    stop_work "$WORK"
    if [ "${OMBRA_E2E_KEEP:-0}" = 1 ] || [ $status != 0 ]; then
        echo "e2e: work folder kept: $WORK"
    else
        rm -rf "$WORK"
    fi
    rm -f "$STATE/$(basename "$WORK").run"
    exit $status
}
trap finish EXIT
trap 'exit 1' INT TERM

process_gone() { ! kill -0 "$1" 2>/dev/null; }
note_pid() { echo "$1" >> "$WORK/pids"; }
log() { echo "[$(date +%T)] $*"; }
fail() { echo "FAIL: $*"; FAILURES=$((FAILURES + 1)); }
check() {  # check DESCRIPTION ACTUAL EXPECTED
    if [ "$2" == "$3" ]; then echo "ok: $1"; else fail "$1: got '$2', expected '$3'"; fi
}
shot() { import -window root "$WORK/$1.png" 2>/dev/null; }

# Polls COMMAND... every quarter second until it succeeds or SECONDS_ pass. COMMAND runs anew each
# time: a condition that reads something must be a function or command, never an argument
# expanded once ("$(...)").
wait_for() {  # wait_for SECONDS COMMAND...
    local deadline=$((SECONDS + $1))
    shift
    while [ $SECONDS -lt $deadline ]; do
        "$@" && return 0
        sleep 0.25
    done
    "$@"
}

fxsim() { "$BIN/fxsim" --dir "$FXSIM_DIR" "$@"; }
calc() { "$BIN/e2e_calc" "$@"; }
status_has() { fxsim status 2>/dev/null | tr -d ' \n' | grep -q "$1"; }

# ---------------------------------------------------------------------------------------------
# The display: the one given when the program's window (700 by 419) fits on it in full colour,
# else a virtual one of our own.

display_fits() {
    local w h d
    read -r w h d < <(xwininfo -root 2>/dev/null |
        awk '/Width:/ { w = $2 } /Height:/ { h = $2 } /Depth:/ { d = $2 } END { print w + 0, h + 0, d + 0 }')
    [ "${w:-0}" -ge 1024 ] && [ "${h:-0}" -ge 768 ] && [ "${d:-0}" -ge 24 ]
}

use_fitting_display() {
    [ -n "${DISPLAY:-}" ] && display_fits && return 0
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> "$WORK/display" 2> "$WORK/xvfb.log" &
    note_pid $!
    wait_for 30 test -s "$WORK/display" || { fail "no virtual display"; exit 1; }
    export DISPLAY=":$(head -1 "$WORK/display")"
    log "own virtual display $DISPLAY"
}

# ---------------------------------------------------------------------------------------------
# The three participants

start_instrument() {  # start_instrument [SCENARIO_FILE]
    "$BIN/fxsim" serve --dir "$FXSIM_DIR" ${1:+--scenario "$1"} > "${STATION_DIR:-$WORK}/fxsim.log" 2>&1 &
    note_pid $!
    wait_for 30 status_has '"model":100' || { fail "the virtual instrument did not start"; exit 1; }
}

start_office() {  # start_office [gui]: headless, or on the screen like the user's own
    OMBRA_OFFICE_MODE=${1:-headless} "$SUPPORT/start-office.sh" "$WORK/office" "$PIPE" > "$WORK/office.log" 2>&1 ||
        { cat "$WORK/office.log"; fail "the office did not start"; exit 1; }
    calc wait 60 || { fail "the office lists no workbook"; exit 1; }
}

# The program with its own settings, measurement journal, single-instance marker and runtime folder.
JOURNAL=$WORK/data/ombra-dts/journal.sqlite
# With STATION_DIR set (see use_station) everything of the program is kept there instead, and its
# timing marks go to STATION_DIR/timings.txt.
start_program() {  # start_program [OPTION...]
    local dir=${STATION_DIR:-$WORK} trace=${OMBRA_TRACE_TIMINGS:-}
    [ -n "${STATION_DIR:-}" ] && trace=$dir/timings.txt
    mkdir -p "$dir/config" "$dir/runtime" "$dir/data"
    chmod 700 "$dir/runtime"
    # A real window on the X display, even when the test run asks for offscreen windows.
    QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME=$dir/config XDG_RUNTIME_DIR=$dir/runtime XDG_DATA_HOME=$dir/data \
        XDG_STATE_HOME=$dir/state OMBRA_PANEL_TEXT=$dir/panel.txt OMBRA_TRACE_TIMINGS=$trace \
        "$BIN/ombra-dts" "$@" >> "$dir/app.log" 2>&1 &
    APP_PID=$!
    note_pid $APP_PID
    CAPTION=$(calc string 1200)
    wait_for 60 find_main_window || { fail "the program's window did not appear"; exit 1; }
    log "program window $MAIN_WINDOW"
}


program_windows() { xdotool search --all --onlyvisible --pid "$APP_PID" --name "^$CAPTION\$" 2>/dev/null; }
find_main_window() {
    MAIN_WINDOW=$(program_windows | head -1)
    [ -n "$MAIN_WINDOW" ]
}
# A message box of the program: a second window with the program's caption.
message_box() { program_windows | grep -vx "$MAIN_WINDOW" | head -1; }
has_message_box() { [ -n "$(message_box)" ]; }
no_message_box() { [ -z "$(message_box)" ]; }
# Clicks the box's OK button (bottom right of the box), like a user; a key could reach the main
# window once the box is gone, where the focused picture button would take it.
dismiss_message_box() {
    local box
    box=$(message_box)
    [ -n "$box" ] || return 1
    eval "$(xdotool getwindowgeometry --shell "$box")"
    xdotool mousemove --window "$box" $((WIDTH - 50)) $((HEIGHT - 22)) click 1
    xdotool mousemove 0 0
    wait_for 10 no_message_box
}

# The Connect button is the first of the row of picture buttons (120 by 112 pixels, starting 20
# pixels from the left of the 700 by 400 client area and centred in its height above the
# status bar); the client area sits below the menu bar, at the bottom of the window.
click_connect() {
    eval "$(xdotool getwindowgeometry --shell "$MAIN_WINDOW")"
    xdotool windowraise "$MAIN_WINDOW"
    xdotool mousemove --window "$MAIN_WINDOW" 80 $((HEIGHT - 400 + 180)) click 1
    xdotool mousemove 0 0
}

# The instrument's status sits in the status bar's right part (x 500..697 of the 700 pixel wide
# client area): its symbol and text are drawn in the colour of the state.
status_shown() {
    eval "$(xdotool getwindowgeometry --shell "$MAIN_WINDOW")"
    # Where the window is on the screen, also inside a window manager's frame.
    X=$(xwininfo -id "$MAIN_WINDOW" | awk '/Absolute upper-left X/ { print $4 }')
    Y=$(xwininfo -id "$MAIN_WINDOW" | awk '/Absolute upper-left Y/ { print $4 }')
    local pixels
    pixels=$(import -window root -crop "190x16+$((X + WIDTH - 196))+$((Y + HEIGHT - 18))" -depth 8 txt:- 2>/dev/null)
    case "$pixels" in
        *'#008000'*) echo ready ;;
        *'#B06000'*) echo calibration-needed ;;
        *'#C00000'*) echo lost ;;
        *'#0050C0'*) echo reading ;;
        *'#606060'*) echo not-connected ;;
        *) echo "other ($(echo "$pixels" | sed -n 2p))" ;;
    esac
}
status_is() { [ "$(status_shown)" = "$1" ]; }

connect() {
    click_connect
    wait_for 60 status_has '"connected":true' || { fail "the program did not open the instrument"; exit 1; }
}

# ---------------------------------------------------------------------------------------------
# The instrument's button and the sheet

released() { status_has '"buttons":{"irradiance":0,"reflection":0}'; }
# The program has read the buttons released since the last press: it takes the next press as a
# new one. Its button poll rests while it measures, writes or shows a message, so by then it has
# also finished with the press before.
release_seen() { status_has '"releaseSeen":true'; }
release_seen_or_gone() { release_seen || process_gone "$APP_PID"; }
# How many times the program has read the buttons; it reads them again when a command that
# stopped its poll is over.
button_reads() { fxsim status 2>/dev/null | tr -d ' \n' | sed -n 's/.*"buttonReads":\([0-9]*\).*/\1/p'; }
reads_beyond() { local n; n=$(button_reads); [ -n "$n" ] && [ "$n" -gt "$1" ]; }

# Presses a button for MS milliseconds (once the program has taken the release of the press
# before) and waits until the instrument reports it released again.
push() {  # push BUTTON MS
    wait_for 60 release_seen_or_gone || fail "the program did not read the button's last release"
    fxsim press --button "$1" --hold "$2" >/dev/null || fail "fxsim press $1"
    wait_for $((10 + $2 / 1000)) released || fail "the button was not released"
}
# A press the program handles without a message: also waits until it is done with it.
press() {  # press BUTTON MS
    push "$1" "$2"
    wait_for 60 release_seen_or_gone || fail "the program did not read the button released"
}

cell() { calc cells "$1" 2>/dev/null | cut -f2-; }
cell_filled() { [ -n "$(cell "$1")" ]; }
active_is() { [ "$(calc active 2>/dev/null)" = "$1" ]; }

# The nine labels of the default selection: date, time, Status E densities C, M, Y, V, L*, a*, b*.
LABEL_IDS=(1138 1139 1125 1126 1127 1251 1100 1101 1102)
COLUMNS=(A B C D E F G H I)
expected_labels() {
    local id out=()
    for id in "${LABEL_IDS[@]}"; do out+=("$(calc string "$id")"); done
    (IFS=$'\t'; echo "${out[*]}")
}
row() { calc grid "A$1:I$1"; }
row_is_empty() { [ -z "$(row "$1" | tr -d '\t')" ]; }

# One measurement of the default selection: labels in row R, values in row R+1, next at A(R+2).
check_measurement() {  # check_measurement R
    local r=$1 values
    check "labels in row $r" "$(row "$r")" "$(expected_labels)"
    values=$(row $((r + 1)))
    IFS=$'\t' read -r -a v <<< "$values"
    # Date and time are values the sheet calculates with, shown as the program wrote them.
    local date time
    date=$(calc shown "A$((r + 1))")
    time=$(calc shown "B$((r + 1))")
    [[ "$date" =~ ^value$'\t'[0-9]{4}/[0-9]{2}/[0-9]{2}$ ]] && echo "ok: date A$((r + 1)) ${date#*$'\t'}" ||
        fail "date in A$((r + 1)): '$date' (want a date value shown as yyyy/mm/dd)"
    [[ "$time" =~ ^value$'\t'[0-9]{2}:[0-9]{2}:[0-9]{2}$ ]] && echo "ok: time B$((r + 1)) ${time#*$'\t'}" ||
        fail "time in B$((r + 1)): '$time' (want a time value shown as hh:mm:ss)"
    local i
    for i in 2 3 4 5 6 7 8; do
        [[ "${v[$i]:-}" =~ ^-?[0-9]+(\.[0-9]+)?$ ]] ||
            fail "value in ${COLUMNS[$i]}$((r + 1)) is not a number: '${v[$i]:-}'"
    done
    echo "values row $((r + 1)): $values"
}
values_from_c() { row "$1" | cut -f3-; }

# The result panel (its text as the program leaves it in $WORK/panel.txt) shows the measurement
# whose labels are in row R: every value it shows is the one under the same label in row R+1,
# and it says where the cells went.
panel_matches_row() {  # panel_matches_row R
    local r=$1 labels values label value i matched=0
    [ -s "$WORK/panel.txt" ] || { fail "the program left no panel text"; return; }
    IFS=$'\t' read -r -a labels <<< "$(row "$r")"
    IFS=$'\t' read -r -a values <<< "$(row $((r + 1)))"
    while IFS=$'\t' read -r label value; do
        if [ "$label" = where ]; then
            [[ "$value" == *"A$r:I$((r + 1))"* ]] && echo "ok: the panel says the cells went to A$r:I$((r + 1))" ||
                fail "the panel's place is '$value', not A$r:I$((r + 1))"
            continue
        fi
        for i in "${!labels[@]}"; do
            [ "${labels[$i]}" = "$label" ] || continue
            local cell=${values[$i]:-}
            [ $i -le 1 ] && cell=$(calc shown "${COLUMNS[$i]}$((r + 1))" | cut -f2)
            if [ "$value" = "$cell" ] || awk -v a="$value" -v b="$cell" 'BEGIN { exit !(a != "" && a + 0 == b + 0 && a ~ /^-?[0-9.]+$/) }'; then
                matched=$((matched + 1))
            else
                fail "the panel shows $label '$value', the sheet holds '$cell' in ${COLUMNS[$i]}$((r + 1))"
            fi
        done
    done < "$WORK/panel.txt"
    [ $matched -ge 3 ] && echo "ok: the panel's $matched values are the sheet's" || fail "only $matched panel values found in the sheet"
}
num() { row "$1" | cut -f"$2"; }  # num ROW FIELD
less_than() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

# Presses and waits until the measurement's last cell is written and the cursor moved on.
measure_into() {  # measure_into R [HOLD_MS]
    local r=$1
    press reflection "${2:-300}"
    wait_for 30 cell_filled "I$((r + 1))" || fail "no measurement written to rows $r and $((r + 1))"
    wait_for 10 active_is "A$((r + 2))" || fail "the next measurement does not start at A$((r + 2)): $(calc active)"
}

# ---------------------------------------------------------------------------------------------
# Cases

case_main_road() {
    log "three presses: paper, paper, black"
    measure_into 1
    measure_into 3
    fxsim sample black >/dev/null || fail "fxsim sample black"
    measure_into 5
    check_measurement 1
    check_measurement 3
    check_measurement 5
    check "the same sample measures the same" "$(values_from_c 4)" "$(values_from_c 2)"
    less_than "$(num 6 7)" "$(num 2 7)" && echo "ok: black is darker than paper (L* $(num 6 7) < $(num 2 7))" ||
        fail "black is not darker than paper: L* $(num 6 7) vs $(num 2 7)"
    less_than "$(num 2 3)" "$(num 6 3)" && echo "ok: black is denser than paper" ||
        fail "black is not denser than paper: $(num 6 3) vs $(num 2 3)"
    check "next measurement begins at" "$(calc active)" "A7"
    shot result-panel
    panel_matches_row 5

    log "holding the button for 2 s gives one measurement"
    fxsim sample paper >/dev/null
    measure_into 7 2000
    # The program has read the button released: a second measurement would be in by now.
    row_is_empty 9 && journal_count_is 4 && echo "ok: nothing more after one long press" ||
        fail "a held button measured twice: $(row 9) / $(journal_outcomes)"
    check "cursor after the long press" "$(calc active)" "A9"

    log "reflection mode ignores the irradiance button"
    press irradiance 300
    row_is_empty 9 && journal_count_is 4 && echo "ok: the irradiance button wrote nothing" ||
        fail "the irradiance button measured: $(row 9) / $(journal_outcomes)"
    no_message_box || fail "the irradiance button showed a message"
    check "cursor after the irradiance button" "$(calc active)" "A9"

    log "a polarisation filter that differs from the setting: message, nothing written"
    fxsim set polarization 2 1 >/dev/null || fail "fxsim set polarization"
    push reflection 300
    if wait_for 30 has_message_box; then
        echo "ok: a message is shown"
        shot polarisation-message
        dismiss_message_box || fail "the message did not close"
    else
        fail "no message for the polarisation mismatch"
    fi
    row_is_empty 9 && row_is_empty 10 && echo "ok: nothing written" || fail "written despite the mismatch: $(row 9)"
    check "cursor after the mismatch" "$(calc active)" "A9"
    fxsim set polarization 0 0 >/dev/null
    measure_into 9
    echo "ok: measures again once the filter matches"
}

case_calibration_due() {
    log "connecting to an instrument whose calibration is due"
    click_connect
    wait_for 60 status_has '"connected":true' || { fail "the program did not open the instrument"; exit 1; }
    # The connection tells the user that a calibration is due.
    if wait_for 30 has_message_box; then
        echo "ok: the connection reports the calibration due"
        dismiss_message_box || fail "the message did not close"
    else
        fail "no message about the calibration at connection"
    fi
    wait_for 10 status_is calibration-needed && echo "ok: the status says a calibration is needed" ||
        fail "status: $(status_shown)"
    log "a press reports the calibration error instead of measuring"
    push reflection 300
    if wait_for 30 has_message_box; then
        echo "ok: the press reports an error"
        shot calibration-error
        dismiss_message_box || fail "the message did not close"
    else
        fail "no error reported for the press"
    fi
    status_has '"measured":false' && echo "ok: the instrument did not measure" || fail "the instrument measured"
    row_is_empty 1 && row_is_empty 2 && echo "ok: nothing written" || fail "written: $(row 1) / $(row 2)"
    check "cursor" "$(calc active)" "A1"
}

case_office_lost() {
    measure_into 1
    local office
    office=$(cat "$WORK/office/soffice_bin.pid")
    log "killing the office (pid $office)"
    kill -9 "$office" "$(cat "$WORK/office/soffice.pid")" 2>/dev/null
    wait_for 20 process_gone "$office" || fail "the office did not end"
    press reflection 300
    kill -0 "$APP_PID" 2>/dev/null && echo "ok: the program is still running" || { fail "the program ended"; return; }
    find_main_window && echo "ok: its window is still there" || fail "its window is gone"
    no_message_box || { fail "a message is shown"; dismiss_message_box; }
    press reflection 300
    kill -0 "$APP_PID" 2>/dev/null && echo "ok: a further press does not end it" || { fail "the program ended"; return; }
    log "the program still answers: Disconnect"
    click_connect
    wait_for 30 status_has '"connected":false' && echo "ok: disconnected" || fail "the program did not disconnect"
    wait_for 10 status_is not-connected && echo "ok: the status says not connected" || fail "status: $(status_shown)"
}

# The colour-set list: a window of the program with the list's title.
# The program's windows are titled "<program> – <window>" (string 2200 around the window's name).
window_title() { string_with 2200 "$(calc string "$1")"; }
colour_set_list() { xdotool search --all --onlyvisible --pid "$APP_PID" --name "^$(window_title 2201)\$" 2>/dev/null | head -1; }
has_colour_set_list() { [ -n "$(colour_set_list)" ]; }
no_colour_set_list() { [ -z "$(colour_set_list)" ]; }
# Every window the program shows, pop-up menus included.
shown_windows() { xdotool search --all --onlyvisible --pid "$APP_PID" 2>/dev/null | grep -c .; }
more_windows_than() { [ "$(shown_windows)" -gt "$1" ]; }

case_colour_sets() {
    log "Instrument menu, Colour sets"
    xdotool windowactivate --sync "$MAIN_WINDOW" 2>/dev/null || xdotool windowfocus "$MAIN_WINDOW"
    # The menu bar's first pop-up sits at the window's top left; "o" is the item's mnemonic.
    local shown
    shown=$(shown_windows)
    xdotool mousemove --window "$MAIN_WINDOW" 30 10 click 1
    wait_for 10 more_windows_than "$shown" || fail "the menu did not open"
    xdotool key o
    xdotool mousemove 0 0
    if wait_for 30 has_colour_set_list; then
        echo "ok: the colour-set list is open"
        shot colour-set-list
    else
        fail "the colour-set list did not open"
        has_message_box && { shot colour-set-message; dismiss_message_box; }
        return
    fi
    no_message_box && echo "ok: no message on opening" || fail "a message is shown with the list"
    local list reads
    list=$(colour_set_list)
    # The button poll rests while the command runs: it reads the buttons again once it is over.
    reads=$(button_reads)
    xdotool windowactivate --sync "$list" 2>/dev/null || xdotool windowfocus "$list"
    xdotool key Escape
    wait_for 10 no_colour_set_list && echo "ok: the list closed" || fail "the list did not close"
    wait_for 30 reads_beyond "$reads" || fail "the program does not read the buttons again after the list"
    no_message_box && echo "ok: no message on closing" || { fail "a message is shown after closing"; dismiss_message_box; }
    kill -0 "$APP_PID" 2>/dev/null && echo "ok: the program is still running" || fail "the program ended"
    status_has '"connected":true' && echo "ok: still connected" || fail "the instrument is no longer open"
}

# The journal's entries, oldest first: "<outcome><TAB><values...>" (see e2e_calc).
journal() { calc journal "$JOURNAL" 2>/dev/null; }
journal_count_is() { [ "$(journal | grep -c .)" = "$1" ]; }
journal_outcomes() { journal | cut -f1 | tr '\n' ' '; }
journal_outcomes_are() { [ "$(journal_outcomes)" = "$1" ]; }

# A window of the program with the given title.
program_window_named() { xdotool search --all --onlyvisible --pid "$APP_PID" --name "^$1\$" 2>/dev/null | head -1; }
focus_window() { xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"; }
measurements_window_open() { [ -n "$(program_window_named "$MEASUREMENTS_TITLE")" ]; }
measurements_window_closed() { ! measurements_window_open; }

# The Measurements window (Data menu, Ctrl+J): everything selected, then "Write to spreadsheet".
resend_everything() {
    focus_window "$MAIN_WINDOW"
    xdotool key ctrl+j
    wait_for 30 measurements_window_open ||
        { fail "the Measurements window did not open"; return 1; }
    local window
    window=$(program_window_named "$MEASUREMENTS_TITLE")
    echo "ok: the Measurements window is open"
    shot measurements-window
    focus_window "$window"
    # The window takes the keys in the order they come: everything selected, then written.
    xdotool key ctrl+a alt+w
}

case_journal() {
    MEASUREMENTS_TITLE=$(window_title 1424)
    log "no office: three presses are kept in the journal as not written"
    local n
    for n in 1 2 3; do
        press reflection 300
        wait_for 30 journal_count_is $n || fail "press $n is not in the journal: $(journal_outcomes)"
    done
    wait_for 10 journal_outcomes_are "not-written not-written not-written " &&
        echo "ok: three measurements journaled as not written" || fail "journal outcomes: $(journal_outcomes)"
    no_message_box || { fail "a message is shown"; dismiss_message_box; }

    log "a fourth press, and the program killed as soon as the reading is kept"
    fxsim press --button reflection --hold 300 >/dev/null || fail "fxsim press"
    local deadline=$((SECONDS + 30))
    until journal_count_is 4 || [ $SECONDS -ge $deadline ]; do sleep 0.05; done
    kill -9 "$APP_PID"
    wait_for 10 process_gone "$APP_PID" || fail "the program did not end"
    journal_count_is 4 && echo "ok: the reading of the killed program is in the journal" ||
        fail "the fourth reading is lost: $(journal_outcomes)"

    log "the office starts, the program starts again and writes the journal's four readings"
    start_office
    start_program
    journal_count_is 4 && echo "ok: four readings after the restart" || fail "after the restart: $(journal_outcomes)"
    resend_everything || return
    wait_for 60 cell_filled I8 || fail "the four readings were not written: $(calc cells A1:I8)"
    wait_for 10 active_is A9 && echo "ok: the next measurement begins at A9" || fail "active cell $(calc active)"
    local r
    for r in 1 3 5 7; do check_measurement $r; done
    wait_for 10 journal_outcomes_are "written written written written " &&
        echo "ok: the journal knows them as written" || fail "journal outcomes: $(journal_outcomes)"
    xdotool key Escape
    wait_for 10 measurements_window_closed || fail "the Measurements window did not close"

    log "three direct measurements of the same sample from A11 give the same cells"
    calc select A11 >/dev/null
    connect
    wait_for 30 status_is ready || fail "the status did not turn to ready: $(status_shown)"
    measure_into 11
    measure_into 13
    measure_into 15
    for r in 11 13 15; do
        check "labels of the direct measurement in row $r" "$(row $r)" "$(row $((r - 10)))"
        check "values of the direct measurement in row $((r + 1))" "$(values_from_c $((r + 1)))" "$(values_from_c $((r - 9)))"
        check "date/time cell kinds in row $((r + 1))" "$(calc shown A$((r + 1)) | cut -f1)$(calc shown B$((r + 1)) | cut -f1)" \
            "$(calc shown A$((r - 9)) | cut -f1)$(calc shown B$((r - 9)) | cut -f1)"
    done
}

# The user's desktop: a window manager that tells which window is in front (_NET_ACTIVE_WINDOW).
# One already running on the display is used as it is.
# (A window manager that ended may leave the root's property behind: its window must still exist.)
window_manager_runs() {
    local check
    check=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | awk '/window id/ { print $NF }')
    [ -n "$check" ] && xwininfo -id "$check" >/dev/null 2>&1
}
start_window_manager() {
    window_manager_runs && return 0
    local tool
    for tool in openbox wmctrl xterm xprop; do
        command -v $tool >/dev/null || { fail "$tool is not installed"; exit 1; }
    done
    # A window manager of the case before may still be going away: openbox then finds the
    # display taken and ends, so it is started again (--replace takes over from one that lingers).
    local attempt
    for attempt in 1 2 3; do
        openbox --replace --sm-disable >> "$WORK/openbox.log" 2>&1 &
        WM_PID=$!
        note_pid $WM_PID
        wait_for 20 wm_settled
        window_manager_runs && kill -0 "$WM_PID" 2>/dev/null && return 0
    done
    fail "the window manager did not start: $(tail -3 "$WORK/openbox.log")"
    exit 1
}
# Settled: the display names a window manager, or ours ended.
wm_settled() { window_manager_runs || ! kill -0 "$WM_PID" 2>/dev/null; }
active_window() { xdotool getactivewindow 2>/dev/null; }
active_is_window() { [ "$(active_window)" = "$1" ]; }
calc_window() { xdotool search --all --onlyvisible --name ' - LibreOffice Calc$' 2>/dev/null | head -1; }
has_calc_window() { [ -n "$(calc_window)" ]; }
terminal_window() { xdotool search --all --onlyvisible --name '^Notes$' 2>/dev/null | head -1; }
has_terminal_window() { [ -n "$(terminal_window)" ]; }
# The program's window at the top left, the workbook's beside it, as a user keeps them.
arrange_desktop() {
    wait_for 60 has_calc_window || { fail "the office shows no workbook window"; exit 1; }
    local book
    book=$(calc_window)
    wmctrl -i -r "$book" -b remove,maximized_vert,maximized_horz
    wmctrl -i -r "$book" -e 0,720,0,560,1000
    wmctrl -i -r "$MAIN_WINDOW" -e 0,0,0,-1,-1
    wait_for 10 windows_apart "$book" "$MAIN_WINDOW" ||
        fail "the workbook's window still covers the program's: $(window_box "$book") / $(window_box "$MAIN_WINDOW")"
}
window_box() {  # window_box ID: "X Y WIDTH HEIGHT" on the screen
    xwininfo -id "$1" 2>/dev/null | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
        /Width:/ { w = $2 } /Height:/ { h = $2 } END { print x + 0, y + 0, w + 0, h + 0 }'
}
windows_apart() {  # windows_apart ID ID: neither covers any part of the other
    local ax ay aw ah bx by bw bh
    read -r ax ay aw ah < <(window_box "$1")
    read -r bx by bw bh < <(window_box "$2")
    [ $((ax + aw)) -le "$bx" ] || [ $((bx + bw)) -le "$ax" ] || [ $((ay + ah)) -le "$by" ] || [ $((by + bh)) -le "$ay" ]
}
# A click on the picture above the row of buttons (which starts 131 pixels down the client area),
# where it hits no control.
click_program_background() {
    eval "$(xdotool getwindowgeometry --shell "$MAIN_WINDOW")"
    xdotool mousemove --window "$MAIN_WINDOW" 350 $((HEIGHT - 400 + 40)) click 1
    xdotool mousemove 0 0
}
said_by_program() { grep -qF -- "$1" "$WORK/app.log"; }

case_last_workbook() {
    local book
    book=$(calc_window)
    log "the user works in the workbook (cell C5), then clicks into the program's window"
    calc select C5 >/dev/null || fail "e2e_calc select C5"
    focus_window "$book"
    wait_for 10 active_is_window "$book" || fail "the workbook did not come to the front"
    click_program_background
    wait_for 10 active_is_window "$MAIN_WINDOW" && echo "ok: the program's window is in front" ||
        fail "the program's window is not in front: $(active_window)"
    press reflection 300
    wait_for 30 cell_filled K6 || fail "the press wrote nothing at the workbook's active cell C5: $(calc cells A1:K8)"
    check "labels from the active cell C5" "$(calc grid C5:K5)" "$(expected_labels)"
    check "nothing at A1" "$(calc cells A1:B2)" ""
    wait_for 10 active_is C7 && echo "ok: the next measurement begins at C7" || fail "active cell $(calc active)"
    check "journal" "$(journal_outcomes)" "written "

    log "a third application in front: the press is journaled and the banner names the reason"
    xterm -T Notes > /dev/null 2>&1 &
    note_pid $!
    local other
    wait_for 30 has_terminal_window || { fail "xterm did not appear"; return; }
    other=$(terminal_window)
    focus_window "$other"
    wait_for 10 active_is_window "$other" || fail "xterm did not come to the front: $(active_window)"
    press reflection 300
    wait_for 30 journal_outcomes_are "written not-written " &&
        echo "ok: the press is journaled as not written" || fail "journal outcomes: $(journal_outcomes)"
    wait_for 10 said_by_program "$(calc string 1723)" && echo "ok: the banner names the reason" ||
        fail "no banner with the reason '$(calc string 1723)'"
    shot banner
    check "the sheet is untouched" "$(calc cells C7:K8)" ""
    check "cursor" "$(calc active)" "C7"
    no_message_box || { fail "a message box is shown"; dismiss_message_box; }
}

# CIEDE2000 (1:1:1) of two L*a*b* triples, to four decimals.
de00() {  # de00 L1 a1 b1 L2 a2 b2
    awk -v L1="$1" -v a1="$2" -v b1="$3" -v L2="$4" -v a2="$5" -v b2="$6" '
    function hue(y, x,  h) { if (x == 0 && y == 0) return 0; h = atan2(y, x) * 180 / PI; return h < 0 ? h + 360 : h }
    function rad(d) { return d * PI / 180 }
    BEGIN {
        PI = atan2(0, -1)
        Cm = (sqrt(a1 * a1 + b1 * b1) + sqrt(a2 * a2 + b2 * b2)) / 2
        G = 0.5 * (1 - sqrt(Cm ^ 7 / (Cm ^ 7 + 25 ^ 7)))
        ap1 = (1 + G) * a1; ap2 = (1 + G) * a2
        C1 = sqrt(ap1 * ap1 + b1 * b1); C2 = sqrt(ap2 * ap2 + b2 * b2)
        h1 = hue(b1, ap1); h2 = hue(b2, ap2)
        dh = 0
        if (C1 * C2 != 0) { dh = h2 - h1; if (dh > 180) dh -= 360; else if (dh < -180) dh += 360 }
        dL = L2 - L1; dC = C2 - C1; dH = 2 * sqrt(C1 * C2) * sin(rad(dh / 2))
        Lm = (L1 + L2) / 2; Cp = (C1 + C2) / 2
        if (C1 * C2 == 0) hm = h1 + h2
        else if (h1 - h2 > 180 || h2 - h1 > 180) hm = h1 + h2 < 360 ? (h1 + h2 + 360) / 2 : (h1 + h2 - 360) / 2
        else hm = (h1 + h2) / 2
        T = 1 - 0.17 * cos(rad(hm - 30)) + 0.24 * cos(rad(2 * hm)) + 0.32 * cos(rad(3 * hm + 6)) - 0.20 * cos(rad(4 * hm - 63))
        RT = -sin(rad(60 * exp(-(((hm - 275) / 25) ^ 2)))) * 2 * sqrt(Cp ^ 7 / (Cp ^ 7 + 25 ^ 7))
        SL = 1 + 0.015 * (Lm - 50) ^ 2 / sqrt(20 + (Lm - 50) ^ 2); SC = 1 + 0.045 * Cp; SH = 1 + 0.015 * Cp * T
        printf "%.4f\n", sqrt((dL / SL) ^ 2 + (dC / SC) ^ 2 + (dH / SH) ^ 2 + RT * (dC / SC) * (dH / SH))
    }'
}

# Sample A (paper) is measured and made the reference: the references file the program reads at
# its start holds its L*a*b* as the cells have them, under the default D50 / 2°. Sample B (black)
# is measured with the reference's name and ΔE00 selected: the ΔE00 cell is CIEDE2000 of the two
# measurements' L*a*b* cells.
case_comparison() {
    log "sample A (paper) measured"
    measure_into 1
    local la aa ba lb ab bb name de expected
    IFS=$'\t' read -r la aa ba <<< "$(row 2 | cut -f7-9)"
    check "L*a*b* of sample A are numbers" "$(echo "$la $aa $ba" | grep -cE '^-?[0-9.]+ -?[0-9.]+ -?[0-9.]+$')" 1

    log "sample A made the reference; the reference's name and ΔE00 selected"
    kill "$APP_PID"
    wait_for 30 process_gone "$APP_PID" || fail "the program did not end"
    wait_for 30 status_has '"connected":false' || fail "the instrument still counts the program as connected"
    mkdir -p "$WORK/data/ombra-dts"
    printf '{"version": 1, "active": "A", "nearest": false, "references": [{"name": "A", "lab": [%s, %s, %s], "illuminant": 2, "observer": 0, "tolerance": {"formula": 2, "limit": 0, "factors": [1, 1, 1], "components": [0, 0, 0, 0, 0], "warn": 0}}]}\n' \
        "$la" "$aa" "$ba" > "$WORK/data/ombra-dts/references.json"
    rm -rf "$WORK/config"
    mkdir -p "$WORK/config/LARKSPUR"
    printf '[OS-100]\nReflSelDataItems="1035;1036;2005;2000;2100;2108;"\n' > "$WORK/config/LARKSPUR/ombra-dts.conf"
    start_program
    connect
    wait_for 30 status_is ready || fail "the status did not turn to ready: $(status_shown)"

    log "sample B (black) measured against it"
    fxsim sample black >/dev/null || fail "fxsim sample black"
    measure_into 3
    wait_for 10 cell_filled K4 || fail "no ΔE00 in K4: $(row 4)"
    check "the comparison's labels" "$(calc grid J3:K3)" "$(calc string 1950)"$'\t'"$(calc string 1958)"
    IFS=$'\t' read -r lb ab bb name de <<< "$(calc grid G4:K4)"
    check "the reference compared with" "$name" "A"
    expected=$(de00 "$la" "$aa" "$ba" "$lb" "$ab" "$bb")
    awk -v a="$de" -v b="$expected" 'BEGIN { d = a - b; exit !(a ~ /^[0-9]+\.[0-9][0-9]$/ && d <= 0.01 && d >= -0.01) }' &&
        echo "ok: ΔE00 $de is CIEDE2000 of the cells ($expected)" ||
        fail "ΔE00 cell '$de', CIEDE2000 of ($la, $aa, $ba) and ($lb, $ab, $bb) is $expected"
    less_than 10 "${de:-0}" && echo "ok: black lies far from paper" || fail "black is close to paper: ΔE00 $de"
}

# Labels once, as the header of a table: three presses from A1 give the labels in row 1 and one row
# of values per measurement; a press started by hand away from the table begins a new one.
case_header_row() {
    local r
    for r in 2 3 4; do
        press reflection 300
        wait_for 30 cell_filled "I$r" || fail "no values in row $r: $(row "$r")"
        wait_for 10 active_is "A$((r + 1))" || fail "the next measurement does not start at A$((r + 1)): $(calc active)"
    done
    check "the table's header in row 1" "$(row 1)" "$(expected_labels)"
    check "the same sample measures the same (rows 2 and 3)" "$(values_from_c 3)" "$(values_from_c 2)"
    check "the same sample measures the same (rows 2 and 4)" "$(values_from_c 4)" "$(values_from_c 2)"
    [[ "$(calc shown A4)" =~ ^value$'\t'[0-9]{4}/[0-9]{2}/[0-9]{2}$ ]] && echo "ok: row 4 starts with a date" ||
        fail "no date in A4: $(calc shown A4)"

    log "a press started at A10 begins a new table with its header"
    calc select A10 > /dev/null || fail "A10 could not be selected"
    press reflection 300
    wait_for 30 cell_filled I11 || fail "no values in row 11: $(row 11)"
    check "the new table's header in row 10" "$(row 10)" "$(expected_labels)"
    check "the new table's values" "$(values_from_c 11)" "$(values_from_c 2)"
    for r in 5 6 7 8 9 12; do row_is_empty "$r" || fail "row $r holds $(row "$r")"; done
    check "next measurement begins at" "$(calc active)" "A12"
}

# ---------------------------------------------------------------------------------------------
# The user's own LibreOffice: a fresh HOME, the set-up as README.md gives it, and the office started
# as the application menu starts Calc.

USER_HOME=$WORK/home
PROFILE_FILE=$USER_HOME/.config/libreoffice/4/user/registrymodifications.xcu
PROGRAM_SOCKET=/tmp/OSL_PIPE_$(id -u)_ombra-dts
OUR_ITEM='<item oor:path="/org.openoffice.Setup/Office"><prop oor:name="ooSetupConnectionURL" oor:op="fuse"><value>pipe,name=ombra-dts;urp;StarOffice.ServiceManager</value></prop></item>'

# A command as the user types it: in a folder where build/bin is this build, ombra-dts on the PATH.
as_user() {
    (cd "$WORK/tree" && env -u XDG_CONFIG_HOME -u OMBRA_UNO_URL HOME="$USER_HOME" PATH="$WORK/path:$PATH" "$@")
}
# The text of string ID with %1 filled in.
string_with() { local text; text=$(calc string "$1"); echo "${text//%1/$2}"; }

office_of_home() {  # the office process that runs with USER_HOME
    local pid
    for pid in $(pgrep -x soffice.bin); do
        tr '\0' '\n' 2> /dev/null < "/proc/$pid/environ" | grep -qxF "HOME=$USER_HOME" && { echo "$pid"; return 0; }
    done
    return 1
}
office_up() { local pid; pid=$(office_of_home) && echo "$pid" > "$WORK/office/soffice_bin.pid"; }
office_gone() { ! office_of_home > /dev/null; }

# `soffice --calc`, the application menu's Calc, on the display; the options given are the test's own.
start_users_office() {  # start_users_office [OPTION...]
    mkdir -p "$WORK/office"
    (cd "$USER_HOME" && exec env -u XDG_CONFIG_HOME HOME="$USER_HOME" soffice --calc "$@") >> "$WORK/office.log" 2>&1 &
    echo $! > "$WORK/office/soffice.pid"
    wait_for 90 office_up || { fail "LibreOffice did not start"; exit 1; }
}
# The tip of the day an office with a window shows as it starts, closed as a user closes it.
tip_window() { xdotool search --onlyvisible --name '^Tip of the Day' 2> /dev/null | head -1; }
has_tip_window() { [ -n "$(tip_window)" ]; }
no_tip_window() { [ -z "$(tip_window)" ]; }
close_tip_of_the_day() {
    wait_for 10 has_tip_window || return 0
    xdotool windowfocus --sync "$(tip_window)" 2> /dev/null
    xdotool key Escape
    wait_for 10 no_tip_window || echo "note: the tip of the day stays open"
}
# File › Exit, after saving the workbook (the office would ask): the office writes its settings as it closes.
quit_users_office() {  # quit_users_office NAME
    calc save "$WORK/$1.ods" > /dev/null || fail "the workbook was not saved"
    calc quit
    wait_for 60 office_gone || fail "LibreOffice did not end"
}
run_as_user() {  # run_as_user EXPECTED_STATUS EXPECTED_OUTPUT COMMAND...
    local want_status=$1 want_out=$2 out status=0
    shift 2
    out=$(as_user "$@" 2>&1) || status=$?
    echo "\$ $*"; echo "$out"
    check "exit status of $*" "$status" "$want_status"
    check "what $* says" "$out" "$want_out"
}

case_setup() {
    if [ -e "$PROGRAM_SOCKET" ]; then
        echo "e2e: $PROGRAM_SOCKET exists: an office of this user already accepts the program; skipped"
        exit $SKIP
    fi
    mkdir -p "$USER_HOME" "$WORK/tree" "$WORK/path"
    ln -s "$BIN/.." "$WORK/tree/build"
    ln -s "$BIN/ombra-dts" "$WORK/path/ombra-dts"

    log "the set-up on a HOME where LibreOffice never ran"
    run_as_user 0 "$(string_with 1701 "$PROFILE_FILE")" build/bin/ombra-dts --setup-libreoffice
    grep -qxF "$OUR_ITEM" "$PROFILE_FILE" && echo "ok: the profile names the program's pipe" || fail "no item in $PROFILE_FILE"

    log "LibreOffice as the application menu starts it, then the program"
    start_users_office
    wait_for 60 test -S "$PROGRAM_SOCKET" && echo "ok: LibreOffice accepts the program's connection" ||
        { fail "LibreOffice does not listen on $PROGRAM_SOCKET"; exit 1; }
    calc wait 60 || { fail "the office lists no workbook"; exit 1; }
    close_tip_of_the_day
    shot users-office
    start_program
    connect
    wait_for 30 status_is ready || fail "the status did not turn to ready: $(status_shown)"
    measure_into 1
    check_measurement 1
    quit_users_office first
    grep -qxF "$OUR_ITEM" "$PROFILE_FILE" && echo "ok: LibreOffice kept the setting" || fail "LibreOffice dropped the setting"
    [ -d "$(dirname "$PROFILE_FILE")/basic" ] && echo "ok: LibreOffice completed the profile on its first start" ||
        fail "LibreOffice did not complete the profile"

    log "the undo, then LibreOffice no longer accepts the program"
    run_as_user 0 "$(string_with 1706 "$PROFILE_FILE")" build/bin/ombra-dts --setup-libreoffice --undo
    grep -qF "ooSetupConnectionURL" "$PROFILE_FILE" && fail "the setting is still there"
    # The test's own pipe only lets the test close this office again.
    start_users_office "--accept=pipe,name=$PIPE;urp;"
    OMBRA_UNO_URL=$TEST_UNO_URL calc wait 60 || { fail "the office lists no workbook"; exit 1; }
    close_tip_of_the_day
    [ ! -e "$PROGRAM_SOCKET" ] && echo "ok: LibreOffice no longer accepts the program" || fail "$PROGRAM_SOCKET is there"
    OMBRA_UNO_URL=$TEST_UNO_URL quit_users_office second

    log "set-up and undo on the profile LibreOffice wrote: the file comes back byte for byte"
    cp "$PROFILE_FILE" "$WORK/snapshot.xcu"
    run_as_user 0 "$(string_with 1700 "$PROFILE_FILE")" ombra-dts --setup-libreoffice
    cmp -s "$WORK/snapshot.xcu" "$PROFILE_FILE" && fail "the set-up changed nothing"
    run_as_user 0 "$(string_with 1706 "$PROFILE_FILE")" ombra-dts --setup-libreoffice --undo
    cmp "$WORK/snapshot.xcu" "$PROFILE_FILE" && echo "ok: the profile file is as it was, byte for byte" ||
        fail "the undo did not restore the profile file"
}

# ---------------------------------------------------------------------------------------------
# A second start on a desktop: the running window comes to the front.

other_window() { xdotool search --all --onlyvisible --pid "$OTHER_PID" 2>/dev/null | head -1; }
has_other_window() { [ -n "$(other_window)" ]; }
other_is_active() { [ "$(active_window)" = "$(other_window)" ]; }
program_is_active() { [ "$(active_window)" = "$MAIN_WINDOW" ]; }

case_second_start() {
    xterm -T "another application" > "$WORK/xterm.log" 2>&1 &
    OTHER_PID=$!
    note_pid $OTHER_PID
    wait_for 30 has_other_window || { fail "the other application's window did not appear"; exit 1; }
    xdotool windowactivate --sync "$(other_window)" 2> /dev/null
    wait_for 10 other_is_active || fail "the other application is not in front"

    log "ombra-dts, started again while it runs"
    mkdir -p "$WORK/path"
    ln -sf "$BIN/ombra-dts" "$WORK/path/ombra-dts"
    local second status=0
    (PATH="$WORK/path:$PATH" QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME=$WORK/config XDG_RUNTIME_DIR=$WORK/runtime \
        XDG_DATA_HOME=$WORK/data exec ombra-dts) > "$WORK/second.log" 2>&1 &
    second=$!
    note_pid $second
    wait_for 30 process_gone "$second" || fail "the second start did not end"
    wait "$second" || status=$?
    check "exit status of the second start" "$status" 0
    check "what the second start says" "$(cat "$WORK/second.log")" ""
    wait_for 10 program_is_active && echo "ok: the running window is active" ||
        fail "the active window is $(active_window), not the program's $MAIN_WINDOW"
    shot second-start
    kill -0 "$APP_PID" 2> /dev/null && echo "ok: the first copy runs on" || fail "the first copy ended"
    check "windows of the program" "$(program_windows | wc -l)" 1
}

# ---------------------------------------------------------------------------------------------
# Soak: presses 0.4 s apart into the sheet, the sample changing with every press, first with the
# default selection, then with every item selected. Afterwards every measurement must be in the
# sheet in the order of the presses and in the journal, and the program's memory (RSS) and open
# files must stay level from the 100th press on.

SOAK_SAMPLES=(paper grey cyan magenta yellow black white)
SOAK_CADENCE_MS=400
now_ms() { echo $(($(date +%s%N) / 1000000)); }
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$APP_PID/status" 2>/dev/null; }
fd_count() { ls "/proc/$APP_PID/fd" 2>/dev/null | grep -c .; }
column_name() {  # column_name N: 1 -> A, 27 -> AA
    local n=$1 name=""
    while [ "$n" -gt 0 ]; do
        name=$(printf "\\$(printf %03o $((65 + (n - 1) % 26)))")$name
        n=$(((n - 1) / 26))
    done
    echo "$name"
}

# Every item of the reflection tab: date and time, the colour values, the 36 spectral values
# and the 351 spot densities (434 columns).
full_selection() {
    local ids=(1035 1036) id
    for id in $(seq 1045 1050) $(seq 1000 1034) $(seq 1040 1043) $(seq 380 10 730) $(seq 2380 2730); do ids+=("$id"); done
    (IFS=';'; echo "${ids[*]};")
}

# Waits, polling briskly, until the program has read the button released after the press.
press_taken() {
    local deadline=$(($(now_ms) + 30000))
    until release_seen; do
        process_gone "$APP_PID" && return 1
        [ "$(now_ms)" -lt $deadline ] || return 1
        sleep 0.02
    done
}

# soak_presses N: N presses on a steady cadence; notes RSS and open files after press BASE
# (the 100th, or half of a shorter run) and after the last, and how far a press fell behind.
soak_presses() {
    local n=$1 k start slot lag
    SOAK_BASE=$((n >= 200 ? 100 : (n + 1) / 2))
    SOAK_MAX_LAG=0
    start=$(now_ms)
    for ((k = 1; k <= n; k++)); do
        fxsim sample "${SOAK_SAMPLES[$(((k - 1) % ${#SOAK_SAMPLES[@]}))]}" >/dev/null || fail "fxsim sample"
        # The cadence: each press has its moment; one that comes late goes at once.
        slot=$((start + (k - 1) * SOAK_CADENCE_MS))
        lag=$(($(now_ms) - slot))
        [ $lag -lt 0 ] && sleep "$(printf '%d.%03d' $((-lag / 1000)) $((-lag % 1000)))"
        [ $lag -gt $SOAK_MAX_LAG ] && SOAK_MAX_LAG=$lag
        fxsim press --button reflection --hold 150 >/dev/null || fail "fxsim press"
        press_taken || { fail "press $k was not taken: $(fxsim status 2>/dev/null | tr -d ' \n')"; return 1; }
        if [ $k = $SOAK_BASE ]; then
            SOAK_BASE_RSS=$(rss_kb)
            SOAK_BASE_FD=$(fd_count)
        fi
    done
    SOAK_END_RSS=$(rss_kb)
    SOAK_END_FD=$(fd_count)
}

# The values of measurements FIRST..FIRST+N-1 of the journal (its lines hold the outcome, then
# the values), fields FIELD..., one line each.
journal_values() {  # journal_values FIRST N FIELDS(cut list of value positions)
    local fields
    fields=$(echo "$3" | awk -F, '{
        for (i = 1; i <= NF; i++) { split($i, r, "-"); printf "%s%d-%d", (i > 1 ? "," : ""), r[1] + 1, (2 in r ? r[2] : r[1]) + 1 } }')
    journal | sed -n "$1,$(($1 + $2 - 1))p" | cut -f"$fields"
}

# Same numbers, line by line, field by field ("95.10" in the journal is 95.1 in the sheet).
same_numbers() {  # same_numbers FILE FILE
    paste "$1" "$2" | awk -F'\t' '{
        half = NF / 2
        for (i = 1; i <= half; i++) if ($i + 0 != $(i + half) + 0 || $i == "") { print "line " NR ": " $0; exit 1 }
    }'
}

# soak_check NAME N FIRST_ROW FIRST_ENTRY COLUMNS: the N measurements from FIRST_ROW on (label row,
# value row) hold the journal's entries from FIRST_ENTRY on, in order, in the value positions
# COLUMNS ("3-9", or a cut list); each is a measurement of its press's sample.
soak_check() {
    local name=$1 n=$2 first=$3 entry=$4 columns=$5 last=$(($3 + 2 * $2 - 1)) range from to
    local outcomes
    outcomes=$(journal | sed -n "$entry,$((entry + n - 1))p" | cut -f1 | sort | uniq -c | awk '{ printf "%s%s %s", sep, $1, $2; sep = ", " }')
    check "$name: journal entries of the presses" "$outcomes" "$n written"
    journal_values "$entry" "$n" "$columns" > "$WORK/soak-journal.txt"
    : > "$WORK/soak-sheet.txt"
    for range in ${columns//,/ }; do
        from=$(column_name "${range%-*}")
        to=$(column_name "${range#*-}")
        calc grid "$from$first:$to$last" | sed -n '2~2p' > "$WORK/soak-part.txt"
        if [ -s "$WORK/soak-sheet.txt" ]; then
            paste "$WORK/soak-sheet.txt" "$WORK/soak-part.txt" > "$WORK/soak-joined.txt"
            mv "$WORK/soak-joined.txt" "$WORK/soak-sheet.txt"
        else
            mv "$WORK/soak-part.txt" "$WORK/soak-sheet.txt"
        fi
    done
    check "$name: value rows in the sheet" "$(grep -c . "$WORK/soak-sheet.txt")" "$n"
    same_numbers "$WORK/soak-sheet.txt" "$WORK/soak-journal.txt" > "$WORK/soak-diff.txt" &&
        echo "ok: $name: the sheet holds the journal's measurements in order" ||
        fail "$name: sheet and journal differ: $(cat "$WORK/soak-diff.txt")"
    # The samples go round: each measurement equals the one a round before and differs from the one before.
    local round=${#SOAK_SAMPLES[@]}
    tail -n +$((round + 1)) "$WORK/soak-journal.txt" > "$WORK/soak-later.txt"
    head -n $((n - round)) "$WORK/soak-journal.txt" > "$WORK/soak-earlier.txt"
    if [ "$n" -le "$round" ] || same_numbers "$WORK/soak-later.txt" "$WORK/soak-earlier.txt" > "$WORK/soak-diff.txt"; then
        echo "ok: $name: every measurement is one of its own press's sample"
    else
        fail "$name: a measurement is not of its press's sample (lost, doubled or out of order): $(cat "$WORK/soak-diff.txt")"
    fi
    [ -z "$(uniq -d "$WORK/soak-journal.txt")" ] || fail "$name: two presses in a row gave the same values"
}

soak_figures() {  # soak_figures NAME N
    local growth=$((SOAK_END_RSS - SOAK_BASE_RSS))
    printf 'soak: %s: %d presses %d ms apart (latest %d ms behind its moment); RSS after press %d %.1f MB, after press %d %.1f MB, growth %.1f MB; open files %d and %d\n' \
        "$1" "$2" $SOAK_CADENCE_MS "$SOAK_MAX_LAG" "$SOAK_BASE" "$(awk -v k="$SOAK_BASE_RSS" 'BEGIN { print k / 1024 }')" "$2" \
        "$(awk -v k="$SOAK_END_RSS" 'BEGIN { print k / 1024 }')" "$(awk -v k="$growth" 'BEGIN { print k / 1024 }')" \
        "$SOAK_BASE_FD" "$SOAK_END_FD" | tee -a "$WORK/soak-figures.txt"
    [ $growth -le 10240 ] && echo "ok: $1: RSS growth within 10 MB" || fail "$1: RSS grew by $growth kB"
    check "$1: open files from press $SOAK_BASE to the end" "$SOAK_END_FD" "$SOAK_BASE_FD"
}

case_soak() {
    local presses=${OMBRA_SOAK_PRESSES:-1000} full
    full=$(((presses + 4) / 5))
    log "default selection: $presses presses"
    soak_presses "$presses" || return
    soak_figures "default selection" "$presses"
    soak_check "default selection" "$presses" 1 1 3-9

    log "every item selected: $full presses"
    kill "$APP_PID"
    wait_for 30 process_gone "$APP_PID" || fail "the program did not end"
    wait_for 30 status_has '"connected":false' || fail "the instrument still counts the program as connected"
    rm -rf "$WORK/config"
    mkdir -p "$WORK/config/LARKSPUR"
    printf '[OS-100]\nReflSelDataItems="%s"\n' "$(full_selection)" > "$WORK/config/LARKSPUR/ombra-dts.conf"
    start_program
    connect
    wait_for 30 status_is ready || fail "the status did not turn to ready: $(status_shown)"
    soak_presses "$full" || return
    soak_figures "full selection" "$full"
    soak_check "full selection" "$full" $((2 * presses + 1)) $((presses + 1)) 3-9,432-434
    check "journal rows" "$(journal | grep -c .)" $((presses + full))
    log "figures"
    cat "$WORK/soak-figures.txt"
}

# ---------------------------------------------------------------------------------------------
# The shared journal: two stations (each its own instrument, program and folders) send to one
# PostgreSQL server, a throwaway cluster of the case's own (tests/support/pg-cluster.sh).

pg() { "$SUPPORT/pg-cluster.sh" "$@"; }
sql() { pg psql "$PG_DIR" -d journal -At -c "$1" 2>/dev/null; }
rows_are() { [ "$(sql 'SELECT count(*) FROM measurements')" = "$1" ]; }
# The stations' programs, each with its own instrument: use_station NAME makes it the one the
# helpers above (fxsim, press, connect, journal, the panel) work with.
use_station() {
    STATION_DIR=$WORK/station-$1
    mkdir -p "$STATION_DIR"
    export FXSIM_DIR=$STATION_DIR/fxsim
    JOURNAL=$STATION_DIR/data/ombra-dts/journal.sqlite
    APP_PID=$(cat "$STATION_DIR/pid" 2>/dev/null || true)
    MAIN_WINDOW=$(cat "$STATION_DIR/window" 2>/dev/null || true)
}
start_station_program() {  # start_station_program [OPTION...]
    start_program "$@"
    echo "$APP_PID" > "$STATION_DIR/pid"
    echo "$MAIN_WINDOW" > "$STATION_DIR/window"
}
panel_waiting() { sed -n 's/^server\t//p' "$STATION_DIR/panel.txt" 2>/dev/null; }
panel_waiting_is() { [ "$(panel_waiting)" = "$1" ]; }
# How long each measurement's road took, in ms: from the measurement's start to the panel shown.
road_ms() {  # road_ms FIRST LAST (measurements of the station, from 1)
    awk '/^measure start / { s = $3 } /^panel updated / { if (s) print int(($3 - s) / 1000000); s = 0 }' \
        "$STATION_DIR/timings.txt" | sed -n "$1,$2p" | sort -n | tail -1
}
station_order_kept() {  # the server's order of arrival is each station's own order
    local station
    for station in station-a station-b; do
        [ "$(sql "SELECT string_agg(station_seq::text, ',' ORDER BY arrival) FROM measurements WHERE station = '$station'")" = \
          "$(sql "SELECT string_agg(station_seq::text, ',' ORDER BY station_seq) FROM measurements WHERE station = '$station'")" ] ||
            return 1
    done
}

case_shared_journal() {
    PG_DIR=$(mktemp -d /tmp/ombra-e2e-pg-XXXXXX)
    echo "$PG_DIR" > "$WORK/pg-cluster"
    local started
    if ! started=$(pg start "$PG_DIR" 2>&1); then
        rm -rf "$PG_DIR"
        rm -f "$WORK/pg-cluster"
        [ "${OMBRA_TEST_PG_REQUIRED:-0}" = 1 ] && { fail "no PostgreSQL server: $started"; exit 1; }
        echo "e2e: no PostgreSQL server for the case ($started); skipped"
        exit $SKIP
    fi
    eval "$started"
    pg psql "$PG_DIR" -c "CREATE DATABASE journal" || { fail "no database made"; exit 1; }
    local url="postgresql://postgres@${OMBRA_TEST_PG_SOCKET//\//%2F}:$OMBRA_TEST_PG_PORT/journal" s n
    log "two stations, each with its own instrument, start with --journal-server $url"
    for s in a b; do
        use_station $s
        echo "{\"devices\": [{\"model\": 100, \"serial\": 500$([ $s = a ] && echo 1 || echo 2)}]}" > "$STATION_DIR/scenario.json"
        start_instrument "$STATION_DIR/scenario.json"
        mkdir -p "$STATION_DIR/config/LARKSPUR"
        printf '[General]\nJournalStation=station-%s\n' $s > "$STATION_DIR/config/LARKSPUR/ombra-dts.conf"
        start_station_program --journal-server "$url"
        # Side by side on the screen: the status of each is read from its own pixels.
        [ $s = b ] && xdotool windowmove "$MAIN_WINDOW" 580 0
        connect
        wait_for 30 status_is ready || fail "station $s: the status did not turn to ready: $(status_shown)"
    done

    log "twenty presses at each station, in turn"
    for n in $(seq 20); do
        for s in a b; do use_station $s; press reflection 300; done
    done
    wait_for 60 rows_are 40 || fail "the server holds $(sql 'SELECT count(*) FROM measurements') rows, not 40"
    check "rows per station" "$(sql "SELECT string_agg(station || ' ' || n, ', ' ORDER BY station) FROM
        (SELECT station, count(*) AS n FROM measurements GROUP BY station) AS c")" "station-a 20, station-b 20"
    check "measurements kept once" "$(sql 'SELECT count(DISTINCT uid) FROM measurements')" 40
    station_order_kept && echo "ok: each station's measurements arrived in their order" || fail "the order of arrival differs"
    check "instruments" "$(sql "SELECT string_agg(DISTINCT model || ' ' || serial, ', ') FROM measurements")" "OS-100 5001, OS-100 5002"
    check "rows with L*a*b*" "$(sql 'SELECT count(*) FROM measurements WHERE l_star IS NOT NULL AND b_star IS NOT NULL')" 40
    check "today's measurements of station-a" "$(sql "SELECT measurements FROM measurements_today WHERE station = 'station-a'")" 20

    log "the server stopped: ten presses at station-a wait for it"
    use_station a
    pg stop "$PG_DIR" || fail "the server did not stop"
    for n in $(seq 10); do press reflection 300; done
    wait_for 30 journal_count_is 30 || fail "station-a's journal holds $(journal | grep -c .) measurements"
    wait_for 30 panel_waiting_is "$(string_with 2068 10)" &&
        echo "ok: the panel says: $(panel_waiting)" || fail "the panel says '$(panel_waiting)'"
    local up down
    up=$(road_ms 1 20)
    down=$(road_ms 21 30)
    echo "longest road of a measurement: $up ms with the server, $down ms without it"
    [ -n "$up" ] && [ -n "$down" ] && [ "$down" -lt $((up + 1000)) ] &&
        echo "ok: the measuring road did not wait for the server" || fail "the road took $down ms without the server ($up ms with it)"
    kill -0 "$APP_PID" 2>/dev/null || fail "station-a's program ended"

    log "the server back: the ten arrive, once each"
    pg restart "$PG_DIR" > /dev/null || fail "the server did not start again"
    wait_for 60 rows_are 50 || fail "the server holds $(sql 'SELECT count(*) FROM measurements') rows, not 50"
    wait_for 30 panel_waiting_is "" && echo "ok: nothing waits any more" || fail "the panel still says '$(panel_waiting)'"
    check "measurements kept once" "$(sql 'SELECT count(DISTINCT uid) FROM measurements')" 50

    log "a measurement recorded, the program killed before it could be sent"
    pg stop "$PG_DIR" || fail "the server did not stop"
    press reflection 300
    wait_for 30 journal_count_is 31 || {
        fail "the press is not in the journal: $(journal | grep -c .) entries"
        shot kill-case
        ls -la "$STATION_DIR" "$STATION_DIR/data/ombra-dts"
        tail -5 "$STATION_DIR/app.log"
        has_message_box && echo "a message box is shown"
    }
    kill -9 "$APP_PID"
    wait_for 10 process_gone "$APP_PID" || fail "the program did not end"
    pg restart "$PG_DIR" > /dev/null || fail "the server did not start again"
    sleep 2
    check "rows before the program starts again" "$(sql 'SELECT count(*) FROM measurements')" 50
    wait_for 30 status_has '"connected":false' || fail "the instrument still counts the program as connected"
    start_station_program  # the server is the one kept in the settings
    wait_for 60 rows_are 51 && echo "ok: the killed program's measurement arrived at the next start" ||
        fail "the server holds $(sql 'SELECT count(*) FROM measurements') rows, not 51"
    sleep 3
    check "measurements kept once" "$(sql "SELECT count(*) || ' ' || count(DISTINCT uid) FROM measurements")" "51 51"
    check "its place in station-a's order" "$(sql "SELECT max(station_seq) FROM measurements WHERE station = 'station-a'")" 31
    station_order_kept && echo "ok: each station's measurements arrived in their order" || fail "the order of arrival differs"
}

# ---------------------------------------------------------------------------------------------

log "work folder $WORK"
use_fitting_display
case "$CASE" in
    shared-journal)
        case_shared_journal
        [ $FAILURES = 0 ] && log "passed" || log "$FAILURES failure(s)"
        exit ;;
    setup)
        start_instrument
        case_setup
        [ $FAILURES = 0 ] && log "passed" || log "$FAILURES failure(s)"
        exit ;;
    second-start)
        start_window_manager
        start_program
        case_second_start
        [ $FAILURES = 0 ] && log "passed" || log "$FAILURES failure(s)"
        exit ;;
esac
[ "$CASE" = last-workbook ] && start_window_manager
start_instrument
if [ "$CASE" = last-workbook ]; then
    start_office gui
    log "office on the screen"
elif [ "$CASE" != journal ]; then
    start_office
    log "office ready"
fi
if [ "$CASE" = header-row ]; then
    mkdir -p "$WORK/config/LARKSPUR"
    printf '[OS-100]\nLabel=2\n' > "$WORK/config/LARKSPUR/ombra-dts.conf"
fi
if [ "$CASE" = calibration-due ]; then
    fxsim set calibrationStatus 3 >/dev/null || fail "fxsim set calibrationStatus 3"
fi
start_program
[ "$CASE" = last-workbook ] && arrange_desktop
case "$CASE" in
    main-road | office-lost | colour-sets | journal | last-workbook | comparison | header-row | soak)
        connect
        wait_for 30 status_is ready || fail "the status did not turn to ready: $(status_shown)"
        log "connected"
        shot connected
        case_${CASE//-/_} ;;
    calibration-due) case_calibration_due ;;
    *) echo "e2e: unknown case $CASE" >&2; exit 2 ;;
esac
[ $FAILURES = 0 ] && log "passed" || log "$FAILURES failure(s)"
