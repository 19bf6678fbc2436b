#!/usr/bin/env bash
# Fails when a file includes one from a layer above its own. From the bottom:
#   common/    vocabulary (Error, Result, the main-queue hand-off, text)
#   platform/  what stands in for the operating system's services
#   the pure logic of each feature, in the order below
#   AppDelegate*.{h,cpp} (in any folder), app/ and ui/
#   main.cpp, which nothing includes
# A pure feature file may include its own folder or a feature before it in the
# list, so feature folders cannot include each other in a circle.
# Usage: check-layers.sh [SOURCE_ROOT] (default: the checkout's src/)
set -euo pipefail
src=${1:-"$(cd "$(dirname "$0")/../../src" && pwd)"}
repo=$(cd "$src/.." && pwd)
order=(common platform catalogue install installed uninstall update)
top=(app ui)
rank() { # rank of a folder in the order above; 99 for the top, -1 for none
  local i
  for i in "${!order[@]}"; do [[ ${order[$i]} == "$1" ]] && { echo "$i"; return; }; done
  [[ " ${top[*]} " == *" $1 "* ]] && { echo 99; return; }
  echo -1
}
failures=0
fail() {
  echo "layers: $1" >&2
  failures=$((failures + 1))
}

while IFS= read -r file; do
  rel=${file#"$src"/}
  folder=${rel%%/*}
  name=${rel##*/}
  [[ $rel == */* ]] || continue # main.cpp and the bundle's property list
  own=$(rank "$folder")
  [[ $name == AppDelegate* ]] && own=99
  if ((own < 0)); then
    fail "$rel is in a folder of no layer: add src/$folder to the order in ${0##*/}"
    continue
  fi
  ((own == 99)) && continue
  while IFS=: read -r line included; do
    [[ $included == */* ]] || continue # a system or third-party header
    target=${included%%/*}
    [[ -e "$src/$included" ]] || continue # not one of ours
    theirs=$(rank "$target")
    [[ ${included##*/} == AppDelegate* ]] && theirs=99
    if ((theirs > own)); then
      fail "$rel:$line includes $included, which is above it"
    fi
  done < <(grep -noE '^[[:space:]]*#[[:space:]]*(include|import)[[:space:]]*"[^"]+"' "$file" | sed -E 's/^([0-9]+):.*"([^"]+)"$/\1:\2/')
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.mm' \) | sort)

# Nothing includes the process entry.
if hits=$(grep -rnE '#[[:space:]]*include[[:space:]]*"([^"]*/)?main\.cpp"' "$repo/src" "$repo/tests" "$repo/tools" \
  "$repo/bench" "$repo/fuzz" 2>/dev/null); then
  while IFS= read -r hit; do fail "${hit#"$repo"/} includes main.cpp"; done <<<"$hits"
fi

if ((failures)); then
  echo "layers: $failures include(s) point upwards" >&2
  exit 1
fi
echo "layers: every include points down or sideways within its folder"
