#!/bin/bash
# Test setup: start a LibreOffice Calc with a throwaway profile that accepts a UNO pipe, with one
# spreadsheet document open. The program itself never starts an office.
#
# usage: start-office.sh WORKDIR PIPE_NAME [DOCUMENT]
#   WORKDIR    folder for the profile, the pid files, the log and the default document
#   PIPE_NAME  the office accepts "pipe,name=PIPE_NAME;urp;" (clients: uno:pipe,name=PIPE_NAME;urp;StarOffice.ComponentContext)
#   DOCUMENT   the .ods to open (default: a new empty WORKDIR/Book1.ods)
# environment: OMBRA_OFFICE_MODE=headless (default) or gui (uses $DISPLAY, e.g. an Xvfb)
#              OMBRA_OFFICE_START_TIMEOUT seconds to wait for readiness (default 60)
#              OMBRA_OFFICE_NO_ACCEPT=1: no --accept; the profile itself must name the pipe
#              OMBRA_OFFICE_PROFILE: the profile folder (default WORKDIR/profile)
# Ready means the pipe accepts and the document is open (its lock file exists).
# Writes WORKDIR/soffice.pid (launcher) and WORKDIR/soffice_bin.pid (the office process).
set -u
WORKDIR=${1:?usage: start-office.sh WORKDIR PIPE_NAME [DOCUMENT]}
PIPE=${2:?usage: start-office.sh WORKDIR PIPE_NAME [DOCUMENT]}
mkdir -p "$WORKDIR"
WORKDIR=$(cd "$WORKDIR" && pwd)
DOC=${3:-$WORKDIR/Book1.ods}
TIMEOUT=${OMBRA_OFFICE_START_TIMEOUT:-60}
MODE=${OMBRA_OFFICE_MODE:-headless}

command -v soffice >/dev/null || { echo "start-office: soffice not installed" >&2; exit 2; }

if [ ! -f "$DOC" ]; then
  # A minimal spreadsheet document with one empty sheet.
  python3 - "$DOC" <<'PY' || exit 1
import sys, zipfile
content = '''<?xml version="1.0" encoding="UTF-8"?>
<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" office:version="1.2">
<office:body><office:spreadsheet><table:table table:name="Sheet1"><table:table-row><table:table-cell/></table:table-row></table:table></office:spreadsheet></office:body>
</office:document-content>'''
manifest = '''<?xml version="1.0" encoding="UTF-8"?>
<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.2">
 <manifest:file-entry manifest:full-path="/" manifest:media-type="application/vnd.oasis.opendocument.spreadsheet"/>
 <manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>
</manifest:manifest>'''
with zipfile.ZipFile(sys.argv[1], 'w') as z:
    z.writestr(zipfile.ZipInfo('mimetype'), 'application/vnd.oasis.opendocument.spreadsheet')
    z.writestr('content.xml', content, compress_type=zipfile.ZIP_DEFLATED)
    z.writestr('META-INF/manifest.xml', manifest, compress_type=zipfile.ZIP_DEFLATED)
PY
fi

# A lock left by a killed office makes another office refuse the document.
LOCK="$(dirname "$DOC")/.~lock.$(basename "$DOC")#"
rm -f "$LOCK"
SOCKET="/tmp/OSL_PIPE_$(id -u)_$PIPE"
rm -f "$SOCKET"

export HOME="$WORKDIR/home"
mkdir -p "$HOME"
PROFILE=${OMBRA_OFFICE_PROFILE:-$WORKDIR/profile}
ARGS=(--norestore --nologo --nodefault --nofirststartwizard "-env:UserInstallation=file://$PROFILE")
[ "${OMBRA_OFFICE_NO_ACCEPT:-0}" = 1 ] || ARGS+=("--accept=pipe,name=$PIPE;urp;")
if [ "$MODE" = headless ]; then
  ARGS=(--headless "${ARGS[@]}")
else
  export SAL_USE_VCLPLUGIN=${SAL_USE_VCLPLUGIN:-gen}
fi
soffice "${ARGS[@]}" "$DOC" > "$WORKDIR/soffice.log" 2>&1 &
echo $! > "$WORKDIR/soffice.pid"

deadline=$((SECONDS + TIMEOUT))
while [ $SECONDS -lt $deadline ]; do
  BIN=$(pgrep -P "$(cat "$WORKDIR/soffice.pid")" -x soffice.bin 2>/dev/null || true)
  # The first start with a new profile restarts the office once: follow the current process.
  [ -z "$BIN" ] && BIN=$(pgrep -f -x ".*soffice.bin.*UserInstallation=file://$PROFILE.*" 2>/dev/null | head -1 || true)
  [ -n "$BIN" ] && echo "$BIN" > "$WORKDIR/soffice_bin.pid"
  if [ -S "$SOCKET" ] && [ -e "$LOCK" ]; then
    echo "start-office: ready (pipe $PIPE, pid $(cat "$WORKDIR/soffice_bin.pid" 2>/dev/null), $SECONDS s)"
    exit 0
  fi
  sleep 0.25
done
echo "start-office: not ready after $TIMEOUT s; log:" >&2
cat "$WORKDIR/soffice.log" >&2
exit 1
