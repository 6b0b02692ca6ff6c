# Shared by the CPU-use scripts: sourced after they set `build` and the
# screen size. Re-runs the calling script under Xvfb, starts trivo there with
# sound on SDL's dummy driver in a scratch folder, and gives `measure`: the
# process's CPU time (user + system, from /proc/PID/stat) over 20 s, as a
# percentage of one core. Leaves trivo's main window id in `window`.
trivo="$build/trivo/app/trivo"

if [ -z "${TRIVO_CPU_DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 ${screen}x24" env TRIVO_CPU_DISPLAY=1 "$0" "$build"
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
