#!/usr/bin/env bash
# The updater's download of a 200 MB package over loopback against the curl tool fetching the
# same file, and its unpacking against Debian's unzip, side by side in every round.
# Not a test: it prints the figures. Usage:
#   tests/bench/updater_transfer_bench.sh [build folder configured with -DVELPAY_BENCH=ON] [rounds]
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
rounds=${2:-5}
tool="$build/bin/updater_transfer_tool"
work=$(mktemp -d /tmp/velpay-transfer-bench-XXXXXX)
server=""

cleanup() {
    [ -n "$server" ] && kill "$server" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A package as a release would ship one: a few programs and libraries that barely compress,
# and text and data files that do; 200 MB as it lies on the server.
/usr/bin/python3 - "$work/served/package.zip" <<'PY'
import os, random, sys, zipfile
os.makedirs(os.path.dirname(sys.argv[1]))
rng = random.Random(7)
words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9)))
         for _ in range(5000)]
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    for i in range(12):
        z.writestr(f"bin/lib{i}.so", rng.randbytes(12 * 1024 * 1024))
    for i in range(40):
        text = b" ".join(rng.choice(words) for _ in range(400000))
        z.writestr(f"data/part{i}.txt", text)
    z.writestr("setup.sh", b"#!/bin/sh\nexit 0\n")
PY
size=$(stat -c %s "$work/served/package.zip")

(cd "$work/served" && exec /usr/bin/python3 -m http.server --bind 127.0.0.1 0 \
    >"$work/server.log" 2>&1) &
server=$!
for _ in $(seq 100); do
    port=$(sed -n 's/.*port \([0-9]*\).*/\1/p' "$work/server.log" | head -1)
    [ -n "$port" ] && break
    sleep 0.1
done
url="http://127.0.0.1:$port/package.zip"

seconds() { # command...: wall time in seconds
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}

printf 'package %d bytes, %d rounds\n' "$size" "$rounds"
printf '%-6s %12s %12s %8s   %12s %12s %8s\n' round "curl MB/s" "ours MB/s" ratio \
    "unzip MB/s" "ours MB/s" ratio
results=()
for round in $(seq "$rounds"); do
    rm -f "$work/curl.zip" "$work/ours.zip"
    # Transfer times as each program measures its own, without its start.
    t_curl=$(curl -s -o "$work/curl.zip" -w '%{time_total}' "$url")
    t_ours=$("$tool" download "$url" "$work/ours.zip" 2>/dev/null)
    cmp -s "$work/curl.zip" "$work/ours.zip" || { echo "downloads differ" >&2; exit 1; }
    unpacked=$(/usr/bin/python3 -c \
        "import zipfile,sys; print(sum(i.file_size for i in zipfile.ZipFile(sys.argv[1]).infolist()))" \
        "$work/curl.zip")
    rm -rf "$work/unzip" "$work/ours"; mkdir -p "$work/unzip" "$work/ours"
    t_unzip=$(seconds unzip -q -o "$work/curl.zip" -d "$work/unzip")
    # Wall times of both, our start included: unzip has no figure of its own.
    t_mine=$(seconds "$tool" unzip "$work/ours.zip" "$work/ours" 2>/dev/null)
    diff -r "$work/unzip" "$work/ours" >/dev/null || { echo "unpacked trees differ" >&2; exit 1; }
    mb() { echo "$1 / $2 / 1000000" | bc -l; }
    d1=$(mb "$size" "$t_curl"); d2=$(mb "$size" "$t_ours")
    u1=$(mb "$unpacked" "$t_unzip"); u2=$(mb "$unpacked" "$t_mine")
    printf '%-6d %12.1f %12.1f %8.3f   %12.1f %12.1f %8.3f\n' "$round" "$d1" "$d2" \
        "$(echo "$d2 / $d1" | bc -l)" "$u1" "$u2" "$(echo "$u2 / $u1" | bc -l)"
    results+=("$(echo "$d2 / $d1" | bc -l) $(echo "$u2 / $u1" | bc -l)")
done
printf '%s\n' "${results[@]}" | sort -n -k1 | awk -v n="$rounds" \
    'NR == int((n + 1) / 2) { printf "median download ratio %.3f (goal 0.95)\n", $1 }'
printf '%s\n' "${results[@]}" | sort -n -k2 | awk -v n="$rounds" \
    'NR == int((n + 1) / 2) { printf "median unpacking ratio %.3f (goal 0.90)\n", $2 }'
