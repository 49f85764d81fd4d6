#!/usr/bin/env bash
# Installs the build into a fresh prefix (with a blank in its path), checks what
# went where, and runs the installed Tarsel offscreen with one camera of the
# build's vesk-simd: a remote capture must save the camera's picture, byte for
# byte, through the installed file saver.
#   installed_program_test.sh CMAKE BUILD_DIR BIN_DIR
# Runs in the test's own home. TARSEL_INSTALL_TEST_WAIT: seconds per step (20).
set -u
cmake=$1 build=$2 bin=$3
wait_s=${TARSEL_INSTALL_TEST_WAIT:-20}
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
mkdir -p "$HOME" && work=$(mktemp -d "$HOME/install.XXXXXX") || exit 1
prefix="$work/pre fix" lib="$work/pre fix/lib/tarsel"
tarsel='' simulator=''
trap '[ -n "$tarsel" ] && kill -KILL $tarsel; [ -n "$simulator" ] && kill $simulator; wait; rm -rf "$work"' EXIT
"$cmake" --install "$build" --prefix "$prefix" >"$work/log" 2>&1 || fail "cmake --install: $(cat "$work/log")"

# Every file of the build's program folder is installed beside the program, but
# the simulators, the Canon SDK stand-in and its tap, and the measuring programs.
for file in "$bin"/*; do
  name=${file##*/}
  case $name in
  vesk-simd | libCDSDK*.so | *bench* | timelapse-soak) [ ! -e "$lib/$name" ] || fail "$name is installed" ;;
  *) [ -e "$lib/$name" ] || fail "$name is not installed in $lib" ;;
  esac
  if [ -d "$file" ]; then diff -rq "$file" "$lib/$name" || fail "$lib/$name differs from $file"; fi
done
for command in Tarsel TarselRemote BrantelVeskConfig tarselreg tarselregsvr; do
  [ "$(readlink -f "$prefix/bin/$command")" = "$(readlink -f "$lib/$command")" ] || fail "$prefix/bin/$command leads elsewhere"
done
# The installed files find their libraries beside themselves, never in the build.
for file in "$lib"/*; do
  [ "$(head -c 4 "$file" 2>/dev/null)" = $'\x7fELF' ] || continue
  path=$(readelf -d "$file" | sed -n 's/.*R\(UN\)\{0,1\}PATH.*\[\(.*\)\]/\2/p')
  # shellcheck disable=SC2016 # the literal $ORIGIN
  [ "$path" = '$ORIGIN' ] || fail "${file##*/} has the run path \"$path\""
  ! ldd "$file" | grep 'not found' || fail "${file##*/} misses libraries"
done

entry=$prefix/share/applications/Tarsel.desktop
if command -v desktop-file-validate >/dev/null; then
  problems=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $problems"
  [ -z "$problems" ] || fail "desktop-file-validate: $problems"
fi
[ "$(grep '^Exec=' "$entry")" = "Exec=\"$prefix/bin/Tarsel\"" ] || fail "the entry's $(grep '^Exec=' "$entry")"
[ -f "$prefix/share/icons/hicolor/32x32/apps/$(sed -n 's/^Icon=//p' "$entry").png" ] || fail "no icon"

# ---- The installed program with one simulated camera, saving what it takes.
export TARSEL_REMOTE_MAILSLOT=Tarsel-install-test-$$ TARSEL_REMOTE_PORT=$((20000 + $$ % 30000))
export DISPLAY='' QT_QPA_PLATFORM=offscreen VESK_DEVICE_DIR=$work/devices
unset WAYLAND_DISPLAY
for port in 1 2 3 4; do export "TARSEL_VANTIC_COM$port=$work/no-serial-port"; done
mkdir -p "$XDG_DATA_HOME/Tarsel"
printf '[ACTIVE CAMERAS]\r\nXC-701=1\r\n' >"$XDG_DATA_HOME/Tarsel/BRANTEL_SDK3.4"
reg() { "$prefix/bin/tarselreg" set "$@" >/dev/null || fail "tarselreg set $*"; }
reg 'Software\Brantel\Vesk\SupportedCamera' Type_S sz XC-701
reg 'SOFTWARE\drevant\Tarsel\Options' AutoSaveAfterTaking dword 1
reg 'SOFTWARE\drevant\Tarsel\Options' LeavePictureInCamera dword 1
reg 'SOFTWARE\drevant\Tarsel\Options\Saver\FILE' RootDir sz "$work/saved"

# Polls "$@" every 0.1 s for up to wait_s seconds.
until_true() {
  local tries=$((wait_s * 10))
  until "$@"; do
    tries=$((tries - 1)) && [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
}
"$bin/vesk-simd" --dir "$VESK_DEVICE_DIR" --cameras 1 --model XC-701 --pictures 0 --speed 20 >"$work/sim" 2>&1 &
simulator=$!
simctl() { "$bin/vesk-simd" ctl --dir "$VESK_DEVICE_DIR" "$@" 2>/dev/null; }
simulator_ready() { simctl count | grep -q '^ok'; }
until_true simulator_ready || fail "vesk-simd did not come up: $(cat "$work/sim")"

"$prefix/bin/Tarsel" >"$work/log" 2>&1 &
tarsel=$!
# The receiver listens once the start-up, which opens the camera's window, has run.
capture_delivered() {
  kill -0 "$tarsel" 2>/dev/null || fail "Tarsel ended: $(cat "$work/log")"
  "$prefix/bin/TarselRemote" /CAPTURE 2>/dev/null
}
until_true capture_delivered || fail "TarselRemote /CAPTURE found no receiver"
# The saver writes a dot file and renames it when done.
saved_file() { find "$work/saved" -type f ! -name '.*' 2>/dev/null | head -n 1; }
picture_saved() { [ -n "$(saved_file)" ]; }
until_true picture_saved || fail "no picture saved; Tarsel's output: $(cat "$work/log")"
simctl dump 0 "$work/card" >/dev/null || fail "vesk-simd ctl dump 0"
cmp "$(saved_file)" "$(find "$work/card" -type f | head -n 1)" || fail "the saved picture differs from the camera's"

# Every picture is saved, so the close asks nothing.
kill -TERM "$tarsel"
ended() { ! kill -0 "$tarsel" 2>/dev/null; }
until_true ended || fail "Tarsel did not end on SIGTERM"
wait "$tarsel" || fail "Tarsel ended with status $?: $(cat "$work/log")"
tarsel=
echo "the installed Tarsel in \"$prefix\" saved the camera's picture and ended cleanly"
