// Small helpers shared by the form and its controls (framework internal).
#pragma once

#include <gtk/gtk.h>

#include <string>

#include "framework/controls.h"

namespace fw {

// Face names of the descriptions mapped to faces this desktop has.
std::string SubstituteFace(const std::string& name);
// Caller frees with pango_font_description_free.
PangoFontDescription* NewFontDescription(const TFont& font);
// "&" marks the accelerator; a literal "_" must not become one.
std::string MnemonicText(const std::string& caption);
// The toolkit's colour for c, system colours resolved (canvas.cpp).
GdkColor ToGdkColor(TColor c);
// The hand over a realized widget's windows.
void SetHandCursor(GtkWidget* w);

}  // namespace fw
