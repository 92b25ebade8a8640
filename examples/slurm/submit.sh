#!/usr/bin/env bash
# Renders a project on a Slurm cluster: an array job whose task K renders
# chunk K of N (render-chunk.sbatch), and a join job that starts once every
# task has succeeded and joins the frames into a clip (join.sbatch). Prints
# the two job ids.
#
#   submit.sh PROJECT.json -n N -o 'frames/f_####.png' --video shot.webm
#             [--fps RATE] [--retries R] [--logs DIR] [--wait] [-- RENDER OPTION...]
#
#   -n N         the number of chunks (array tasks 1-N)
#   -o PATTERN   where the frames go; the folder must hold none of them yet
#   --video      the clip: .webm (VP9 with alpha), .mov (ProRes 4444), .mp4 (H.264)
#   --fps RATE   the clip's frame rate (default: the project's, read with python3)
#   --retries R  how often a failed chunk is requeued (default 2)
#   --logs DIR   the jobs' output files (default slurm-logs/)
#   --wait       wait for both jobs; exit non-zero, naming the failed chunks,
#                unless the clip was made
#   after --     more options for `tavrix render` (--downsample 2, -s 0 -e 47)
#
# The tool is $TAVRIX (default `tavrix` on each node's PATH). sbatch reads
# the partition, account and the like from its own variables
# (SBATCH_PARTITION, SBATCH_ACCOUNT). Every path must be the same on every
# node: they are made absolute here, so put them on storage the nodes share.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

usage() {
  sed -n '7,8p' "$0" >&2
  exit 2
}
fail() {
  echo "submit: $*" >&2
  exit 1
}

project="" chunks="" pattern="" video="" rate="" retries=2 logs=slurm-logs wait=0
while [ $# -gt 0 ]; do
  case "$1" in
    -n) chunks=${2:-}; shift 2 || usage ;;
    -o) pattern=${2:-}; shift 2 || usage ;;
    --video) video=${2:-}; shift 2 || usage ;;
    --fps) rate=${2:-}; shift 2 || usage ;;
    --retries) retries=${2:-}; shift 2 || usage ;;
    --logs) logs=${2:-}; shift 2 || usage ;;
    --wait) wait=1; shift ;;
    --) shift; break ;;
    -*) echo "submit: unknown option $1" >&2; usage ;;
    *) [ -z "$project" ] || usage; project=$1; shift ;;
  esac
done
[ -n "$project" ] && [ -n "$chunks" ] && [ -n "$pattern" ] && [ -n "$video" ] || usage
[[ $chunks =~ ^[1-9][0-9]*$ ]] || fail "-n takes a whole number above 0, not '$chunks'"
[[ $retries =~ ^[0-9]+$ ]] || fail "--retries takes a whole number, not '$retries'"
[ -f "$project" ] || fail "no project file $project"
if [ -z "$rate" ]; then
  rate=$(/usr/bin/python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["composition"]["frameRate"])' \
    "$project") || fail "cannot read the frame rate from $project: give it with --fps"
fi
project=$(realpath -m "$project") pattern=$(realpath -m "$pattern")
video=$(realpath -m "$video") logs=$(realpath -m "$logs")

# Frames of an earlier render would end up in the clip.
prefix=${pattern%%[#%]*}
if compgen -G "$prefix*" > /dev/null; then
  fail "$(dirname "$prefix") already holds files named $(basename "$prefix")*: remove them or choose another -o"
fi
mkdir -p "$logs"

export TAVRIX_RETRIES=$retries
array=$(sbatch --parsable --array="1-$chunks" --output="$logs/render-%A_%a.out" \
  "$here/render-chunk.sbatch" "$chunks" "$project" "$pattern" "$@")
array=${array%%;*}
join=$(sbatch --parsable --dependency="afterok:$array" --kill-on-invalid-dep=yes --output="$logs/join-%j.out" \
  "$here/join.sbatch" "$pattern" "$video" "$rate") || {
  scancel "$array"
  fail "the join job was refused; the render job $array is cancelled"
}
join=${join%%;*}
echo "render job $array: chunks 1-$chunks, logs $logs/render-${array}_K.out"
echo "join job $join: into $video once every chunk has succeeded, log $logs/join-$join.out"
[ "$wait" -eq 1 ] || exit 0

# One line per job (one per task of the array) as scontrol shows them.
field() { awk -v key="$1=" '{ for (i = 1; i <= NF; i++) if (index($i, key) == 1) { print substr($i, length(key) + 1); exit } }'; }
active() { case "$1" in PENDING | RUNNING | CONFIGURING | COMPLETING | REQUEUED | RESIZING | SUSPENDED | "") return 0 ;; esac; return 1; }
while :; do
  join_line=$(scontrol -o show job "$join" 2>&1) || fail "cannot follow the join job $join (the jobs go on): $join_line"
  join_state=$(field JobState <<< "$join_line")
  busy=0
  while read -r state; do active "$state" && busy=1; done < <(scontrol -o show job "$array" 2> /dev/null | grep -o 'JobState=[^ ]*' | cut -d= -f2)
  if ! active "$join_state" && [ "$busy" -eq 0 ]; then break; fi
  sleep 2
done
if [ "$join_state" = COMPLETED ]; then
  echo "done: $video"
  exit 0
fi
echo "submit: the join job $join ended $join_state ($(field Reason <<< "$join_line"))" >&2
scontrol -o show job "$array" | while read -r line; do
  state=$(field JobState <<< "$line")
  [ "$state" = COMPLETED ] && continue
  task=$(field ArrayTaskId <<< "$line")
  echo "submit: chunk $task/$chunks ended $state (exit $(field ExitCode <<< "$line"), restarts $(field Restarts <<< "$line")), log $logs/render-${array}_$task.out" >&2
done || true
exit 1
