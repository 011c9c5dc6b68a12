#!/usr/bin/env bash
# Opens the built Quorbex.chm with the CHM library's own tools and checks that it holds every page
# of the project, every contents and index entry leads to a page it holds, and every link between
# the pages resolves. Usage: check-help.sh BUILT_CHM HELP_SOURCE_DIR
set -uo pipefail
chm=$1 src=$2
skip() { echo "SKIPPED: $*"; exit 77; }
[ -f "$chm" ] || skip "$chm has not been built: chmcmd (package fp-utils-3.2.2) was missing when CMake ran, or the build has not run."
command -v enum_chmLib >/dev/null && command -v extract_chmLib >/dev/null ||
    skip "enum_chmLib/extract_chmLib not found: install the package libchm-bin."

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

listing=$(enum_chmLib "$chm") || fail "enum_chmLib cannot read $chm"
extract_chmLib "$chm" "$out" >/dev/null || fail "extract_chmLib cannot unpack $chm"

# Every file the project lists, and every page of the folder, is in the help file unchanged.
pages=$(sed -n '/^\[FILES\]/,/^\[/{/^\[/d;/^\s*$/d;p}' "$src/Quorbex.hhp" | tr -d '\r')
for page in $(cd "$src" && ls -- *.html); do
    grep -qx "$page" <<<"$pages" || fail "$page is not listed in Quorbex.hhp"
done
for page in $pages; do
    grep -q "[[:space:]]/$page\$" <<<"$listing" || fail "$page is missing from the help file"
    cmp -s "$src/$page" "$out/$page" || fail "$page differs from its source"
done

# Every contents and index entry of the sources is in the help file and leads to a page there.
locals() { grep -io 'name="Local" value="[^"]*"' "$1" | sed 's/.*value="\([^"#]*\).*/\1/'; }
names() { grep -io 'name="Name" value="[^"]*"' "$1" | sed 's/.*value="//; s/"$//'; }
for map in Quorbex.hhc Quorbex.hhk; do
    [ -f "$out/$map" ] || { fail "$map is missing from the help file"; continue; }
    [ "$(names "$src/$map")" = "$(names "$out/$map")" ] || fail "the entries of $map differ from the source"
    count=0
    for target in $(locals "$out/$map"); do
        [ -f "$out/$target" ] || fail "$map entry leads to $target, which the help file lacks"
        count=$((count + 1))
    done
    [ "$count" -gt 0 ] || fail "$map has no entries"
done
grep -q '/\$WWKeywordLinks/BTree' <<<"$listing" || fail "the help file has no keyword index"
grep -qx "Contents file=Quorbex.hhc" < <(tr -d '\r' <"$src/Quorbex.hhp") || fail "no contents file set"

# Links between pages, anchors included.
for page in $pages; do
    [[ $page == *.html ]] || continue
    for link in $(grep -o 'href="[^":]*"' "$out/$page" | sed 's/href="//; s/"$//'); do
        file=${link%%#*} anchor=${link#*#}
        [ -n "$file" ] || file=$page
        [ -f "$out/$file" ] || { fail "$page links to $file, which the help file lacks"; continue; }
        [ "$anchor" = "$link" ] || grep -q "id=\"$anchor\"" "$out/$file" || fail "$page links to a missing anchor $link"
    done
done

[ "$failures" -eq 0 ] && echo "Quorbex.chm holds $(wc -w <<<"$pages") files; contents, index and links resolve."
exit $((failures > 0))
