#!/usr/bin/env bash
# Prints, from one run, every figure docs/figures.md keeps, as a table to paste there:
#   - start-up to the splash window shown (median of several starts), and to its first
#     answer to a window manager's ping (bench/ready.py), each beside a bare Qt
#     window (bench/bare_window) started in turn with it, and whether the web engine, the
#     OpenGL driver or Qt Charts is loaded at that point;
#   - wake-ups a second over all threads and idle processor use with the main window open,
#     in three states: no account; an account open, reminders off; reminders on with 20
#     reminders, none due (from bench/idle.sh, in an X server of its own);
#   - peak memory (VmHWM) with the main window open, and after a session that opens an
#     account, the Entry form and the Income window and closes the two windows;
#   - start-up again after that session, beside the bare window again;
#   - the home page opened for the first time: time until its page is painted, and peak
#     memory afterwards;
#   - whether Qt Charts is loaded before and after the chart window opens, and peak memory
#     with it open;
#   - the 32767-row table's open and write times (from bench/ledger_table);
#   - one Submit against a 100-row, a full and a 50 MB table (from bench/entry_submit);
#   - the slowest number reading of one 2 MB line (from bench/number_reading);
#   - the chart's figures of two full tables, over 25 years and over 1000 to 9999 (from
#     bench/chart_history);
#   - four list files of 100 MB less one byte of short lines opened in the Income window
#     and the chart: the longest hold and the peak memory (from bench/long_lists).
# The program runs for real in its own X server (Xvfb, with openbox as window manager),
# with HOME in a temporary folder, driven by keys and clicks as a user would.
#
#   bench/run.sh [build-folder] [seconds per idle state] [starts]
#   defaults:     build           60 (KESTERLY_IDLE_SECONDS) 9
# KESTERLY_BENCH_SHOTS=folder keeps a screenshot of each stage there.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-${KESTERLY_IDLE_SECONDS:-60}}
starts=${3:-9}
shots=${KESTERLY_BENCH_SHOTS:-}
program=$(realpath "$build/kesterly")
bare=$build/bench/bare_window
table_bench=$build/bench/ledger_table
number_bench=$build/bench/number_reading
submit_bench=$(realpath "$build/bench/entry_submit")
chart_bench=$build/bench/chart_history
long_bench=$(realpath "$build/bench/long_lists")
import_bench=$(realpath "$build/bench/entry_import")
[ -x "$program" ] || { echo "build the program first: $build/kesterly is missing" >&2; exit 1; }
for bench in "$bare" "$table_bench" "$number_bench" "$submit_bench" "$chart_bench" "$long_bench" "$import_bench"; do
    [ -x "$bench" ] || { echo "build the benchmarks first: $bench is missing" >&2; exit 1; }
done
bare=$(realpath "$bare")
[ -x /usr/bin/time ] || { echo "GNU time is needed (scripts/install-deps.sh installs it)" >&2; exit 1; }
[ "$seconds" -ge 1 ] && [ "$starts" -ge 1 ] || { echo "seconds and starts must be positive" >&2; exit 1; }
[ -e "$build/kesterly_webengine.so" ] ||
    echo "note: $build/kesterly_webengine.so is missing; the home page is the plain view's" >&2

work=$(mktemp -d)
home=$work/home
mkdir "$home"
xvfb=0 wm=0 pid=0
cleanup() {
    for process in "$pid" "$wm" "$xvfb"; do
        if [ "$process" -gt 0 ]; then kill "$process" 2>/dev/null || true; fi
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() { echo "bench/run.sh: $*" >&2; exit 1; }

# Waits up to $1 seconds for the command after it to succeed; fails when the program
# has ended in between.
wait_for() {
    local limit=$1 what=$2
    shift 2
    local end=$((SECONDS + limit))
    until "$@"; do
        [ "$pid" -eq 0 ] || kill -0 "$pid" 2>/dev/null || fail "the program ended while waiting for $what"
        [ "$SECONDS" -lt "$end" ] || fail "timed out waiting for $what"
        sleep 0.005
    done
}

# --- the X server and the window manager ------------------------------------------
# Xvfb picks a free display itself and writes its number into the file.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
display_written() { grep -q . "$work/display" 2>/dev/null; }
wait_for 10 "the X server" display_written
DISPLAY=:$(head -n1 "$work/display")
export DISPLAY
export HOME=$home LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 LANGUAGE=
unset QT_QPA_PLATFORM
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }
# On a busy machine openbox may give up at once when the X server is not ready for it.
for _ in 1 2 3; do
    openbox >/dev/null 2>&1 &
    wm=$!
    end=$((SECONDS + 10))
    until wm_ready || ! kill -0 "$wm" 2>/dev/null || [ "$SECONDS" -ge "$end" ]; do sleep 0.05; done
    wm_ready && break
