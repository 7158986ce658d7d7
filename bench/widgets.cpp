// Start-up yardstick for the benchmark: the main window's widget set built
// with plain GTK+ 2 calls, no framework (bench_ref_widgets). Same places,
// sizes, captions, fonts and pictures as resources/form1.desc, the same
// sky and meadow as bench_ref_window and the timers of bench_ref_timers,
// so what the program pays beyond this is the framework's own doing.
// Arguments: [LEFT TOP], the window's place (default the main window's 461, 137).
#include <gtk/gtk.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "window.h"  // beside this file

namespace {

// Colours as 0xRRGGBB; below zero the style's colours, resolved at paint time.
constexpr int kClear = -1, kFace = -2, kLight = -3, kText = -4;
constexpr int kBlack = 0x000000, kWhite = 0xFFFFFF, kRed = 0xFF0000, kBlue = 0x0000FF;
constexpr int kGray = 0x808080, kFuchsia = 0xFF00FF, kYellow = 0xFFFF00, kAqua = 0x00FFFF;

constexpr const char* kSans = "DejaVu Sans,Sans";
constexpr const char* kMono = "DejaVu Sans Mono,Monospace";

// What the canvas draws, in the description's order (later ones on top):
// labels (a caption) and pictures (a bitmap).
struct Piece {
  int left, top, width, height;
  const char* caption;  // a label; null for a picture
  const char* picture;  // file in the resources
  int back = kClear, fore = kBlack;
  bool centred = true;  // both ways; else at the top left, sized to the text
  int px = 13;
  bool bold = false, visible = true;
  PangoLayout* layout = nullptr;
  GdkPixbuf* pixbuf = nullptr;
};

Piece g_pieces[] = {
    {152, 168, 105, 97, "", nullptr},  // Label18, the heater's click area
    {172, 224, 65, 21, "20.0", nullptr, kGray, kBlack},
    {136, 136, 54, 18, " 0,5 kW ", nullptr, kFace, kRed, false},
    {256, 252, 92, 18, "Wärmeverlust", nullptr, kBlue, kWhite, false},
    {200, 288, 26, 24, "10", nullptr, kFace, kText},
    {200, 320, 26, 24, "10", nullptr, kFace, kText},
    {200, 352, 45, 24, "1.0", nullptr, kFace, kText},
    {200, 384, 45, 24, "AN", nullptr, kFace, kRed},
    {132, 288, 65, 24, "Innen", nullptr, kFace, kBlack},
    {132, 320, 65, 24, "Außen", nullptr, kFace, kText},
    {132, 352, 65, 24, "U-Wert", nullptr, kFace, kText},
    {132, 384, 65, 24, "Heizung", nullptr, kFace, kText},
    {416, 192, 105, 25, "Simulationszeit", nullptr, kLight, kBlack},
    {416, 224, 105, 25, "Heizarbeit", nullptr, kLight, kBlack},
    {528, 192, 73, 25, "0:21 h", nullptr, kLight, kBlack},
    {528, 224, 73, 25, "0,0 kWh", nullptr, kLight, kBlack},
    {56, 252, 82, 18, "Heizleistung", nullptr, kBlue, kWhite, false},
    {80, 216, 57, 17, "0,0 kW", nullptr, kLight, kRed},
    {264, 216, 57, 17, "0,0 kW", nullptr, kLight, kBlue},
    {24, 360, 105, 57, nullptr, "tree.bmp"},
    {312, 304, 105, 57, nullptr, "tree.bmp"},
    {-16, 208, 57, 33, nullptr, "shrub.bmp"},
    {288, 176, 57, 33, nullptr, "shrub.bmp"},
    {72, 168, 57, 33, nullptr, "shrub.bmp"},
    {576, 256, 57, 33, nullptr, "shrub.bmp"},
    {235, 104, 129, 25, "Label2", nullptr, kFace, kFuchsia, true, 13, true},
    {607, 416, 57, 33, nullptr, "shrub.bmp"},
    {120, 416, 182, 25, "  FROSTGEFAHR ! ", nullptr, kRed, kBlack, false, 20, false, false},
    {59, 32, 46, 49, "", nullptr},  // Label22, the sun's click area
    {224, 320, 20, 24, "°C", nullptr, kFace, kText},
    {224, 288, 20, 24, "°C", nullptr, kFace, kText},
    {158, 224, 25, 25, nullptr, "arrow_down.bmp"},
    {158, 224, 25, 25, nullptr, "arrow_up.bmp"},
    {225, 224, 20, 21, "°C", nullptr, kFace, kText},
};

GdkColor Rgb(int c) {
  GdkColor g{};
  g.red = static_cast<guint16>(((c >> 16) & 0xFF) * 257);
  g.green = static_cast<guint16>(((c >> 8) & 0xFF) * 257);
  g.blue = static_cast<guint16>((c & 0xFF) * 257);
  return g;
}

GdkColor Resolve(int c) {
  if (c >= 0) return Rgb(c);
  GtkStyle* style = gtk_widget_get_default_style();
  if (c == kText) return style->text[GTK_STATE_NORMAL];
  GdkColor face = style->bg[GTK_STATE_NORMAL];
  if (c == kLight) {
    // Halfway toward white: the default style's light shade is never set.
    for (guint16* ch : {&face.red, &face.green, &face.blue})
      *ch = static_cast<guint16>(*ch + (0xFFFF - *ch) / 2);
  }
  return face;
}

PangoFontDescription* Font(const char* family, int px, bool bold) {
  PangoFontDescription* d = pango_font_description_new();
  pango_font_description_set_family(d, family);
  pango_font_description_set_absolute_size(d, px * PANGO_SCALE);
  pango_font_description_set_weight(d, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  return d;
}

void TextLook(GtkWidget* label, int colour) {
  PangoFontDescription* d = Font(kSans, 13, false);
  gtk_widget_modify_font(label, d);
  pango_font_description_free(d);
  GdkColor c = Rgb(colour);
  for (GtkStateType s : {GTK_STATE_NORMAL, GTK_STATE_ACTIVE, GTK_STATE_PRELIGHT})
    gtk_widget_modify_fg(label, s, &c);
}

void MakeLayouts() {
  PangoContext* text = gdk_pango_context_get();
  cairo_font_options_t* o = cairo_font_options_create();
  cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_NONE);
  pango_cairo_context_set_font_options(text, o);
  cairo_font_options_destroy(o);
  for (Piece& p : g_pieces) {
    if (!p.caption) continue;
    p.layout = pango_layout_new(text);
    PangoFontDescription* d = Font(kSans, p.px, p.bold);
    pango_layout_set_font_description(p.layout, d);
    pango_font_description_free(d);
    pango_layout_set_text(p.layout, p.caption, -1);
    if (!p.centred) pango_layout_get_pixel_size(p.layout, &p.width, &p.height);
  }
  g_object_unref(text);
}

// Each bitmap once, shared by the pictures that show it.
bool LoadPictures() {
  for (Piece& p : g_pieces) {
    if (!p.picture) continue;
    for (const Piece& q : g_pieces) {
      if (&q == &p) break;
      if (q.picture && q.pixbuf && std::strcmp(q.picture, p.picture) == 0) p.pixbuf = q.pixbuf;
    }
    if (p.pixbuf) continue;
    const std::string path = std::string(PYRO_RESOURCE_DIR) + "/" + p.picture;
    GError* err = nullptr;
    p.pixbuf = gdk_pixbuf_new_from_file(path.c_str(), &err);
    if (!p.pixbuf) {
      g_printerr("%s: %s\n", path.c_str(), err->message);
      g_error_free(err);
      return false;
    }
  }
  return true;
}

// The main window's timers as they run with the simulation on, as in
// bench_ref_timers: 2 (1 s) and 4 (100 ms), 3 (3 s) until the first paint,
// 1 (100 ms) from the first paint on, 5 (3 s) once.
guint g_timer3 = 0;
gboolean Idle(gpointer) { return G_SOURCE_CONTINUE; }
gboolean Once(gpointer) { return G_SOURCE_REMOVE; }

gboolean OnExpose(GtkWidget* w, GdkEventExpose* e, gpointer) {
  if (e->window != w->window) return FALSE;
  GdkGC* gc = gdk_gc_new(w->window);
  gdk_gc_set_clip_region(gc, e->region);
  GdkColor meadow = Rgb(0x249900), sky = Rgb(0x0000AA);
  gdk_gc_set_rgb_fg_color(gc, &meadow);
  gdk_draw_rectangle(w->window, gc, TRUE, 0, kSkyHeight, kWidth, kHeight - kSkyHeight);
  gdk_gc_set_rgb_fg_color(gc, &sky);
  gdk_draw_rectangle(w->window, gc, TRUE, 0, 0, kWidth, kSkyHeight);
  for (const Piece& p : g_pieces) {
    if (!p.visible) continue;
    if (p.pixbuf) {
      const int pw = std::min(p.width, gdk_pixbuf_get_width(p.pixbuf));
      const int ph = std::min(p.height, gdk_pixbuf_get_height(p.pixbuf));
      gdk_draw_pixbuf(w->window, gc, p.pixbuf, 0, 0, p.left, p.top, pw, ph, GDK_RGB_DITHER_NONE,
                      0, 0);
      continue;
    }
    if (p.back != kClear) {
      GdkColor bg = Resolve(p.back);
      gdk_gc_set_rgb_fg_color(gc, &bg);
      gdk_draw_rectangle(w->window, gc, TRUE, p.left, p.top, p.width, p.height);
    }
    if (!*p.caption) continue;
    int tw = 0, th = 0;
    pango_layout_get_pixel_size(p.layout, &tw, &th);
    const int x = p.centred ? p.left + (p.width - tw) / 2 : p.left;
    const int y = p.centred ? p.top + (p.height - th) / 2 : p.top;
    GdkColor fg = Resolve(p.fore);
    gdk_gc_set_rgb_fg_color(gc, &fg);
    gdk_draw_layout(w->window, gc, x, y, p.layout);
  }
  g_object_unref(gc);
  if (g_timer3) {
    g_source_remove(g_timer3);
    g_timer3 = 0;
    g_timeout_add(100, Idle, nullptr);
  }
  return FALSE;
}

// The up-down control's two arrow buttons.
gboolean OnArrowsExpose(GtkWidget* w, GdkEventExpose* e, gpointer) {
  GtkStyle* style = w->style;
  const int width = w->allocation.width, half = w->allocation.height / 2;
  for (int i = 0; i < 2; ++i) {
    const int y = i * half;
    gtk_paint_box(style, w->window, GTK_STATE_NORMAL, GTK_SHADOW_OUT, &e->area, w, "button", 0, y,
                  width, half);
    const int size = std::max(1, std::min(width, half) - 2 * (style->ythickness + 2));
    gtk_paint_arrow(style, w->window, GTK_STATE_NORMAL, GTK_SHADOW_NONE, &e->area, w, "arrow",
                    i == 0 ? GTK_ARROW_UP : GTK_ARROW_DOWN, TRUE, (width - size) / 2,
                    y + (half - size) / 2, size, size);
  }
  return TRUE;
}

GtkWidget* g_canvas = nullptr;

// Windowed controls sit in an event box with a window of its own, as the
// program's do.
void Put(GtkWidget* inner, int left, int top, int width, int height, bool visible = true) {
  GtkWidget* box = gtk_event_box_new();
  gtk_event_box_set_visible_window(GTK_EVENT_BOX(box), TRUE);
  gtk_container_add(GTK_CONTAINER(box), inner);
  gtk_widget_set_size_request(box, width, height);
  gtk_widget_set_size_request(inner, width, height);
  gtk_fixed_put(GTK_FIXED(g_canvas), box, left, top);
  gtk_widget_show_all(inner);
  if (visible) gtk_widget_show(box);
}

GtkWidget* Button(const char* mnemonic, int colour) {
  GtkWidget* b = gtk_button_new_with_mnemonic(mnemonic);
  TextLook(gtk_bin_get_child(GTK_BIN(b)), colour);
  return b;
}

GtkWidget* Memo(const char* text, const char* family, int fore, int back, bool read_only) {
  GtkWidget* tv = gtk_text_view_new();
  gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(tv), GTK_WRAP_WORD);
  gtk_text_view_set_editable(GTK_TEXT_VIEW(tv), !read_only);
  gtk_text_view_set_cursor_visible(GTK_TEXT_VIEW(tv), !read_only);
  gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(tv)), text, -1);
  GdkColor base = Rgb(back), fg = Rgb(fore);
  gtk_widget_modify_base(tv, GTK_STATE_NORMAL, &base);
  PangoFontDescription* d = Font(family, 13, false);
  gtk_widget_modify_font(tv, d);
  pango_font_description_free(d);
  gtk_widget_modify_text(tv, GTK_STATE_NORMAL, &fg);
  return tv;
}

