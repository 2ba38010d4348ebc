#!/usr/bin/env bash
# Starts harvex under Xvfb with a list of ten items in every state (one shown
# mid-extraction with its bar), opens the item menu and its submenus, and writes
# one PNG per view into docs/screenshots/; last, the window hidden in a real tray (trayer)
# with the tray menu open. Needs xvfb-run, ImageMagick's import and trayer.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${HARVEX_BIN:-build/bin}
out=docs/screenshots
mkdir -p "$out"
[ -x "$bin/harvex" ] || cmake --build build -j2 --target harvex

work=$(mktemp -d)
made=()  # the short demo folders this run made (their paths show in the pictures)
trap 'rm -rf "$work" "${made[@]}"' EXIT

shoot() {  # shoot <name> <menu> [command run first, e.g. a tray host]
  local name=$1 menu=$2 first=${3:-true}
  mkdir -p "$work/$name/registry" "$work/$name/runtime" "/tmp/hvx-shot-$name"
  made+=("/tmp/hvx-shot-$name")
  chmod 700 "$work/$name/runtime"
  HARVEX_REGISTRY_DIR="$work/$name/registry" XDG_RUNTIME_DIR="$work/$name/runtime" \
  HARVEX_DEBUG_FILL=1 HARVEX_DEBUG_MENU="$menu" TMPDIR="/tmp/hvx-shot-$name" \
  xvfb-run -a -s "-screen 0 1100x760x24" bash -c '
    eval "$3"
    "$1/harvex" & pid=$!
    sleep 3
    import -window root "$2"
    kill $pid; wait $pid 2>/dev/null || true
  ' _ "$bin" "$out/$name.png" "$first"
  echo "wrote $out/$name.png"
}

shoot main-window ""
shoot item-menu menu
shoot item-menu-output-folder output
shoot item-menu-set-preset preset
shoot item-menu-run run
shoot tray tray "trayer --edge top --align right --widthtype pixel --width 120 --height 24 & sleep 1"
