# Sourced by the benchmark scripts.
#
# once NAME COMMAND... : one timed run of COMMAND into a fresh, synced $OUT (so that no run
# pays for another's write-back). Keeps per NAME the best wall time (BEST, seconds), the
# best CPU time (CPU, user + system seconds) and the peak RSS of the best run (MEM, KiB).
# A command that fails ends the benchmark with its last lines, unless ALLOW_FAIL=1 is
# given for it (a tool known to report errors on content it still extracts).
# Needs $OUT and $WORK; callers run their tools in turns, RUNS rounds of once calls, so
# that a slow spell of the machine falls on all of them alike.
declare -A BEST CPU MEM
once() {
  local name=$1; shift
  rm -rf "$OUT"; mkdir -p "$OUT"; sync
  local t0 t1 rss u s t c
  t0=$(date +%s.%N)
  if ! /usr/bin/time -f '%M %U %S' -o "$WORK/.time" "$@" > "$WORK/.log" 2>&1; then
    if [ "${ALLOW_FAIL:-0}" != 1 ]; then
      echo "$name failed:" >&2; tail -5 "$WORK/.log" >&2; exit 1
    fi
  fi
  t1=$(date +%s.%N)
  read -r rss u s < <(tail -1 "$WORK/.time")
  t=$(echo "$t1 - $t0" | bc -l); c=$(echo "$u + $s" | bc -l)
  if [ -z "${BEST[$name]:-}" ] || [ "$(echo "$t < ${BEST[$name]}" | bc -l)" = 1 ]; then
    BEST[$name]=$t; MEM[$name]=$rss
  fi
  if [ -z "${CPU[$name]:-}" ] || [ "$(echo "$c < ${CPU[$name]}" | bc -l)" = 1 ]; then CPU[$name]=$c; fi
}
