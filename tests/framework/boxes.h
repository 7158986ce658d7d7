// The message boxes that this test process has open.
#pragma once

#include <gtk/gtk.h>

#include <vector>

namespace boxes {

inline std::vector<GtkWidget*> Open() {
  std::vector<GtkWidget*> open;
  GList* all = gtk_window_list_toplevels();
  for (GList* l = all; l; l = l->next)
    if (GTK_IS_MESSAGE_DIALOG(l->data) && gtk_widget_get_visible(GTK_WIDGET(l->data)))
      open.push_back(GTK_WIDGET(l->data));
  g_list_free(all);
  return open;
}

// One of them; null when none is open.
inline GtkWidget* Any() {
  const auto open = Open();
  return open.empty() ? nullptr : open.back();
}

}  // namespace boxes
