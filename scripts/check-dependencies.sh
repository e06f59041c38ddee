#!/usr/bin/env bash
# Exits 0 when everything that building and running the demo needs is
# installed; otherwise names the first thing missing on standard error and
# exits 1.
set -euo pipefail

lacks() {
  echo "missing: $1" >&2
  exit 1
}

for tool in cmake ninja g++ fc-list; do
  command -v "$tool" >/dev/null 2>&1 || lacks "$tool"
done
compgen -G "/usr/lib/*/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake" >/dev/null || lacks "Qt 6 Widgets"
# fc-list answers by its exit status: a listing piped into a reader that
# stops early would die of SIGPIPE on a large font collection.
fc-list -q "Liberation Sans" || lacks "the Liberation Sans font"
exit 0
