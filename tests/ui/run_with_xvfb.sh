#!/bin/sh
# Runs a test program on a virtual X server when one can be started; otherwise on the
# offscreen platform, where tests that need a real display skip themselves.
if command -v xvfb-run >/dev/null 2>&1 && xvfb-run -a true >/dev/null 2>&1; then
  QT_QPA_PLATFORM=xcb exec xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
fi
echo "xvfb-run cannot start an X server here; running on the offscreen platform" >&2
QT_QPA_PLATFORM=offscreen exec "$@"