constexpr const char* kNotepad =
    "                                -  Notizblock  -\n\n\nHier kannst du die Messwerte\n"
    "deiner Versuche aufschreiben.";
constexpr const char* kTable =
    "Ein hoher U-Wert bedeutet große \nWärmeverluste.\n\nMaterial                 U-Wert\n"
    "-------------------------------\nEinfachverglasung        5,8\nEnergiesparverglasung    1,8\n"
    "Dreischeiben-\nWärmeschutzverglasung    0,9\nAußenwand (Altbau)       0,6\nAußenwand mit\n"
    "Wärmedämmung             0,4\t";

}  // namespace

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  GtkWidget* win = ReferenceWindow(argc, argv, "reference widgets");

  g_canvas = gtk_fixed_new();
  gtk_fixed_set_has_window(GTK_FIXED(g_canvas), TRUE);
  gtk_widget_set_app_paintable(g_canvas, TRUE);
  gtk_widget_set_double_buffered(g_canvas, FALSE);
  g_signal_connect(g_canvas, "expose-event", G_CALLBACK(OnExpose), nullptr);
  gtk_container_add(GTK_CONTAINER(win), g_canvas);

  MakeLayouts();
  if (!LoadPictures()) return 1;

  // The controls in the description's order.
  GtkWidget* frame = gtk_frame_new("  Simulation ");
  TextLook(gtk_frame_get_label_widget(GTK_FRAME(frame)), kBlack);
  Put(frame, 464, 256, 89, 97);
  Put(Button("_Ende", kBlack), 464, 400, 89, 41);
  Put(Button("_Sonne", kYellow), 24, 104, 65, 25);
  for (int y : {288, 320, 351}) {
    GtkWidget* arrows = gtk_drawing_area_new();
    gtk_widget_set_size_request(arrows, 33, 25);
    g_signal_connect(arrows, "expose-event", G_CALLBACK(OnArrowsExpose), nullptr);
    gtk_fixed_put(GTK_FIXED(g_canvas), arrows, 248, y);
    gtk_widget_show(arrows);
  }
  Put(Button("0/I", kBlack), 248, 384, 33, 25);
  GtkWidget* start = gtk_radio_button_new_with_mnemonic(nullptr, "ST_ART");
  GtkWidget* stop = gtk_radio_button_new_with_mnemonic_from_widget(GTK_RADIO_BUTTON(start), "STO_P");
  GtkWidget* reset =
      gtk_radio_button_new_with_mnemonic_from_widget(GTK_RADIO_BUTTON(start), "_RESET");
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(start), TRUE);
  for (GtkWidget* r : {start, stop, reset}) TextLook(gtk_bin_get_child(GTK_BIN(r)), kBlack);
  Put(start, 472, 272, 64, 22);
  Put(stop, 472, 296, 58, 22);
  Put(reset, 472, 320, 65, 22);
  Put(Memo(kNotepad, kSans, kBlue, kWhite, false), 376, 24, 249, 153);
  Put(Memo(kTable, kMono, kBlack, kAqua, true), 256, 16, 297, 209, false);
  GtkWidget* record = gtk_check_button_new_with_mnemonic("RE_CORD");
  TextLook(gtk_bin_get_child(GTK_BIN(record)), kRed);
  Put(record, 464, 360, 79, 22);

  g_timeout_add(1000, Idle, nullptr);
  g_timer3 = g_timeout_add(3000, Idle, nullptr);
  g_timeout_add(100, Idle, nullptr);
  g_timeout_add(3000, Once, nullptr);

  gtk_widget_show(g_canvas);
  gtk_widget_show(win);
  gtk_main();
  return 0;
}
