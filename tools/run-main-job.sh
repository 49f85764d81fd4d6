#!/usr/bin/env bash
# The main job: one Tarsel with cameras of all three families. Starts the
# three simulators with private set-ups (two camera-link cameras of
# vesk-simd, tools/vesk-demo.sh; the Vantic camera simulator on its USB
# stand-in, with the Lunet control registered in the private data folder and
# the ActiveX family switched on; the Canon SDK stand-in libCDSDK.so beside
# the program with one camera), starts Tarsel (on Qt's offscreen platform
# when there is no display), sends it TarselRemote /CAPTURE (every connected
# camera takes a picture), waits until the file saver has saved one picture
# per camera (AutoSaveAfterTaking, into a folder of the private home), checks
# that every saved file's bytes equal the picture its simulator made
# (sha256), prints one line per saved picture naming its family and camera,
# ends Tarsel with SIGTERM, which closes it as a user closing its window
# would, and stops the simulators. The last line reads
#   run-main-job: N pictures saved from C cameras of F families
# The Canon stand-in lives inside Tarsel's process, so Tarsel runs with the
# SDK tap preloaded (libCDSDKTapPreload.so), which writes each picture the
# stand-in delivers to a folder for the comparison.
# Everything runs in a private home folder (settings, registry, data folder,
# error log) and with a private remote-control address, so the user's own
# set-up and a Tarsel the user runs are left alone. Pictures stay on the
# cameras (LeavePictureInCamera), so each simulator can be asked for its own.
# Exits non-zero when a picture was not saved within 40 s or differs from its
# simulator's, else with Tarsel's status.
# Usage: tools/run-main-job.sh [folder of the built programs, default build/bin]
set -u

# The Canon family's camera: 1 to use it, 0 to run the two other families.
canon_cameras=1

top=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$top/build/bin}
bin=$(cd "$bin" 2>/dev/null && pwd) || bin=${1:-$top/build/bin}
for program in Tarsel TarselRemote vesk-simd tarselreg tarselregsvr libVeskDLL.so libLunet.so libCDSDK.so \
  libCDSDKTap.so libCDSDKTapPreload.so TarselSFile.so; do
  if [ ! -e "$bin/$program" ]; then
    echo "run-main-job: $bin/$program is missing; build first (cmake --workflow --preset build)" >&2
    exit 1
  fi
done
if ! command -v python3 >/dev/null || ! command -v sha256sum >/dev/null; then
  echo "run-main-job: python3 and sha256sum are needed; run tools/install-deps.sh" >&2
  exit 1
fi

home=$(mktemp -d "${TMPDIR:-/tmp}/tarsel-main-job.XXXXXX") || exit 1
export HOME=$home
export XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share XDG_CACHE_HOME=$home/.cache
export TARSEL_REGISTRY_DIR=$home/registry TARSEL_MACHINE_REGISTRY=$home/machine/machine.reg
export TARSEL_REMOTE_MAILSLOT=Tarsel-main-job-$$ TARSEL_REMOTE_PORT=$((20000 + $$ % 30000))
export XDG_RUNTIME_DIR=$home/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
export VESK_DEMO_DIR=$home/vesk
export VESK_DEVICE_DIR=$VESK_DEMO_DIR/devices
data=$XDG_DATA_HOME/Tarsel
saved=$home/saved
expected=$home/expected
mkdir -p "$data" "$expected/canon"
tarsel=
vantic=

# Runs on exit (the trap below).
# shellcheck disable=SC2317
finish() {
  if [ -n "$tarsel" ] && kill -0 "$tarsel" 2>/dev/null; then
    kill -KILL "$tarsel" 2>/dev/null
    wait "$tarsel" 2>/dev/null
  fi
  stop_vantic
  "$top/tools/vesk-demo.sh" stop >/dev/null
  rm -rf "$home"
}
trap finish EXIT

error_log() {
  local log=$home/Documents/Tarsel/ErrorLog.txt
  [ -s "$log" ] && echo "run-main-job: Tarsel's error log:" >&2 && cat "$log" >&2
}

echo "run-main-job: private home $home"

# ---- camera-link: two vesk-simd cameras (an XC-701 and a KT-300).
"$top/tools/vesk-demo.sh" start "$bin" || exit 1
simctl() { "$bin/vesk-simd" ctl --dir "$VESK_DEVICE_DIR" "$@"; }
# The cameras as "slot:model" words, from "ok 0:camera:XC-701:present ...".
vesk_cameras=()
for device in $(simctl list); do
  case $device in
  *:camera:*) vesk_cameras+=("${device%%:*}:$(echo "$device" | cut -d: -f3)") ;;
  esac
