#!/usr/bin/env bash
# How often the program wakes up, and how much processor it takes, while it sits idle with
# its main window showing, in three states:
#   none:      no account opened (the start chooser, status panel and Today's Reminder);
#   open:      the account Household opened, the reminder switch off;
#   reminders: the same account with its 20 reminders, none due, and the switch on.
# Wake-ups are the context switches of every thread of the program (voluntary and
# involuntary, from /proc/PID/task/*/status), read once a second so that a thread that
# ends meanwhile is counted up to its last second; processor use is the threads' time
# (/proc/PID/task/*/schedstat) as a percentage of one core. The clock's second is the
# floor: one wake-up a second.
#
#   bench/idle.sh PROGRAM
#   KESTERLY_IDLE_SECONDS   seconds measured in each state (default 60)
#   KESTERLY_BENCH_SHOTS    a folder for a screenshot of each state
#
# Prints one line a state: "STATE WAKEUPS_PER_SECOND CPU_PERCENT", then each thread's
# share on lines of its own starting with "#". It starts its own X server (Xvfb) and
# window manager (openbox), with HOME in a fresh temporary folder that is also the
# program's working folder, and stops them and removes the folder when it ends.
set -euo pipefail
program=$(realpath "${1:?usage: bench/idle.sh PROGRAM}")
seconds=${KESTERLY_IDLE_SECONDS:-60}
shots=${KESTERLY_BENCH_SHOTS:-}
[ -x "$program" ] || { echo "bench/idle.sh: $program is not a program" >&2; exit 1; }
[ "$seconds" -ge 1 ] 2>/dev/null || { echo "bench/idle.sh: KESTERLY_IDLE_SECONDS must be a whole number of seconds" >&2; exit 1; }

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
fail() { echo "bench/idle.sh: $*" >&2; exit 1; }

wait_for() {
    local limit=$1 what=$2
    shift 2
    local end=$((SECONDS + limit))
    until "$@"; do
        [ "$pid" -eq 0 ] || kill -0 "$pid" 2>/dev/null || fail "the program ended while waiting for $what"
        [ "$SECONDS" -lt "$end" ] || fail "timed out waiting for $what"
        sleep 0.01
    done
}

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
display_written() { grep -q . "$work/display" 2>/dev/null; }
wait_for 10 "the X server" display_written
DISPLAY=:$(head -n1 "$work/display")
export DISPLAY
export HOME=$home LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 LANGUAGE=
unset QT_QPA_PLATFORM
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }
for _ in 1 2 3; do
    openbox >/dev/null 2>&1 &
    wm=$!
    end=$((SECONDS + 10))
    until wm_ready || ! kill -0 "$wm" 2>/dev/null || [ "$SECONDS" -ge "$end" ]; do sleep 0.05; done
    wm_ready && break
done
wm_ready || fail "the window manager did not start"

window_shown() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
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
screenshot() { [ -z "$shots" ] || { mkdir -p "$shots" && import -window root "$shots/idle-$1.png"; }; }

# The account of bench/run.sh: 20 reminders, the first six hours ahead, so none comes due.
folder=$home/Household
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

# Each thread's count of switches, as "TID NAME COUNT" lines.
switches() {
    local task
    for task in /proc/"$pid"/task/*; do
        awk -v tid="${task##*/}" -v name="$(tr ' ' '_' <"$task/comm" 2>/dev/null)" \
            '/ctxt_switches/ { sum += $2 } END { if (NR) print tid, name, sum }' "$task/status" 2>/dev/null || true
    done
}
cpu_ns() { awk '{ sum += $1 } END { printf "%d\n", sum }' /proc/"$pid"/task/*/schedstat; }
now_us() { echo "${EPOCHREALTIME/./}"; }

# Measures for $seconds and prints the state's line and its threads' lines. A thread is
# counted from its first reading to its last: one that starts meanwhile from zero.
measure() {
    local state=$1 t0 t1 cpu0 cpu1
    declare -A first=() last=() names=()
    local tid name count
    while read -r tid name count; do first[$tid]=$count last[$tid]=$count names[$tid]=$name; done < <(switches)
    cpu0=$(cpu_ns) t0=$(now_us)
    for _ in $(seq "$seconds"); do
        sleep 1
        kill -0 "$pid" 2>/dev/null || fail "the program ended while it was measured ($state)"
        while read -r tid name count; do
            [ -n "${first[$tid]+set}" ] || first[$tid]=0
            last[$tid]=$count names[$tid]=$name
        done < <(switches)
    done
    cpu1=$(cpu_ns) t1=$(now_us)
    local total=0 span=$((t1 - t0))
    for tid in "${!last[@]}"; do total=$((total + last[$tid] - first[$tid])); done
    awk -v state="$state" -v n="$total" -v used=$((cpu1 - cpu0)) -v span="$span" \
        'BEGIN { printf "%s %.2f %.3f\n", state, n / (span / 1e6), used / 1000 / span * 100 }'
    for tid in $(printf '%s\n' "${!last[@]}" | sort -n); do
        awk -v tid="$tid" -v name="${names[$tid]}" -v n=$((last[$tid] - first[$tid])) -v span="$span" \
            'BEGIN { printf "# %s thread %s (%s): %.2f/s\n", "'"$state"'", tid, name, n / (span / 1e6) }'
    done
}

(cd "$home" && exec "$program") >>"$work/program.log" 2>&1 &
pid=$!
wait_for 30 "the splash window" window_shown '^Kesterly$'
splash=$(xdotool search --onlyvisible --name '^Kesterly$' | head -n1)
eval "$(xdotool getwindowgeometry --shell "$splash")"
xdotool mousemove $((X + WIDTH * 3 / 4)) $((Y + HEIGHT / 3)) click 1
wait_for 10 "the main window" main_window_shown
# The pointer is moved off the windows, so that no hover effect or tool tip is pending.
xdotool mousemove 1279 799
sleep 3
screenshot none
measure none

# Ctrl+O, the folder list's last entry (Household), Ok; the message box that follows.
key ctrl+o
key Tab
key End Return
key Tab space
wait_for 10 "the message box Please" message_shown Please
xdotool windowactivate --sync "$(xdotool search --onlyvisible --name '^Please$' | head -n1)"
key Return
wait_for 10 "the message box to close" message_gone Please
xdotool windowactivate --sync "$(main_window)"
sleep 3
screenshot open
measure open

# The status panel's switch (Ctrl+Tab twice from the Contents window; its focus is on
# the switch) turns reminders on and opens the Reminder window over the 20 reminders.
key ctrl+Tab
key ctrl+Tab
key space
sleep 3
screenshot reminders
measure reminders

# The Reminder window is inside the main window, so it is proved open afterwards: Ctrl+R
# brings it to the front, seven Tabs reach "Remove Selected", which takes the first
# reminder, and the window writes 19 back when the main window closes.
key ctrl+r
key Tab Tab Tab Tab Tab Tab Tab space
xdotool windowactivate --sync "$(main_window)"
key alt+F4
end=$((SECONDS + 15))
while kill -0 "$pid" 2>/dev/null; do
    [ "$SECONDS" -lt "$end" ] || fail "the program did not end after Alt+F4"
    sleep 0.1
done
wait "$pid" 2>/dev/null || true
pid=0
[ "$(grep -c . "$folder/Reminders/Description.txt")" -eq 19 ] ||
    fail "the Reminder window did not remove the first reminder: reminders were not switched on (see KESTERLY_BENCH_SHOTS)"
