// The window both yardsticks open: the main window's client size, not
// resizable, at its place 461, 137 or at the LEFT TOP the arguments give.
#pragma once

#include <gtk/gtk.h>

#include <cstdlib>

inline constexpr int kWidth = 682, kHeight = 451, kSkyHeight = 160;

inline GtkWidget* ReferenceWindow(int argc, char** argv, const char* title) {
  const int left = argc > 2 ? std::atoi(argv[1]) : 461;
  const int top = argc > 2 ? std::atoi(argv[2]) : 137;
  GtkWidget* win = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(win), title);
  gtk_window_set_resizable(GTK_WINDOW(win), FALSE);
  gtk_widget_set_size_request(win, kWidth, kHeight);
  gtk_window_move(GTK_WINDOW(win), left, top);
  g_signal_connect(win, "delete-event", G_CALLBACK(gtk_main_quit), nullptr);
  return win;
}
