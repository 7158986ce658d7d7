// The boundary to the toolkit (framework internal). Every signal, event,
// timeout, idle call, unix signal and X event filter the framework uses is
// connected here, one helper per kind, and every call from the toolkit enters
// the framework through Dispatch: an exception that leaves the handler is
// reported there (the error box), and the toolkit then gets the helper's
// stated answer. Handlers run on the one thread, from the main loop or a
// modal box's loop.
//
// Ownership: a handler lives as long as its connection; the toolkit frees it
// when the instance is destroyed or the handler disconnected. A handler that
// captures an object must not outlive it: such objects keep the returned id
// and disconnect it, or destroy the instance first.
#pragma once

#include <gtk/gtk.h>

#include <functional>

namespace fw::toolkit {

// Before or after the toolkit's own handler of the signal.
enum class Order { kBefore, kAfter };

// Event signals ("button-press-event", "expose-event", ...): the handler says
// whether it handled the event, which keeps the toolkit's own handlers from
// it. An exception counts as not handled.
gulong OnEvent(GtkWidget* widget, const char* signal, std::function<bool(GdkEvent*)> handler,
               Order order = Order::kBefore);

// Signals without arguments ("clicked", "toggled", "realize", "destroy", ...).
gulong OnSignal(gpointer instance, const char* signal, std::function<void()> handler,
                Order order = Order::kBefore);

// What a "focus" handler makes of a move of the keyboard focus.
enum class FocusMove {
  kToolkit,  // the toolkit's own handling
  kTaken,    // the handler took or kept the focus
  kRefused,  // neither the widget nor its children take it: the move goes past
};

// "focus": the handler decides the move in that direction; an exception
// leaves it to the toolkit.
gulong OnFocus(GtkWidget* widget, std::function<FocusMove(GtkDirectionType)> handler);

// "query-tooltip": the handler fills the tooltip for the point and says
// whether there is one.
gulong OnTooltip(GtkWidget* widget, std::function<bool(int x, int y, GtkTooltip*)> handler);

// A repeating timeout of the main loop: again while the handler returns true.
// An exception keeps it. 0 when none can be made.
unsigned AddTimeout(unsigned interval_ms, std::function<bool()> handler);
void RemoveTimeout(unsigned id);

// The handler once, when the loop has nothing more urgent to do.
void Later(std::function<void()> handler);

// A unix signal, delivered by the loop (also inside a modal box).
void OnUnixSignal(int signum, std::function<void()> handler);

// The X events of a window before the toolkit translates them: the handler
// gets the XEvent and may change it; false drops the event.
void FilterX(GdkWindow* window, std::function<bool(void* xevent)> handler);
// The same for every X event of the display; lives for the rest of the run.
void FilterAllX(std::function<bool(void* xevent)> handler);

}  // namespace fw::toolkit
