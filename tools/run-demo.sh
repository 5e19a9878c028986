#!/usr/bin/env bash
# The demo `make run` starts: the window on the demo project with a simulated
# ATmega8 attached (or, with PORT=/dev/ttyUSB0, a real box). Without a display
# it runs the demo project's production sequence on the terminal instead.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

work="$build/run"
mkdir -p "$work"
settings="$work/quorva.ini"
sim_pid=""
cleanup() { [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true; }
trap cleanup EXIT

if [ -n "${PORT:-}" ]; then
  port="$PORT"
  echo "Using the programmer box on $port."
else
  port="$work/COM1"
  rm -f "$port"
  "$build/tools/sim/quorva-sim" --link "$port" --chip ATmega8 --state-out "$work/chip" &
  sim_pid=$!
  for _ in $(seq 50); do [ -e "$port" ] && break; sleep 0.1; done
  echo "A simulated programmer box with an ATmega8 is on $port."
fi
printf '[Connect]\nCOM=1\nHighSpeed=0\n[Ports]\nCOM1=%s\n' "$port" > "$settings"

display=""
for variable in DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM; do
  [ -n "${!variable:-}" ] && display=$variable
done
if [ -n "$display" ]; then
  echo "Opening the window ($display is set). Close it to stop the simulator."
  QUORVA_SETTINGS="$settings" "$build/src/gui/quorva" "examples/demo.kx2"
  exit 0
fi

echo "No display (DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM are unset), so the window"
echo "cannot open: running the demo project's production sequence on the terminal."

echo "== quorva-cli --com 1 info"
QUORVA_SETTINGS="$settings" "$build/src/cli/quorva-cli" --com 1 info
echo
echo "== quorva examples/demo.kx2 -autoprogram"
status=0
QUORVA_SETTINGS="$settings" "$build/src/gui/quorva" examples/demo.kx2 -autoprogram </dev/null || status=$?
echo
if [ "$status" -eq 0 ]; then
  echo "The demo board was programmed and verified (exit status 0)."
else
  echo "The production run failed (exit status $status)."
fi
cat <<EOT

Next:
  $build/src/cli/quorva-cli --help                 every command without a window
  QUORVA_SETTINGS=$settings $build/src/cli/quorva-cli read-flash out.hex --device ATmega8
                                                 (start the simulator again first: $build/tools/sim/quorva-sim --link $port)
  README.md                                      pointing the program at a real box
EOT
exit "$status"
