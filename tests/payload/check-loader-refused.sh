#!/usr/bin/env bash
# The build refuses an outside loader whose preset menu (kept LZMA-compressed, as the real
# loader keeps it) does not boot kxdos.ima the way the batches expect.
# Usage: check-loader-refused.sh STANDINS_DIR
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$1" "$work/outside"
{ printf 'loader\0'; grep -v chainloader "$top/resources/payload/menu.lst" | xz --format=lzma -c
  head -c 20000 /dev/zero; } > "$work/outside/kxldr"
if "$top/tools/make-payload.sh" "$top/resources/payload" "$work/out" "$work/outside" 2>"$work/err"; then
  echo "FAIL: a loader without the chainloader line was taken" >&2
  exit 1
fi
grep -q "lacks the line: chainloader" "$work/err" || { cat "$work/err" >&2; exit 1; }
echo "a loader with a wrong menu is refused"
