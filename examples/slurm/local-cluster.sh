#!/usr/bin/env bash
# A private single-node Slurm cluster kept in one folder: its configuration,
# MUNGE key and socket, state, spool, pid files and logs all live there, it
# listens on two free ports of 127.0.0.1, and it needs neither systemd nor
# root (run as another user, it runs jobs as that user). For trying the
# render scripts beside it on one machine, and for the tests.
#
#   local-cluster.sh start DIR   start munged, slurmctld and slurmd, wait for the node
#   local-cluster.sh stop DIR    cancel every job, wait for them, stop the daemons
#
# After start: export SLURM_CONF=DIR/slurm.conf, then sbatch, squeue, scontrol
# and scancel talk to this cluster. The node offers as many CPUs as nproc
# says, at least 2 (TAVRIX_CLUSTER_CPUS to change it), in the partition
# "render".
# Debian packages: slurmctld slurmd slurm-client munge.
set -euo pipefail

usage() {
  sed -n '8,9p' "$0" >&2
  exit 2
}
[ $# -eq 2 ] || usage
action=$1
[ "$action" = stop ] || mkdir -p "$2"
[ -d "$2" ] || exit 0
dir=$(cd "$2" && pwd)
conf=$dir/slurm.conf
export SLURM_CONF=$conf
# The daemons live in /usr/sbin, which a user's PATH may leave out.
export PATH=$PATH:/usr/sbin:/sbin
umask 022

log() { echo "local-cluster: $*" >&2; }

# Two ports of 127.0.0.1 free now, told apart by holding both at once.
free_ports() {
  /usr/bin/python3 -c '
import socket
held = [socket.socket() for _ in range(2)]
for s in held: s.bind(("127.0.0.1", 0))
print(*(s.getsockname()[1] for s in held))'
}

# slurmctld, slurmd and the slurmstepd of each job work in the folder of
# their logs; a job's own processes run in the session of its slurmstepd.
logs=$dir/log

session_of() { awk '{ sub(/^.*\) /, ""); print $4 }' "/proc/$1/stat" 2> /dev/null; }

# The sessions of the processes working there, other than the caller's.
cluster_sessions() {
  local p sid own
  own=$(session_of $$)
  for p in /proc/[0-9]*; do
    if [ "$(readlink "$p/cwd" 2> /dev/null)" = "$logs" ]; then
      sid=$(session_of "${p#/proc/}") || continue
      [ -n "$sid" ] && [ "$sid" != 0 ] && [ "$sid" != "$own" ] && echo "$sid"
    fi
  done | sort -u
}

kill_sessions() {
  local sids p sid
  sids=" $(cluster_sessions | tr '\n' ' ') "
  [ "$sids" != "  " ] || return 0
  for p in /proc/[0-9]*; do
    sid=$(session_of "${p#/proc/}") || continue
    case "$sids" in *" $sid "*) kill -KILL "${p#/proc/}" 2> /dev/null || true ;; esac
  done
}

pid_alive() { [ -f "$1" ] && alive "$(cat "$1" 2> /dev/null)"; }
# Running, that is: a zombie whose parent has not reaped it yet counts as gone.
alive() {
  local state
  state=$(awk '{ sub(/^.*\) /, ""); print $1 }' "/proc/$1/stat" 2> /dev/null) && [ -n "$state" ] && [ "$state" != Z ]
}
none_alive() {
  local p
  for p in "$@"; do ! alive "$p" || return 1; done
}

# Waits up to $2 tenths of a second for the command $1 to succeed.
wait_for() {
  local i
  for ((i = 0; i < $2; i++)); do
    if eval "$1"; then return 0; fi
    sleep 0.1
  done
  return 1
}

