#!/bin/sh
# Answers --help and --version the way the program's command line does, for the manual page rule.
case "$1" in
--version) echo "quorbex 1.0" ;;
--help)
    cat <<'HELP'
Usage: quorbex [--download [SYMBOL...] [options]]
Downloads daily price histories into .bin and .kyv bar files. Without --download the window opens.

Options:
  --download             download SYMBOLs, or every symbol of Symbols.txt, with no window
  --source NAME          yahoo, quotemedia, google, eodhd or tiingo
  --format bin|kyv       the output format
  --start-year YEAR      the first year wanted
  --folder DIR           where the files go
  --jobs N               requests in flight at once, 1 to 8
  --timeout SECONDS      how long to wait for an answer, 1 to 600
  --help                 show this help
  --version              show the version

Environment:
  QUORBEX_EODHD_TOKEN    the EODHD token

Exit status:
  0                      every symbol succeeded
  2                      a usage error
HELP
    ;;
*) sleep 60 ;; # stands for the window, which the rule must not wait for
esac
