#!/usr/bin/env bash
# A one-node Slurm cluster on this machine, and a search run through it:
# genopt --jobs 2 --launcher 'srun -N1 -n1 --exclusive' inside salloc must
# write the same report files as one run at a time, and leave no slot
# directories. Every daemon started here is stopped by its pid at the end.
#   one_node_slurm.sh GENOPT EXAMPLE_INPUTS EXAMPLE_MODEL
# Needs root, and Debian's slurm-wlm and munge (scripts/test-cluster).
set -euo pipefail
genopt=$(realpath "$1")
inputs=$(realpath "$2")
model=$(realpath "$3")

cluster=$(mktemp -d /tmp/genopt-slurm-XXXXXX)
chmod 755 "$cluster"  # munged, which runs as munge, works in it
daemon_pids=()

stop_daemons() {
  local pid
  for pid in "${daemon_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${daemon_pids[@]}"; do
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
  done
  rm -rf "$cluster"
}
trap stop_daemons EXIT

show_logs() {
  local log
  for log in "$cluster"/*.log; do echo "--- $log" >&2; tail -n 30 "$log" >&2 || true; done
}

# munged as the munge user, with a key and a socket of its own: nothing of an
# installed munge service is used or touched.
start_munge() {
  mkdir -p "$cluster/munge"
  mungekey --create --keyfile="$cluster/munge/munge.key"
  chown -R munge:munge "$cluster/munge"
  chmod 755 "$cluster/munge"  # the socket must be reachable by every client
  chmod 400 "$cluster/munge/munge.key"
  setpriv --reuid=munge --regid=munge --init-groups \
    munged --foreground --key-file="$cluster/munge/munge.key" \
    --socket="$cluster/munge/munge.socket" --pid-file="$cluster/munge/munged.pid" \
    --seed-file="$cluster/munge/munged.seed" --log-file="$cluster/munged.log" \
    >>"$cluster/munged.log" 2>&1 &
  daemon_pids+=($!)
  for _ in $(seq 100); do [ -S "$cluster/munge/munge.socket" ] && return; sleep 0.05; done
  echo "munged did not start" >&2
  show_logs
  return 1
}

write_configuration() {
  mkdir -p "$cluster/state" "$cluster/spool"
  cat >"$cluster/slurm.conf" <<EOF
ClusterName=genopt-test
SlurmctldHost=$(hostname -s)(127.0.0.1)
SlurmctldPort=17817
SlurmdPort=17818
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$cluster/munge/munge.socket
CredType=cred/munge
StateSaveLocation=$cluster/state
SlurmdSpoolDir=$cluster/spool
SlurmctldPidFile=$cluster/slurmctld.pid
SlurmdPidFile=$cluster/slurmd.pid
SlurmctldLogFile=$cluster/slurmctld.log
SlurmdLogFile=$cluster/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
MpiDefault=none
ReturnToService=2
NodeName=localhost NodeAddr=127.0.0.1 CPUs=2 State=UNKNOWN
PartitionName=test Nodes=localhost Default=YES MaxTime=INFINITE State=UP
EOF
  export SLURM_CONF="$cluster/slurm.conf"
}

start_slurm() {
  slurmctld -D -i -f "$SLURM_CONF" >>"$cluster/slurmctld.log" 2>&1 &
  daemon_pids+=($!)
  slurmd -D -N localhost -f "$SLURM_CONF" >>"$cluster/slurmd.log" 2>&1 &
  daemon_pids+=($!)
  for _ in $(seq 300); do
    [ "$(sinfo -h -o %T 2>/dev/null)" = idle ] && return
    sleep 0.1
  done
  echo "the Slurm node did not come up" >&2
  sinfo >&2 || true
  show_logs
  return 1
}

# Keys that end the search at poll $1.
keys_to_stop_at() { head -c $(($1 - 1)) /dev/zero | tr '\0' x; printf 1; }

prepare_run_directory() {
  mkdir -p "$1"
  cp "$inputs"/'&_in_gen.txt' "$1/"
  [ -e "$inputs/&&_in_iZEL.txt" ] && cp "$inputs/&&_in_iZEL.txt" "$1/"
  cp "$model" "$1/tarnix.exe"
}

compare_runs() {
  local serial=$cluster/serial parallel=$cluster/parallel failures=0 name
  keys_to_stop_at $((40 * 5 + 1)) >"$cluster/keys"
  prepare_run_directory "$serial"
  prepare_run_directory "$parallel"
  (cd "$serial" && "$genopt" <"$cluster/keys" >"$cluster/serial.out" 2>"$cluster/serial.err")
  local started=$SECONDS
  (cd "$parallel" &&
    salloc --quiet -N1 -n2 "$genopt" --jobs 2 --launcher 'srun -N1 -n1 --exclusive' \
      <"$cluster/keys" >"$cluster/parallel.out" 2>"$cluster/parallel.err")
  echo "through srun: $((SECONDS - started)) s"
  for name in "$serial"/z_*; do
    name=$(basename "$name")
    if ! cmp "$serial/$name" "$parallel/$name"; then
      echo "FAILED: $name differs" >&2
      failures=$((failures + 1))
    fi
  done
  if ! diff "$cluster/serial.out" "$cluster/parallel.out"; then
    echo "FAILED: the standard output differs" >&2
    failures=$((failures + 1))
  fi
  # Slurm tells on standard error of a step that waited for its CPU, and of a
  # step cancelled because its run was no longer needed; genopt's own lines
  # must agree.
  if ! diff "$cluster/serial.err" <(grep -Ev '^(srun: |slurmstepd)' "$cluster/parallel.err"); then
    echo "FAILED: the standard error differs" >&2
    failures=$((failures + 1))
  fi
  if [ -e "$parallel/genopt-slots" ]; then
    echo "FAILED: genopt-slots was left" >&2
    failures=$((failures + 1))
  fi
  [ "$failures" = 0 ]
}

started=$SECONDS
start_munge
write_configuration
start_slurm
echo "cluster up in $((SECONDS - started)) s"
compare_runs
echo "same reports through srun as one run at a time"
