#!/usr/bin/env bash
# Runs desktop_poll_bench under IBus on a private desktop of
# tests/harness/private_desktop, with an X server started here: ibus-daemon with a stand-in panel and
# a focused input context in Anthy, whose mode is told once the bench has
# begun to follow ibus-daemon; and tells what ibus-daemon spent answering.
#
#   private_desktop run_ibus_bench.sh PATH/TO/desktop_poll_bench [polls] [seconds]
set -euo pipefail

usage="usage: private_desktop run_ibus_bench.sh PATH/TO/desktop_poll_bench [polls] [seconds]"
BENCH=$(realpath "${1:?$usage}")
source "$(dirname "$0")/../../harness/desktop_session.sh"
require_tools ibus ibus-daemon

# cpu_ms PID: the process's user and system time so far.
cpu_ms() {
  local fields
  read -ra fields <<<"$(sed 's/^.*) //' "/proc/$1/stat")"
  echo $(((fields[11] + fields[12]) * 1000 / $(getconf CLK_TCK)))
}

start_x_server
start_ibus_daemon
start_ibus_panel
mkfifo "$WORK/modes"
"$SYSTEM_PYTHON" "$DESKTOP_HERE/ibus_context_client.py" <"$WORK/modes" >"$WORK/client.log" 2>&1 &
STARTED_PIDS+=($!)
exec {MODES_FD}>"$WORK/modes"
wait_until 50 grep -q focused "$WORK/client.log" || { echo "no input context" >&2; exit 1; }
ibus engine anthy >/dev/null 2>&1 || true

# The mode is told during the bench's wait after its first poll.
(
  sleep 1
  echo InputMode.Hiragana >&"$MODES_FD"
  sleep 0.5
  echo InputMode.Latin >&"$MODES_FD"
) &
ibus_before=$(cpu_ms "$IBUS_PID")
"$BENCH" "${2:-1000}" "${3:-60}" 3
echo "answering it: ibus-daemon $(($(cpu_ms "$IBUS_PID") - ibus_before)) ms of CPU"
