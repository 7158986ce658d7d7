// Beneath the toolkit, at the X level (framework internal): the X error
// handlers, the windows that other clients destroy, keys held down while the
// focus moves between the program's windows, and presenting a window.
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <vector>

#include "framework/native.h"
#include "framework/toolkit.h"

// Xlib's hook into its reading of events and its view of the connection.
// Last: its min and max macros would break the C++ library.
#include <X11/Xlibint.h>
#undef min
#undef max
#include <X11/extensions/render.h>

namespace fw {

namespace {

// ---- windows that another client destroyed

// Another client may destroy a window of ours at any moment (a kill tool, a
// window manager that breaks). Until the toolkit has seen that and stopped
// using the window, requests on it and on what was made for it (its
// children, GCs, pixmaps, RENDER pictures) fail. Each such destruction opens
// a span of request serials, from the first request the server took after
// it, which closes once the loop has handled it.
struct Span {
  unsigned long from, until;
};
constexpr unsigned long kOpen = ~0UL;
std::vector<Span> g_spans;

bool InSpan(unsigned long serial) {
  return std::any_of(g_spans.begin(), g_spans.end(),
                     [serial](const Span& s) { return s.from <= serial && serial < s.until; });
}

// Xlib's own conversion of DestroyNotify, which ours runs first.
Bool (*g_convert_destroy)(Display*, XEvent*, xEvent*) = nullptr;

// Runs as Xlib reads the event off the connection, so before any error of
// a later request is handled. A window the toolkit has not destroyed itself
// went by another client's hand.
Bool ConvertDestroy(Display* display, XEvent* event, xEvent* wire) {
  const Bool keep = g_convert_destroy(display, event, wire);
  GdkDisplay* gdk = gdk_x11_lookup_xdisplay(display);
  GdkWindow* w = gdk ? gdk_window_lookup_for_display(gdk, event->xdestroywindow.window) : nullptr;
  if (w && !gdk_window_is_destroyed(w)) g_spans.push_back({event->xany.serial + 1, kOpen});
  return keep;
}

// The toolkit has handled a destruction once the loop is idle after its
// event: the requests that follow are its own again.
bool CloseSpansWhenHandled(void* xevent) {
  if (static_cast<XEvent*>(xevent)->type != DestroyNotify) return true;
  if (std::none_of(g_spans.begin(), g_spans.end(), [](const Span& s) { return s.until == kOpen; }))
    return true;
  toolkit::Later([] {
    const unsigned long next = NextRequest(GDK_DISPLAY_XDISPLAY(gdk_display_get_default()));
    for (Span& s : g_spans)
      if (s.until == kOpen) s.until = next;
  });
  return true;
}

// ---- X errors

// The error code of the RENDER extension's BadPicture, asked at start (an
// error handler must not send requests); -1 without the extension.
int g_bad_picture = -1;

// Made by this connection: the X server gives each client a range of ids.
bool OurId(Display* display, XID id) {
  return (id & ~display->resource_mask) == display->resource_base;
}

// Errors that are no fault of ours:
//  - a focus given to a window that is not viewable (yet, or any more),
//    which the toolkit asks for with its errors trapped;
//  - what follows on our own resources from a window that another client
//    destroyed, until the destruction has been handled.
bool Harmless(Display* display, const XErrorEvent& e) {
  const int code = e.error_code;
  if (code == BadMatch && e.request_code == X_SetInputFocus) return true;
  if (!OurId(display, e.resourceid)) return false;
  const bool follows = code == BadWindow || code == BadDrawable || code == BadMatch ||
                       code == BadGC || code == BadPixmap || code == g_bad_picture;
  return follows && InSpan(e.serial);
}

// Any other error is a fault. The toolkit would end the program with exit
// code 1, and so do we, but with the record file written.
int OnXError(Display* display, XErrorEvent* e) {
  if (Harmless(display, *e)) return 0;
  char text[128] = "";
  XGetErrorText(display, e->error_code, text, sizeof text);
  const char* name = g_get_prgname();
  std::fprintf(stderr, "%s: X error %s (code %d, request %d.%d, resource 0x%lx, serial %lu)\n",
               name ? name : "", text, e->error_code, e->request_code, e->minor_code,
               e->resourceid, e->serial);
  ExitNow(1);
}

// The display is gone (the X server ended, the connection was killed): no
// box can be shown any more. The record file is still written; the exit
// code 1 tells that the program did not end as asked.
int OnXIOError(Display* display) {
  const char* name = g_get_prgname();
  std::fprintf(stderr, "%s: lost the connection to the X display %s\n", name ? name : "",
               display ? DisplayString(display) : "");
  ExitNow(1);
}

// ---- keys held across our windows

// Where each key that is down was pressed: the toplevel that had its press.
std::map<unsigned, Window> g_pressed_in;

bool Down(const char (&keys)[32], unsigned code) {
  return code < 256 && (keys[code / 8] & (1 << (code % 8)));
}

// The X server's time, asked by a change of a property of the window; 0
// when the window is gone. The toolkit's own way waits for the change's
// notice alone, which never comes for a window that another client
// destroyed first: then its destruction ends the wait.
guint32 ServerTime(GdkWindow* window) {
  if (gdk_window_is_destroyed(window)) return GDK_CURRENT_TIME;
  struct Awaited {
    Window window;
    Atom property;
  } awaited{GDK_WINDOW_XID(window),
            gdk_x11_get_xatom_by_name_for_display(gdk_window_get_display(window),
                                                  "GDK_TIMESTAMP_PROP")};
  Display* display = GDK_WINDOW_XDISPLAY(window);
  const unsigned char value = 'a';
  XChangeProperty(display, awaited.window, awaited.property, awaited.property, 8,
                  PropModeReplace, &value, 1);
  const auto answer = [](Display*, XEvent* e, XPointer arg) -> Bool {
    const auto* a = reinterpret_cast<const Awaited*>(arg);
    return (e->type == PropertyNotify && e->xproperty.window == a->window &&
            e->xproperty.atom == a->property) ||
           (e->type == DestroyNotify && e->xdestroywindow.window == a->window);
  };
  XEvent e;
  // Peeked: the toolkit must still see the destruction.
  XPeekIfEvent(display, &e, answer, reinterpret_cast<XPointer>(&awaited));
  if (e.type != PropertyNotify) return GDK_CURRENT_TIME;
  XCheckIfEvent(display, &e, answer, reinterpret_cast<XPointer>(&awaited));
  return e.xproperty.time;
}

}  // namespace

void Present(GtkWidget* window) {
  guint32 time = gtk_get_current_event_time();
  if (time == GDK_CURRENT_TIME && gtk_widget_get_realized(window))
    time = ServerTime(window->window);
  gtk_window_present_with_time(GTK_WINDOW(window), time);
}

void WatchX() {
  Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
  int render_major = 0, render_event = 0, render_error = 0;
  if (XQueryExtension(display, "RENDER", &render_major, &render_event, &render_error))
    g_bad_picture = render_error + BadPicture;  // the extension's errors from its first on
  XSetIOErrorHandler(OnXIOError);
  XSetErrorHandler(OnXError);
  g_convert_destroy = XESetWireToEvent(display, DestroyNotify, ConvertDestroy);
  toolkit::FilterAllX(CloseSpansWhenHandled);
}

void IgnoreKeysHeldFromElsewhere(GdkWindow* toplevel) {
  const Window self = GDK_WINDOW_XID(toplevel);
  Display* display = GDK_WINDOW_XDISPLAY(toplevel);
  toolkit::FilterX(toplevel, [self, display, ignored = std::set<unsigned>()](void* xevent) mutable {
    const XEvent* x = static_cast<const XEvent*>(xevent);
    switch (x->type) {
      case FocusIn: {
        // The keys still down that another of our windows had the press of.
        // One released where we did not see it (another program had the
        // focus by then) is forgotten.
        char keys[32] = {};
        XQueryKeymap(display, keys);
        ignored.clear();
        for (auto it = g_pressed_in.begin(); it != g_pressed_in.end();) {
          if (!Down(keys, it->first)) {
            it = g_pressed_in.erase(it);
            continue;
          }
          if (it->second != self) ignored.insert(it->first);
          ++it;
        }
        return true;
      }
      case KeyPress:
        if (ignored.count(x->xkey.keycode)) return false;  // a repeat of it
        g_pressed_in[x->xkey.keycode] = self;
        return true;
      case KeyRelease:
        g_pressed_in.erase(x->xkey.keycode);
        return ignored.erase(x->xkey.keycode) == 0;
      default:
        return true;
    }
  });
}

}  // namespace fw
