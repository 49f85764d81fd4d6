#!/usr/bin/env bash
# The main job: starts Tarsel (on Qt's offscreen platform when there is no
# display), makes it take a picture with every connected camera through
# TarselRemote /CAPTURE, then ends it with SIGTERM, which closes it as a user
# closing its window would. Exits with Tarsel's status.
# Usage: tools/run-main-job.sh [folder of the built programs, default build/bin]
set -u

top=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$top/build/bin}
for program in Tarsel TarselRemote; do
  if [ ! -x "$bin/$program" ]; then
    echo "run-main-job: $bin/$program is missing; build first (cmake --workflow --preset build)" >&2
    exit 1
  fi
done

echo "run-main-job: starting $bin/Tarsel"
"$bin/Tarsel" &
tarsel=$!

stop_tarsel() {
  kill -KILL "$tarsel" 2>/dev/null
  wait "$tarsel" 2>/dev/null
}

# The receiver listens once start-up has run; until then TarselRemote finds
# nobody and fails.
echo "run-main-job: sending TarselRemote /CAPTURE (retrying for up to 20 s until Tarsel listens)"
delivered=no
for _ in $(seq 1 100); do
  if ! kill -0 "$tarsel" 2>/dev/null; then
    wait "$tarsel"
    status=$?
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
  stop_tarsel
  exit 1
fi
echo "run-main-job: TarselRemote delivered /CAPTURE to a listening receiver"

# A moment to carry the command out (without a camera there is nothing to take).
sleep 1

echo "run-main-job: sending SIGTERM to Tarsel (pid $tarsel)"
kill -TERM "$tarsel"
for _ in $(seq 1 200); do
  kill -0 "$tarsel" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$tarsel" 2>/dev/null; then
  echo "run-main-job: Tarsel did not end within 20 s of SIGTERM" >&2
  stop_tarsel
  exit 1
fi
wait "$tarsel"
status=$?
echo "run-main-job: Tarsel ended with status $status"
exit "$status"