start() {
  local host cpus controller_port node_port
  if pid_alive "$dir/slurmctld.pid" || pid_alive "$dir/slurmd.pid"; then
    log "a cluster already runs in $dir; stop it first"
    exit 1
  fi
  rm -rf "$dir/munge" "$dir/state" "$dir/spool" "$dir/log"
  mkdir -p "$dir/munge" "$dir/state" "$dir/spool" "$dir/log"
  # munged refuses a socket folder that others cannot search (0700 hangs
  # every client), and a Unix socket's path has at most 107 bytes.
  chmod 0755 "$dir/munge"
  if [ ${#dir} -gt 80 ]; then
    log "the folder's path is too long for the daemons' sockets (${#dir} characters, at most 80): $dir"
    exit 1
  fi
  host=$(uname -n)
  host=${host%%.*}
  # At least two, which the join job asks for, even on one core.
  cpus=${TAVRIX_CLUSTER_CPUS:-$(nproc)}
  [ "$cpus" -ge 2 ] || cpus=2
  read -r controller_port node_port < <(free_ports)
  cat > "$conf" << EOF
# Written by local-cluster.sh: a single-node cluster kept in $dir.
ClusterName=tavrix
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$controller_port
SlurmdPort=$node_port
SlurmUser=$(id -un)
SlurmdUser=$(id -un)
# Credentials expire after 5 s: a requeued job waits that long plus one
# second before it may start again (120 s + 1 by default).
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$dir/munge/munge.socket,cred_expire=5
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/log/slurmctld.log
SlurmdLogFile=$dir/log/slurmd.log
PlugStackConfig=$dir/plugstack.conf
# No cgroups, no accounting: nothing outside this folder is needed.
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
MpiDefault=none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
# Schedule at once and every 2 s rather than every 30 to 60 s.
SchedulerType=sched/backfill
SchedulerParameters=batch_sched_delay=0,sched_interval=2,bf_interval=1
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
KillWait=5
# The CPUs below count, whatever slurmd finds.
SlurmdParameters=config_overrides
NodeName=local NodeHostname=$host NodeAddr=127.0.0.1 CPUs=$cpus State=UNKNOWN
PartitionName=render Nodes=local Default=YES MaxTime=INFINITE State=UP
EOF
  : > "$dir/plugstack.conf"

  mungekey --create --keyfile="$dir/munge/munge.key" 2> "$dir/log/mungekey.log" ||
    { cat "$dir/log/mungekey.log" >&2; exit 1; }
  # --force: run even where a parent folder is writable by the group.
  munged --force --socket="$dir/munge/munge.socket" --key-file="$dir/munge/munge.key" \
    --pid-file="$dir/munge/munged.pid" --log-file="$dir/log/munged.log" --seed-file="$dir/munge/munged.seed" ||
    { log "munged did not start:"; tail -n 20 "$dir/log/munged.log" >&2; exit 1; }

  # Each daemon forks into a session of its own.
  if ! slurmctld -c -f "$conf" || ! slurmd -f "$conf" -N local; then
    log "the daemons did not start"
    tail -n 20 "$dir/log/slurmctld.log" "$dir/log/slurmd.log" >&2 || true
    stop
    exit 1
  fi
  if ! wait_for '[ "$(sinfo -h -n local -o %T 2> /dev/null)" = idle ]' 300; then
    log "the node did not come up within 30 s; its state: $(sinfo -h -n local -o '%T %E' 2> /dev/null || true)"
    tail -n 20 "$dir/log/slurmctld.log" "$dir/log/slurmd.log" >&2 || true
    stop
    exit 1
  fi
  log "up: $cpus CPUs; export SLURM_CONF=$conf"
}

# slurmstepd ignores SIGTERM, so `scontrol shutdown` alone leaves running
# jobs behind: cancel them first and wait for the queue to empty. Whatever
# is left after that (a slurmd that never registered ignores SIGTERM too)
# is killed by session.
stop() {
  local daemons=() munged="" f jobs
  for f in slurmctld.pid slurmd.pid; do
    [ -f "$dir/$f" ] && daemons+=("$(cat "$dir/$f" 2> /dev/null)")
  done
  [ -f "$dir/munge/munged.pid" ] && munged=$(cat "$dir/munge/munged.pid" 2> /dev/null)
  if [ ${#daemons[@]} -gt 0 ] && alive "${daemons[0]}"; then
    jobs=$(squeue -h -o %i 2> /dev/null || true)
    if [ -n "$jobs" ]; then
      # shellcheck disable=SC2086
      scancel $jobs 2> /dev/null || true
      wait_for '[ -z "$(squeue -h -o %i 2> /dev/null)" ]' 200 || log "jobs still listed after 20 s"
    fi
    scontrol shutdown > /dev/null 2>&1 || true
    wait_for 'none_alive "${daemons[@]}" && [ -z "$(cluster_sessions)" ]' 100 ||
      log "the daemons or their jobs did not stop within 10 s"
  fi
  if [ -n "$munged" ]; then
    kill "$munged" 2> /dev/null || true
    wait_for 'none_alive "$munged"' 50 || true
  fi
  if [ -n "$(cluster_sessions)" ] || ! none_alive "${daemons[@]}" ${munged:+"$munged"}; then
    log "killing what is left of the cluster"
    kill_sessions
    for f in "${daemons[@]}" $munged; do kill -KILL "$f" 2> /dev/null || true; done
    wait_for '[ -z "$(cluster_sessions)" ]' 20 || log "processes of the cluster are still there"
  fi
  return 0
}

case "$action" in
  start) start ;;
  stop) if [ -f "$conf" ]; then stop; fi ;;
  *) usage ;;
esac
