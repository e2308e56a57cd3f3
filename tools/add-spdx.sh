#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Usage: tools/add-spdx.sh [--check]
# Every source file of the project names its licence in its first lines:
#   C++ (*.cc *.cpp *.h *.hpp)                 // SPDX-License-Identifier: MIT
#   C (*.c, and the public header quillane.h,  /* SPDX-License-Identifier: MIT */
#   which C programs of any standard include)
#   shell scripts (*.sh, and any tracked file   # SPDX-License-Identifier: MIT
#   starting with a #! line of sh or bash)      (after the #! line)
#   CMake (CMakeLists.txt, *.cmake, *.cmake.in) # SPDX-License-Identifier: MIT
# Without an argument the line is added to every such file that lacks it;
# with --check the files that lack it are listed and the exit status is 1.
# The files are those git tracks (all of them outside a git checkout).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
mode=${1:-add}
case "$mode" in add | --check) ;; *) echo "usage: $0 [--check]" >&2; exit 2 ;; esac

tag='SPDX-License-Identifier: MIT'
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t all < <(git ls-files)
else
    mapfile -t all < <(find . -path ./build\* -prune -o -path ./.git -prune -o -type f -print |
        sed 's#^\./##' | sort)
fi

# The licence line a file gets, "" when it needs none.
line_of() {
    case "$1" in
        *.c | analysis/quillane.h) echo "/* $tag */" ;;
        *.cc | *.cpp | *.h | *.hpp) echo "// $tag" ;;
        *.sh | CMakeLists.txt | */CMakeLists.txt | *.cmake | *.cmake.in) echo "# $tag" ;;
        *) head -c 64 "$1" 2>/dev/null | head -1 | grep -qE '^#!.*\b(ba)?sh\b' && echo "# $tag" || true ;;
    esac
}

missing=0
for f in "${all[@]}"; do
    [ -f "$f" ] || continue
    line=$(line_of "$f")
    [ -n "$line" ] || continue
    head -3 "$f" | grep -qF "$tag" && continue
    missing=$((missing + 1))
    if [ "$mode" = --check ]; then
        echo "  $f"
        continue
    fi
    if head -1 "$f" | grep -q '^#!'; then
        sed -i "1a $line" "$f"
    else
        sed -i "1i $line" "$f"
    fi
done
if [ "$mode" = --check ]; then
    if [ "$missing" -gt 0 ]; then
        echo "add-spdx: $missing files lack \"$tag\" in their first lines (fix: bash tools/add-spdx.sh)" >&2
        exit 1
    fi
    echo "add-spdx: every source file names its licence"
else
    echo "add-spdx: added the licence line to $missing files"
fi
