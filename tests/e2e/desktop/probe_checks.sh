# Checks on what desktop_probe prints, sourced by the end-to-end scripts
# after desktop_session.sh. Each check prints one ok or FAIL line; finish
# prints the tally and fails when any check did.
# shellcheck shell=bash

PASSED=0
FAILED=0

# start_probe PROBE: polls for two minutes at most into $LOG.
start_probe() {
  LOG="$WORK/probe.log"
  : >"$LOG"
  "$1" 1200 >>"$LOG" &
  PROBE_PID=$!
  STARTED_PIDS+=("$PROBE_PID")
}

record() {
  if [[ $1 == ok ]]; then
    PASSED=$((PASSED + 1))
    echo "ok:   $2"
  else
    FAILED=$((FAILED + 1))
    echo "FAIL: $2"
    if [[ -s ${LOG:-} ]]; then tail -n 5 "$LOG" | sed 's/^/      /'; fi
  fi
}

# expect NAME COMMAND...: the command succeeds.
expect() {
  local name=$1
  shift
  if "$@"; then record ok "$name"; else record fail "$name"; fi
}

lines_seen() { wc -l <"$LOG"; }

# seen_since MARK REGEX: a probe line after the first MARK lines matches.
seen_since() { tail -n "+$(($1 + 1))" "$LOG" | grep -Eq "$2"; }

# check NAME REGEX ACTION...: runs the action, then waits up to 3 s for a
# probe line after it that matches. What the probe reads is the verdict, not
# the action's exit status ("ibus engine" fails where setxkbmap is missing).
check() {
  local name=$1 pattern=$2 mark
  shift 2
  mark=$(lines_seen)
  "$@" >/dev/null || true
  expect "$name" wait_until 30 seen_since "$mark" "$pattern"
}

# check_never NAME REGEX ACTION...: runs the action and watches 1 s of probe
# lines for the pattern.
check_never() {
  local name=$1 pattern=$2 mark
  shift 2
  mark=$(lines_seen)
  "$@" >/dev/null || true
  sleep 1
  expect "$name" not seen_since "$mark" "$pattern"
}

# short_probe_reads FIRST_LINE POLL_LINE [ENV...]: a probe of its own
# ($PROBE), in the environment given, says FIRST_LINE and then POLL_LINE at
# each of three polls.
short_probe_reads() {
  local output
  output=$(env "${@:3}" "$PROBE" 3)
  [[ $(head -n 1 <<<"$output") == "$1" && $(grep -cxF "$2" <<<"$output") -eq 3 ]]
}

not() { ! "$@"; }
nothing() { :; }

finish() {
  echo "$PASSED passed, $FAILED failed"
  ((FAILED == 0))
}
