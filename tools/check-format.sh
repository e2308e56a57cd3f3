#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks that every C and C++ source of the project is formatted as
# .clang-format says; lists the files that are not and fails.
# Fix with: clang-format -i FILE...
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
format=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "$format" ]; then
  echo "check-format: clang-format is not installed (tools/install-deps.sh)" >&2
  exit 2
fi
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files '*.c' '*.cc' '*.cpp' '*.h' '*.hpp')
else
  mapfile -t files < <(find . -path ./build\* -prune -o -type f \
    \( -name '*.c' -o -name '*.cc' -o -name '*.cpp' -o -name '*.h' -o -name '*.hpp' \) -print |
    sed 's#^\./##' | sort)
fi
bad=()
for f in "${files[@]}"; do
  "$format" --dry-run -Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ "${#bad[@]}" -gt 0 ]; then
  echo "check-format: ${#bad[@]} of ${#files[@]} files are not formatted:" >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "check-format: all ${#files[@]} source files are formatted"
