#!/usr/bin/env bash
# Builds the demo variant of Pindrel (site constants on the local stand-in
# sites), starts the stand-in sites on fixed loopback ports and opens the
# window. Without a display the window runs under Xvfb. Closing the window
# ends the script and stops the sites.
#
#   scripts/run.sh
#
# PINDREL_DEMO_PORT_BASE (default 18600) moves the five ports of the sites.
set -euo pipefail
cd "$(dirname "$0")/.."

port_base="${PINDREL_DEMO_PORT_BASE:-18600}"
build_dir=build-demo

scripts/setup.sh
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPINDREL_DEMO_SITES=ON -DPINDREL_DEMO_PORT_BASE="$port_base" >/dev/null
cmake --build "$build_dir" -j2 --target pindrel pindrel-standin-sites

sites_log="$(mktemp)"
sites_pid=""
stop_sites() {
  if [ -n "$sites_pid" ] && kill -0 "$sites_pid" 2>/dev/null; then
    kill "$sites_pid" 2>/dev/null || true
    wait "$sites_pid" 2>/dev/null || true
  fi
  rm -f "$sites_log"
}
trap stop_sites EXIT
trap 'exit 130' INT TERM

"$build_dir"/tools/standin_sites/pindrel-standin-sites --port-base "$port_base" >"$sites_log" 2>&1 &
sites_pid=$!
for _ in $(seq 1 100); do
  grep -q '^ready$' "$sites_log" && break
  if ! kill -0 "$sites_pid" 2>/dev/null; then
    cat "$sites_log" >&2
    echo "run: the stand-in sites did not start (is port $port_base..$((port_base + 4)) in use?)" >&2
    exit 1
  fi
  sleep 0.1
done
grep -v '^ready$' "$sites_log"

echo "run: opening Pindrel; press 解析 to parse the example video, close the window to stop."
# The embedded browser's sandbox cannot run as root.
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
status=0
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  "$build_dir"/app/pindrel "$@" || status=$?
else
  # No display: a virtual one. Its number is printed so that a screenshot can
  # be taken from another shell.
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c \
    'echo "run: no display; Pindrel runs on Xvfb display $DISPLAY (screenshot: DISPLAY=$DISPLAY XAUTHORITY=$XAUTHORITY import -window root shot.png)"; exec "$0" "$@"' \
    "$build_dir"/app/pindrel "$@" || status=$?
fi
exit "$status"
