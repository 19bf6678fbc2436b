#!/usr/bin/env bash
# Fails when a C++ file under src, publish, tests, tools, bench or fuzz is not laid out
# as .clang-format says (clang-format 14). Fix with the same list and -i.
# Usage: check-format.sh [CHECKOUT] (default: this checkout)
set -euo pipefail
root=${1:-"$(cd "$(dirname "$0")/../.." && pwd)"}
cd "$root"
formatter=
candidates=(clang-format-14 clang-format)
# Homebrew's llvm keeps its clang-format off the PATH.
if command -v brew >/dev/null; then candidates+=("$(brew --prefix llvm)/bin/clang-format"); fi
for candidate in "${candidates[@]}"; do
  if command -v "$candidate" >/dev/null; then
    formatter=$candidate
    break
  fi
done
if [[ -z $formatter ]]; then
  echo "format: clang-format is missing; ./dev setup installs it" >&2
  exit 1
fi
files=() # read line by line: macOS's bash 3.2 has no mapfile
while IFS= read -r file; do
  files+=("$file")
done < <(find src publish tests tools bench fuzz -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.mm' \) | sort)
"$formatter" --dry-run --Werror "${files[@]}"
echo "format: ${#files[@]} files as .clang-format lays them out"
