# Shared by scripts/test, run, bench and package: a private Wine prefix on an X display.
# Source it, then: wine_env <prefix>; start_display; start_wine ... stop_all.

# Which Wine runs the win builds. Some machines' kernels run no 32-bit code
# (dmesg: "32-bit emulation disabled"), so no 32-bit Wine: there the same
# sources are built for 64-bit Windows (preset win64) and run under 64-bit
# Wine. What ships is always the i686 build. Call after scripts/setup.
wine_pick() {
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    TOBRIX_RUN_PRESET=win TOBRIX_WINEARCH=win32 TOBRIX_WINE=wine
  else
    TOBRIX_RUN_PRESET=win64 TOBRIX_WINEARCH=win64 TOBRIX_WINE=/usr/lib/wine/wine64
    echo "wine.sh: this machine runs no 32-bit code; testing the 64-bit build under 64-bit Wine" >&2
  fi
  export TOBRIX_RUN_PRESET TOBRIX_WINEARCH TOBRIX_WINE
}

wine_env() {
  [ -n "${TOBRIX_WINE:-}" ] || wine_pick
  export WINEPREFIX="$1" WINEARCH="$TOBRIX_WINEARCH" WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
}

TOBRIX_XVFB_PID=""
TOBRIX_WINE_STARTED=""

# Starts Xvfb on a free display when there is none; the screen is larger than
# the main window (1097 x 753) so that nothing is clipped. TOBRIX_SCREEN_SIZE
# (WxH) gives another size.
start_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    # A server in another mount namespace (a container, a chroot) leaves no
    # files here but still owns the display's abstract socket.
    xdpyinfo -display ":$n" >/dev/null 2>&1 && continue
    Xvfb ":$n" -screen 0 "${TOBRIX_SCREEN_SIZE:-1280x1024}x24" -nolisten tcp -dpi 96 </dev/null >/dev/null 2>&1 &
    TOBRIX_XVFB_PID=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 50); do
      xdpyinfo >/dev/null 2>&1 && return 0
      kill -0 "$TOBRIX_XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$TOBRIX_XVFB_PID" 2>/dev/null || true
    TOBRIX_XVFB_PID=""
  done
  echo "wine.sh: could not start Xvfb" >&2
  return 1
}

# Creates the prefix and keeps one server up for the whole run. All three
# standard streams go to /dev/null: Wine's background services would otherwise
# inherit the caller's pipes and ctest would wait for them for minutes.
# Returns non-zero, naming the step, when Wine cannot be prepared: tests run
# against a half-made prefix fail later in ways that point elsewhere.
start_wine() {
  if ! mkdir -p "$WINEPREFIX" 2>/dev/null; then
    echo "wine.sh: cannot create the prefix $WINEPREFIX" >&2
    return 1
  fi
  local rc=0
  # Exits with 2 when the prefix's server is already up (scripts/test runs
  # scripts/package inside its own session): that server is the one we want.
  wineserver -p </dev/null >/dev/null 2>&1 || rc=$?
  if [ $rc -ne 0 ] && [ $rc -ne 2 ]; then
    echo "wine.sh: wineserver -p failed (exit $rc) for $WINEPREFIX" >&2
    return 1
  fi
  TOBRIX_WINE_STARTED=1
  rc=0
  timeout 300 "$TOBRIX_WINE" wineboot -i </dev/null >/dev/null 2>&1 || rc=$?
  if [ $rc -eq 124 ]; then
    echo "wine.sh: wineboot -i timed out after 300 s for $WINEPREFIX" >&2
    return 1
  elif [ $rc -ne 0 ]; then
    echo "wine.sh: wineboot -i failed (exit $rc) for $WINEPREFIX" >&2
    return 1
  fi
  # Unmanaged windows: without a window manager, Wine otherwise waits about two
  # seconds for one whenever a captioned window is hidden or destroyed. After a
  # good wineboot this cannot fail unless the prefix is broken.
  rc=0
  "$TOBRIX_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || rc=$?
  if [ $rc -ne 0 ]; then
    echo "wine.sh: reg add of the X11 driver's Managed value failed (exit $rc) for $WINEPREFIX" >&2
    return 1
  fi
}

# Keeps Wine's desktop process up until stop_all (tobrix_drive hold): without
# it every test run under ctest waits for a desktop that its program started.
hold_desktop() {
  (exec "$TOBRIX_WINE" "$1" hold </dev/null >/dev/null 2>&1) &
}

stop_all() {
  if [ -n "$TOBRIX_WINE_STARTED" ]; then
    wineserver -k </dev/null >/dev/null 2>&1 || true
    TOBRIX_WINE_STARTED=""
  fi
  if [ -n "$TOBRIX_XVFB_PID" ]; then
    kill "$TOBRIX_XVFB_PID" 2>/dev/null || true
    wait "$TOBRIX_XVFB_PID" 2>/dev/null || true
    TOBRIX_XVFB_PID=""
  fi
}
