#!/usr/bin/env bash
# Two simulated camera-link cameras for trying Tarsel without a camera.
#
#   tools/vesk-demo.sh start [folder of the built programs, default build/bin]
#   tools/vesk-demo.sh stop
#
# start runs vesk-simd's demo set-up in the background (an XC-701 and a KT-300 camera)
# whose device nodes it serves in $VESK_DEMO_DIR/devices (default folder:
# $XDG_RUNTIME_DIR/tarsel-vesk-demo, or /tmp/tarsel-vesk-demo-<uid>), and
# enables both models for Tarsel where they are not enabled yet:
# - "<model>=1" lines in the [ACTIVE CAMERAS] section of the camera-link
#   family's file BRANTEL_SDK3.4 in Tarsel's data folder
#   ($XDG_DATA_HOME/Tarsel, default ~/.local/share/Tarsel); the file's other
#   lines are kept, and it is written with CR LF line ends;
# - the models appended to the list "Type_S" of supported cameras in the
#   registry (tarselreg; TARSEL_REGISTRY_DIR moves it), entries already
#   there kept.
# It then prints the command that starts Tarsel with the cameras. A
# simulator that already runs for the folder is kept. stop ends it.
set -u

# The models of the simulator's demo set-up (vesk-simd --demo).
readonly models=(XC-701 KT-300)
readonly type_key='Software\Brantel\Vesk\SupportedCamera'

top=$(cd "$(dirname "$0")/.." && pwd)
command=${1:-}
bin=${2:-$top/build/bin}

if [ -n "${VESK_DEMO_DIR:-}" ]; then
  demo=$VESK_DEMO_DIR
elif [ -n "${XDG_RUNTIME_DIR:-}" ] && [ -d "$XDG_RUNTIME_DIR" ]; then
  demo=$XDG_RUNTIME_DIR/tarsel-vesk-demo
else
  demo=/tmp/tarsel-vesk-demo-$(id -u)
fi
devices=$demo/devices
pid_file=$demo/vesk-simd.pid

say() { echo "vesk-demo: $*"; }
fail() {
  echo "vesk-demo: $*" >&2
  exit 1
}

# The simulator's process id when it runs, else nothing.
running_pid() {
  local pid
  [ -f "$pid_file" ] || return 1
  pid=$(cat "$pid_file")
  case $pid in '' | *[!0-9]*) return 1 ;; esac
  kill -0 "$pid" 2>/dev/null || return 1
  echo "$pid"
}

