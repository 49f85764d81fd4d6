#!/usr/bin/env bash
# House rules a script can see: no unsafe C string and number functions, and
# includes between modules only where tools/module-dependencies.txt allows.
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

# Includes between modules follow the table of allowed uses.
python3 tools/check-includes.py
