#!/usr/bin/env bash
# Checks the Debian package as a user gets it: its contents and control fields, the desktop
# entry and AppStream data, lintian, and the program run from the unpacked tree through its
# bin/ link with no environment variable pointing at its libraries.
# With CI=true as root it also installs the package with apt-get, runs it from PATH and
# removes it again, checking that every file it brought is gone.
# Usage: tests/package/check-package.sh ombra-dts_<version>_<arch>.deb
set -euo pipefail
deb=$(realpath "$1")
work=$(mktemp -d)
installed_here=0
cleanup() {
  if [ "$installed_here" = 1 ]; then apt-get purge -y -qq ombra-dts >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }

# --- contents ---------------------------------------------------------------------------
dpkg-deb -c "$deb" | awk '{ print $6 ($7 == "->" ? " -> " $8 : "") }' | sed 's|^\./|/|' >"$work/contents"
expected=(
  /usr/lib/ombra-dts/ombra-dts /usr/lib/ombra-dts/fxsim
  /usr/lib/ombra-dts/libCorvexRes.so /usr/lib/ombra-dts/libfxAPI.so /usr/lib/ombra-dts/libcalcolor.so
  /usr/lib/ombra-dts/PIC/Ombra-Zero-Calib.bmp /usr/lib/ombra-dts/PIC/Ombra-White-Calib.bmp
  "/usr/bin/ombra-dts -> ../lib/ombra-dts/ombra-dts" "/usr/bin/fxsim -> ../lib/ombra-dts/fxsim"
  /usr/share/applications/ombra-dts.desktop /usr/share/metainfo/ombra-dts.metainfo.xml
  /usr/share/icons/hicolor/48x48/apps/ombra-dts.png /usr/share/icons/hicolor/128x128/apps/ombra-dts.png
  /usr/share/icons/hicolor/256x256/apps/ombra-dts.png /usr/share/icons/hicolor/scalable/apps/ombra-dts.svg
  /usr/share/man/man1/ombra-dts.1.gz /usr/share/man/man1/fxsim.1.gz
  /usr/share/doc/ombra-dts/copyright /usr/share/doc/ombra-dts/changelog.gz
)
for path in "${expected[@]}"; do grep -qxF "$path" "$work/contents" || fail "the package lacks $path"; done
grep -q '^/usr/lib/ombra-dts/Manual/.*\.pdf$' "$work/contents" || fail "the package lacks the manual"
grep -q '^/usr/lib/ombra-dts/Manual/.*\.html$' "$work/contents" || fail "the package lacks the manual's web page"
# Nothing outside /usr: installing must not touch the rest of the system.
if grep -v '^/usr/\|^/$' "$work/contents" | grep -q .; then fail "files outside /usr: $(grep -v '^/usr/\|^/$' "$work/contents")"; fi
ok "contents ($(wc -l <"$work/contents") entries)"

