#!/bin/bash
# The framework's public headers, what the application includes, name nothing
# of the toolkit: no GTK, GDK, GLib, Pango, Cairo or Xlib header, type or
# forward declaration. (The application's sources also compile without the
# toolkit's include path; the build shows that.)
set -u
pattern='#include *<(gtk|gdk|glib|gio|pango|cairo|X11)/|\b_?(Gtk|Gdk|Pango)[A-Z][A-Za-z]*|\bcairo_[a-z_]+|\bg(pointer|ulong|long|uint|int|char|boolean|size|double)\b|\bG(List|SList|Object|Error|KeyFile|Bytes|Closure|Source|Type)\b|\b(Display|XEvent|XID)\b'
status=0
for header in "$@"; do
  if hits=$(grep -nE "$pattern" "$header"); then
    echo "$header names the toolkit:"
    echo "$hits" | sed 's/^/  /'
    status=1
  fi
done
[ "$status" -eq 0 ] && echo "$# public headers, none names the toolkit"
exit "$status"
