#!/usr/bin/env bash
# Deliberate faults: applies each row of deliberate-faults.tsv (file, original
# text, replacement, what a user would see) to src/ in turn, rebuilds the Debug
# tree, runs the suite up to its first failure and restores the file. Prints one
# line per fault: which test caught it, or NOT CAUGHT.
#   tests/faults/deliberate-faults.sh [BUILD_DIR]   (default build/, made by ./dev build)
# CTest runs FAULT_JOBS tests at a time (default 2); FAULT_FROM=N starts at the Nth fault;
# FAULT_ONLY="4 9 20" tries only those faults.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
work=$(mktemp -d)
current=

# The file goes back with a fresh time stamp, so the next build recompiles it.
restore() {
  [[ -n $current ]] && cp "$work/original" "$root/$current"
  current=
}
trap 'restore; exit 130' INT TERM
trap 'restore; rm -rf "$work"' EXIT

n=0
while IFS=$'\t' read -r file original replacement what; do
  [[ -z $file || $file == \#* ]] && continue
  n=$((n + 1))
  ((n >= ${FAULT_FROM:-1})) || continue
  [[ -z ${FAULT_ONLY:-} || " $FAULT_ONLY " == *" $n "* ]] || continue
  cp "$root/$file" "$work/original"
  current=$file
  # perl, not python: it is on every Debian system, minimal ones included.
  if ! perl -e '
my ($path, $old, $new) = @ARGV;
open(my $in, "<:raw", $path) or die "$path: $!\n";
my $text = do { local $/; <$in> };
my $count = () = $text =~ /\Q$old\E/g;
die "$path: the original text occurs $count times, not once\n" if $count != 1;
$text =~ s/\Q$old\E/$new/;
open(my $out, ">:raw", $path) or die "$path: $!\n";
print $out $text;
' "$root/$file" "$original" "$replacement"; then
    verdict="NOT APPLIED"
  elif ! ninja -C "$build" </dev/null >"$work/build.txt" 2>&1; then
    verdict="BUILD FAILED"
  elif (cd "$build" && QT_QPA_PLATFORM=offscreen ctest -j"${FAULT_JOBS:-2}" --stop-on-failure </dev/null >"$work/ctest.txt" 2>&1); then
    verdict="NOT CAUGHT"
  else
    # A test that fails only under load is not a catch: it must fail again alone.
    failed=$(grep -oP 'Test +#\d+: \K\S+(?= \.*\*\*\*)' "$work/ctest.txt" | head -1)
    if (cd "$build" && QT_QPA_PLATFORM=offscreen ctest --rerun-failed </dev/null >/dev/null 2>&1); then
      verdict="UNSURE: $failed failed, then passed alone"
    else
      verdict="caught by $failed"
    fi
  fi
  restore
  printf '%2d  %-40s  %-72s  %s\n' "$n" "${file#src/}" "$what" "$verdict"
done <"$root/tests/faults/deliberate-faults.tsv"
ninja -C "$build" >/dev/null
