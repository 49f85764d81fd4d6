#!/usr/bin/env bash
# Fails when a C/C++ file of the tree differs from what clang-format makes of
# it under the root .clang-format. Formatting follows Debian 12's clang-format
# (version 14); other versions format some constructs differently, so the
# check refuses to run with them rather than report drift that is not there.
# Usage: tools/check-format.sh [file ...]   (default: every C/C++ file git knows)
set -euo pipefail
cd "$(dirname "$0")/.."

format=${CLANG_FORMAT:-clang-format}
if ! command -v "$format" >/dev/null; then
  echo "check-format: $format is missing; run tools/install-deps.sh" >&2
  exit 2
fi
version=$("$format" --version | sed -n 's/.*version \([0-9]*\)\..*/\1/p')
if [ "$version" != 14 ]; then
  echo "check-format: needs clang-format 14, found: $("$format" --version)" >&2
  exit 2
fi

if [ $# -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(git ls-files -- '*.h' '*.cpp' '*.c')
fi
[ ${#files[@]} -gt 0 ] || exit 0

# One clang-format run per batch of files; its diagnostics name the files.
drifted=$(printf '%s\0' "${files[@]}" |
  xargs -0 "$format" --style=file --dry-run --Werror 2>&1 |
  sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' | sort -u || true)
if [ -n "$drifted" ]; then
  echo "Not formatted (run: $format -i <file>):"
  echo "$drifted" | sed 's/^/  /'
  exit 1
fi
