#!/usr/bin/env bash
# A chunked render on a running Slurm cluster, as examples/slurm/ drives it:
# starts a private single-node cluster (examples/slurm/local-cluster.sh) in
# the test's folder and submits the demo project in 4 chunks and the join.
#  - Chunk 2 is killed midway on its first attempt: it is requeued, and the
#    frames are still byte for byte those of one `tavrix render` run, and the
#    joined clip decodes to the same frames as a clip that run writes.
#  - Chunk 3 fails on every attempt: the join is cancelled, no clip is
#    written, and the submit script says so and exits non-zero.
# Whatever the test started is stopped on any exit, and by a watcher in its
# own session when the test itself is killed (as on a time-out).
#   slurm_test.sh TOOL MAKE_DEMO_MODEL EXAMPLES_DIR WORK_DIR
set -euo pipefail
tool=$1 make_model=$2 examples=$3 work=$4
slurm=$examples/slurm
limit=${TAVRIX_SLURM_TEST_LIMIT:-200} # seconds for each submission, waited for

export PATH=$PATH:/usr/sbin:/sbin
for program in slurmctld slurmd sbatch munged ffmpeg /usr/bin/python3; do
  command -v "$program" > /dev/null || { echo "missing $program: run scripts/install-deps.sh --test"; exit 1; }
done

