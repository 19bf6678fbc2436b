#!/usr/bin/env bash
# fuzz/run.sh BUILD_DIR SECONDS [TARGET...]
# Runs each fuzz target (all by default) for SECONDS on a copy of its seed
# corpus, so the checked-in corpus never grows. Exits non-zero when any target
# finds something: a crash, a leak, undefined behaviour, a violated property
# or an input slower than 10 s. The inputs that did so are kept under
# BUILD_DIR/fuzz-findings/<target>/, the target's log beside them.
set -euo pipefail

if (($# < 2)); then
  sed -n '2,7p' "$0" | sed 's/^# \{0,1\}//'
  exit 2
fi
build=$(cd "$1" && pwd)
seconds=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)

targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=(manifest installer_release installed_records info_dictionary bundle_root install_command removal_command)
fi

dictionary() {
  case $1 in
    install_command | removal_command) echo "$here/dict/commands.dict" ;;
    *) echo "$here/dict/$1.dict" ;;
  esac
}

work=$(mktemp -d "${TMPDIR:-/tmp}/brenvoss-fuzz-run.XXXXXX")
trap 'rm -rf "$work"' EXIT

failed=()
for target in "${targets[@]}"; do
  exe=$build/fuzz/fuzz_$target
  if [[ ! -x $exe ]]; then
    echo "fuzz: $exe is missing (configure with -DBRENVOSS_FUZZ=ON and build)" >&2
    failed+=("$target")
    continue
  fi
  mkdir -p "$work/$target/corpus" "$work/$target/artifacts"
  cp -R "$here/corpus/$target/." "$work/$target/corpus/"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
    -artifact_prefix="$work/$target/artifacts/")
  dict=$(dictionary "$target")
  [[ -f $dict ]] && options+=(-dict="$dict")

  log=$work/$target/log.txt
  status=0
  ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} \
    LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$here/lsan.supp:print_suppressions=0} \
    UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
    "$exe" "${options[@]}" "$work/$target/corpus" >"$log" 2>&1 || status=$?

  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -1 || true)
  corpus=$(find "$work/$target/corpus" -type f | wc -l)
  printf 'fuzz: %-18s %s runs, %s exec/s, %s, corpus %s\n' "$target" "${runs:-?}" "${speed:-?}" "${coverage:-cov: ?}" "$corpus"

  if ((status != 0)) || [[ -n $(ls -A "$work/$target/artifacts") ]]; then
    findings=$build/fuzz-findings/$target
    mkdir -p "$findings"
    cp -R "$work/$target/artifacts/." "$findings/"
    cp "$log" "$findings/log.txt"
    echo "fuzz: $target FAILED (exit $status); inputs and log in $findings"
    grep -E -A12 'property violated|ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error' "$log" | head -40 || true
    failed+=("$target")
  fi
done

if ((${#failed[@]})); then
  echo "fuzz: findings in ${failed[*]}" >&2
  exit 1
fi
echo "fuzz: ${#targets[@]} targets, no findings"
