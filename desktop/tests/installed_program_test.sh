#!/usr/bin/env bash
# Installs the build into a fresh prefix (with a blank in its path), checks
# what went where, and runs the installed Tarsel offscreen with one simulated
# camera-link camera of the build's vesk-simd: a remote capture must save the
# camera's picture, byte for byte, through the installed file saver.
#
#   installed_program_test.sh CMAKE BUILD_DIR BIN_DIR
#
# Runs in the test's own home (HOME, XDG folders and registry set by CTest).
# TARSEL_INSTALL_TEST_WAIT: seconds to wait for each step (default 20).
set -u
cmake=$1 build=$2 bin=$3
wait_s=${TARSEL_INSTALL_TEST_WAIT:-20}

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

mkdir -p "$HOME" && work=$(mktemp -d "$HOME/install.XXXXXX") || exit 1
prefix="$work/pre fix"
tarsel=
simulator=
finish() {
  [ -n "$tarsel" ] && kill -KILL "$tarsel" 2>/dev/null
  [ -n "$simulator" ] && kill -TERM "$simulator" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT

"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || fail "cmake --install: $(cat "$work/install.log")"
lib=$prefix/lib/tarsel

# ---- The layout.
# Every file of the build's program folder is installed beside the program,
# except the simulators, the Canon SDK stand-in and its tap, and the benchmarks.
for file in "$bin"/*; do
  [ -f "$file" ] || continue
  name=${file##*/}
  case $name in
  vesk-simd | libCDSDK*.so | *bench* | timelapse-soak)
    [ -e "$lib/$name" ] && fail "$name is installed; it must not be"
    ;;
  *) [ -f "$lib/$name" ] || fail "$name of $bin is not installed in $lib" ;;
  esac
done
[ -d "$bin/help" ] && { [ -d "$lib/help" ] || fail "the help pages are not installed"; }
for command in Tarsel TarselRemote BrantelVeskConfig tarselreg tarselregsvr; do
  [ "$(readlink -f "$prefix/bin/$command")" = "$(readlink -f "$lib/$command")" ] ||
    fail "$prefix/bin/$command does not lead to $lib/$command"
done
# The installed files find their libraries beside themselves, never in the build.
for file in "$lib"/*; do
  [ -f "$file" ] || continue
  head -c 4 "$file" | grep -q ELF || continue
  path=$(readelf -d "$file" | grep -E 'R(UN)?PATH' | sed 's/.*\[\(.*\)\]/\1/')
  # shellcheck disable=SC2016 # the literal $ORIGIN
  [ "$path" = '$ORIGIN' ] || fail "${file##*/} has the run path \"$path\""
  if ldd "$file" | grep -q 'not found'; then fail "${file##*/}: $(ldd "$file" | grep 'not found')"; fi
done

# ---- The desktop entry and its icon.
entry=$prefix/share/applications/Tarsel.desktop
[ -f "$entry" ] || fail "no desktop entry $entry"
if command -v desktop-file-validate >/dev/null; then
  problems=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $problems"
  [ -z "$problems" ] || fail "desktop-file-validate: $problems"
fi
[ "$(grep '^Exec=' "$entry")" = "Exec=\"$prefix/bin/Tarsel\"" ] || fail "the entry's $(grep '^Exec=' "$entry")"
icon=$(sed -n 's/^Icon=//p' "$entry")
[ -f "$prefix/share/icons/hicolor/32x32/apps/$icon.png" ] || fail "no icon \"$icon\" in the hicolor theme"

# ---- The installed program with one simulated camera.
export TARSEL_REMOTE_MAILSLOT=Tarsel-install-test-$$ TARSEL_REMOTE_PORT=$((20000 + $$ % 30000))
export DISPLAY='' QT_QPA_PLATFORM=offscreen
unset WAYLAND_DISPLAY
export VESK_DEVICE_DIR=$work/devices
for port in 1 2 3 4; do export "TARSEL_VANTIC_COM$port=$work/no-serial-port"; done
saved=$work/saved
mkdir -p "$XDG_DATA_HOME/Tarsel"
printf '[ACTIVE CAMERAS]\r\nXC-701=1\r\n' >"$XDG_DATA_HOME/Tarsel/BRANTEL_SDK3.4"
reg() { "$prefix/bin/tarselreg" set "$@" >/dev/null || fail "tarselreg set $*"; }
reg 'Software\Brantel\Vesk\SupportedCamera' Type_S sz XC-701
reg 'SOFTWARE\drevant\Tarsel\Options' AutoSaveAfterTaking dword 1
reg 'SOFTWARE\drevant\Tarsel\Options' LeavePictureInCamera dword 1
reg 'SOFTWARE\drevant\Tarsel\Options\Saver\FILE' RootDir sz "$saved"

"$bin/vesk-simd" --dir "$VESK_DEVICE_DIR" --cameras 1 --model XC-701 --pictures 0 --speed 20 \
  >"$work/vesk-simd.log" 2>&1 &
simulator=$!
simctl() { "$bin/vesk-simd" ctl --dir "$VESK_DEVICE_DIR" "$@" 2>/dev/null; }
# Polls "$@" every 0.1 s for up to wait_s seconds.
until_true() {
  local tries=$((wait_s * 10))
  while ! "$@"; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
}
simulator_ready() { simctl count | grep -q '^ok'; }
until_true simulator_ready || fail "vesk-simd did not come up: $(cat "$work/vesk-simd.log")"

"$prefix/bin/Tarsel" >"$work/tarsel.log" 2>&1 &
tarsel=$!
# The receiver listens once the start-up, which opens the camera's window, has run.
capture_delivered() {
  kill -0 "$tarsel" 2>/dev/null || fail "Tarsel ended: $(cat "$work/tarsel.log")"
  "$prefix/bin/TarselRemote" /CAPTURE 2>/dev/null
}
until_true capture_delivered || fail "TarselRemote /CAPTURE found no receiver"
# The saver writes a dot file and renames it when done.
saved_file() { find "$saved" -type f ! -name '.*' 2>/dev/null | head -n 1; }
picture_saved() { [ -n "$(saved_file)" ]; }
until_true picture_saved || fail "no picture saved in $saved; Tarsel's output: $(cat "$work/tarsel.log")"
simctl dump 0 "$work/card" >/dev/null || fail "vesk-simd ctl dump 0"
card_picture=$(find "$work/card" -type f | head -n 1)
cmp -s "$(saved_file)" "$card_picture" || fail "the saved picture differs from the camera's $card_picture"

# A close asks first while pictures are unsaved; a second SIGTERM closes without asking.
kill -TERM "$tarsel"
ended() { ! kill -0 "$tarsel" 2>/dev/null; }
if ! wait_s=3 until_true ended; then
  kill -TERM "$tarsel"
  until_true ended || fail "Tarsel did not end after two SIGTERMs"
fi
wait "$tarsel"
status=$?
tarsel=
[ "$status" -eq 0 ] || fail "Tarsel ended with status $status: $(cat "$work/tarsel.log")"
echo "installed Tarsel in \"$prefix\" saved the camera's picture and ended cleanly"