# --- control fields: one version everywhere, computed dependencies ------------------------
version=$(dpkg-deb -f "$deb" Version)
[ "$(dpkg-deb -f "$deb" Package)" = ombra-dts ] || fail "package name"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libstdc++6 libqt6widgets6; do
  [[ "$depends" == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done
recommends=$(dpkg-deb -f "$deb" Recommends)
for wanted in libreoffice-calc xdg-utils pdf-viewer; do
  [[ "$recommends" == *"$wanted"* ]] || fail "Recommends lacks $wanted"
done
root="$work/root"
dpkg -x "$deb" "$root"
changelog_version=$(zcat "$root/usr/share/doc/ombra-dts/changelog.gz" | sed -n '1s/^ombra-dts (\([^)]*\)).*/\1/p')
release_version=$(grep -o '<release version="[^"]*"' "$root/usr/share/metainfo/ombra-dts.metainfo.xml" | head -1 | cut -d'"' -f2)
[ "$changelog_version" = "$version" ] || fail "changelog says $changelog_version, package $version"
[ "$release_version" = "$version" ] || fail "AppStream release says $release_version, package $version"
for size in 48 128 256; do
  file "$root/usr/share/icons/hicolor/${size}x${size}/apps/ombra-dts.png" | grep -q "PNG image data, $size x $size," ||
    fail "the ${size}x${size} icon is not a $size px PNG"
done
tr '\n' ' ' <"$root/usr/share/icons/hicolor/scalable/apps/ombra-dts.svg" | grep -q '<svg[^>]*viewBox="0 0 128 128"' ||
  fail "the scalable icon is not a 128 x 128 SVG"
ok "version $version; Depends: $depends"

# --- desktop entry, AppStream data, manual page -------------------------------------------
desktop-file-validate "$root/usr/share/applications/ombra-dts.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/ombra-dts.metainfo.xml" || fail "appstreamcli validate"
for page in ombra-dts fxsim; do
  # groff's own warnings: a malformed page shows up here before it shows up in man.
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null || true)
  [ -z "$warnings" ] || fail "man page $page: $warnings"
done
ok "desktop entry, AppStream data and manual pages"

# --- lintian: errors fail, warnings are shown ---------------------------------------------
lintian --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 || true
cat "$work/lintian"
if grep -q '^E:' "$work/lintian"; then fail "lintian reports errors"; else ok "lintian: no errors"; fi

# --- the unpacked program, started through its bin/ link ---------------------------------
run_env=(env -u LD_LIBRARY_PATH -u LD_PRELOAD -u LC_ALL -u LC_MESSAGES LANG=C.UTF-8 HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
         XDG_RUNTIME_DIR="$work/run" FXSIM_DIR="$work/run/fxsim" QT_QPA_PLATFORM=offscreen)
mkdir -p "$work/home" "$work/run" && chmod 700 "$work/run"
out=$("${run_env[@]}" "$root/usr/bin/ombra-dts" --version) || fail "--version failed"
[ "$out" = "ombra-dts $version" ] || fail "--version printed '$out'"
out=$("${run_env[@]}" "$root/usr/bin/ombra-dts" --help) || fail "--help failed"
[[ "$out" == Usage:* && "$out" == *--setup-libreoffice* ]] || fail "--help printed '$out'"
# Without its resource library the program ends at once; with it, the window stays open until
# the time-out ends it. The loader's trace shows which library was loaded, from where.
status=0
"${run_env[@]}" LD_DEBUG=files timeout 8 "$root/usr/bin/ombra-dts" >"$work/run.log" 2>&1 || status=$?
[ "$status" = 124 ] || fail "the program ended by itself (status $status) instead of opening its window"
grep -q "file=$root/usr/lib/ombra-dts/libCorvexRes.so .*dynamically loaded" "$work/run.log" ||
  fail "the resource library was not loaded from $root/usr/lib/ombra-dts"
ok "unpacked: --version, --help, and the window opens with its resource library"

# --- README.md's commands, exactly as it gives them, on a fresh HOME in the source tree ------
repo=$(cd "$(dirname "$0")/../.." && pwd)
user_home="$work/user-home"
mkdir -p "$user_home"
# A command line as a user types it into a shell in the source tree (its globs and ~ expanded);
# a prompt is answered yes.
as_user() {
  echo "\$ $1"
  (set +o pipefail; cd "$repo" && yes 2>/dev/null | env -u LD_LIBRARY_PATH -u LD_PRELOAD -u XDG_CONFIG_HOME -u XDG_DATA_HOME \
     HOME="$user_home" bash -c "$1")
}
from_readme() { grep -qF -- "$1" "$repo/README.md" || fail "README.md no longer gives '$1'"; }
readme_build=0
[ "$(dirname "$deb")" = "$repo/build-release" ] && readme_build=1

if [ "$readme_build" = 1 ]; then
  from_readme 'cmake --install build-release --prefix ~/.local'
  as_user 'cmake --install build-release --prefix ~/.local' >"$work/install.log" 2>&1 || fail "cmake --install"
  out=$(env -u LD_LIBRARY_PATH HOME="$user_home" "$user_home/.local/bin/ombra-dts" --version) ||
    fail "ombra-dts installed under ~/.local"
  [ "$out" = "ombra-dts $version" ] && ok "cmake --install into ~/.local: $out" || fail "~/.local --version printed '$out'"
fi

# --- CI only: install with apt-get, use, remove -------------------------------------------
if [ "${CI:-}" = true ] && [ "$(id -u)" = 0 ]; then
  if dpkg-query -W -f='${Status}' ombra-dts 2>/dev/null | grep -q "install ok installed"; then
    fail "ombra-dts is installed already; not touching it"
  else
    installed_here=1
    if [ "$readme_build" = 1 ]; then
      command -v sudo >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq sudo >/dev/null
      from_readme 'sudo apt-get install ./build-release/ombra-dts_*.deb'
      DEBIAN_FRONTEND=noninteractive as_user 'sudo apt-get install ./build-release/ombra-dts_*.deb' >"$work/apt.log" 2>&1 ||
        { cat "$work/apt.log"; fail "sudo apt-get install ./build-release/ombra-dts_*.deb"; }
    else
      DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null || fail "apt-get install"
    fi
    out=$(as_user 'ombra-dts --version' | tail -1) || fail "ombra-dts from PATH"
    [ "$out" = "ombra-dts $version" ] || fail "installed --version printed '$out'"
    profile="$user_home/.config/libreoffice/4/user/registrymodifications.xcu"
    as_user 'ombra-dts --setup-libreoffice' || fail "ombra-dts --setup-libreoffice"
    grep -qs 'pipe,name=ombra-dts;urp' "$profile" || fail "the set-up left no connection setting in $profile"
    as_user 'ombra-dts --setup-libreoffice --undo' || fail "ombra-dts --setup-libreoffice --undo"
    ! grep -qs 'pipe,name=ombra-dts;urp' "$profile" || fail "the undo left the connection setting in $profile"
    out=$(MANPAGER=cat MANWIDTH=80 as_user 'man ombra-dts' 2>&1) || fail "man ombra-dts"
    [[ "$out" == *--setup-libreoffice* ]] || fail "man ombra-dts shows no --setup-libreoffice"
    # fxsim serve in one terminal, fxsim panel in another: both keep running until stopped.
    (as_user 'fxsim serve' >"$work/fxsim-serve.log" 2>&1 &)
    sleep 2
    (QT_QPA_PLATFORM=offscreen as_user 'fxsim panel' >"$work/fxsim-panel.log" 2>&1 &)
    sleep 3
    pgrep -f "fxsim serve" >/dev/null || { cat "$work/fxsim-serve.log"; fail "fxsim serve ended by itself"; }
    pgrep -f "fxsim panel" >/dev/null || { cat "$work/fxsim-panel.log"; fail "fxsim panel ended by itself"; }
    pkill -f "fxsim panel" || true
    pkill -f "fxsim serve" || true
    dpkg -L ombra-dts >"$work/listed"
    if [ "$readme_build" = 1 ]; then
      DEBIAN_FRONTEND=noninteractive as_user 'sudo apt-get remove ombra-dts' >"$work/remove.log" 2>&1 ||
        { cat "$work/remove.log"; fail "sudo apt-get remove ombra-dts"; }
    fi
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq ombra-dts >/dev/null || fail "apt-get purge"
    installed_here=0
    while read -r path; do
      [ -d "$path" ] && [ ! -L "$path" ] && continue  # shared folders such as /usr/bin stay
      if [ -e "$path" ] || [ -L "$path" ]; then fail "left behind after removal: $path"; fi
    done <"$work/listed"
    [ ! -d /usr/lib/ombra-dts ] || fail "left behind after removal: /usr/lib/ombra-dts"
    ok "installed, set up, used and removed with README.md's commands"
  fi
fi

if [ "$failures" -gt 0 ]; then
  echo "package check: $failures failure(s)"
  exit 1
fi
echo "package check: $(basename "$deb") passed"
