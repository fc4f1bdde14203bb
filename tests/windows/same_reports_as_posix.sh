#!/usr/bin/env bash
# Whole runs of the Windows genopt.exe under Wine beside the POSIX genopt on
# the same inputs, the same keys and the same model source built for each:
# the report files must be the same bytes once CR LF is read as LF, and the
# Windows files must end every line in CR LF.
#   same_reports_as_posix.sh POSIX_BUILD WINDOWS_BUILD SOURCE_DIR
# Runs under scripts/test-windows, which sets up WINEPREFIX and the wineserver.
set -euo pipefail
posix_build=$1
windows_build=$2
source_dir=$3
scratch=$(mktemp -d "$windows_build/same-reports-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
failures=0

fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

# Keys that end the search at poll $1: $1 - 1 bytes that are no key, then "1".
keys_to_stop_at() { head -c $(($1 - 1)) /dev/zero | tr '\0' x; printf 1; }

# Makes $scratch/$case/posix and $scratch/$case/windows from the files of
# directory $2 (input files only), with the model $3 (POSIX) and $4 (Windows).
prepare() {
  local case=$1 inputs=$2 posix_model=$3 windows_model=$4
  for side in posix windows; do
    mkdir -p "$scratch/$case/$side"
    for input in '&_in_gen.txt' '&&_in_iZEL.txt' '&&_in_X_start.txt'; do
      [ -e "$inputs/$input" ] && cp -r "$inputs/$input" "$scratch/$case/$side/"
    done
  done
  [ -n "$posix_model" ] && cp "$posix_model" "$scratch/$case/posix/tarnix.exe"
  [ -n "$windows_model" ] && cp "$windows_model" "$scratch/$case/windows/tarnix.exe"
  return 0
}

# Runs both builds on the keys $2, the Windows build with the options that
# follow; each exit status must be 0.
run_both() {
  local case=$1 keys=$2 status
  shift 2
  printf '%s' "$keys" >"$scratch/$case/keys"
  status=0
  (cd "$scratch/$case/posix" && "$posix_build/genopt" <../keys >../posix.console 2>&1) || status=$?
  [ "$status" = 0 ] || fail "$case: the POSIX build ended with status $status"
  status=0
  (cd "$scratch/$case/windows" && wine "$windows_build/genopt.exe" "$@" <../keys >../windows.console 2>&1) ||
    status=$?
  [ "$status" = 0 ] || fail "$case: the Windows build ended with status $status"
}

# The file $2 of both runs: present, every Windows line ending in CR LF, and
# the same text.
same_file() {
  local case=$1 name=$2
  local posix_file="$scratch/$case/posix/$name" windows_file="$scratch/$case/windows/$name"
  if [ ! -f "$posix_file" ] || [ ! -f "$windows_file" ]; then
    fail "$case: '$name' is missing from a run"
    return
  fi
  [ -s "$posix_file" ] || fail "$case: '$name' is empty"
  local lines line_ends
  lines=$(tr -cd '\n' <"$windows_file" | wc -c)
  line_ends=$(grep -c $'\r$' "$windows_file" || true)
  [ "$lines" = "$line_ends" ] || fail "$case: '$name' of the Windows build has $lines lines, $line_ends ending in CR LF"
  if ! tr -d '\r' <"$windows_file" | cmp -s - "$posix_file"; then
    fail "$case: '$name' differs from the POSIX build's (< POSIX, > Windows, CP1251 shown as UTF-8):"
    tr -d '\r' <"$windows_file" | diff "$posix_file" - | iconv -f cp1251 -t utf-8 | head -20 >&2 || true
  fi
}

# A whole search with a model constraint: the constrained test model, two
# variables, twenty iterations.
mkdir -p "$scratch/inputs/constrained"
printf "'constrained'\n1\n1 1\n-5 5\n-5 5\n" >"$scratch/inputs/constrained/&_in_gen.txt"
prepare constrained "$scratch/inputs/constrained" \
  "$posix_build/models/constrained" "$windows_build/models/constrained.exe"
run_both constrained "$(keys_to_stop_at $((20 * 20 + 7)))"
same_file constrained z_selection.txt
same_file constrained z_result.txt

# The pressure-vessel example, whole-number variables included, for ten
# iterations of its four variables.
prepare pressure_vessel "$source_dir/examples/pressure_vessel" \
  "$posix_build/examples/pressure_vessel/tarnix.exe" \
  "$windows_build/examples/pressure_vessel/tarnix.exe"
run_both pressure_vessel "$(keys_to_stop_at $((10 * 40 + 3)))"
same_file pressure_vessel z_selection.txt
same_file pressure_vessel z_result.txt

# The same with three model runs side by side in the Windows build.
prepare pressure_vessel_jobs "$source_dir/examples/pressure_vessel" \
  "$posix_build/examples/pressure_vessel/tarnix.exe" \
  "$windows_build/examples/pressure_vessel/tarnix.exe"
run_both pressure_vessel_jobs "$(keys_to_stop_at $((10 * 40 + 3)))" --jobs 3
same_file pressure_vessel_jobs z_selection.txt
same_file pressure_vessel_jobs z_result.txt
[ ! -e "$scratch/pressure_vessel_jobs/windows/genopt-slots" ] ||
  fail "pressure_vessel_jobs: genopt-slots was left"

# The integer flags cannot be opened: their failure goes to a file of its own
# whose name is not ASCII. Wine keeps names as UTF-8 on disk, so the name
# seen here is the one Windows programs see.
mkdir -p "$scratch/inputs/flags/&&_in_iZEL.txt"
printf "'p'\n0\n1 1\n0 1\n0 1\n" >"$scratch/inputs/flags/&_in_gen.txt"
prepare flags "$scratch/inputs/flags" "" ""
run_both flags ""
failure_file='z_ЦЕЛЬ         4 (21).txt'
[ -f "$scratch/flags/windows/$failure_file" ] ||
  fail "flags: no '$failure_file' on disk; the Windows run left: $(ls "$scratch/flags/windows" | tr '\n' ' ')"
same_file flags "$failure_file"

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "reports of the Windows build and the POSIX build are the same"
