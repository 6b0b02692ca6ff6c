#!/usr/bin/env bash
# CPU use of trivo's window at real-time speed: our system ROM at 200 %
# under Xvfb, sound on SDL's dummy driver. Measures the process's CPU time
# (user + system, from /proc/PID/stat) over 20 s, once with the window
# shown and once with it unmapped (minimised: Xvfb has no window manager to
# iconify it, so the window is unmapped as iconifying does).
#
#   bench/window_cpu.sh [build folder]     (default build/)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath "${1:-$root/build}")"
screen=1024x768
source "$root/bench/trivo_under_xvfb.sh"
sleep 3
shown="$(measure)"
xdotool windowunmap --sync "$window"
sleep 1
hidden="$(measure)"
echo "trivo window, 200 %, dummy sound: ${shown} % of one core shown, ${hidden} % unmapped"
