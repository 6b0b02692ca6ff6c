#!/usr/bin/env bash
# CPU use of trivo running in real time with the debugger windows the user
# keeps open while a program runs: Register, Memory, History and LST (with
# our system ROM's listing). As bench/window_cpu.sh: under Xvfb, sound on
# SDL's dummy driver, the process's CPU time (user + system, from
# /proc/PID/stat) over 20 s, first with the main window alone, then with
# the four windows open and refreshed after every shown frame.
#
#   bench/debugger_cpu.sh [build folder]     (default build/)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath "${1:-$root/build}")"
screen=1280x1024
source "$root/bench/trivo_under_xvfb.sh"
sleep 3
alone="$(measure)"

# Debug menu items from the keyboard: 0 Register, 1 Memory, 2 History, 5 LST.
for item in 0 1 2 5; do
  xdotool windowfocus --sync "$window"
  xdotool key alt+d
  sleep 0.3
  for ((i = 0; i < item; ++i)); do xdotool key Down; done
  xdotool key Return
  sleep 0.5
done
for name in 'Register Display' 'Memory Display' 'History Display' 'LST File Display'; do
  xdotool search --sync --onlyvisible --name "^$name\$" > /dev/null
done
xdotool windowfocus --sync "$window"
sleep 2
windows="$(measure)"
echo "trivo in real time, dummy sound: ${alone} % of one core alone," \
     "${windows} % with Register, Memory, History and LST open"
