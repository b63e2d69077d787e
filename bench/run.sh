#!/usr/bin/env bash
# Prints, from one run, every figure the README keeps, as a table to paste there:
#   - start-up to the splash window shown (median of several starts), and whether the
#     web engine is loaded at that point;
#   - idle processor use with the main window open, reminders off, then with an account
#     open and reminders on while no reminder matches;
#   - peak memory (VmHWM) after each idle case;
#   - the 32767-row table's open and write times (from bench/ledger_table);
#   - the slowest number reading of one 2 MB line (from bench/number_reading).
# The program runs for real in its own X server (Xvfb, with openbox as window manager),
# with HOME in a temporary folder, driven by keys and clicks as a user would.
#
#   bench/run.sh [build-folder] [seconds per idle case] [starts]
#   defaults:     build           20                        5
# KESTERLY_BENCH_SHOTS=folder keeps a screenshot of each idle case there.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-20}
starts=${3:-5}
shots=${KESTERLY_BENCH_SHOTS:-}
program=$(realpath "$build/kesterly")
table_bench=$build/bench/ledger_table
number_bench=$build/bench/number_reading
[ -x "$program" ] || { echo "build the program first: $build/kesterly is missing" >&2; exit 1; }
for bench in "$table_bench" "$number_bench"; do
    [ -x "$bench" ] || { echo "build the benchmarks first: $bench is missing" >&2; exit 1; }
done
[ "$seconds" -ge 1 ] && [ "$starts" -ge 1 ] || { echo "seconds and starts must be positive" >&2; exit 1; }

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
openbox >/dev/null 2>&1 &
wm=$!
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }
wait_for 10 "the window manager" wm_ready

