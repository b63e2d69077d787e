#!/usr/bin/env bash
# Starts the real program under Xvfb, opens the main window (a click on the splash
# picture), leaves it idle and prints the processor time it used and its peak memory.
#   bench/idle.sh [build-folder] [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-20}
program=$build/kesterly
[ -x "$program" ] || { echo "build the program first: $program is missing" >&2; exit 1; }

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
home=$(mktemp -d)
cleanup() { kill "$pid" 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true; rm -rf "$home"; }
pid=0
trap cleanup EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

HOME=$home LANG=en_US.UTF-8 "$program" >/dev/null 2>&1 &
pid=$!
for _ in $(seq 100); do xdotool search --name '^Kesterly$' >/dev/null 2>&1 && break; sleep 0.05; done
sleep 0.5
# The splash picture fills the splash window, which is centred on the screen.
xdotool mousemove 640 400 click 1
sleep 1

ticks=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
before=$(cpu)
sleep "$seconds"
after=$(cpu)
peak=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
awk -v used=$((after - before)) -v hz="$ticks" -v s="$seconds" -v peak="$peak" 'BEGIN {
  printf "idle processor use: %.2f%% of one core (%.2f s over %d s)\n", 100 * used / hz / s, used / hz, s
  printf "peak memory: %.1f MiB\n", peak / 1024
}'
