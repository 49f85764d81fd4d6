#!/usr/bin/env bash
# House rules a grep can see: no unsafe C string and number functions.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files -- '*.h' '*.cpp' '*.c' 2>/dev/null || true)
[ -n "$files" ] || exit 0
hits=$(echo "$files" | xargs grep -n -E '(^|[^_a-zA-Z0-9:.>])(sprintf|vsprintf|strcpy|strcat|atoi|atol|atof|gets)\(' || true)
if [ -n "$hits" ]; then
  echo "Banned functions (use snprintf, std::string, std::from_chars):"
  echo "$hits"
  exit 1
fi
