#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Usage: check_manpage.sh PROGRAM PAGE
# Keeps a manual page in step with the program's --help: every option that
# --help lists has an entry of its own in the page's OPTIONS section, and
# every entry there is an option --help lists.  With groff at hand the page
# must also format without a warning.
set -euo pipefail
program=$1
page=$2

# Option words: "-h", "--out", "--image-size", not the "-batch" of a name.
option_words() {
    grep -oE -- '(^|[^[:alnum:]_-])--?[[:alpha:]][[:alnum:]-]*' | sed -E 's/^[^-]+//' | sort -u
}

help_text=$("$program" --help)
from_help=$(option_words <<<"$help_text")
[ -n "$from_help" ] || { echo "FAIL: $program --help lists no options"; exit 1; }

# The line after each .TP of the OPTIONS section names the entry; the page
# writes a hyphen as \- and switches fonts with \fB ... \fR.
entries=$(awk '/^\.SH /{in_options = ($2 == "OPTIONS")} in_options && tp {print; tp = 0}
               in_options && /^\.TP/{tp = 1}' "$page" |
          sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g')
from_page=$(option_words <<<"$entries")

status=0
missing=$(comm -23 <(echo "$from_help") <(echo "$from_page"))
extra=$(comm -13 <(echo "$from_help") <(echo "$from_page"))
if [ -n "$missing" ]; then
    echo "FAIL: $page has no entry for these options of $program --help:"
    echo "$missing" | sed 's/^/  /'
    status=1
fi
if [ -n "$extra" ]; then
    echo "FAIL: $page describes options that $program --help does not list:"
    echo "$extra" | sed 's/^/  /'
    status=1
fi

if command -v groff >/dev/null; then
    warnings=$(groff -man -ww -z -Tutf8 "$page" 2>&1 || true)
    if [ -n "$warnings" ]; then
        echo "FAIL: $page does not format cleanly:"
        echo "$warnings" | sed 's/^/  /'
        status=1
    fi
fi
[ "$status" -eq 0 ] && echo "$page describes the $(wc -l <<<"$from_help") options of $program --help"
exit "$status"
