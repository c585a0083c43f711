#!/bin/sh
# Fails when any binary given loads Qt, OpenGL or X11: the layers below the GUI
# (state, os, aria, laser, gps, gamepad, robot), the simulator and their tests
# must run on a machine without a display or a GUI toolkit.
#
# A binary given as sdl:PATH may load libSDL2, the gamepad's library: Debian
# builds it with X11 and xcb among its own dependencies, which it loads but
# never uses, since only its joystick subsystem is started. Such a binary
# passes when neither it nor any other library it needs brings Qt, GL or X11.
gui_pattern='lib(Qt[0-9]|GL|GLU|GLX|OpenGL|EGL|glut|X11|xcb)[^ ]*\.so'
status=0
count=0

# The GUI libraries among ldd's lines on standard input, on one line.
gui_among() {
  grep -E "$gui_pattern" | awk '{print $1}' | tr '\n' ' '
}

for arg in "$@"; do
  count=$((count + 1))
  binary=${arg#sdl:}
  if ! libraries=$(ldd "$binary" 2>&1); then
    echo "$binary: ldd failed: $libraries"
    status=1
    continue
  fi
  if [ "$binary" = "$arg" ]; then
    gui=$(printf '%s\n' "$libraries" | gui_among)
  else
    # What the binary itself needs, and what each of those needs, SDL aside.
    gui=""
    for needed in $(objdump -p "$binary" | awk '$1 == "NEEDED" {print $2}'); do
      case $needed in
        libSDL2-2.0.so*) continue ;;
      esac
      gui="$gui$(printf '%s\n' "$needed" | gui_among)"
      path=$(printf '%s\n' "$libraries" | awk -v n="$needed" '$1 == n {print $3}')
      [ -n "$path" ] && gui="$gui$(ldd "$path" 2>/dev/null | gui_among)"
    done
  fi
  if [ -n "$gui" ]; then
    echo "$(basename "$binary") links $gui"
    status=1
  fi
done
[ $status -eq 0 ] && echo "$count binaries, none links Qt, GL or X11"
exit $status