# --- helpers -------------------------------------------------------------------------
now_us() { echo "${EPOCHREALTIME/./}"; }
splash_shown() { xdotool search --onlyvisible --name '^Kesterly$' >/dev/null 2>&1; }
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
# Processor time of every thread of the program so far, in nanoseconds.
cpu_ns() { awk '{ sum += $1 } END { printf "%d\n", sum }' /proc/"$pid"/task/*/schedstat; }
# Processor use over $seconds, in percent of one core.
idle_use() {
    local before after t0 t1
    before=$(cpu_ns) t0=$(now_us)
    sleep "$seconds"
    after=$(cpu_ns) t1=$(now_us)
    awk -v used=$((after - before)) -v span=$((t1 - t0)) 'BEGIN { printf "%.2f", used / 1000 / span * 100 }'
}
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
message_shown() { xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
message_gone() { ! message_shown "$1"; }
key() { xdotool key --delay 40 "$@"; sleep 0.2; }

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

# --- start-up to the splash window shown -------------------------------------------
startup_times=()
web_at_startup=no
for _ in $(seq "$starts"); do
    t0=$(now_us)
    start_program
    wait_for 30 "the splash window" splash_shown
    t1=$(now_us)
    startup_times+=($(((t1 - t0) / 1000)))
    [ "$(web_engine_loaded)" = no ] || web_at_startup=yes
    stop_program
done
startup=$(printf '%s\n' "${startup_times[@]}" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')

# --- idle, reminders off, then on ----------------------------------------------------
seed_account
seeded_time=$(stat -c %y "$home/Household/Reminders/Time.txt")
start_program
wait_for 30 "the splash window" splash_shown
splash=$(xdotool search --onlyvisible --name '^Kesterly$' | head -n1)
eval "$(xdotool getwindowgeometry --shell "$splash")"
# Anywhere on the picture but the label at its bottom left.
xdotool mousemove $((X + WIDTH * 3 / 4)) $((Y + HEIGHT / 3)) click 1
wait_for 10 "the main window" main_window_shown
sleep 2
screenshot reminders-off
idle_off=$(idle_use)
peak_off_kib=$(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status")

# Open Household (Ctrl+O; the folder list starts in the working folder, whose only
# subfolder is Household), close the message box, then switch reminders on with the
# status panel's button: the Contents window is in front, Ctrl+Tab goes round the
# child windows in the order they were opened (start chooser, status panel, ...), and
# the panel's focus is on its switch button.
key ctrl+o
key Tab
key End Return
key Tab space
wait_for 10 "the message box after opening the account" message_shown Please
xdotool windowactivate --sync "$(xdotool search --onlyvisible --name '^Please$' | head -n1)"
key Return
wait_for 10 "the message box to close" message_gone Please
xdotool windowactivate --sync "$(main_window)"
key ctrl+Tab
key ctrl+Tab
key space
sleep 2
screenshot reminders-on
idle_on=$(idle_use)
peak_kib=$(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status")
web_after_idle=$(web_engine_loaded)

# Closing the main window closes the Reminder window, which writes its files back:
# that proves the switch created it.
xdotool windowactivate --sync "$(main_window)"
key alt+F4
saved_pid=$pid
pid=0
end=$((SECONDS + 15))
until ! kill -0 "$saved_pid" 2>/dev/null; do
    [ "$SECONDS" -lt "$end" ] || { pid=$saved_pid; fail "the program did not end after Alt+F4"; }
    sleep 0.1
done
wait "$saved_pid" 2>/dev/null || true
written_time=$(stat -c %y "$home/Household/Reminders/Time.txt")
[ "$written_time" != "$seeded_time" ] ||
    fail "the Reminder window never opened: reminders were not switched on (see KESTERLY_BENCH_SHOTS)"

# --- the 32767-row table -------------------------------------------------------------
table=$("$table_bench" 2>"$work/ledger_table.log") || fail "$table_bench failed: $(cat "$work/ledger_table.log")"
table_figure() { awk -v what="$1" 'index($0, what) == 1 { for (i = 1; i <= NF; i++) if ($i == "ms") print $(i - 1) }' <<<"$table"; }
table_open=$(table_figure "open the Income window on the table")
table_write=$(table_figure "write back (write list, four files)")
[ -n "$table_open" ] && [ -n "$table_write" ] ||
    fail "unexpected output of $table_bench: $table"

# --- one 2 MB line -------------------------------------------------------------------
numbers=$("$number_bench" 2>"$work/number_reading.log") || fail "$number_bench failed: $(cat "$work/number_reading.log")"
line_read=$(awk 'index($0, "a 2 MB line read") == 1 { for (i = 1; i <= NF; i++) if ($i == "ms") print $(i - 1) }' <<<"$numbers")
[ -n "$line_read" ] || fail "unexpected output of $number_bench: $numbers"

# --- the figures ---------------------------------------------------------------------
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build/CMakeCache.txt" 2>/dev/null)
memory_gib=$(awk '/^MemTotal/ { printf "%.0f", $2 / 1024 / 1024 }' /proc/meminfo)
system=$(. /etc/os-release 2>/dev/null && echo "${PRETTY_NAME:-unknown system}")
echo "$(date '+%Y-%m-%d %H:%M %Z'), $(nproc) cores, $memory_gib GiB, $system, build type ${build_type:-none (no optimisation)}"
echo
echo "| what | figure |"
echo "|---|---|"
echo "| start-up to the splash window shown (median of $starts starts) | $startup ms |"
echo "| WebEngine loaded at start-up | $web_at_startup |"
echo "| idle processor use, reminders off, main window open ($seconds s) | $idle_off% of one core |"
echo "| idle processor use, reminders on, account with 20 reminders, none due ($seconds s) | $idle_on% of one core |"
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
echo "| peak memory (VmHWM), main window open, reminders off | $(mib "$peak_off_kib") MiB |"
echo "| peak memory (VmHWM) after the idle runs (account, Contents and Reminder windows open) | $(mib "$peak_kib") MiB |"
echo "| WebEngine loaded after the idle runs | $web_after_idle |"
echo "| open the Income window on a 32767-row table | $table_open ms |"
echo "| write a 32767-row table back (four files) | $table_write ms |"
echo "| read a number from one 2 MB line (slowest reading, bench/number_reading) | $line_read ms |"
echo
echo "start-up times (ms): ${startup_times[*]}"
