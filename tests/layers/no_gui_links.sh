#!/bin/sh
# Fails when any binary given loads Qt, OpenGL or X11: the layers below the GUI
# (state, os, aria, laser, gps, robot), the simulator and their tests must run
# on a machine without a display or a GUI toolkit.
status=0
for binary in "$@"; do
  if ! libraries=$(ldd "$binary" 2>&1); then
    echo "$binary: ldd failed: $libraries"
    status=1
    continue
  fi
  gui=$(printf '%s\n' "$libraries" | grep -E 'lib(Qt[0-9]|GL|GLU|GLX|OpenGL|EGL|glut|X11|xcb)[^ ]*\.so' |
        awk '{print $1}' | tr '\n' ' ')
  if [ -n "$gui" ]; then
    echo "$(basename "$binary") links $gui"
    status=1
  fi
done
[ $status -eq 0 ] && echo "$# binaries, none links Qt, GL or X11"
exit $status
