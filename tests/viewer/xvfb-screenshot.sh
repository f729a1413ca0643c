#!/bin/sh
# Runs the real camera-viewer on an X server of its own (Xvfb), streaming
# from the simulated camera, and saves a screenshot of its X11 window once
# its title says frames are being shown. Fails when the viewer does not get
# there, or the picture holds no image.
#   xvfb-screenshot.sh VIEWER MODULE OUTPUT.png
set -eu
if [ "${1:-}" != --inside ]; then
  for tool in xvfb-run xwd xwdtopnm pnmtopng pngtopnm ppmhist xwininfo; do
    command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps.sh installs it)" >&2; exit 1; }
  done
  exec xvfb-run -a -s "-screen 0 1400x950x24" sh "$0" --inside "$@"
fi
shift
viewer=$1 module=$2 output=$3
log=${output%.png}.log
"$viewer" --simulate --start --module "$module" >"$log" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

# The title reads "camera-viewer - Fake_1: live, frame #N" once frames show;
# wait for frame 40 (more than a second of frames, so the rate is shown),
# for at most 30 s.
window=
tries=0
while :; do
  line=$(xwininfo -root -tree 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) "camera-viewer - [^"]*: live, frame #\([0-9]*\)".*/\1 \2/p' | head -n 1)
  if [ -n "$line" ] && [ "${line#* }" -ge 40 ]; then
    window=${line%% *}
    break
  fi
  tries=$((tries + 1))
  if [ "$tries" -gt 300 ] || ! kill -0 "$pid" 2>/dev/null; then
    echo "camera-viewer never showed frames; its output:" >&2
    cat "$log" >&2
    exit 1
  fi
  sleep 0.1  # polling the X server for the title; the condition is the title
done

xwd -id "$window" -silent | xwdtopnm 2>/dev/null | pnmtopng >"$output"
colours=$(pngtopnm "$output" | ppmhist -noheader | wc -l)
echo "screenshot of window $window: $output ($colours colours)"
# A window that shows the simulated camera's gradient holds far more than the
# handful of colours of bare widgets.
[ "$colours" -gt 100 ] || { echo "the screenshot shows no camera image" >&2; exit 1; }
