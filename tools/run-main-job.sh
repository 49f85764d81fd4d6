#!/usr/bin/env bash
# The main job: starts two simulated camera-link cameras of different models
# (tools/vesk-demo.sh), starts Tarsel with them (on Qt's offscreen platform
# when there is no display), sends it TarselRemote /CAPTURE (which asks every
# connected camera to take a picture), waits until both pictures have been
# downloaded (the simulator counts the picture transfers each camera
# completed), reports them, waits until the file saver has saved each of
# them (AutoSaveAfterTaking, into a folder of the private home), lists the
# saved files, ends Tarsel with SIGTERM, which closes it as a user closing
# its window would, and stops the simulator.
# Everything runs in a private home folder (settings, registry, data folder,
# error log) and with a private remote-control address, so the user's own
# set-up and a Tarsel the user runs are left alone.
# Exits non-zero when a picture did not arrive within 30 s or was not saved
# within 10 s after that, else with Tarsel's status.
# Usage: tools/run-main-job.sh [folder of the built programs, default build/bin]
set -u

top=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$top/build/bin}
bin=$(cd "$bin" 2>/dev/null && pwd) || bin=${1:-$top/build/bin}
for program in Tarsel TarselRemote vesk-simd tarselreg libVeskDLL.so; do
  if [ ! -e "$bin/$program" ]; then
    echo "run-main-job: $bin/$program is missing; build first (cmake --workflow --preset build)" >&2
    exit 1
  fi
done

home=$(mktemp -d "${TMPDIR:-/tmp}/tarsel-main-job.XXXXXX") || exit 1
export HOME=$home
export XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share XDG_CACHE_HOME=$home/.cache
export TARSEL_REGISTRY_DIR=$home/registry TARSEL_MACHINE_REGISTRY=$home/machine/machine.reg
export TARSEL_REMOTE_MAILSLOT=Tarsel-main-job-$$ TARSEL_REMOTE_PORT=$((20000 + $$ % 30000))
export XDG_RUNTIME_DIR=$home/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
export VESK_DEMO_DIR=$home/vesk
export VESK_DEVICE_DIR=$VESK_DEMO_DIR/devices
tarsel=

# Runs on exit (the trap below).
# shellcheck disable=SC2317
finish() {
  if [ -n "$tarsel" ] && kill -0 "$tarsel" 2>/dev/null; then
    kill -KILL "$tarsel" 2>/dev/null
    wait "$tarsel" 2>/dev/null
  fi
  "$top/tools/vesk-demo.sh" stop >/dev/null
  rm -rf "$home"
}
trap finish EXIT

echo "run-main-job: private home $home"
"$top/tools/vesk-demo.sh" start "$bin" || exit 1

# The file saver saves every picture of an all-cameras take into $saved.
saved=$home/saved
reg_set() { "$bin/tarselreg" set "$@" >/dev/null || echo "run-main-job: cannot set $2 with $bin/tarselreg" >&2; }
reg_set 'SOFTWARE\drevant\Tarsel\Options' AutoSaveAfterTaking dword 1
reg_set 'SOFTWARE\drevant\Tarsel\Options\Saver\FILE' RootDir sz "$saved"

simctl() { "$bin/vesk-simd" ctl --dir "$VESK_DEVICE_DIR" "$@"; }
# The cameras as "slot:model" words, from "ok 0:camera:XC-701:present ...".
cameras=()
for device in $(simctl list); do
  case $device in
  *:camera:*) cameras+=("${device%%:*}:$(echo "$device" | cut -d: -f3)") ;;
  esac
done
if [ "${#cameras[@]}" -eq 0 ]; then
  echo "run-main-job: the simulator lists no camera" >&2
  exit 1
fi
# Completed picture transfers of a slot.
pictures_read() {
  simctl stats "$1" | sed -n 's/.* pictures-read=\([0-9]*\).*/\1/p'
}

echo "run-main-job: starting $bin/Tarsel with VESK_DEVICE_DIR=$VESK_DEVICE_DIR"
"$bin/Tarsel" &
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
echo "run-main-job: TarselRemote delivered /CAPTURE; waiting up to 30 s for the pictures"

all_arrived() {
  local camera count
  for camera in "${cameras[@]}"; do
    count=$(pictures_read "${camera%%:*}")
    [ "${count:-0}" -ge 1 ] || return 1
  done
}
arrived=no
for _ in $(seq 1 150); do
  if all_arrived; then
    arrived=yes
    break
  fi
  kill -0 "$tarsel" 2>/dev/null || break
  sleep 0.2
done
total=0
for camera in "${cameras[@]}"; do
  count=$(pictures_read "${camera%%:*}")
  total=$((total + ${count:-0}))
  echo "run-main-job: camera ${camera#*:} (simulator slot ${camera%%:*}): ${count:-0} picture(s) downloaded"
done
if [ "$arrived" = yes ]; then
  echo "run-main-job: $total pictures arrived from ${#cameras[@]} cameras"
else
  echo "run-main-job: not every camera's picture arrived within 30 s" >&2
  error_log=$home/Documents/Tarsel/ErrorLog.txt
  [ -s "$error_log" ] && echo "run-main-job: Tarsel's error log:" >&2 && cat "$error_log" >&2
fi

# One saved file per downloaded picture.
saved_files() { find "$saved" -type f 2>/dev/null | wc -l; }
all_saved=no
if [ "$arrived" = yes ]; then
  echo "run-main-job: waiting up to 10 s for the file saver to save $total pictures into $saved"
  for _ in $(seq 1 50); do
    if [ "$(saved_files)" -ge "$total" ]; then
      all_saved=yes
      break
    fi
    kill -0 "$tarsel" 2>/dev/null || break
    sleep 0.2
  done
  find "$saved" -type f -printf 'run-main-job: saved %P (%s bytes)\n' 2>/dev/null | sort
  if [ "$all_saved" = yes ]; then
    echo "run-main-job: $(saved_files) pictures saved"
  else
    echo "run-main-job: only $(saved_files) of $total pictures were saved within 10 s" >&2
    error_log=$home/Documents/Tarsel/ErrorLog.txt
    [ -s "$error_log" ] && echo "run-main-job: Tarsel's error log:" >&2 && cat "$error_log" >&2
  fi
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
  # The pictures are unsaved in their windows, so the close asks first; a
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
"$top/tools/vesk-demo.sh" stop
[ "$arrived" = yes ] && [ "$all_saved" = yes ] || exit 1
exit "$status"
