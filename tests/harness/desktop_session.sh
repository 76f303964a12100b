# A private desktop's parts, sourced by private_desktop, which starts the
# session (a session bus and a scratch folder, and on request the whole X
# desktop) and runs a command in it, and by the runners that it runs, which
# start what they drive: an X server, a session bus, fcitx5 with a US layout
# and Anthy, an input context with focus and a stand-in screen saver; or a
# headless Wayland compositor with a virtual keyboard, fcitx5 and a focused
# GTK entry; for the modes inside the input methods, a stand-in IBus panel.
# Every process is ended by its id when the shell that started it
# ends.
# shellcheck shell=bash

DESKTOP_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
SYSTEM_PYTHON=/usr/bin/python3  # python3-dbus and python3-gi live there
STARTED_PIDS=()
trap stop_started EXIT

TEST_USER=morvane-test

add_test_user() {
  id -u "$TEST_USER" >/dev/null 2>&1 && return 0
  echo "adding the system user $TEST_USER for the Wayland tests" >&2
  useradd --system --user-group --no-create-home --home-dir /nonexistent \
    --shell /usr/sbin/nologin "$TEST_USER" || id -u "$TEST_USER" >/dev/null
}

# sway refuses to run as root: as root, runs the calling script (private_desktop)
# again with the arguments given, as an unprivileged user of its own, added
# the first time, with a clean environment, and ends with its status. The
# tests, and the other files that the arguments name, are copied for it to a
# folder it can read, wherever the checkout is.
run_as_unprivileged_user() {
  ((EUID == 0)) || return 0
  add_test_user
  local tests stage script arg args=() status=0
  tests=$(cd "$DESKTOP_HERE/.." && pwd)
  script=$(realpath "$0")
  stage=$(mktemp -d)
  chmod 755 "$stage"
  mkdir -p "$stage/bin"
  cp -r "$tests" "$stage/tests"
  for arg in "$@"; do
    if [[ -f $arg ]]; then
      arg=$(realpath "$arg")
      if [[ $arg != "$tests"/* ]]; then
        cp "$arg" "$stage/bin/"
        arg="$stage/bin/$(basename "$arg")"
      fi
      arg="${arg/#"$tests"/$stage/tests}"
    fi
    args+=("$arg")
  done
  setpriv --reuid="$TEST_USER" --regid="$TEST_USER" --clear-groups -- \
    env -i PATH="$PATH" LANG=C.UTF-8 bash "$stage/tests/${script#"$tests"/}" "${args[@]}" ||
    status=$?
  rm -rf "$stage"
  exit "$status"
}

# Runs the calling script again inside a session bus of its own.
run_in_private_session_bus() {
  if [[ -z ${MORVANE_PRIVATE_BUS:-} ]]; then
    exec dbus-run-session -- env MORVANE_PRIVATE_BUS=1 bash "$0" "$@"
  fi
}

# require_tools [TOOL...]: the session's tools and the ones named.
require_tools() {
  local tool missing=()
  for tool in dbus-run-session dbus-send "$SYSTEM_PYTHON" "$@"; do
    command -v "$tool" >/dev/null || missing+=("$tool")
  done
  "$SYSTEM_PYTHON" -c 'import dbus, gi' 2>/dev/null || missing+=("python3-dbus/python3-gi")
  if ((${#missing[@]})); then
    echo "missing: ${missing[*]}" >&2
    exit 2
  fi
}

# The tools of the X desktop, for a runner that starts it.
X_DESKTOP_TOOLS=(Xvfb xdotool xset fcitx5 fcitx5-remote)

# Makes the scratch folder $WORK, with a home of its own for fcitx5 and
# IBus, and clears everything away on exit.
begin_work() {
  WORK=$(mktemp -d)
  trap 'stop_started; rm -rf "$WORK"' EXIT
  export WORK HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_CACHE_HOME="$WORK/cache"
  mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME"
}

stop_started() {
  local pid
  for pid in "${STARTED_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${STARTED_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  STARTED_PIDS=()
}

# stop PID: ends one started process and waits for it.
stop() {
  local pid kept=()
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
  for pid in "${STARTED_PIDS[@]}"; do [[ $pid == "$1" ]] || kept+=("$pid"); done
  STARTED_PIDS=("${kept[@]}")
}

wait_until() {
  local tries=$1
  shift
  while ((tries-- > 0)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

name_owned() {
  dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q true
}

# -noreset keeps the keyboard's locks between clients, so that xdotool can
# toggle Caps Lock.
start_x_server() {
  local display_file="$WORK/display"
  Xvfb -displayfd 3 -noreset -nolisten tcp 3>"$display_file" 2>"$WORK/xvfb.log" &
  XVFB_PID=$!
  STARTED_PIDS+=("$XVFB_PID")
  wait_until 50 test -s "$display_file" || { echo "Xvfb did not start" >&2; return 1; }
  DISPLAY=":$(cat "$display_file")"
  export DISPLAY
}

# start_fcitx5 [ADDONS] [INPUT_METHOD]: by default the addons of an X
# desktop, whose input contexts come over D-Bus, and Anthy.
start_fcitx5() {
  local addons=${1:-dbus,dbusfrontend,keyboard,anthy} input_method=${2:-anthy}
  mkdir -p "$XDG_CONFIG_HOME/fcitx5"
  cat >"$XDG_CONFIG_HOME/fcitx5/profile" <<PROFILE
[Groups/0]
Name=Default
Default Layout=us
DefaultIM=$input_method

[Groups/0/Items/0]
Name=keyboard-us
Layout=

[Groups/0/Items/1]
Name=$input_method
Layout=

[GroupOrder]
0=Default
PROFILE
  fcitx5 --disable=all "--enable=$addons" >"$WORK/fcitx5.log" 2>&1 &
  FCITX_PID=$!
  STARTED_PIDS+=("$FCITX_PID")
  wait_until 100 name_owned org.fcitx.Fcitx5 || { echo "fcitx5 did not start" >&2; return 1; }
}

start_input_context() {
  "$SYSTEM_PYTHON" "$DESKTOP_HERE/input_context_client.py" >"$WORK/client.log" 2>&1 &
  CLIENT_PID=$!
  STARTED_PIDS+=("$CLIENT_PID")
  wait_until 50 test -s "$WORK/client.log" || { echo "no input context" >&2; return 1; }
}

start_screen_saver() {
  "$SYSTEM_PYTHON" "$DESKTOP_HERE/screen_saver_service.py" >"$WORK/saver.log" 2>&1 &
  SAVER_PID=$!
  STARTED_PIDS+=("$SAVER_PID")
  wait_until 50 name_owned org.freedesktop.ScreenSaver || {
    echo "no screen saver service" >&2
    return 1
  }
}

# The whole desktop that the program meets: X, a screen saver, fcitx5 and a
# focused input context.
start_desktop() {
  start_x_server
  start_screen_saver
  start_fcitx5
  start_input_context
}

wayland_socket() {
  local socket
  for socket in "$XDG_RUNTIME_DIR"/wayland-*; do
    [[ -S $socket ]] && basename "$socket" && return 0
  done
  return 1
}

# sway, headless: no outputs or input devices of the machine's, software
# rendering, no XWayland. Its socket is in a runtime folder of its own.
start_compositor() {
  export XDG_RUNTIME_DIR="$WORK/runtime"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  echo "xwayland disable" >"$WORK/sway.config"
  WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway --config "$WORK/sway.config" >"$WORK/sway.log" 2>&1 &
  SWAY_PID=$!
  STARTED_PIDS+=("$SWAY_PID")
  wait_until 50 wayland_socket >/dev/null || { echo "sway did not start" >&2; return 1; }
  WAYLAND_DISPLAY=$(wayland_socket)
  SWAYSOCK="$XDG_RUNTIME_DIR/sway-ipc.$(id -u).$SWAY_PID.sock"
  export WAYLAND_DISPLAY SWAYSOCK
  unset DISPLAY
}

seat_has_keyboard() { swaymsg -t get_seats 2>/dev/null | grep -q '"type": "keyboard"'; }

# The seat gets a keyboard, as a desktop's seat has: wtype's virtual
# keyboard, which lasts while its input stays open.
start_virtual_keyboard() {
  mkfifo "$WORK/keys"
  wtype - <"$WORK/keys" &
  KEYBOARD_PID=$!
  STARTED_PIDS+=("$KEYBOARD_PID")
  # Held open and never written to.
  # shellcheck disable=SC2034
  exec {KEYS_FD}>"$WORK/keys"
  wait_until 50 seat_has_keyboard || { echo "the seat has no keyboard" >&2; return 1; }
}

# fcitx5 answers 1 once an input context has the focus.
input_context_focused() { [[ $(fcitx5-remote 2>/dev/null) == 1 ]]; }

# A GTK window whose entry holds the focus and speaks to the input method
# through the compositor (text-input), as a native Wayland application does.
start_entry_window() {
  GDK_BACKEND=wayland GTK_IM_MODULE=wayland NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory \
    "$SYSTEM_PYTHON" "$DESKTOP_HERE/entry_window.py" >"$WORK/entry.log" 2>&1 &
  ENTRY_PID=$!
  STARTED_PIDS+=("$ENTRY_PID")
  wait_until 100 input_context_focused || { echo "the entry got no input context" >&2; return 1; }
}

# The Wayland desktop that the program meets: sway, a keyboard, fcitx5 as
# the compositor's input method, and a focused entry.
start_wayland_desktop() {
  start_compositor
  start_virtual_keyboard
  start_fcitx5 dbus,wayland,waylandim,keyboard,anthy
  start_entry_window
}

ibus_answers() { ibus list-engine >/dev/null 2>&1; }

# The engines are Python programs run by "python3": the system's, which has
# their modules, must come first in PATH.
start_ibus_daemon() {
  PATH="/usr/bin:$PATH" ibus-daemon --single --panel=disable --emoji-extension=disable \
    --config=disable --cache=none >>"$WORK/ibus.log" 2>&1 &
  IBUS_PID=$!
  STARTED_PIDS+=("$IBUS_PID")
  wait_until 100 ibus_answers || { echo "ibus-daemon did not start" >&2; return 1; }
}

# A stand-in panel on ibus-daemon's bus, to which ibus-daemon tells the
# focused input context's properties.
start_ibus_panel() {
  "$SYSTEM_PYTHON" "$DESKTOP_HERE/ibus_panel.py" >"$WORK/panel.log" 2>&1 &
  STARTED_PIDS+=($!)
  wait_until 50 grep -qs panel "$WORK/panel.log" || { echo "no IBus panel" >&2; return 1; }
}

# Mozc's engines start mozc_server, which leaves their process tree: the
# ones running with this scratch home are ours.
stop_mozc_servers() {
  local pid
  for pid in $(pgrep -x -u "$(id -u)" mozc_server); do
    if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "HOME=$HOME"; then
      kill "$pid" 2>/dev/null || true
    fi
  done
}

# saver_call METHOD true|false: drives the stand-in screen saver.
saver_call() {
  dbus-send --session --print-reply --dest=org.freedesktop.ScreenSaver \
    /org/freedesktop/ScreenSaver "org.morvane.Test.ScreenSaver.$1" "boolean:$2"
}
