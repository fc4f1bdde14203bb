#!/usr/bin/env bash
# The Windows genopt.exe on a real console: Wine gives a program started on
# a Unix terminal a Windows console there, so under tmux the test reads the
# screen as the operator sees it and types keys into it.
#   console_in_terminal.sh WINDOWS_BUILD
# Runs under scripts/test-windows, which sets up WINEPREFIX and the wineserver.
# Every wait is for something to show, with a generous deadline: Wine starts
# programs slowly, and the machine may be loaded.
set -euo pipefail
windows_build=$1
scratch=$(mktemp -d "$windows_build/console-XXXXXX")
socket=genopt-console-$$
deadline_seconds=120
failures=0

tmux_() { tmux -L "$socket" "$@"; }
cleanup() {
  tmux_ kill-server 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

# Room for a whole run's lines: the checks read the screen from its first line.
printf 'set -g history-limit 100000\n' >"$scratch/tmux.conf"

# Starts genopt.exe in the run directory $scratch/$1 with the test model $2,
# on a tmux window of its own of a fixed size. Two variables and a console
# period of 1; the model's runs are logged.
start_run() {
  local run=$1 model=$2
  mkdir -p "$scratch/$run"
  cp "$windows_build/models/$model.exe" "$scratch/$run/tarnix.exe"
  printf "'test problem'\n0\n1 1\n-5 5\n-5 5\n" >"$scratch/$run/&_in_gen.txt"
  : >"$scratch/$run/model_calls.txt"
  local command="wine '$windows_build/genopt.exe'; echo \"[genopt ended: \$?]\"; exec sleep 3600"
  if tmux_ has-session 2>/dev/null; then
    tmux_ new-window -d -n "$run" -c "$scratch/$run" "$command"
  else
    tmux_ -f "$scratch/tmux.conf" new-session -d -s console -n "$run" -x 120 -y 40 \
      -e "WINEPREFIX=$WINEPREFIX" -e "WINEDEBUG=${WINEDEBUG:-}" \
      -e "WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-}" -c "$scratch/$run" "$command"
  fi
}

# Everything run $1 has shown, from its first line (rows below the cursor are blank).
screen() { tmux_ capture-pane -p -J -S - -t "console:$1"; }
type_keys() { tmux_ send-keys -t "console:$1" "${@:2}"; }
model_runs() { wc -l <"$scratch/$1/model_calls.txt"; }

# Waits until the screen of run $1 shows the text $2 at least $3 times (1).
wait_for() {
  local run=$1 text=$2 times=${3:-1} end=$((SECONDS + deadline_seconds))
  while [ $SECONDS -lt $end ]; do
    [ "$(screen "$run" | grep -cF -- "$text")" -ge "$times" ] && return 0
    sleep 0.2
  done
  fail "$run: '$text' not shown $times time(s) within $deadline_seconds s; the screen:"
  screen "$run" | tail -20 >&2
  return 1
}

wait_for_model_runs() {
  local run=$1 runs=$2 end=$((SECONDS + deadline_seconds))
  while [ $SECONDS -lt $end ]; do
    [ "$(model_runs "$run")" -ge "$runs" ] && return 0
    sleep 0.2
  done
  fail "$run: fewer than $runs model runs within $deadline_seconds s"
  return 1
}

# ---- Keys: typed during the initial population, then 9, 8, space, 1 ----
# The first model run waits while held.txt is there: genopt is then in the
# initial population, with the console in key mode from the start of the run.
mkdir -p "$scratch/keys"
: >"$scratch/keys/held.txt"
start_run keys waits_while_held
wait_for_model_runs keys 1
type_keys keys 9
rm "$scratch/keys/held.txt"

# The ten group lines, the key's answer at the first poll of the search, and
# not a trace of the key itself before them.
expected_start=$(
  for group in 1 2 3 4 5 6 7 8 9 10; do
    printf '%12s  группа особей (          10  штук)  получена\n' "$group"
  done
  printf ' To Division By 10    1.00000000000000\n'
)
if wait_for keys 'To Division By 10'; then
  shown_start=$(screen keys | head -11)
  [ "$shown_start" = "$expected_start" ] ||
    fail "keys: the screen does not start with the group lines and the answer to 9:
$shown_start"
fi
wait_for keys ' итерация' || true

type_keys keys 8
wait_for keys ' Multiplyings on 10    10.0000000000000' || true

# A space pauses until Enter. The pause reads its line with echo, so a "q"
# typed until one shows tells that it has begun (a "q" taken as a key before
# it does nothing); from then on no model may run and nothing else may show.
type_keys keys Space
pause_begun=no
end=$((SECONDS + deadline_seconds))
while [ $SECONDS -lt $end ]; do
  type_keys keys q
  sleep 0.5
  if screen keys | grep . | tail -1 | grep -qF q; then
    pause_begun=yes
    break
  fi
done
if [ "$pause_begun" = no ]; then
  fail "keys: no echo of a line after the space within $deadline_seconds s"
  type_keys keys Enter
else
  paused_screen=$(screen keys)
  paused_runs=$(model_runs keys)
  sleep 3
  [ "$(screen keys)" = "$paused_screen" ] || fail "keys: the screen moved on during the pause"
  [ "$(model_runs keys)" = "$paused_runs" ] || fail "keys: the model ran during the pause"
  type_keys keys Enter
  wait_for_model_runs keys $((paused_runs + 1)) || true
fi

type_keys keys 1
wait_for keys '[genopt ended: 0]' || true
[ -f "$scratch/keys/z_result.txt" ] || fail "keys: no z_result.txt after 1"

# ---- A failure: its English line, then "Press - ENTER" until an empty line ----
start_run failure answers_word
if wait_for failure 'Press - ENTER'; then
  screen failure | grep -qF ' Misentry from make file &&&_Rab.txt' ||
    fail "failure: the English failure line is not shown"
  type_keys failure 'not empty' Enter
  # Shown again after a line with text: the program was there, reading lines.
  wait_for failure 'Press - ENTER' 2 || true
  screen failure | grep -qF '[genopt ended' && fail "failure: ended before an empty line"
  type_keys failure Enter
  wait_for failure '[genopt ended: 0]' || true
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "the Windows build on a console: Cyrillic shown right, keys act, pauses wait for Enter"
