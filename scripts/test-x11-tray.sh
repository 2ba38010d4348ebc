#!/usr/bin/env bash
# Runs the window tests again on a real X server (Xvfb) with a real tray host (trayer), so
# that the tray's own paths run too: F9 into the tray, a start hidden in the tray, the icon
# embedded by the host, the notification at the end of a run. The offscreen run of ctest
# covers the desktop without a tray.
#   test-x11-tray.sh APP_TESTS DIALOGS_TESTS CONTROLS_TESTS
# Exits 77 (a skip for ctest) when Xvfb or trayer is not installed, unless
# HARVEX_REQUIRE_X11_TRAY=1, which CI sets.
set -euo pipefail

if [ $# -ne 3 ]; then
  echo "usage: $0 APP_TESTS DIALOGS_TESTS CONTROLS_TESTS" >&2
  exit 2
fi

if [ -z "${HARVEX_IN_XVFB:-}" ]; then
  for tool in xvfb-run trayer; do
    if ! command -v "$tool" >/dev/null; then
      if [ "${HARVEX_REQUIRE_X11_TRAY:-0}" = "1" ]; then
        echo "$tool is not installed (scripts/install-deps.sh installs it)" >&2
        exit 1
      fi
      echo "skipped: $tool is not installed (scripts/install-deps.sh installs it)"
      exit 77
    fi
  done
  HARVEX_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

# Inside the X server: the tray host first, then the tests, which wait for it to own the
# tray and fail (instead of skipping) if it never does.
trayer --edge top --align right --widthtype pixel --width 200 --height 24 >/dev/null 2>&1 &
tray_pid=$!
trap 'kill "$tray_pid" 2>/dev/null || true' EXIT

export QT_QPA_PLATFORM=xcb
export HARVEX_EXPECT_TRAY=1
status=0
"$1" --gtest_brief=1 || status=1
"$2" --gtest_brief=1 || status=1
"$3" --gtest_brief=1 --gtest_filter='TrayDialogTest.*' || status=1
exit $status