rm -rf "$work"
mkdir -p "$work/project"
cd "$work"
: > "$work/background.pids"
# The cluster's sockets need a short path.
cluster=$work/cluster
if [ ${#cluster} -gt 80 ]; then cluster=$(mktemp -d /tmp/tavrix-slurm.XXXXXX); fi

failed=1
background=() # each started in a session of its own, to be stopped with what it started
# Waits for one of them and forgets it, so that its id is not signalled again.
wait_for() {
  local pid kept=()
  for pid in "${background[@]}"; do [ "$pid" = "$1" ] || kept+=("$pid"); done
  background=("${kept[@]}")
  wait "$1"
}
cleanup() {
  for pid in "${background[@]}"; do kill -- -"$pid" 2> /dev/null || true; done
  "$slurm/local-cluster.sh" stop "$cluster" || true
  [ -f "$work/watcher.pid" ] && kill "$(cat "$work/watcher.pid")" 2> /dev/null || true
  [ "$cluster" = "$work/cluster" ] || rm -rf "$cluster"
  if [ "$failed" -eq 0 ]; then
    rm -rf "$work"
  else
    echo "== kept for a look: $work"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP
# Outlives a test killed with SIGKILL: it leaves this session and this
# process tree, and once the test is gone stops what the test started in
# the background (their ids in background.pids) and the cluster.
(
  cd /
  setsid bash -c 'while kill -0 "$1" 2> /dev/null; do sleep 1; done
    while read -r pid; do kill -- -"$pid"; done < "$2"; exec "$3" stop "$4"' watcher $$ \
    "$work/background.pids" "$slurm/local-cluster.sh" "$cluster" < /dev/null > /dev/null 2>&1 &
  echo $! > "$work/watcher.pid"
)

fail() {
  echo "FAILED: $*"
  for log in "$work"/logs/*.out "$cluster"/log/slurmctld.log; do
    [ -f "$log" ] && { echo "== $log"; tail -n 15 "$log"; }
  done
  exit 1
}

# The demo project and its puppet, laid out as in the repository.
"$make_model" "$work/out/demo" > /dev/null
cp "$examples/demo-project.json" "$work/project/"
project=$work/project/demo-project.json

# Stands in for the tool in the array tasks. On the first attempt of chunk
# $KILL_CHUNK it kills the real tool with SIGKILL once frame $KILL_AFTER is
# written; chunk $BROKEN_CHUNK fails on every attempt.
cat > "$work/tool-in-task" << EOF
#!/usr/bin/env bash
# The join runs it too, outside the array.
if [ "\${SLURM_ARRAY_TASK_ID:-join}" = "\${BROKEN_CHUNK:-}" ]; then
  echo "chunk \$SLURM_ARRAY_TASK_ID fails on purpose" >&2
  exit 1
fi
if [ "\${SLURM_ARRAY_TASK_ID:-join}" = "\${KILL_CHUNK:-}" ] && [ "\${SLURM_RESTART_COUNT:-0}" = 0 ]; then
  "$tool" "\$@" &
  for ((i = 0; i < 600; i++)); do
    [ -f "\$KILL_AFTER" ] || ! kill -0 \$! 2> /dev/null && break
    sleep 0.1
  done
  kill -KILL \$!
  wait \$!
  status=\$?
  echo "killed the tool after \$(ls "\$(dirname "\$KILL_AFTER")" | wc -l) files" > "$work/killed"
  exit \$status
fi
exec "$tool" "\$@"
EOF
chmod +x "$work/tool-in-task"

# One run of the tool, the cluster's two submissions: all at once, so that
# one's waits (for the scheduler, for a requeue) are another's work.
SECONDS=0
setsid bash -c '"$1" render "$2" -o "$3" -q && "$1" render "$2" -o "$4" -q' single-run "$tool" "$project" \
  "$work/single/f_####.png" "$work/single.webm" > "$work/single-run.txt" 2>&1 &
single_run=$!
background+=("$single_run")
echo "$single_run" >> "$work/background.pids"
"$slurm/local-cluster.sh" start "$cluster"
export SLURM_CONF=$cluster/slurm.conf
echo "cluster up in ${SECONDS} s"

# Runs in the background as a session of its own, whose id $! is.
submit() {
  exec setsid env TAVRIX="$work/tool-in-task" timeout "$limit" "$slurm/submit.sh" "$project" -n 4 --retries 1 \
    --logs "$work/logs" --wait "$@"
}
# Chunk 2 renders frames 18 to 35; it dies after frame 20.
KILL_CHUNK=2 KILL_AFTER=$work/chunked/f_0020.png submit -o "$work/chunked/f_####.png" --video "$work/chunked.webm" \
  > "$work/chunked-submit.txt" 2>&1 &
chunked=$!
# Chunk 3 never succeeds (frames 0-7 alone, to be quick).
BROKEN_CHUNK=3 submit -o "$work/broken/f_####.png" --video "$work/broken.webm" -- -e 7 > "$work/broken-submit.txt" 2>&1 &
broken=$!
background+=("$chunked" "$broken")
printf '%s\n' "$chunked" "$broken" >> "$work/background.pids"

wait_for "$single_run" || { cat "$work/single-run.txt"; fail "one run of the tool failed"; }
echo "one run: ${SECONDS} s for the frames and the clip"
wait_for "$chunked" || { cat "$work/chunked-submit.txt"; fail "the chunked render did not finish"; }
echo "4 chunks, one killed and requeued, and the join: ${SECONDS} s"
cat "$work/chunked-submit.txt"
[ -f "$work/killed" ] || fail "chunk 2 was not killed"
array=$(awk '/^render job/ { sub(":", "", $3); print $3 }' "$work/chunked-submit.txt")
grep -q "attempt 2" "$work/logs/render-${array}_2.out" || fail "chunk 2 was not requeued"

(cd "$work/single" && ls -A) > "$work/single.txt"
(cd "$work/chunked" && ls -A) > "$work/chunked.txt"
[ "$(wc -l < "$work/single.txt")" -eq 72 ] || fail "one run wrote $(wc -l < "$work/single.txt") frames, not 72"
diff "$work/single.txt" "$work/chunked.txt" || fail "the chunks wrote other files than one run"
while read -r frame; do
  cmp "$work/single/$frame" "$work/chunked/$frame" || fail "$frame differs from one run's"
done < "$work/single.txt"

# The clips' frames as decoded, alpha plane included, one checksum each.
decoded() { ffmpeg -nostdin -v error -c:v libvpx-vp9 -i "$1" -f framemd5 - | grep -v '^#'; }
decoded "$work/single.webm" > "$work/single-clip.txt"
decoded "$work/chunked.webm" > "$work/chunked-clip.txt"
[ "$(wc -l < "$work/single-clip.txt")" -eq 72 ] || fail "the clip of one run holds no 72 frames"
diff "$work/single-clip.txt" "$work/chunked-clip.txt" > /dev/null ||
  fail "the joined clip decodes to other frames than the clip of one run"
echo "72 frames byte for byte, and the joined clip's 72 decoded frames, equal one run's"

status=0
wait_for "$broken" || status=$?
echo "a chunk that always fails: ${SECONDS} s"
cat "$work/broken-submit.txt"
[ "$status" -eq 1 ] || fail "the submit script exited $status, not 1, when a chunk never succeeded"
grep -q "join job [0-9]* ended CANCELLED" "$work/broken-submit.txt" || fail "the join was not cancelled"
grep -q "chunk 3/4 ended FAILED .*restarts 1" "$work/broken-submit.txt" || fail "the failed chunk was not named"
[ ! -e "$work/broken.webm" ] || fail "a clip was written although a chunk failed"

failed=0
echo "passed"
