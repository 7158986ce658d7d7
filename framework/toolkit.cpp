// The toolkit's calls into the framework: one trampoline per kind, each
// through Dispatch (see toolkit.h).
#include "framework/toolkit.h"

#include <glib-unix.h>

#include <memory>
#include <utility>

#include "framework/native.h"

namespace fw::toolkit {

namespace {

// The one way a handler the toolkit held is freed: when its source goes, or
// (with the thing it went with: a closure, an object) its signal or window.
template <class F>
void Delete(gpointer data) {
  delete static_cast<F*>(data);
}
template <class F, class Owner>
void Delete(gpointer data, Owner*) {
  Delete<F>(data);
}

template <class F>
gulong Connect(gpointer instance, const char* signal, GCallback trampoline, F&& handler,
               Order order) {
  using Fn = std::decay_t<F>;
  return g_signal_connect_data(instance, signal, trampoline, new Fn(std::forward<F>(handler)),
                               &Delete<Fn, GClosure>, order == Order::kAfter ? G_CONNECT_AFTER
                                                                             : GConnectFlags(0));
}

using EventFn = std::function<bool(GdkEvent*)>;
using PlainFn = std::function<void()>;
using FocusFn = std::function<FocusMove(GtkDirectionType)>;
using TooltipFn = std::function<bool(int, int, GtkTooltip*)>;
using RepeatFn = std::function<bool()>;
using FilterFn = std::function<bool(void*)>;

gboolean EventTrampoline(GtkWidget*, GdkEvent* e, gpointer data) {
  bool handled = false;
  Dispatch([&] { handled = (*static_cast<EventFn*>(data))(e); });
  return handled;
}

void PlainTrampoline(gpointer, gpointer data) {
  Dispatch([&] { (*static_cast<PlainFn*>(data))(); });
}

gboolean FocusTrampoline(GtkWidget* widget, GtkDirectionType dir, gpointer data) {
  FocusMove move = FocusMove::kToolkit;
  Dispatch([&] { move = (*static_cast<FocusFn*>(data))(dir); });
  // A handler's "not taken" lets the toolkit's own run after it; a refusal
  // must keep that from taking the focus.
  if (move == FocusMove::kRefused) g_signal_stop_emission_by_name(widget, "focus");
  return move == FocusMove::kTaken;
}

gboolean TooltipTrampoline(GtkWidget*, gint x, gint y, gboolean, GtkTooltip* tip,
                           gpointer data) {
  bool shown = false;
  Dispatch([&] { shown = (*static_cast<TooltipFn*>(data))(x, y, tip); });
  return shown;
}

gboolean RepeatTrampoline(gpointer data) {
  bool again = true;
  Dispatch([&] { again = (*static_cast<RepeatFn*>(data))(); });
  return again ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

gboolean OnceTrampoline(gpointer data) {
  Dispatch([&] { (*static_cast<PlainFn*>(data))(); });
  return G_SOURCE_REMOVE;
}

gboolean UnixSignalTrampoline(gpointer data) {
  Dispatch([&] { (*static_cast<PlainFn*>(data))(); });
  return G_SOURCE_CONTINUE;
}

GdkFilterReturn FilterTrampoline(GdkXEvent* xevent, GdkEvent*, gpointer data) {
  bool keep = true;
  Dispatch([&] { keep = (*static_cast<FilterFn*>(data))(xevent); });
  return keep ? GDK_FILTER_CONTINUE : GDK_FILTER_REMOVE;
}

}  // namespace

gulong OnEvent(GtkWidget* widget, const char* signal, std::function<bool(GdkEvent*)> handler,
               Order order) {
  return Connect(widget, signal, G_CALLBACK(EventTrampoline), std::move(handler), order);
}

gulong OnSignal(gpointer instance, const char* signal, std::function<void()> handler,
                Order order) {
  return Connect(instance, signal, G_CALLBACK(PlainTrampoline), std::move(handler), order);
}

gulong OnFocus(GtkWidget* widget, std::function<FocusMove(GtkDirectionType)> handler) {
  return Connect(widget, "focus", G_CALLBACK(FocusTrampoline), std::move(handler), Order::kBefore);
}

gulong OnTooltip(GtkWidget* widget, std::function<bool(int, int, GtkTooltip*)> handler) {
  return Connect(widget, "query-tooltip", G_CALLBACK(TooltipTrampoline), std::move(handler),
                 Order::kBefore);
}

unsigned AddTimeout(unsigned interval_ms, std::function<bool()> handler) {
  return g_timeout_add_full(G_PRIORITY_DEFAULT, interval_ms, RepeatTrampoline,
                            new RepeatFn(std::move(handler)), &Delete<RepeatFn>);
}

void RemoveTimeout(unsigned id) {
  if (id) g_source_remove(id);
}

void Later(std::function<void()> handler) {
  g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, OnceTrampoline, new PlainFn(std::move(handler)),
                  &Delete<PlainFn>);
}

void OnUnixSignal(int signum, std::function<void()> handler) {
  g_unix_signal_add_full(G_PRIORITY_DEFAULT, signum, UnixSignalTrampoline,
                         new PlainFn(std::move(handler)), &Delete<PlainFn>);
}

void FilterX(GdkWindow* window, std::function<bool(void*)> handler) {
  // Lives as long as the window: the window's filters go with it.
  auto* fn = new FilterFn(std::move(handler));
  gdk_window_add_filter(window, FilterTrampoline, fn);
  g_object_weak_ref(G_OBJECT(window), &Delete<FilterFn, GObject>, fn);
}

void FilterAllX(std::function<bool(void*)> handler) {
  gdk_window_add_filter(nullptr, FilterTrampoline, new FilterFn(std::move(handler)));
}

}  // namespace fw::toolkit
