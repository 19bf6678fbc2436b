#!/usr/bin/env bash
# Runs the libFuzzer targets of a fuzz build. See usage below, or run
# fuzz/run.sh --help.
set -euo pipefail

usage() {
  cat <<'EOF'
usage: fuzz/run.sh replay BUILD_DIR [TARGET...]
       fuzz/run.sh explore BUILD_DIR SECONDS [TARGET...]

  replay    run each target once over every input in fuzz/corpus/<target>/
            (the seeds and every earlier finding); the same answer every time
  explore   mutate each target's corpus for SECONDS, on a copy, so the
            checked-in corpus never grows
  -h, --help  print this help

BUILD_DIR is a build configured with -DBRENVOSS_FUZZ=ON (./dev uses build-fuzz).
Targets (default all): manifest installer_release installed_records
info_dictionary bundle_root install_command removal_command.
Exits 1 when any target finds something: a crash, a leak, undefined behaviour,
a violated property or an input slower than 10 s; the inputs that did so and
the target's log are kept under BUILD_DIR/fuzz-findings/<target>/.

Environment: ASAN_OPTIONS, LSAN_OPTIONS and UBSAN_OPTIONS replace the
defaults (leaks detected, lsan.supp, undefined behaviour halts).
EOF
}

fail_usage() {
  echo "$1" >&2
  usage >&2
  exit 2
}

mode=${1:-}
case $mode in
  -h | --help)
    usage
    exit 0
    ;;
  replay) (($# >= 2)) || fail_usage "replay needs BUILD_DIR" ;;
  explore)
    (($# >= 3)) || fail_usage "explore needs BUILD_DIR and SECONDS"
    [[ $3 =~ ^[1-9][0-9]*$ ]] || fail_usage "SECONDS: '$3' is not a whole number of seconds"
    ;;
  '') fail_usage "a command is needed" ;;
  *) fail_usage "unknown command: $mode" ;;
esac
[[ -d $2 ]] || fail_usage "BUILD_DIR: '$2' is not a folder"
build=$(cd "$2" && pwd)
if [[ $mode == explore ]]; then
  seconds=$3
  shift 3
else
  shift 2
fi
here=$(cd "$(dirname "$0")" && pwd)

all=(manifest installer_release installed_records info_dictionary bundle_root install_command removal_command)
targets=(${1+"$@"}) # bash 3.2 calls an empty "$@" unbound under set -u
((${#targets[@]})) || targets=("${all[@]}")
for target in "${targets[@]}"; do
  [[ " ${all[*]} " == *" $target "* ]] || fail_usage "TARGET: '$target' is not a fuzz target"
done

dictionary() {
  case $1 in
    install_command | removal_command) echo "$here/dict/commands.dict" ;;
    *) echo "$here/dict/$1.dict" ;;
  esac
}

work=$(mktemp -d "${TMPDIR:-/tmp}/brenvoss-fuzz-run.XXXXXX")
trap 'rm -rf "$work"' EXIT

# LeakSanitizer exists on Linux only; elsewhere ASan would refuse the option.
leaks=
[[ $(uname -s) == Linux ]] && leaks=detect_leaks=1

failed=()
for target in "${targets[@]}"; do
  exe=$build/fuzz/fuzz_$target
  if [[ ! -x $exe ]]; then
    echo "fuzz: $exe is missing (configure with -DBRENVOSS_FUZZ=ON and build)" >&2
    failed+=("$target")
    continue
  fi
  mkdir -p "$work/$target/artifacts"
  options=(-timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/$target/artifacts/")
  if [[ $mode == replay ]]; then
    # -runs=0: every corpus input runs once, nothing is mutated or added.
    corpus=$here/corpus/$target
    options+=(-runs=0)
  else
    corpus=$work/$target/corpus
    mkdir -p "$corpus"
    cp -R "$here/corpus/$target/." "$corpus/"
    options+=(-max_total_time="$seconds")
    dict=$(dictionary "$target")
    [[ -f $dict ]] && options+=(-dict="$dict")
  fi

  log=$work/$target/log.txt
  status=0
  ASAN_OPTIONS=${ASAN_OPTIONS:-$leaks} \
    LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$here/lsan.supp:print_suppressions=0} \
    UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
    "$exe" "${options[@]}" "$corpus" >"$log" 2>&1 || status=$?

  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -1 || true)
  inputs=$(find "$corpus" -type f | wc -l)
  printf 'fuzz: %-18s %s runs, %s exec/s, %s, corpus %s\n' "$target" "${runs:-?}" "${speed:-?}" "${coverage:-cov: ?}" "$inputs"

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
echo "fuzz: $mode: ${#targets[@]} targets, no findings"
