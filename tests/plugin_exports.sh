#!/usr/bin/env bash
# The plug-in exports its entry point and nothing else, and the tool exports
# none of the runtime, so neither copy of the runtime can stand in for the
# other in one process.
#   plugin_exports.sh PLUGIN TOOL
set -euo pipefail
exported=$(nm -D --defined-only "$1" | awk '{print $3}')
if [ "$exported" != "EntryPointFunc" ]; then
  echo "the plug-in exports more than EntryPointFunc:"; echo "$exported" | head -20
  exit 1
fi
if nm -D --defined-only "$2" | grep -q tavrix; then
  echo "the tool exports runtime symbols:"; nm -D --defined-only "$2" | grep tavrix | head -20
  exit 1
fi
echo "only EntryPointFunc is exported"
