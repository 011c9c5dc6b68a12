#!/usr/bin/env bash
# Installs what is missing, builds Quorbex into build/ and starts it beside a local quote
# service, so "Download All" works with no internet. Set QUORBEX_QUOTE_PORT to move the service.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target quorbex quote-service helpfile

port=${QUORBEX_QUOTE_PORT:-8517}
log=$(mktemp)
build/quote-service --port "$port" >"$log" 2>&1 &
service=$!
trap 'kill "$service" 2>/dev/null; rm -f "$log"' EXIT
for _ in $(seq 50); do
    grep -q listening "$log" && break
    kill -0 "$service" 2>/dev/null || { cat "$log" >&2; exit 1; }
    sleep 0.1
done
cat "$log"

# First run only: point the five sources at the local service and start with a few symbols. The local
# service takes any token; EODHD falls back to its "demo" token, and Tiingo gets a stand-in one.
ini=build/Quorbex.ini
base="http://127.0.0.1:$port"
if ! grep -qi '^\[Endpoints\]' "$ini" 2>/dev/null; then
    printf '[Endpoints]\r\nYahoo=%s\r\nGoogle=%s\r\nQuoteMedia=%s\r\nEODHD=%s\r\nTiingo=%s\r\n' \
        "$base" "$base" "$base" "$base" "$base" >>"$ini"
elif ! grep -qi '^EODHD=' "$ini"; then # a file from before the token sources
    sed -i "/^\[Endpoints\]/I a EODHD=$base\r\nTiingo=$base\r" "$ini"
fi
if ! grep -qi '^\[Tokens\]' "$ini"; then
    printf '[Tokens]\r\nTiingo=local-service\r\n' >>"$ini"
    chmod 600 "$ini"
fi
[ -s build/Symbols.txt ] || printf 'IBM\r\nMSFT\r\n^GSPC\r\nNYSE:AAPL\r\nBRK.B\r\n' >build/Symbols.txt

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found; starting Quorbex under Xvfb (install a desktop to see it)." >&2
    xvfb-run -a build/quorbex
else
    build/quorbex
fi
