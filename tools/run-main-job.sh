#!/usr/bin/env bash
# The main job: starts Tarsel (on Qt's offscreen platform when there is no
# display), sends it TarselRemote /CAPTURE (which asks every connected camera
# to take a picture), then ends it with SIGTERM, which closes it as a user
# closing its window would. Exits with Tarsel's status.
# What the script can see: that the datagram reached a listening receiver
# and how Tarsel ended. Whether a camera took a picture it cannot see; the
# end-to-end test (app/main/tests/EndToEndTest.cpp) checks that with a test
# camera that records its takes.
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
echo "run-main-job: TarselRemote delivered /CAPTURE to a listening receiver (whether a picture was taken is not visible here)"

# A moment to carry the command out.
sleep 1

# Whether Tarsel ended within the given tenths of a second.
ended_within() {
  for _ in $(seq 1 "$1"); do
    kill -0 "$tarsel" 2>/dev/null || return 0
    sleep 0.1
  done
  ! kill -0 "$tarsel" 2>/dev/null
}

echo "run-main-job: sending SIGTERM to Tarsel (pid $tarsel)"
kill -TERM "$tarsel"
if ! ended_within 50; then
  # A picture left unsaved makes the close ask first; a second request
  # closes without asking.
  echo "run-main-job: Tarsel still runs 5 s after SIGTERM; sending a second SIGTERM"
  kill -TERM "$tarsel" 2>/dev/null
  if ! ended_within 200; then
    echo "run-main-job: Tarsel did not end within 20 s of the second SIGTERM" >&2
    stop_tarsel
    exit 1
  fi
fi
wait "$tarsel"
status=$?
echo "run-main-job: Tarsel ended with status $status"
exit "$status"
