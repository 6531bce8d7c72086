#!/bin/bash
# Stop the office started by start-office.sh WORKDIR (by its process ids only) and clean up.
# usage: stop-office.sh WORKDIR [PIPE_NAME]
WORKDIR=${1:?usage: stop-office.sh WORKDIR [PIPE_NAME]}
PIDS=()
for f in soffice_bin.pid soffice.pid; do
  [ -f "$WORKDIR/$f" ] && PIDS+=("$(cat "$WORKDIR/$f")")
done
for p in "${PIDS[@]}"; do kill -CONT "$p" 2>/dev/null; kill "$p" 2>/dev/null; done
for i in $(seq 1 40); do
  alive=0
  for p in "${PIDS[@]}"; do kill -0 "$p" 2>/dev/null && alive=1; done
  [ $alive = 0 ] && break
  sleep 0.25
done
for p in "${PIDS[@]}"; do kill -9 "$p" 2>/dev/null; done
rm -f "$WORKDIR/soffice_bin.pid" "$WORKDIR/soffice.pid" "$WORKDIR"/.~lock.*#
[ -n "${2:-}" ] && rm -f "/tmp/OSL_PIPE_$(id -u)_$2"
true