done
if [ "${#vesk_cameras[@]}" -eq 0 ]; then
  echo "run-main-job: the camera-link simulator lists no camera" >&2
  exit 1
fi
# The cards before the take, to find each camera's new picture afterwards.
for camera in "${vesk_cameras[@]}"; do
  simctl dump "${camera%%:*}" "$home/cards-before/${camera%%:*}" >/dev/null || exit 1
done

# ---- ActiveX: the Vantic camera simulator on its USB stand-in, the control
# registered in the private data folder, the family switched on.
stop_vantic() {
  if [ -n "$vantic" ]; then
    echo '{"op":"quit"}' >&"${VANTIC[1]}" 2>/dev/null
    wait "$vantic" 2>/dev/null
    vantic=
  fi
}
vantic_name="Studio Vantic"
printf '{"picture_count": 0, "texts": {"22": "%s", "27": "VC320"}}\n' "$vantic_name" >"$home/vantic.json"
coproc VANTIC { exec python3 "$top/sim/vantic/vantic_sim.py" --usb "$home/vantic.sock" --config "$home/vantic.json" 2>"$home/vantic.log"; }
vantic=$VANTIC_PID
ready=
read -r -t 20 ready <&"${VANTIC[0]}"
case $ready in
"USB "*) echo "run-main-job: the Vantic simulator (pid $vantic) serves camera \"$vantic_name\" at ${ready#USB }" ;;
*)
  echo "run-main-job: the Vantic simulator did not start: $(cat "$home/vantic.log")" >&2
  exit 1
  ;;
