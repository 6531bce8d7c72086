#!/bin/bash
# Stop the office started by start-office.sh WORKDIR (by its process ids only) and clean up.
# usage: stop-office.sh WORKDIR [PIPE_NAME]
WORKDIR=${1:?usage: stop-office.sh WORKDIR [PIPE_NAME]}
PIDS=()
for f in soffice_bin.pid soffice.pid; do
  [ -f "$WORKDIR/$f" ] && PIDS+=("$(cat "$WORKDIR/$f")")
done
# The office's listening sockets (its pipes) stay behind when it is killed: note them first.
SOCKETS=()
if command -v ss >/dev/null; then
  for p in "${PIDS[@]}"; do
    while read -r s; do SOCKETS+=("$s"); done < <(ss -xlpn 2>/dev/null | awk -v p="pid=$p," 'index($0, p) { for (i = 1; i <= NF; i++) if ($i ~ /^\/tmp\/OSL_PIPE_/) print $i }')
  done
fi
for p in "${PIDS[@]}"; do kill -CONT "$p" 2>/dev/null; kill "$p" 2>/dev/null; done
for i in $(seq 1 40); do
  alive=0
  for p in "${PIDS[@]}"; do kill -0 "$p" 2>/dev/null && alive=1; done
  [ $alive = 0 ] && break
  sleep 0.25
done
for p in "${PIDS[@]}"; do kill -9 "$p" 2>/dev/null; done
rm -f "$WORKDIR/soffice_bin.pid" "$WORKDIR/soffice.pid" "$WORKDIR"/.~lock.*#
for s in "${SOCKETS[@]}"; do rm -f "$s"; done
[ -n "${2:-}" ] && rm -f "/tmp/OSL_PIPE_$(id -u)_$2"
true
