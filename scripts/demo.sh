#!/usr/bin/env bash
# Builds the client and starts it against the bundled fake gateway, in a fresh folder
# (build/demo/). The till first asks to initialise the store: store AppID S0001, supervisor
# password 888888; then sign in as cashier 1001, password 123456.
# The fake gateway stops when the client ends.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build VelPay make_parameter_file

demo=$root/build/demo
rm -rf "$demo"
mkdir -p "$demo/Config"
cp -r build/bin/. "$demo/"

portfile=$(mktemp)
/usr/bin/python3 tests/fakegw/fake_gateway.py --port 0 --port-file "$portfile" &
gateway=$!
trap 'kill $gateway 2>/dev/null || true; rm -f "$portfile"' EXIT
for _ in $(seq 100); do [ -s "$portfile" ] && break; sleep 0.1; done
base="http://127.0.0.1:$(cat "$portfile")"

printf '[系统设置]\r\nBaseUrl=%s\r\n[打印设置]\r\nPrinterType=1\r\nPrinterPort=%s\r\n' \
  "$base" "$demo/receipts.txt" | iconv -f UTF-8 -t GBK > "$demo/Config/Config.ini"
"$demo/make_parameter_file" "$demo"

echo "Fake gateway at $base; receipts go to $demo/receipts.txt"
echo "Store AppID S0001, supervisor password 888888; cashier 1001, password 123456"
"$demo/VelPay"
