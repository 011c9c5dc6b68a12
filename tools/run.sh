#!/usr/bin/env bash
# Installs what is missing, builds Quorbex into build/ and starts it beside a local quote
# service, so "Download All" works with no internet. Set QUORBEX_QUOTE_PORT to move the service.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target quorbex quote-service helpfile

# First run only: start with a few symbols. They are also the service's market: with "Update existing
# files", Tiingo and EODHD bring them up to date from the market's day.
[ -s build/Symbols.txt ] ||
    printf 'IBM\r\nMSFT\r\n^GSPC\r\nNYSE:AAPL\r\nBRK.B\r\nSPLT\r\nGAPD\r\nCENT\r\nQUIET\r\n' >build/Symbols.txt
universe=$(tr '\r' '\n' <build/Symbols.txt | grep -v '^$' | paste -sd, -)

port=${QUORBEX_QUOTE_PORT:-8517}
log=$(mktemp)
# Four symbols with the faults the file check finds, to show it and the chart at work.
build/quote-service --port "$port" --universe "$universe" \
    --faulty SPLT:split,GAPD:gap,CENT:hundredfold,QUIET:zero-volume >"$log" 2>&1 &
service=$!
trap 'kill "$service" 2>/dev/null; rm -f "$log"' EXIT
for _ in $(seq 50); do
    grep -q listening "$log" && break
    kill -0 "$service" 2>/dev/null || { cat "$log" >&2; exit 1; }
    sleep 0.1
done
cat "$log"

# First run only: point the six sources at the local service. The local
# service takes any token; EODHD falls back to its "demo" token, Tiingo and Twelve Data get stand-in ones.
ini=build/Quorbex.ini
base="http://127.0.0.1:$port"

# Whether the settings file sets KEY in [SECTION]; a key of the same name in another section does not count.
sets_key() { # SECTION KEY
    awk -v section="[$(printf %s "$1" | tr '[:upper:]' '[:lower:]')]" \
        -v key="$(printf %s "$2" | tr '[:upper:]' '[:lower:]')=" '
        { line = tolower($0); sub(/\r$/, "", line) }
        /^\[/ { inside = line == section; next }
        inside && index(line, key) == 1 { found = 1 }
        END { exit !found }' "$ini"
}

if ! grep -qi '^\[Endpoints\]' "$ini" 2>/dev/null; then
    {
        printf '[Endpoints]\r\n'
        for source in Yahoo Google QuoteMedia EODHD Tiingo TwelveData; do
            printf '%s=%s\r\n' "$source" "$base"
        done
    } >>"$ini"
else
    if ! grep -qi '^EODHD=' "$ini"; then # a file from before the token sources
        sed -i "/^\[Endpoints\]/I a EODHD=$base\r\nTiingo=$base\r" "$ini"
    fi
    if ! sets_key Endpoints TwelveData; then # a file from before Twelve Data
        sed -i "/^\[Endpoints\]/I a TwelveData=$base\r" "$ini"
        if grep -qi '^\[Tokens\]' "$ini" && ! sets_key Tokens TwelveData; then
            sed -i "/^\[Tokens\]/I a TwelveData=local-service\r" "$ini"
        fi
    fi
fi
if ! grep -qi '^\[Tokens\]' "$ini"; then
    printf '[Tokens]\r\nTiingo=local-service\r\nTwelveData=local-service\r\n' >>"$ini"
    chmod 600 "$ini"
fi

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found; starting Quorbex under Xvfb (install a desktop to see it)." >&2
    xvfb-run -a build/quorbex
else
    build/quorbex
fi