# Tarsel's data folder, as the program finds it (a relative XDG_DATA_HOME
# does not count).
data_folder() {
  case ${XDG_DATA_HOME:-} in
  /*) echo "$XDG_DATA_HOME/Tarsel" ;;
  *) echo "$HOME/.local/share/Tarsel" ;;
  esac
}

# Sets "<model>=1" for each model in the [ACTIVE CAMERAS] section of the INI
# file $1 (section and key names without regard to case), adding the section
# when it is missing; every other line stays as it is. Writes CR LF.
enable_in_family_file() {
  local file=$1 temp
  mkdir -p "$(dirname "$file")" || return 1
  temp=$(mktemp "$file.XXXXXX") || return 1
  # A missing file is an empty one.
  if ! { cat "$file" 2>/dev/null || true; } | awk -v wanted="${models[*]}" '
      function upper_trim(s) { gsub(/^[ \t]+|[ \t]+$/, "", s); return toupper(s) }
      function add_missing(   i) {
        for (i = 1; i <= n; i++)
          if (!(upper_trim(model[i]) in done)) { printf "%s=1\r\n", model[i]; done[upper_trim(model[i])] = 1 }
      }
      BEGIN { n = split(wanted, model, " "); for (i = 1; i <= n; i++) want[upper_trim(model[i])] = model[i] }
      { sub(/\r$/, "") }
      # Blank lines are held back, so that added lines follow the last entry of the section.
      /^[ \t]*$/ { blanks = blanks $0 "\r\n"; next }
      /^[ \t]*\[/ {
        if (inside) add_missing()
        printf "%s", blanks; blanks = ""
        name = $0; sub(/^[ \t]*\[/, "", name); sub(/\].*$/, "", name)
        inside = upper_trim(name) == "ACTIVE CAMERAS"
        if (inside) seen = 1
        printf "%s\r\n", $0; next
      }
      { printf "%s", blanks; blanks = "" }
      inside && index($0, "=") > 0 {
        key = upper_trim(substr($0, 1, index($0, "=") - 1))
        if (key in want) { printf "%s=1\r\n", want[key]; done[key] = 1; next }
      }
      { printf "%s\r\n", $0 }
      END {
        if (inside) add_missing()
        printf "%s", blanks
        if (!seen) { printf "[ACTIVE CAMERAS]\r\n"; add_missing() }
      }' >"$temp"; then
    rm -f "$temp"
    return 1
  fi
  if [ -f "$file" ] && cmp -s "$temp" "$file"; then
    rm -f "$temp"
    return 0
  fi
  # Keep the file's permissions when it exists.
  [ -f "$file" ] && chmod --reference="$file" "$temp" 2>/dev/null
  mv -f "$temp" "$file"
}

# Appends the models missing from "Type_S" (a comma-separated list).
enable_in_registry() {
  local list entry model missing found entries
  list=$("$bin/tarselreg" get "$type_key" Type_S 2>/dev/null) || list=
  missing=
  for model in "${models[@]}"; do
    found=no
    IFS=, read -r -a entries <<<"$list"
    for entry in "${entries[@]}"; do
      entry=${entry#"${entry%%[![:space:]]*}"}
      entry=${entry%"${entry##*[![:space:]]}"}
      [ "$entry" = "$model" ] && found=yes
    done
    [ "$found" = yes ] || missing=${missing:+$missing,}$model
  done
  [ -n "$missing" ] || return 0
  "$bin/tarselreg" set "$type_key" Type_S sz "${list:+$list,}$missing" >/dev/null
}

start() {
  local pid family_file
  for program in vesk-simd tarselreg; do
    [ -x "$bin/$program" ] || fail "$bin/$program is missing; build first (cmake --workflow --preset build)"
  done
  family_file=$(data_folder)/BRANTEL_SDK3.4
  enable_in_family_file "$family_file" || fail "cannot write $family_file"
  enable_in_registry || fail "cannot write \"Type_S\" with $bin/tarselreg"
  say "${models[*]} are enabled in $family_file and in \"Type_S\" ($type_key)"

  if pid=$(running_pid); then
    say "vesk-simd already runs (pid $pid), serving $devices"
  else
    mkdir -p "$demo" || fail "cannot make $demo"
    chmod 700 "$demo"
    "$bin/vesk-simd" --demo --dir "$devices" >"$demo/vesk-simd.log" 2>&1 &
    pid=$!
    echo "$pid" >"$pid_file"
    # Ready once the driver's control device is there.
    for _ in $(seq 1 100); do
      [ -S "$devices/BrantelVesk" ] && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    if [ ! -S "$devices/BrantelVesk" ]; then
      kill -TERM "$pid" 2>/dev/null
      rm -f "$pid_file"
      fail "vesk-simd did not come up; its output: $(cat "$demo/vesk-simd.log")"
    fi
    say "vesk-simd (pid $pid) serves ${models[*]} in $devices"
  fi
  say "start Tarsel with: VESK_DEVICE_DIR=$devices $bin/Tarsel"
  say "stop the cameras with: ${VESK_DEMO_DIR:+VESK_DEMO_DIR=$demo }$0 stop"
}

stop() {
  local pid
  if ! pid=$(running_pid); then
    rm -f "$pid_file"
    say "no simulator runs for $demo"
    return 0
  fi
  kill -TERM "$pid"
  for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid" 2>/dev/null
    say "vesk-simd (pid $pid) did not end within 5 s of SIGTERM; killed"
  else
    say "vesk-simd (pid $pid) ended"
  fi
  rm -f "$pid_file"
}

case $command in
start) start ;;
stop) stop ;;
*)
  echo "usage: $0 start [folder of the built programs] | stop" >&2
  exit 2
  ;;
esac
