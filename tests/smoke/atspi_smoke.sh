#!/usr/bin/env bash
# Runs atspi_smoke.py against a built lumo on an X display and a D-Bus session bus of its own,
# so that neither the desktop's display nor its accessibility bus or settings are involved.
#   tests/smoke/atspi_smoke.sh LUMO LUMO_RENDER
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ $# -ne 2 ]; then
  echo "usage: $0 LUMO LUMO_RENDER" >&2
  exit 2
fi
lumo=$(readlink -f "$1")

# GTK 3 on X11 always loads its AT-SPI bridge unless NO_AT_BRIDGE is 1; the bridge asks the
# session bus for org.a11y.Bus, which D-Bus starts on demand (at-spi-bus-launcher), and that
# starts the registry. GTK_A11Y is GTK 4's, and the desktop's toolkit-accessibility setting
# matters to GTK 2 and Qt only: neither is needed.
unset NO_AT_BRIDGE GTK_A11Y AT_SPI_BUS_ADDRESS GTK_MODULES WAYLAND_DISPLAY
export GDK_BACKEND=x11
# No desktop settings: GSettings from memory (no dconf), no user GTK configuration. Set before
# the bus starts, so that the services it starts (the accessibility bus) see the same.
export GSETTINGS_BACKEND=memory
work=$(mktemp -d "${TMPDIR:-/tmp}/lumo-smoke-run.XXXXXX")
export XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR" "$work/tmp" # the buses' sockets; the script's files
export TMPDIR=$work/tmp
# Every program the script starts is noted here, so that none outlives the run.
export LUMO_SMOKE_PIDS=$work/pids

script_pid=$work/script.pid
child=

cleanup() {
  if [ -f "$LUMO_SMOKE_PIDS" ]; then
    while read -r pid; do
      if [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$lumo" ]; then
        kill -KILL "$pid" 2>/dev/null || true
      fi
    done <"$LUMO_SMOKE_PIDS"
  fi
  rm -rf "$work"
}

# Stopped from outside: the script closes its programs and reports, then the bus and the
# display go down as they do after a normal run.
stop() {
  trap - TERM INT
  [ -f "$script_pid" ] && kill -TERM "$(cat "$script_pid")" 2>/dev/null || true
  [ -n "$child" ] && wait "$child" || true
  exit "$1"
}

trap cleanup EXIT
trap 'stop 143' TERM
trap 'stop 130' INT

# xvfb-run -a starts a server of its own even when DISPLAY names one (./test runs CTest on an
# Xvfb already). -noreset: libatspi reads the bus address from the root window over a short
# connection of its own; when that was the server's only client, the server resets as it
# closes, and a program connecting just then fails ("Unable to initialize GTK+").
# Debian's own Python runs the script: python3-gi and the AT-SPI bindings belong to it, not to
# whichever python3 comes first on PATH.
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" dbus-run-session -- \
  bash -c 'echo $$ >"$0"; exec /usr/bin/python3 "$1" "${@:2}"' "$script_pid" \
  "$here/atspi_smoke.py" "$@" &
child=$!
status=0
wait "$child" || status=$?
exit "$status"
