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
trivo="$build/trivo/app/trivo"

if [ -z "${WINDOW_CPU_DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" env WINDOW_CPU_DISPLAY=1 "$0" "$build"
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
window="$(xdotool search --sync --onlyvisible --name '^trivo' | head -n 1)"
sleep 3
shown="$(measure)"
xdotool windowunmap --sync "$window"
sleep 1
hidden="$(measure)"
echo "trivo window, 200 %, dummy sound: ${shown} % of one core shown, ${hidden} % unmapped"
