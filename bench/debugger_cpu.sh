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
trivo="$build/trivo/app/trivo"

if [ -z "${DEBUGGER_CPU_DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" env DEBUGGER_CPU_DISPLAY=1 "$0" "$build"
fi

work="$(mktemp -d)"
pid=""
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

cpu_ticks() {  # utime + stime of the process, in clock ticks
  awk '{ print $14 + $15 }' "/proc/$pid/stat"
}
measure() {  # prints percent of one core over 20 s
  local before after
  before="$(cpu_ticks)"
  sleep 20
  after="$(cpu_ticks)"
  awk -v t="$((after - before))" -v hz="$(getconf CLK_TCK)" \
    'BEGIN { printf "%.2f", t / hz / 20 * 100 }'
}

cd "$work"
QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy "$trivo" > "$work/trivo.log" 2>&1 &
pid=$!
main="$(xdotool search --sync --onlyvisible --name '^trivo' | head -n 1)"
sleep 3
alone="$(measure)"

# Debug menu items from the keyboard: 0 Register, 1 Memory, 2 History, 5 LST.
for item in 0 1 2 5; do
  xdotool windowfocus --sync "$main"
  xdotool key alt+d
  sleep 0.3
  for ((i = 0; i < item; ++i)); do xdotool key Down; done
  xdotool key Return
  sleep 0.5
done
for name in 'Register Display' 'Memory Display' 'History Display' 'LST File Display'; do
  xdotool search --sync --onlyvisible --name "^$name\$" > /dev/null
done
xdotool windowfocus --sync "$main"
sleep 2
windows="$(measure)"
echo "trivo in real time, dummy sound: ${alone} % of one core alone," \
     "${windows} % with Register, Memory, History and LST open"
