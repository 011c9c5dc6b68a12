#!/usr/bin/env bash
# Runs the manual page rule against a stand-in that answers --help and --version, and against one
# that never answers, which must give no page without holding the build up for long.
# The built page, when given, must have every section and render without a warning.
# Usage: check-man-page.sh MANPAGE_CMAKE STUB [BUILT_PAGE]
set -uo pipefail
rule=$1 stub=$2 built=${3:-}
command -v help2man >/dev/null || { echo "SKIPPED: help2man not found: install the package help2man."; exit 77; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
status=0
cmake -DQUORBEX="$stub" -DOUTPUT="$out/quorbex.1" -DSTAMP="$out/man.stamp" -P "$rule" || status=1
sections=(NAME SYNOPSIS DESCRIPTION OPTIONS '"EXIT STATUS"' ENVIRONMENT FILES EXAMPLES)
for page in "$out/quorbex.1" ${built:+"$built"}; do
    for want in '^\.TH QUORBEX "1"' '^quorbex \\- download daily price histories' 'start\\-year' \
                "${sections[@]/#/^.SH }" 'quorbex \\-\\-download \\-\\-update$'; do
        grep -q -- "$want" "$page" 2>/dev/null || { echo "FAIL: $page lacks $want"; status=1; }
    done
    if command -v man >/dev/null && [ -e "$page" ]; then
        warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
        [ -z "$warnings" ] || { echo "FAIL: $page renders with warnings: $warnings"; status=1; }
    fi
done

mkdir "$out/silent" && printf '#!/bin/sh\nsleep 60\n' >"$out/silent/quorbex" && chmod +x "$out/silent/quorbex"
start=$SECONDS
cmake -DQUORBEX="$out/silent/quorbex" -DOUTPUT="$out/silent/quorbex.1" -DSTAMP="$out/silent/man.stamp" \
      -P "$rule" 2>/dev/null || { echo "FAIL: a program without --version failed the build"; status=1; }
[ ! -e "$out/silent/quorbex.1" ] || { echo "FAIL: a page was made for a program without --version"; status=1; }
((SECONDS - start < 30)) || { echo "FAIL: the rule waited $((SECONDS - start)) s"; status=1; }
exit $status
