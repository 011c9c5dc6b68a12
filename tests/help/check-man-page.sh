#!/usr/bin/env bash
# Runs the manual page rule against a stand-in that answers --help and --version, and against one
# that never answers, which must give no page without holding the build up for long.
# Usage: check-man-page.sh MANPAGE_CMAKE STUB
set -uo pipefail
rule=$1 stub=$2
command -v help2man >/dev/null || { echo "SKIPPED: help2man not found: install the package help2man."; exit 77; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
status=0
cmake -DQUORBEX="$stub" -DOUTPUT="$out/quorbex.1" -DSTAMP="$out/man.stamp" -P "$rule" || status=1
for want in '^\.TH QUORBEX "1"' '^quorbex \\- download daily price histories' 'start\\-year' '^\.SH OPTIONS'; do
    grep -q -- "$want" "$out/quorbex.1" 2>/dev/null || { echo "FAIL: quorbex.1 lacks $want"; status=1; }
done

mkdir "$out/silent" && printf '#!/bin/sh\nsleep 60\n' >"$out/silent/quorbex" && chmod +x "$out/silent/quorbex"
start=$SECONDS
cmake -DQUORBEX="$out/silent/quorbex" -DOUTPUT="$out/silent/quorbex.1" -DSTAMP="$out/silent/man.stamp" \
      -P "$rule" 2>/dev/null || { echo "FAIL: a program without --version failed the build"; status=1; }
[ ! -e "$out/silent/quorbex.1" ] || { echo "FAIL: a page was made for a program without --version"; status=1; }
((SECONDS - start < 30)) || { echo "FAIL: the rule waited $((SECONDS - start)) s"; status=1; }
exit $status