done
wm_ready || fail "the window manager did not start"

# --- helpers -------------------------------------------------------------------------
now_us() { echo "${EPOCHREALTIME/./}"; }
window_shown() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
splash_shown() { window_shown '^Kesterly$'; }
start_program() {
    # The program's working folder is HOME, where the account lives.
    (cd "$home" && exec "$program") >>"$work/program.log" 2>&1 &
    pid=$!
}
stop_program() {
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    pid=0
}
web_engine_loaded() {
    if grep -q -E 'libQt6WebEngine|kesterly_webengine' "/proc/$pid/maps"; then echo yes; else echo no; fi
}
charts_loaded() {
    if grep -q -E 'libQt6Charts|kesterly_charts' "/proc/$pid/maps"; then echo yes; else echo no; fi
}
# Qt's OpenGL integration and a driver are loaded only when a drawing context is made;
# the GL dispatch libraries Qt GUI links are there in every Qt program.
opengl_loaded() {
    if grep -q -E 'xcbglintegrations|/dri/|_dri\.so|libGLX_mesa|libEGL_mesa|libgallium' "/proc/$pid/maps"; then
        echo yes
    else
        echo no
    fi
}
peak_kib() { awk '/^VmHWM/ { print $2 }' "/proc/$pid/status"; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
screenshot() { [ -z "$shots" ] || { mkdir -p "$shots" && import -window root "$shots/$1.png"; }; }
main_window() {
    local window
    for window in $(xdotool search --onlyvisible --name '^Kesterly' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$window")"
        [ "$WIDTH" -ge 1000 ] && { echo "$window"; return 0; }
    done
    return 1
}
main_window_shown() { main_window >/dev/null; }
message_shown() { window_shown "^$1\$"; }
message_gone() { ! message_shown "$1"; }
key() { xdotool key --delay 40 "$@"; sleep 0.2; }
type_text() { xdotool type --delay 25 "$1"; sleep 0.2; }
close_message() {
    wait_for 10 "the message box $1" message_shown "$1"
    xdotool windowactivate --sync "$(xdotool search --onlyvisible --name "^$1\$" | head -n1)"
    key Return
    wait_for 10 "the message box $1 to close" message_gone "$1"
    xdotool windowactivate --sync "$(main_window)"
}
click_splash() {
    wait_for 30 "the splash window" splash_shown
    local splash
    splash=$(xdotool search --onlyvisible --name '^Kesterly$' | head -n1)
    eval "$(xdotool getwindowgeometry --shell "$splash")"
    # Anywhere on the picture but the label at its bottom left.
    xdotool mousemove $((X + WIDTH * 3 / 4)) $((Y + HEIGHT / 3)) click 1
    wait_for 10 "the main window" main_window_shown
}

# Starts the bare window and the program in turn, $starts times each, and notes the time
# from each start to its first window being shown; at that moment the program must have
# neither the web engine nor the OpenGL driver loaded.
bare_times=() program_times=()
time_starts() {
    local t0 t1
    bare_times=() program_times=()
    for _ in $(seq "$starts"); do
        t0=$(now_us)
        (cd "$home" && exec "$bare") >>"$work/bare.log" 2>&1 &
        pid=$!
        wait_for 30 "the bare window" window_shown '^Bare Qt window$'
        t1=$(now_us)
        bare_times+=($(((t1 - t0) / 1000)))
        stop_program

        t0=$(now_us)
        start_program
        wait_for 30 "the splash window" splash_shown
        t1=$(now_us)
        program_times+=($(((t1 - t0) / 1000)))
        [ "$(web_engine_loaded)" = no ] || web_at_startup=yes
        [ "$(charts_loaded)" = no ] || charts_at_startup=yes
        [ "$(opengl_loaded)" = no ] || opengl_at_startup=yes
        stop_program
    done
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
meets() { awk -v v="$1" -v limit="$2" 'BEGIN { print (v <= limit ? "met" : "MISSED") }'; }
under() { awk -v v="$1" -v limit="$2" 'BEGIN { print (v < limit ? "met" : "MISSED") }'; }

# An account with reminders, none of which comes due during the run: the first one,
# the watched one, is six hours ahead; the times are written as the clock shows them.
seed_account() {
    local folder=$home/Household i moment
    mkdir -p "$folder/Reminders"
    line() { printf '%s\r\n' "$1" >>"$2"; }
    line Household "$folder/Name.txt"
    line 500 "$folder/OpeningBalance.txt"
    for file in IncomeDate IncomeDes IncomeAmn Incomebal ExpenseDate ExpenseDes ExpenseAmn Expensebal; do
        line "" "$folder/$file.txt"
    done
    for i in $(seq 0 19); do
        moment="+6 hours $((i * 17)) minutes"
        line "$(date -d "$moment" +%-m/%-d/%Y)" "$folder/Reminders/Date.txt"
        line "$(date -d "$moment" '+%-I:%M:%S %p')" "$folder/Reminders/Time.txt"
        line "Reminder $((i + 1))" "$folder/Reminders/Description.txt"
    done
}

# --- start-up to the splash window shown, beside the bare window ----------------------
web_at_startup=no opengl_at_startup=no charts_at_startup=no
time_starts
startup_bare=$(median "${bare_times[@]}")
startup=$(median "${program_times[@]}")
startup_bare_times=("${bare_times[@]}") startup_times=("${program_times[@]}")

# --- ready: from exec to the first window's answer to a ping, beside the bare window ----
# bench/ready.py starts the two in turn, $starts times each, and pings each first window
# the moment it is shown; Qt answers on the window's thread, once it could take a click.
[ -x /usr/bin/python3 ] && /usr/bin/python3 -c 'import Xlib' 2>/dev/null ||
    fail "bench/ready.py needs python3-xlib for /usr/bin/python3 (scripts/install-deps.sh installs it)"
readies=$(/usr/bin/python3 bench/ready.py "$bare" "$program" "$starts" "$home" 2>"$work/ready.log") ||
    fail "bench/ready.py failed: $(cat "$work/ready.log")"
ready_times() { awk -v who="$1" '$1 == who { print $3 }' <<<"$readies"; }
ready_bare=$(median $(ready_times bare))
ready=$(median $(ready_times program))
ready_loaded=$(awk '$1 == "program" && $4 != "-" { print $4 }' <<<"$readies" | sort -u | paste -sd, -)

# --- a session with the account, reminders and the ledger windows ----------------------
# The program runs under GNU time, which notes its peak memory when it has ended, after
# the main window has closed every child window (and they have written their files).
seed_account
(cd "$home" && exec /usr/bin/time -f %M -o "$work/session-peak" "$program") >>"$work/program.log" 2>&1 &
timer=$!
program_started() { pid=$(pgrep -P "$timer" | head -n1) && [ -n "$pid" ]; }
wait_for 10 "the program under GNU time" program_started
click_splash
sleep 2
screenshot main-window
peak_main_kib=$(peak_kib)
web_main=$(web_engine_loaded) opengl_main=$(opengl_loaded)

# Open Household (Ctrl+O; the folder list starts in the working folder, whose only
# subfolder is Household), close the message box, then switch reminders on with the
# status panel's button: the Contents window is in front, Ctrl+Tab goes round the
# child windows in the order they were opened (start chooser, status panel, ...), and
# the panel's focus is on its switch button. The switch opens the Reminder window.
key ctrl+o
key Tab
key End Return
key Tab space
close_message Please
key ctrl+Tab
key ctrl+Tab
key space
sleep 2
screenshot reminders-on
peak_on_kib=$(peak_kib)
# Ctrl+R brings the Reminder window to the front with its date list focused; seven Tabs
# reach "Remove Selected", which takes the first reminder: the window then writes 19
# reminders back when it closes, which proves the switch opened it.
key ctrl+r
key Tab Tab Tab Tab Tab Tab Tab space
screenshot reminder-removed

# An income in the Entry form (Ctrl+E, its focus in the date box); Submit opens the
# Income window with it.
key ctrl+e
type_text 1/5/2027
key Tab
type_text Gift
key Tab
type_text 200
key Tab space
key Tab space
sleep 2
screenshot ledger-windows
peak_ledger_kib=$(peak_kib)
web_session=$(web_engine_loaded) opengl_session=$(opengl_loaded)
charts_session=$(charts_loaded)

# Closing the main window closes every child window; the Entry form writes the balance,
# the Income and Reminder windows their tables.
xdotool windowactivate --sync "$(main_window)"
key alt+F4
saved_pid=$pid
pid=0
end=$((SECONDS + 15))
until ! kill -0 "$timer" 2>/dev/null; do
    [ "$SECONDS" -lt "$end" ] || { pid=$saved_pid; fail "the program did not end after Alt+F4"; }
    sleep 0.1
done
wait "$timer" 2>/dev/null || true
# The kernel brings its count of resident pages up to date only now and then, so the
# figure at the end can come out a little below one read while the windows were open.
peak_session_kib=$(tail -n1 "$work/session-peak")
[ "$peak_session_kib" -ge "$peak_ledger_kib" ] || peak_session_kib=$peak_ledger_kib
[ "$(grep -c . "$home/Household/Reminders/Description.txt")" -eq 19 ] ||
    fail "the Reminder window did not remove the first reminder: reminders were not switched on (see KESTERLY_BENCH_SHOTS)"
grep -q '^Gift' "$home/Household/IncomeDes.txt" && grep -q '^700' "$home/Household/OpeningBalance.txt" ||
    fail "the income did not reach the Income window and the balance (see KESTERLY_BENCH_SHOTS)"

# --- start-up again after the session -------------------------------------------------
time_starts
again_bare=$(median "${bare_times[@]}")
again=$(median "${program_times[@]}")

# --- the home page opened for the first time -------------------------------------------
# In a fresh start, F5 from the main window. The page counts as painted when the window
# that appeared left of the status panel shows more than a plain fill inside its frame
# (bench/painted.py), the message box in front of it left out; screenshots are taken one
# after another, some 0.1 s apart.
start_program
click_splash
sleep 2
main=$(main_window)
eval "$(xdotool getwindowgeometry --shell "$main")"
area=($((X)) $((Y + 24)) $((X + 740)) $((Y + HEIGHT)))
xdotool windowactivate --sync "$main"
import -window root -depth 8 "ppm:$work/before.ppm"
t0=$(now_us)
xdotool key F5
painted=
hole=()
end=$((SECONDS + 60))
while [ "$SECONDS" -lt "$end" ]; do
    import -window root -depth 8 "ppm:$work/now.ppm"
    t1=$(now_us)
    # The box is looked for after the screenshot: one that came up while it was taken
    # may be in it.
    if [ "${#hole[@]}" -eq 0 ] && message_shown Patient; then
        eval "$(xdotool getwindowgeometry --shell "$(xdotool search --onlyvisible --name '^Patient$' | head -n1)")"
        # The box with its frame, as the window manager draws it.
        hole=($((X - 10)) $((Y - 40)) $((X + WIDTH + 10)) $((Y + HEIGHT + 10)))
    fi
    if python3 bench/painted.py "$work/before.ppm" "$work/now.ppm" "${area[@]}" "${hole[@]}" >/dev/null; then
        painted=$(((t1 - t0) / 1000))
        [ -z "$shots" ] || cp "$work/now.ppm" "$shots/home-page-painted.ppm"
        break
    fi
done
[ -n "$painted" ] || { screenshot home-page-timeout; fail "the home page was not painted within 60 s"; }
screenshot home-page
close_message Patient
sleep 2
peak_web_kib=$(peak_kib)
web_after=$(web_engine_loaded)
main_after=$(main_window)
[ "$main_after" = "$main" ] || fail "the main window was made anew when the home page opened ($main, then $main_after)"
stop_program

# --- the chart window ------------------------------------------------------------------
# In a fresh start, Household opened as above, then Ctrl+G: Qt Charts comes in only now.
start_program
click_splash
sleep 1
key ctrl+o
key Tab
key End Return
key Tab space
close_message Please
sleep 1
charts_before=$(charts_loaded)
key ctrl+g
sleep 2
screenshot chart
charts_after=$(charts_loaded)
peak_chart_kib=$(peak_kib)
stop_program

# --- idle: wake-ups and processor use in three states ---------------------------------
# In an X server and a HOME of its own, started afresh.
idle=$(KESTERLY_IDLE_SECONDS=$seconds KESTERLY_BENCH_SHOTS=$shots bench/idle.sh "$program" 2>"$work/idle.log") ||
    fail "bench/idle.sh failed: $(cat "$work/idle.log")"
idle_figure() { awk -v state="$1" '$1 == state { print $2, $3 }' <<<"$idle"; }
declare -A idle_states=(
    [none]="main window open, no account"
    [open]="account open, reminders off"
    [reminders]="reminders on, 20 reminders, none due"
)
for state in none open reminders; do
    [ -n "$(idle_figure "$state")" ] || fail "unexpected output of bench/idle.sh: $idle"
done

# --- the 32767-row table -------------------------------------------------------------
table=$("$table_bench" 2>"$work/ledger_table.log") || fail "$table_bench failed: $(cat "$work/ledger_table.log")"
table_figure() { awk -v what="$1" 'index($0, what) == 1 { for (i = 1; i <= NF; i++) if ($i == "ms") print $(i - 1) }' <<<"$table"; }
table_open=$(table_figure "open the Income window on the table")
table_write=$(table_figure "write back (")
[ -n "$table_open" ] && [ -n "$table_write" ] ||
    fail "unexpected output of $table_bench: $table"

# --- one Submit ----------------------------------------------------------------------
submits=$(cd "$work" && "$submit_bench" 2>"$work/entry_submit.log") ||
    fail "$submit_bench failed: $(cat "$work/entry_submit.log")"
submit_figure() { awk -v what="$1" 'index($0, what) == 1 { for (i = 1; i <= NF; i++) if ($i == "ms") { print $(i - 1); exit } }' <<<"$submits"; }
submit_small=$(submit_figure "100 rows")
submit_full=$(submit_figure "a full table")
submit_big=$(submit_figure "four files of 50 MB")
[ -n "$submit_small" ] && [ -n "$submit_full" ] && [ -n "$submit_big" ] ||
    fail "unexpected output of $submit_bench: $submits"

# --- one 2 MB line -------------------------------------------------------------------
numbers=$("$number_bench" 2>"$work/number_reading.log") || fail "$number_bench failed: $(cat "$work/number_reading.log")"
line_read=$(awk 'index($0, "a 2 MB line read") == 1 { for (i = 1; i <= NF; i++) if ($i == "ms") print $(i - 1) }' <<<"$numbers")
[ -n "$line_read" ] || fail "unexpected output of $number_bench: $numbers"

# --- the chart's figures of two full tables --------------------------------------------
charts=$("$chart_bench" 2>"$work/chart_history.log") || fail "$chart_bench failed: $(cat "$work/chart_history.log")"
chart_figure() { awk -v what="$1" 'index($0, what) == 1 { for (i = 1; i <= NF; i++) if ($i ~ /^ms;?$/) { print $(i - 1); exit } }' <<<"$charts"; }
chart_readable=$(chart_figure "chart figures of two full tables, dates readable")
chart_unreadable=$(chart_figure "chart figures of two full tables, no date readable")
chart_wide=$(chart_figure "chart figures of two full tables, a day each from 1/1/1000 to 12/31/9999")
chart_wide_bars=$(awk '/a day each from 1\/1\/1000/ { sub(/.*ms; /, ""); print }' <<<"$charts")
[ -n "$chart_readable" ] && [ -n "$chart_unreadable" ] && [ -n "$chart_wide" ] || fail "unexpected output of $chart_bench: $charts"

# --- four list files of 100 MB less one byte, ten million short lines each -------------
# Written in the working folder, on the disk the accounts live on, and removed after.
long=$(cd "$work" && QT_QPA_PLATFORM=offscreen "$long_bench" 2>"$work/long_lists.log") || fail "$long_bench failed: $long $(cat "$work/long_lists.log")"
long_figure() { awk -v what="$1" -v unit="$2" 'index($0, what) == 1 { for (i = 1; i <= NF; i++) if ($i == unit) { print $(i - 1); exit } }' <<<"$long"; }
long_open_held=$(awk '/^open the Income window/ { for (i = 1; i <= NF; i++) if ($i == "most") print $(i + 1) }' <<<"$long")
long_chart_held=$(awk '/^open the chart window/ { for (i = 1; i <= NF; i++) if ($i == "most") print $(i + 1) }' <<<"$long")
long_peak=$(long_figure "peak memory (VmHWM)" "MiB")
long_files=$(long_figure "four income files" "MiB")
[ -n "$long_open_held" ] && [ -n "$long_chart_held" ] && [ -n "$long_peak" ] || fail "unexpected output of $long_bench: $long"

# --- Import Entries on a statement of 10,000 rows --------------------------------------
# Its accounts are written in the working folder, on the disk, so that the fsyncs count.
imports=$(cd "$work" && QT_QPA_PLATFORM=offscreen "$import_bench" 2>"$work/entry_import.log") ||
    fail "$import_bench failed: $imports $(cat "$work/entry_import.log")"
import_record=$(awk '/^record the rows/ { for (i = 1; i <= NF; i++) if ($i == "ms") { print $(i - 1); exit } }' <<<"$imports")
import_held=$(awk '/^the real windows: preview open/ { for (i = 1; i <= NF; i++) if ($i == "most") print $(i + 1) }' <<<"$imports")
import_choice_held=$(awk '/^a choice changed/ { for (i = 1; i <= NF; i++) if ($i == "most") print $(i + 1) }' <<<"$imports")
[ -n "$import_record" ] && [ -n "$import_held" ] && [ -n "$import_choice_held" ] ||
    fail "unexpected output of $import_bench: $imports"

# --- the figures ---------------------------------------------------------------------
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build/CMakeCache.txt" 2>/dev/null)
memory_gib=$(awk '/^MemTotal/ { printf "%.0f", $2 / 1024 / 1024 }' /proc/meminfo)
system=$(. /etc/os-release 2>/dev/null && echo "${PRETTY_NAME:-unknown system}")
startup_ratio=$(ratio "$startup" "$startup_bare")
again_ratio=$(ratio "$again" "$again_bare")
echo "$(date '+%Y-%m-%d %H:%M %Z'), $(nproc) cores, $memory_gib GiB, $system, build type ${build_type:-none (no optimisation)}"
echo
echo "| what | figure |"
echo "|---|---|"
echo "| start-up to the splash window shown (median of $starts starts) | $startup ms |"
echo "| a bare Qt window (bench/bare_window), started in turn with it | $startup_bare ms |"
echo "| start-up against the bare window (target: at most 1.3x) | ${startup_ratio}x, $(meets "$startup_ratio" 1.3) |"
echo "| WebEngine / OpenGL driver / Qt Charts loaded at start-up | $web_at_startup / $opengl_at_startup / $charts_at_startup |"
ready_ratio=$(ratio "$ready" "$ready_bare")
echo "| ready: exec to the first ping answered, median of $starts starts; bare window, in turn (target: at most 1.2x) | $ready ms; $ready_bare ms: ${ready_ratio}x, $(meets "$ready_ratio" 1.2) |"
echo "| loaded when the splash window answered (web engine, OpenGL driver, Qt Charts) | ${ready_loaded:-none} |"
for state in none open reminders; do
    read -r wakeups use <<<"$(idle_figure "$state")"
    echo "| idle, ${idle_states[$state]} ($seconds s): wake-ups a second, all threads; processor use (targets: 1.1, 0.05%) | $wakeups, $(meets "$wakeups" 1.1); $use% of one core, $(meets "$use" 0.05) |"
done
echo "| peak memory (VmHWM), main window, status panel and Today's Reminder open (target: under 50 MiB) | $(mib "$peak_main_kib") MiB, $(under "$(mib "$peak_main_kib")" 50) |"
echo "| peak memory (VmHWM) after the idle runs (account, Contents and Reminder windows open) | $(mib "$peak_on_kib") MiB |"
echo "| peak memory (VmHWM) with the Entry form and the Income window open, one income recorded | $(mib "$peak_ledger_kib") MiB |"
echo "| peak memory of that whole run, every window closed at its end (GNU time; target: under 50 MiB) | $(mib "$peak_session_kib") MiB, $(under "$(mib "$peak_session_kib")" 50) |"
echo "| WebEngine / OpenGL driver loaded with the main window open; with the Entry form and Income window open | $web_main / $opengl_main; $web_session / $opengl_session |"
echo "| start-up again after that session (median of $starts starts), bare window | $again ms, $again_bare ms: ${again_ratio}x, $(meets "$again_ratio" 1.3) |"
echo "| home page opened for the first time (F5): page painted | $painted ms |"
echo "| peak memory (VmHWM) with the home page open; WebEngine loaded | $(mib "$peak_web_kib") MiB; $web_after |"
echo "| Qt Charts loaded: in the session above; with an account open; once the chart window is open | $charts_session; $charts_before; $charts_after |"
echo "| peak memory (VmHWM) with the chart window open | $(mib "$peak_chart_kib") MiB |"
echo "| open the Income window on a 32767-row table | $table_open ms |"
echo "| write a 32767-row table back (four files) | $table_write ms |"
echo "| one Submit, median of 21: 100-row table; full table (32767 rows); four 50 MB files (targets: 5, 50, 50 ms) | $submit_small ms, $(under "$submit_small" 5); $submit_full ms, $(under "$submit_full" 50); $submit_big ms, $(under "$submit_big" 50) |"
echo "| read a number from one 2 MB line (slowest reading, bench/number_reading) | $line_read ms |"
echo "| the chart's figures of two full tables (2 x 32767 entries), dates readable; none readable (bench/chart_history) | $chart_readable ms; $chart_unreadable ms |"
echo "| the same, every entry a day of its own from 1/1/1000 to 12/31/9999 | $chart_wide ms; $chart_wide_bars |"
echo "| four income files of 100 MB less one byte, short lines (bench/long_lists): window's thread held at most, Income window; chart (target: 250 ms) | $long_open_held ms; $long_chart_held ms |"
echo "| peak memory (VmHWM) of that, with the chart open (target: at most 2.5 x the files ($long_files MiB) + 60 MiB) | $long_peak MiB, $(under "$long_peak" "$(awk -v f="$long_files" 'BEGIN { print 2.5 * f + 60 }')") |"
echo "| Import Entries, a statement of 10,000 rows (bench/entry_import): recorded, every fsync included (target: under 1000 ms) | $import_record ms, $(under "$import_record" 1000) |"
echo "| the same: window's thread held at most while the file is read and previewed; while a choice is changed (target: 250 ms) | $import_held ms, $(under "$import_held" 250); $import_choice_held ms |"
echo
echo "start-up times (ms), program: ${startup_times[*]}; bare window: ${startup_bare_times[*]}"
echo "again after the session (ms), program: ${program_times[*]}; bare window: ${bare_times[*]}"
echo "ready (ms, exec to shown and to ping answered):"
sed 's/^/  /' <<<"$readies"
echo "idle, each thread's wake-ups a second:"
grep '^#' <<<"$idle" | sed 's/^# /  /'
