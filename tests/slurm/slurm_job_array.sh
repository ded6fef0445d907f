#!/usr/bin/env bash
# Runs the Slurm job array of docs/clusters.md on a one-node Slurm that it starts on this machine
# (munged, slurmctld and slurmd on localhost, all in a temporary folder), merges the shards' folders
# and compares the merge with one unsharded sweep of the same data set. Stops everything it started.
#   slurm_job_array.sh BRENLOW_CLI GUIDE PICTURE...
# Exits 77 (skipped) with a message where Slurm cannot start here: not root, a program missing, or
# the daemons not coming up.
set -euo pipefail

cli=$(realpath "$1")
guide=$(realpath "$2")
shift 2
pictures=()
for picture in "$@"; do pictures+=("$(realpath "$picture")"); done
readonly skipped=77

skip() {
  echo "SKIPPED: $*"
  exit "$skipped"
}

[[ $(id -u) -eq 0 ]] || skip "the one-node Slurm runs its daemons as root"
for program in munged slurmctld slurmd sbatch sinfo scancel; do
  command -v "$program" > /dev/null || skip "$program is not installed (scripts/install-deps.sh installs slurm-wlm and munge)"
done

work=$(mktemp -d "${TMPDIR:-/tmp}/brenlow-slurm.XXXXXX")
chmod 755 "$work"
started=()
stop_all() {
  [[ -n "${SLURM_CONF:-}" ]] && scancel --quiet --full --signal=KILL --user=root 2> /dev/null || true
  for pid in "${started[@]}"; do kill "$pid" 2> /dev/null || true; done
  for pid in "${started[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2> /dev/null || true
  done
  rm -rf "$work"
}
trap stop_all EXIT

# Ports of its own, so that a Slurm already on this machine is not disturbed.
port=$((20000 + RANDOM % 20000))
mkdir -p "$work"/{munge,state,spool,log}
chmod 700 "$work/munge"

# Munge: a key of its own and a socket in the folder, so nothing of the system's is touched.
dd if=/dev/urandom of="$work/munge/key" bs=1024 count=1 status=none
chmod 400 "$work/munge/key"
munged --force --key-file="$work/munge/key" --socket="$work/munge/socket" --pid-file="$work/munge/pid" \
  --log-file="$work/log/munged.log" --seed-file="$work/munge/seed" || skip "munged does not start: $(tail -n 3 "$work/log/munged.log" 2> /dev/null)"
started+=("$(cat "$work/munge/pid")")

# The node claims CPUs enough for the whole array (eight tasks of two) whatever the machine has:
# tasks one after another would spend most of the test between tasks, not in them.
cpus=16
export SLURM_CONF="$work/slurm.conf"
cat > "$SLURM_CONF" << EOF
ClusterName=brenlow-test
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort=$port
SlurmdPort=$((port + 1))
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$work/munge/socket
CredType=cred/munge
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/log/slurmctld.log
SlurmdLogFile=$work/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SchedulerType=sched/builtin
# Start each array task as soon as a CPU is free, not at the next periodic pass.
SchedulerParameters=sched_min_interval=0,batch_sched_delay=0
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
SlurmdParameters=config_overrides
ReturnToService=2
MpiDefault=none
NodeName=brenlow-node NodeHostname=localhost NodeAddr=127.0.0.1 CPUs=$cpus State=UNKNOWN
PartitionName=test Nodes=brenlow-node Default=YES MaxTime=INFINITE State=UP
EOF

slurmctld -D -i -f "$SLURM_CONF" > "$work/log/slurmctld.out" 2>&1 &
started+=("$!")
slurmd -D -N brenlow-node -f "$SLURM_CONF" > "$work/log/slurmd.out" 2>&1 &
started+=("$!")
for _ in $(seq 150); do
  state=$(sinfo --noheader --nodes=brenlow-node --format=%T 2> /dev/null || true)
  [[ "$state" == idle ]] && break
  sleep 0.2
done
if [[ "${state:-}" != idle ]]; then
  for log in slurmctld.log slurmd.log slurmctld.out slurmd.out; do
    [[ -s "$work/log/$log" ]] && { echo "--- $log"; tail -n 5 "$work/log/$log"; }
  done
  skip "the one-node Slurm did not come up (node state \"${state:-none}\")"
fi
echo "Slurm is up: node brenlow-node with $cpus CPUs, ports $port and $((port + 1))"

# The data set, under the folder name the guide's job array uses.
cd "$work"
mkdir kodak
# Crops keep the run short; the whole pictures where ImageMagick is missing.
for picture in "${pictures[@]}"; do
  name=$(basename "$picture")
  convert "$picture" -crop 128x96+64+64 +repage "BMP3:kodak/$name" 2> /dev/null || cp "$picture" kodak/
done
awk '/^A Slurm job array/ {found = 1} found && /^```bash$/ {inside = 1; next} inside && /^```$/ {exit} inside {print}' \
  "$guide" > job.sh
grep -q -- '--shard' job.sh || { echo "FAILED: no job array with --shard found in $guide"; exit 1; }
echo "--- the guide's job array"
cat job.sh
export PATH="$(dirname "$cli"):$PATH"
array_started=$SECONDS
timeout 900 sbatch --wait --quiet --output="$work/log/task-%a.out" job.sh || {
  echo "FAILED: the job array did not end well"
  tail -n 5 "$work"/log/task-*.out "$work/log/slurmctld.log" 2> /dev/null
  exit 1
}
echo "The job array ended after $((SECONDS - array_started)) s: $(ls -d results/shard* | wc -l) shard folders"

# The array's own command line, less its shard and folder, is the whole run.
whole_run=$(sed -e ':a' -e '/\\$/N; s/\\\n//; ta' job.sh | grep '^brenlow-cli sweep' |
  sed -E 's/--shard +"[^"]*"//; s/--out +"[^"]*"//')
brenlow-cli merge results/shard* > merged.csv 2> merged.txt
bash -c "$whole_run" > whole.csv 2> /dev/null
# The columns from encode_seconds on are the timings; everything else is the same figure to the last digit.
timing_columns=$(head -n 1 whole.csv | tr -d '\r' | tr ',' '\n' | sed -n '/^encode_seconds$/,$p' | wc -l)
without_times() { sed -E "s/(,[^,]*){$timing_columns}\$//" "$1"; }
if ! diff <(without_times whole.csv) <(without_times merged.csv) > diff.txt; then
  echo "FAILED: the merged shards differ from the unsharded sweep"
  head -n 20 diff.txt
  exit 1
fi
echo "merge of $(ls -d results/shard* | wc -l) shards = the unsharded sweep: $(($(wc -l < merged.csv) - 1)) rows"
grep -i -m 3 "bd-rate\|delta" merged.txt || true
