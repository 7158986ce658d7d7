// Yardsticks for the benchmark: the least a GTK+ 2 program of this window's
// size does. Built twice:
//   bench_ref_window  opens the 682 x 451 window and paints sky and meadow in
//                     its expose handler (startup yardstick);
//   bench_ref_timers  the same window plus the main window's timers with
//                     empty handlers (CPU yardstick).
// Arguments: [LEFT TOP], the window's place (default the main window's 461, 137).
#include <gtk/gtk.h>

#include "window.h"  // beside this file

namespace {

#ifdef REF_TIMERS
// The main window's timers as they run with the simulation on: 2 (1 s) and
// 4 (100 ms) from the description, 3 (3 s) until the first paint, 1 (100 ms)
// from the first paint on, 5 (3 s) once.
guint g_timer3 = 0;
gboolean Idle(gpointer) { return G_SOURCE_CONTINUE; }
gboolean Once(gpointer) { return G_SOURCE_REMOVE; }
#endif

gboolean OnExpose(GtkWidget* w, GdkEventExpose* e, gpointer) {
  GdkGC* gc = gdk_gc_new(w->window);
  gdk_gc_set_clip_region(gc, e->region);
  GdkColor meadow = {0, 0x2424, 0x9999, 0x0000};
  GdkColor sky = {0, 0x0000, 0x0000, 0xAAAA};
  gdk_gc_set_rgb_fg_color(gc, &meadow);
  gdk_draw_rectangle(w->window, gc, TRUE, 0, kSkyHeight, kWidth, kHeight - kSkyHeight);
  gdk_gc_set_rgb_fg_color(gc, &sky);
  gdk_draw_rectangle(w->window, gc, TRUE, 0, 0, kWidth, kSkyHeight);
  g_object_unref(gc);
#ifdef REF_TIMERS
  if (g_timer3) {
    g_source_remove(g_timer3);
    g_timer3 = 0;
    g_timeout_add(100, Idle, nullptr);
  }
#endif
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  GtkWidget* win = ReferenceWindow(argc, argv, "reference");
  gtk_widget_set_app_paintable(win, TRUE);
  gtk_widget_set_double_buffered(win, FALSE);
  g_signal_connect(win, "expose-event", G_CALLBACK(OnExpose), nullptr);

#ifdef REF_TIMERS
  g_timeout_add(1000, Idle, nullptr);
  g_timer3 = g_timeout_add(3000, Idle, nullptr);
  g_timeout_add(100, Idle, nullptr);
  g_timeout_add(3000, Once, nullptr);
#endif

  gtk_widget_show(win);
  gtk_main();
  return 0;
}
