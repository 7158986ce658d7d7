// Canvas drawing with GDK core calls on a GdkGC. Every operation reads the
// pen and brush fields at the moment it draws, so handlers may set them
// freely in between.
#include "framework/canvas.h"

#include <gdk/gdk.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cassert>
#include <cstdlib>

#include "framework/widgetkit.h"

namespace fw {

GdkColor ToGdkColor(TColor c) {
  const TColor v = ResolveColor(c);
  GdkColor g{};
  g.red = static_cast<guint16>((v & 0xFF) * 257);
  g.green = static_cast<guint16>(((v >> 8) & 0xFF) * 257);
  g.blue = static_cast<guint16>(((v >> 16) & 0xFF) * 257);
  return g;
}

namespace {

TColor FromGdk(const GdkColor& g) {
  return static_cast<TColor>((g.red >> 8) | ((g.green >> 8) << 8) | ((g.blue >> 8) << 16));
}

bool IsSystemColor(TColor c) { return (c & 0xFF000000u) == 0x80000000u; }

}  // namespace

// System colours come from the GTK default style when a display is open;
// without one (or for indices the program never uses) fixed values stand in:
// button face $F0F0F0, 3D light $E3E3E3, window text black.
TColor ResolveColor(TColor c) {
  if (!IsSystemColor(c)) return c & 0x00FFFFFFu;
  GtkStyle* style = gdk_display_get_default() ? gtk_widget_get_default_style() : nullptr;
  switch (c) {
    case clBtnFace:
      return style ? FromGdk(style->bg[GTK_STATE_NORMAL]) : 0xF0F0F0;
    case cl3DLight: {
      if (!style) return 0xE3E3E3;
      // The default style is never realized, so its light shade is unset:
      // derive it from the face colour, halfway toward white.
      TColor face = FromGdk(style->bg[GTK_STATE_NORMAL]);
      TColor light = 0;
      for (int shift = 0; shift < 24; shift += 8) {
        unsigned ch = (face >> shift) & 0xFF;
        light |= (ch + (255 - ch) / 2) << shift;
      }
      return light;
    }
    case clWindowText:
      return style ? FromGdk(style->text[GTK_STATE_NORMAL]) : 0x000000;
    default:
      return 0x000000;
  }
}

TCanvas::TCanvas() = default;

TCanvas::~TCanvas() {
  if (gc_) g_object_unref(gc_);
  if (clip_) gdk_region_destroy(clip_);
}

void TCanvas::Attach(GdkDrawable* drawable) {
  if (drawable == drawable_) return;
  // A GC belongs to drawables of one depth and screen; make a fresh one.
  if (gc_) {
    g_object_unref(gc_);
    gc_ = nullptr;
  }
  drawable_ = drawable;
}

void TCanvas::SetClipRegion(GdkRegion* region) {
  if (clip_) {
    gdk_region_destroy(clip_);
    clip_ = nullptr;
  }
  if (region) clip_ = gdk_region_copy(region);
  if (gc_) gdk_gc_set_clip_region(gc_, clip_);
}

void TCanvas::PrepareGC(TColor color) {
  assert(drawable_ && "drawing needs an attached drawable");
  if (!gc_) {
    gc_ = gdk_gc_new(drawable_);
    // GDK 2 fills polygons even-odd and has no setter; the X GC keeps this.
    XSetFillRule(GDK_GC_XDISPLAY(gc_), GDK_GC_XGC(gc_), WindingRule);
    if (clip_) gdk_gc_set_clip_region(gc_, clip_);
  }
  GdkColor g = ToGdkColor(color);
  gdk_gc_set_rgb_fg_color(gc_, &g);
  // Width 0 with the last point left out matches the one-pixel line exactly;
  // a real width 1 misses pixels.
  if (Pen.Width <= 1)
    gdk_gc_set_line_attributes(gc_, 0, GDK_LINE_SOLID, GDK_CAP_NOT_LAST, GDK_JOIN_MITER);
  else
    gdk_gc_set_line_attributes(gc_, Pen.Width, GDK_LINE_SOLID, GDK_CAP_ROUND, GDK_JOIN_ROUND);
}

void TCanvas::DrawRectangle(int x1, int y1, int x2, int y2) {
  if (!drawable_) return;
  int l = std::min(x1, x2), t = std::min(y1, y2);
  int w = std::abs(x2 - x1), h = std::abs(y2 - y1);
  if (w == 0 || h == 0) return;
  if (w == 1 || h == 1) {
    // All outline; the server draws nothing for a 0 by 0 outline.
    PrepareGC(Pen.Color);
    gdk_draw_rectangle(drawable_, gc_, TRUE, l, t, w, h);
    return;
  }
  PrepareGC(Brush.Color);
  gdk_draw_rectangle(drawable_, gc_, TRUE, l, t, w, h);
  PrepareGC(Pen.Color);
  // An unfilled rectangle covers one more pixel in each direction.
  gdk_draw_rectangle(drawable_, gc_, FALSE, l, t, w - 1, h - 1);
}

void TCanvas::FillRectangle(const TRect& r) {
  if (!drawable_) return;
  if (r.Right <= r.Left || r.Bottom <= r.Top) return;
  PrepareGC(Brush.Color);
  gdk_draw_rectangle(drawable_, gc_, TRUE, r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
}

void TCanvas::DrawEllipse(int x1, int y1, int x2, int y2) {
  if (!drawable_) return;
  int l = std::min(x1, x2), t = std::min(y1, y2);
  int w = std::abs(x2 - x1), h = std::abs(y2 - y1);
  if (w == 0 || h == 0) return;
  // Filling with the full w, h would leak brush outside the outline.
  PrepareGC(Brush.Color);
  gdk_draw_arc(drawable_, gc_, TRUE, l, t, w - 1, h - 1, 0, 360 * 64);
  PrepareGC(Pen.Color);
  gdk_draw_arc(drawable_, gc_, FALSE, l, t, w - 1, h - 1, 0, 360 * 64);
}

void TCanvas::DrawPolygon(std::initializer_list<TPoint> points) {
  DrawPolygon(std::vector<TPoint>(points));
}

void TCanvas::DrawPolygon(const std::vector<TPoint>& points) {
  if (!drawable_ || points.empty()) return;
  std::vector<GdkPoint> gp;
  gp.reserve(points.size());
  for (const TPoint& p : points) gp.push_back(GdkPoint{p.x, p.y});
  PrepareGC(Brush.Color);
  gdk_draw_polygon(drawable_, gc_, TRUE, gp.data(), static_cast<gint>(gp.size()));
  PrepareGC(Pen.Color);
  gdk_draw_polygon(drawable_, gc_, FALSE, gp.data(), static_cast<gint>(gp.size()));
}

void TCanvas::MovePenTo(int x, int y) { PenPos = {x, y}; }

void TCanvas::DrawLineTo(int x, int y) {
  if (drawable_) {
    PrepareGC(Pen.Color);
    gdk_draw_line(drawable_, gc_, PenPos.x, PenPos.y, x, y);
  }
  PenPos = {x, y};
}

void TCanvas::SetPixel(int x, int y, TColor color) {
  if (!drawable_) return;
  // Only the GC's colour changes; Pen and Brush are read afresh by each draw.
  PrepareGC(color);
  gdk_draw_point(drawable_, gc_, x, y);
}

void TCanvas::CopyCanvasRect(const TRect& dest, TCanvas& source, const TRect& sourceRect) {
  if (!drawable_ || !source.drawable_) return;
  int w = dest.Right - dest.Left, h = dest.Bottom - dest.Top;
  int sw = sourceRect.Right - sourceRect.Left, sh = sourceRect.Bottom - sourceRect.Top;
  if (w == 0 || h == 0 || sw == 0 || sh == 0) return;
  // The program copies between equal sizes; unequal ones copy the common part.
  int cw = std::min(w, sw), ch = std::min(h, sh);
  if (cw <= 0 || ch <= 0) return;
  PrepareGC(Pen.Color);
  // The X server copies overlapping areas as if through a temporary.
  gdk_draw_drawable(drawable_, gc_, source.drawable_, sourceRect.Left, sourceRect.Top,
                    dest.Left, dest.Top, cw, ch);
}

TColor TCanvas::GetPixel(int x, int y) {
  if (!drawable_) return clNone;
  GdkColormap* cmap = gdk_drawable_get_colormap(drawable_);
  if (!cmap) return clNone;
  int dw = 0, dh = 0;
  gdk_drawable_get_size(drawable_, &dw, &dh);
  if (x < 0 || y < 0 || x >= dw || y >= dh) return clNone;
  GdkPixbuf* pb = gdk_pixbuf_get_from_drawable(nullptr, drawable_, cmap, x, y, 0, 0, 1, 1);
  if (!pb) return clNone;
  const guchar* p = gdk_pixbuf_get_pixels(pb);
  TColor c = static_cast<TColor>(p[0] | (p[1] << 8) | (p[2] << 16));
  g_object_unref(pb);
  return c;
}

}  // namespace fw
