#!/usr/bin/env bash
# Measures the client on a private X server against the fake gateway:
#   - the time from starting VelPay to its sign-in window being on screen (store initialised);
#   - the resident memory of the running client with its main window shown.
# Not a test: it prints the figures. Usage: tests/bench/startup_measure.sh [build folder] [runs]
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-10}
work=$(mktemp -d /tmp/velpay-measure-XXXXXX)
pids=()

cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

# A private X server on a display it picks itself (a free one, whatever else runs).
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.05; done
display=$(head -1 "$work/display")
export DISPLAY=":$display"

# A desktop session has its bus; without one, Qt's first use of it would launch a bus daemon
# inside the measured start.
bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
export DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$bus")
pids+=($(sed -n 2p <<<"$bus"))

/usr/bin/python3 "$root/tests/fakegw/fake_gateway.py" --port 0 --port-file "$work/port" \
    --base-path infer >"$work/gateway.log" 2>&1 &
pids+=($!)
for _ in $(seq 200); do [ -s "$work/port" ] && break; sleep 0.05; done
gateway="http://127.0.0.1:$(cat "$work/port")"

till="$work/till"
mkdir -p "$till"
# One till runs per program name: a name of its own keeps clear of other runs.
cp "$build/bin/VelPay" "$till/VelPayMeasure"
cp "$build/bin/libKbWatch.so" "$till/"
export VELPAY_TEST_MESSAGEBOXES="$work/boxes.txt"

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Waits (10 s at most) until a window captioned exactly $1 is viewable; prints its id.
wait_window() {
    for _ in $(seq 2000); do
        if info=$(xwininfo -name "$1" 2>/dev/null) && grep -q "IsViewable" <<<"$info"; then
            awk '/Window id:/ {print $4; exit}' <<<"$info"
            return 0
        fi
        sleep 0.005
    done
    echo "no window \"$1\"" >&2
    return 1
}

typeline() { xdotool type --delay 10 "$1"; xdotool key Return; }

# Once: initialise the store, so that every measured start goes straight to the sign-in.
"$till/VelPayMeasure" >>"$work/velpay.log" 2>&1 &
till_pid=$!
pids+=($till_pid)
init=$(wait_window "系统初始化")
xdotool windowfocus --sync "$init"
typeline "$gateway"
typeline "S0001"
typeline "888888"
wait_window "登录" >/dev/null
kill "$till_pid"
wait "$till_pid" 2>/dev/null || true

# Processor time a process has used so far, in ms: less at the mercy of a busy machine than the
# wall clock.
cpu_ms() {
    awk -v hz="$(getconf CLK_TCK)" '{print int(($14 + $15) * 1000 / hz)}' "/proc/$1/stat"
}

times=()
cpus=()
rss=()
for _ in $(seq "$runs"); do
    start=$(now_ms)
    "$till/VelPayMeasure" >>"$work/velpay.log" 2>&1 &
    till_pid=$!
    pids+=($till_pid)
    login=$(wait_window "登录")
    times+=($(( $(now_ms) - start )))
    cpus+=($(cpu_ms "$till_pid"))

    xdotool windowfocus --sync "$login"
    typeline "1001"
    typeline "123456"
    wait_window "海川微信支付收银系统1.0.5[VelPayMeasure]" >/dev/null
    sleep 1
    rss+=($(awk '/VmRSS/ {print $2}' "/proc/$till_pid/status"))
    kill "$till_pid"
    wait "$till_pid" 2>/dev/null || true
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }
echo "start to sign-in window (ms), $runs runs: ${times[*]}"
echo "  median $(median "${times[@]}") ms, worst $(printf '%s\n' "${times[@]}" | sort -n | tail -1) ms"
echo "processor time to the sign-in window (ms): ${cpus[*]}"
echo "  median $(median "${cpus[@]}") ms"
echo "resident memory with the main window shown (KiB): ${rss[*]}"
echo "  median $(median "${rss[@]}") KiB"