esac
export TARSEL_VANTIC_USB=sim:${ready#USB }
# No serial port of this machine is probed.
for port in 1 2 3 4; do export "TARSEL_VANTIC_COM$port=$home/no-serial-port"; done
"$bin/tarselregsvr" "$bin/libLunet.so" >/dev/null || {
  echo "run-main-job: tarselregsvr could not register $bin/libLunet.so" >&2
  exit 1
}
printf '[BRANTEL_SDK2.0]\r\nUSED=1\r\n' >"$data/BRANTEL_SDK2.0"
echo "run-main-job: the Lunet control is registered in $data/com and the ActiveX family is on"
# The answer of the simulator's control channel to one request.
vantic_request() {
  local answer
  echo "$1" >&"${VANTIC[1]}" || return 1
  read -r -t 10 answer <&"${VANTIC[0]}" || return 1
  echo "$answer"
}

# ---- Canon: the SDK stand-in beside the program with one camera.
canon_name="Studio Canon"
if [ "$canon_cameras" -eq 1 ]; then
  printf '[camera]\nname = %s\nowner = Main job\n' "$canon_name" >"$home/canon.ini"
  echo "run-main-job: the Canon SDK stand-in $bin/libCDSDK.so simulates camera \"$canon_name\""
else
  # A set-up without a camera: the family finds none.
  printf '[sdk]\n' >"$home/canon.ini"
fi
export CDSIM_CONFIG=$home/canon.ini
export CDSDK_TAP_KEPT=$expected/canon

# ---- The program's options: save every picture of the take, leave it on the camera.
reg_set() { "$bin/tarselreg" set "$@" >/dev/null || echo "run-main-job: cannot set $2 with $bin/tarselreg" >&2; }
reg_set 'SOFTWARE\drevant\Tarsel\Options' AutoSaveAfterTaking dword 1
reg_set 'SOFTWARE\drevant\Tarsel\Options' LeavePictureInCamera dword 1
reg_set 'SOFTWARE\drevant\Tarsel\Options\Saver\FILE' RootDir sz "$saved"

cameras=$((${#vesk_cameras[@]} + 1 + canon_cameras))
families=$((2 + canon_cameras))
echo "run-main-job: starting $bin/Tarsel with $cameras cameras of $families families"
LD_PRELOAD=$bin/libCDSDKTapPreload.so${LD_PRELOAD:+:$LD_PRELOAD} "$bin/Tarsel" &
tarsel=$!

# The receiver listens once start-up (which finds the cameras) has run;
# until then TarselRemote finds nobody and fails.
echo "run-main-job: sending TarselRemote /CAPTURE (retrying for up to 20 s until Tarsel listens)"
delivered=no
for _ in $(seq 1 100); do
  if ! kill -0 "$tarsel" 2>/dev/null; then
    wait "$tarsel"
    status=$?
    tarsel=
    echo "run-main-job: Tarsel ended before it received the datagram (status $status)" >&2
    error_log
    [ "$status" -ne 0 ] || status=1
    exit "$status"
  fi
  if "$bin/TarselRemote" /CAPTURE 2>/dev/null; then
    delivered=yes
    break
  fi
  sleep 0.2
done
if [ "$delivered" != yes ]; then
  echo "run-main-job: TarselRemote /CAPTURE found no receiver within 20 s" >&2
  exit 1
fi
echo "run-main-job: TarselRemote delivered /CAPTURE; waiting up to 40 s for $cameras saved pictures in $saved"

# Saved pictures (the saver's temporary files start with a dot).
saved_files() { find "$saved" -type f ! -name '.*' 2>/dev/null | sort; }
all_saved=no
for _ in $(seq 1 200); do
  if [ "$(saved_files | wc -l)" -ge "$cameras" ]; then
    all_saved=yes
    break
  fi
  kill -0 "$tarsel" 2>/dev/null || break
  sleep 0.2
done

# ---- The pictures each simulator made, as "sha256 family|camera" lines.
: >"$expected/list"
for camera in "${vesk_cameras[@]}"; do
  slot=${camera%%:*}
  simctl dump "$slot" "$home/cards-after/$slot" >/dev/null
  find "$home/cards-after/$slot" -type f | sort | while read -r file; do
    [ -e "$home/cards-before/$slot/${file#"$home/cards-after/$slot/"}" ] && continue
    echo "$(sha256sum <"$file" | cut -d' ' -f1) camera-link|${camera#*:} (simulator slot $slot)"
  done >>"$expected/list"
done
answer=$(vantic_request '{"op":"picture","index":1}')
vantic_sha=$(echo "$answer" | python3 -c 'import json, sys
answer = json.loads(sys.stdin.readline() or "{}")
print(answer.get("sha256", "") if answer.get("exists") else "")' 2>/dev/null)
[ -n "$vantic_sha" ] && echo "$vantic_sha ActiveX|$vantic_name" >>"$expected/list"
for file in "$expected"/canon/*.jpg; do
  [ -e "$file" ] || continue
  echo "$(sha256sum <"$file" | cut -d' ' -f1) Canon|Main job ($canon_name)" >>"$expected/list"
done

# ---- Every saved file against the simulators' pictures.
equal=0
saved_count=0
: >"$home/matched"
while read -r file; do
  [ -n "$file" ] || continue
  saved_count=$((saved_count + 1))
  sha=$(sha256sum <"$file" | cut -d' ' -f1)
  match=$(grep -m 1 "^$sha " "$expected/list" | cut -d' ' -f2-)
  size=$(stat -c %s "$file")
  if [ -n "$match" ]; then
    equal=$((equal + 1))
    echo "$match" >>"$home/matched"
    echo "run-main-job: ${match%%|*} camera ${match#*|}: saved ${file#"$saved/"} ($size bytes), sha256 equal to the simulator's picture"
  else
    echo "run-main-job: saved ${file#"$saved/"} ($size bytes) equals no simulator's picture (sha256 $sha)" >&2
  fi
done < <(saved_files)
if [ "$all_saved" != yes ]; then
  echo "run-main-job: only $saved_count of $cameras pictures were saved within 40 s" >&2
  error_log
fi

# Whether Tarsel ended within the given tenths of a second.
ended_within() {
  for _ in $(seq 1 "$1"); do
    kill -0 "$tarsel" 2>/dev/null || return 0
    sleep 0.1
  done
  ! kill -0 "$tarsel" 2>/dev/null
}

echo "run-main-job: sending SIGTERM to Tarsel (pid $tarsel)"
kill -TERM "$tarsel" 2>/dev/null
if ! ended_within 50; then
  # A close asks first while pictures are unsaved in their windows; a
  # second request closes without asking.
  echo "run-main-job: Tarsel still runs 5 s after SIGTERM; sending a second SIGTERM"
  kill -TERM "$tarsel" 2>/dev/null
  if ! ended_within 200; then
    echo "run-main-job: Tarsel did not end within 20 s of the second SIGTERM" >&2
    exit 1
  fi
fi
wait "$tarsel"
status=$?
tarsel=
echo "run-main-job: Tarsel ended with status $status"
stop_vantic
"$top/tools/vesk-demo.sh" stop
matched_cameras=$(sort -u "$home/matched" | wc -l)
matched_families=$(cut -d'|' -f1 "$home/matched" | sort -u | wc -l)
echo "run-main-job: $equal pictures saved from $matched_cameras cameras of $matched_families families"
[ "$all_saved" = yes ] && [ "$equal" -eq "$cameras" ] && [ "$saved_count" -eq "$cameras" ] || exit 1
exit "$status"
