#!/bin/sh
# Shows a whole upload without a meter: a throw-away program directory under <build>/demo, the
# meter simulator on a pseudo-terminal as port 1, and Quillon started on it.
#
#   tools/demo-run.sh [BUILD_DIR]      (default: build, beside this script's folder)
#
# Environment: DEMO_READINGS (readings on the simulated meter, default 60), DEMO_SECONDS (how
# long to run without a display before the screenshot, default 20).
#
# Only the demo's own copy of sys.ini is changed; a real installation is never touched.
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$repo/build}" 2>/dev/null && pwd) || {
    echo "demo-run: no build directory ${1:-$repo/build}; build first:" >&2
    echo "  cmake -S $repo -B $repo/build && cmake --build $repo/build" >&2
    exit 1
}
exe=$build/quillon
sim=$build/tools/meter-sim/meter-sim
for f in "$exe" "$sim"; do
    if [ ! -x "$f" ]; then
        echo "demo-run: $f is missing; build first: cmake --build $build" >&2
        exit 1
    fi
done
cfg=$build/cfg
[ -f "$cfg/sys.ini" ] || cfg=$repo/cfg

demo=$build/demo
rm -rf "$demo"
mkdir -p "$demo/cfg" "$demo/data"
cp "$exe" "$demo/quillon"
cp "$cfg/sys.ini" "$cfg/datamb.xml" "$demo/cfg/"

# The program reaches the meter through a link that goes away with the simulator: the
# pseudo-terminal's number is handed to the next one opened, maybe another program's meter.
"$sim" --readings "${DEMO_READINGS:-60}" --sessions 1 --record "$demo/meter-sim.sent" \
    --link "$demo/meter" >"$demo/meter-sim.out" 2>"$demo/meter-sim.log" &
sim_pid=$!
cleanup() { kill "$sim_pid" 2>/dev/null || true; }
trap cleanup EXIT INT TERM

pty=
tries=0
while [ -z "$pty" ] && [ $tries -lt 50 ]; do
    pty=$(head -n 1 "$demo/meter-sim.out" 2>/dev/null || true)
    [ -n "$pty" ] || { sleep 0.1; tries=$((tries + 1)); }
done
if [ -z "$pty" ]; then
    echo "demo-run: the meter simulator did not start; see $demo/meter-sim.log" >&2
    exit 1
fi

# Port 1 of the demo's own settings is the simulator; the log window shows the upload's lines.
ini=$demo/cfg/sys.ini
awk -v link="$demo/meter" '
    /^\[/ { in_comm = (tolower($0) ~ /^\[comm\]/) }
    in_comm && tolower($0) ~ /^[ \t]*port1[ \t]*=/ { next }
    tolower($0) ~ /^[ \t]*logview[ \t]*=/ { print "logview=1"; next }
    { print }
    /^\[/ && in_comm { print "port1=" link }
' "$ini" >"$ini.new"
mv "$ini.new" "$ini"

echo "demo-run: program directory $demo"
echo "demo-run: meter simulator on $pty (port 1), ${DEMO_READINGS:-60} readings"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    "$demo/quillon"
    exit 0
fi

for tool in xvfb-run import; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "demo-run: no display, and $tool is not installed (packages xvfb and imagemagick)" >&2
        exit 1
    fi
done
shot=$demo/screenshot.png
seconds=${DEMO_SECONDS:-20}
echo "demo-run: no display; running under xvfb-run for $seconds seconds"
# Under a window manager, as on a desktop, so the windows are placed and stacked as a person sees
# them; the upload's secondary windows are then set aside so the main window shows whole.
xvfb-run -a -s "-screen 0 1280x900x24" sh -c '
    if command -v openbox >/dev/null 2>&1; then openbox >/dev/null 2>&1 & wm=$!; sleep 1; fi
    "$1" & app=$!
    sleep "$2"
    if command -v xdotool >/dev/null 2>&1; then
        for name in "^logfile$" "^Values"; do
            for w in $(xdotool search --name "$name" 2>/dev/null); do xdotool windowminimize "$w" 2>/dev/null; done
        done
        xdotool search --name "^Quillon V2.0$" windowactivate 2>/dev/null
        sleep 1
    fi
    import -window root "$3"
    kill "$app" ${wm:-} 2>/dev/null
    wait "$app" 2>/dev/null || true
' demo "$demo/quillon" "$seconds" "$shot"
echo "demo-run: screenshot saved to $shot"
