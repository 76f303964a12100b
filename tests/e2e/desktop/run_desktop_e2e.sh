#!/usr/bin/env bash
# Drives a desktop of its own, started piece by piece on a private session
# (tests/harness/private_desktop), and checks what desktop_probe reads from
# it: Caps Lock, Esc and Shift+Esc, fcitx5's state, the screen saver from X
# and from D-Bus, and what is left when a source hangs or goes away. The
# kernel's Caps Lock LED is a lit one in a fake sysfs tree: X's state is read
# before it, and it stands in where X cannot be read.
#
#   private_desktop run_desktop_e2e.sh PATH/TO/desktop_probe
set -euo pipefail

PROBE=$(realpath "${1:?usage: private_desktop run_desktop_e2e.sh PATH/TO/desktop_probe}")
source "$(dirname "$0")/../../harness/desktop_session.sh"
source "$(dirname "$0")/probe_checks.sh"
require_tools "${X_DESKTOP_TOOLS[@]}"
export SYSFS_PATH="$WORK/sys"
"$DESKTOP_HERE/python" -c 'import sys; from harness.board import set_caps_lock_led
set_caps_lock_led(sys.argv[1], True)' "$SYSFS_PATH"

# A service that hangs must not hold a poll up for long; the stand-in screen
# saver plays that part.
hung_service_polls_on() {
  local mark hung
  saver_call SetActive true >/dev/null
  saver_call SetHung true >/dev/null
  mark=$(lines_seen)
  sleep 2
  hung=$(tail -n "+$((mark + 1))" "$LOG")
  saver_call SetHung false >/dev/null
  [[ $(grep -c . <<<"$hung") -ge 7 ]] && ! grep -q 'saver=1' <<<"$hung"
}

start_x_server
start_screen_saver
start_fcitx5

expect "without a session bus: Caps Lock read, IME and D-Bus screen saver unknown" \
  short_probe_reads "keyboard reachable" "esc=0 shift=0 saver=0 caps=off ime=none" \
  DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent

expect "under Wayland, with an X display too: Caps Lock from the kernel's LED, no Esc" \
  short_probe_reads "keyboard wayland" "esc=0 shift=0 saver=0 caps=on ime=none" \
  WAYLAND_DISPLAY=wayland-morvane DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent

start_probe "$PROBE"
# From the probe's first line on: it may be written before a mark is taken.
expect "X display reachable" wait_until 30 seen_since 0 '^keyboard reachable$'
check "no input context focused reads as no IME" 'caps=off ime=none$' nothing
check "a focused input context reads as IME off" 'ime=off$' start_input_context
check "fcitx5-remote -o turns the IME on" 'ime=on$' fcitx5-remote -o
expect "Anthy is the active engine" test "$(fcitx5-remote -n)" = anthy
check "fcitx5-remote -c turns the IME off" 'ime=off$' fcitx5-remote -c
check "Caps Lock on" 'caps=on' xdotool key Caps_Lock
check_never "Caps Lock is no Esc" 'esc=1' xdotool key Caps_Lock
check "Caps Lock off again" 'caps=off' nothing
check "Esc alone is an Esc without Shift" 'esc=1 shift=0' xdotool key Escape
check "Shift+Esc tapped between polls" 'esc=1 shift=1' xdotool key shift+Escape
check "right Shift+Esc" 'esc=1 shift=1' xdotool key Shift_R+Escape
check "Esc while the right Shift stays down after the left is let go" 'esc=1 shift=1' \
  xdotool keydown Shift_L keydown Shift_R keyup Shift_L key Escape keyup Shift_R
check "Esc after Shift was let go" 'esc=1 shift=0' xdotool key shift+a Escape
check "X screen saver activated" 'saver=1' xset s activate
check "X screen saver reset" 'saver=0' xset s reset
check "D-Bus screen saver active" 'saver=1' saver_call SetActive true
check "D-Bus screen saver inactive" 'saver=0' saver_call SetActive false
expect "a hung service reads as not running and holds no poll up for long" hung_service_polls_on
check "the screen saver service answers again" 'saver=1' nothing

check "the input context gone reads as no IME" 'ime=none$' stop "$CLIENT_PID"
check "fcitx5 gone reads as no IME" 'ime=none$' stop "$FCITX_PID"
sleep 1
expect "polling does not start fcitx5 again" not name_owned org.fcitx.Fcitx5
check "the screen saver service gone reads as not running" 'saver=0' stop "$SAVER_PID"

expect "without an X display: keyboard unreachable, Caps Lock from the kernel's LED" \
  short_probe_reads "keyboard unreachable" "esc=0 shift=0 saver=0 caps=on ime=none" \
  DISPLAY=
check "the X server gone: Caps Lock from the kernel's LED" 'caps=on' stop "$XVFB_PID"
check "the LED gone too reads as Caps Lock unknown" 'caps=unknown' \
  rm -r "$SYSFS_PATH/class/leds"
check_never "the probe outlives its X server" 'caps=(on|off)' nothing
expect "the probe is still polling" kill -0 "$PROBE_PID"

finish
