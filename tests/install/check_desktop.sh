#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Usage: check_desktop.sh PACKAGING_DIR SCRATCH_DIR
# The desktop integration as the desktop's own tools read it: the desktop
# entry passes desktop-file-validate, the AppStream data passes appstreamcli,
# and the scan-file types, once compiled by update-mime-database, match
# *.RA1 ... *.RA8 and *.IP1 ... *.IP8 in any letter case.  The entry, the
# AppStream data and the types name the same things.  Exits 77 (skipped)
# when one of the tools is missing.
set -euo pipefail
src=$1
scratch=$2
for tool in desktop-file-validate appstreamcli update-mime-database; do
    command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
status=0
fail() { echo "FAIL: $*"; status=1; }

# Hints (such as "more than one main category", which the requested
# Science;Education; pair gives) are not faults.
report=$(desktop-file-validate "$src/quillane.desktop" 2>&1) || fail "desktop-file-validate: $report"
[ -z "$(grep -v ': hint: ' <<<"$report" || true)" ] || fail "desktop-file-validate: $report"

# The component id is not reverse-DNS: the project has no domain of its own.
appstreamcli validate --no-net --override=cid-desktopapp-is-not-rdns=info \
    "$src/quillane.metainfo.xml" || fail "appstreamcli validate"

rm -rf "$scratch"
mkdir -p "$scratch/mime/packages"
cp "$src/quillane-mime.xml" "$scratch/mime/packages/quillane.xml"
# (It notes that the scratch folder is not on the search path: true, and meant.)
notes=$(update-mime-database "$scratch/mime" 2>&1) || fail "update-mime-database: $notes"
for kind in ra:text/x-auc-absorbance-scan ip:text/x-auc-interference-scan; do
    suffix=${kind%%:*}
    type=${kind#*:}
    for cell in 1 2 3 4 5 6 7 8; do
        # A glob without the "cs" flag matches in any letter case.
        grep -qxE "[0-9]+:$type:\*\.$suffix$cell" "$scratch/mime/globs2" ||
            fail "no case-insensitive glob *.$suffix$cell for $type"
    done
    grep -q "^MimeType=.*$type;" "$src/quillane.desktop" || fail "the desktop entry does not open $type"
    grep -q "<mediatype>$type</mediatype>" "$src/quillane.metainfo.xml" ||
        fail "the AppStream data do not name $type"
done
grep -q '^Icon=quillane$' "$src/quillane.desktop" && [ -f "$src/quillane.svg" ] ||
    fail "the desktop entry's icon is not quillane.svg"
grep -q '<launchable type="desktop-id">quillane.desktop</launchable>' \
    "$src/quillane.metainfo.xml" || fail "the AppStream data do not launch quillane.desktop"
grep -q '^Categories=Science;Education;' "$src/quillane.desktop" ||
    fail "the desktop entry is not under Science and Education"
[ "$status" -eq 0 ] && echo "desktop entry, AppStream data and scan-file types are valid"
exit "$status"
