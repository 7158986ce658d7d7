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

#include "framework/native.h"

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

TCanvas::TCanvas() : native_(std::make_unique<Native>()) {}
TCanvas::~TCanvas() = default;

TCanvas::Native::~Native() {
  if (gc) g_object_unref(gc);
  if (clip) gdk_region_destroy(clip);
}

void TCanvas::Native::Attach(GdkDrawable* d) {
  if (d == drawable) return;
  // A GC belongs to drawables of one depth and screen; make a fresh one.
  if (gc) {
    g_object_unref(gc);
    gc = nullptr;
  }
  drawable = d;
}

void TCanvas::Native::SetClip(GdkRegion* region) {
  if (clip) {
    gdk_region_destroy(clip);
    clip = nullptr;
  }
  if (region) clip = gdk_region_copy(region);
  if (gc) gdk_gc_set_clip_region(gc, clip);
}

namespace {

// The GC in the colour, with the pen's line attributes.
GdkGC* Prepare(TCanvas& c, TColor color) {
  TCanvas::Native& n = c.native();
  assert(n.drawable && "drawing needs an attached drawable");
  if (!n.gc) {
    n.gc = gdk_gc_new(n.drawable);
    // GDK 2 fills polygons even-odd and has no setter; the X GC keeps this.
    XSetFillRule(GDK_GC_XDISPLAY(n.gc), GDK_GC_XGC(n.gc), WindingRule);
    if (n.clip) gdk_gc_set_clip_region(n.gc, n.clip);
  }
  GdkColor g = ToGdkColor(color);
  gdk_gc_set_rgb_fg_color(n.gc, &g);
  // Width 0 with the last point left out matches the one-pixel line exactly;
  // a real width 1 misses pixels.
  if (c.Pen.Width <= 1)
    gdk_gc_set_line_attributes(n.gc, 0, GDK_LINE_SOLID, GDK_CAP_NOT_LAST, GDK_JOIN_MITER);
  else
    gdk_gc_set_line_attributes(n.gc, c.Pen.Width, GDK_LINE_SOLID, GDK_CAP_ROUND, GDK_JOIN_ROUND);
  return n.gc;
}

}  // namespace

void TCanvas::DrawRectangle(int x1, int y1, int x2, int y2) {
  if (!native_->drawable) return;
  int l = std::min(x1, x2), t = std::min(y1, y2);
  int w = std::abs(x2 - x1), h = std::abs(y2 - y1);
  if (w == 0 || h == 0) return;
  GdkDrawable* d = native_->drawable;
  if (w == 1 || h == 1) {
    // All outline; the server draws nothing for a 0 by 0 outline.
    gdk_draw_rectangle(d, Prepare(*this, Pen.Color), TRUE, l, t, w, h);
    return;
  }
  gdk_draw_rectangle(d, Prepare(*this, Brush.Color), TRUE, l, t, w, h);
  // An unfilled rectangle covers one more pixel in each direction.
  gdk_draw_rectangle(d, Prepare(*this, Pen.Color), FALSE, l, t, w - 1, h - 1);
}

void TCanvas::FillRectangle(const TRect& r) {
  if (!native_->drawable) return;
  if (r.Right <= r.Left || r.Bottom <= r.Top) return;
  gdk_draw_rectangle(native_->drawable, Prepare(*this, Brush.Color), TRUE, r.Left, r.Top,
                     r.Right - r.Left, r.Bottom - r.Top);
}

void TCanvas::DrawEllipse(int x1, int y1, int x2, int y2) {
  if (!native_->drawable) return;
  int l = std::min(x1, x2), t = std::min(y1, y2);
  int w = std::abs(x2 - x1), h = std::abs(y2 - y1);
  if (w == 0 || h == 0) return;
  // Filling with the full w, h would leak brush outside the outline.
  GdkDrawable* d = native_->drawable;
  gdk_draw_arc(d, Prepare(*this, Brush.Color), TRUE, l, t, w - 1, h - 1, 0, 360 * 64);
  gdk_draw_arc(d, Prepare(*this, Pen.Color), FALSE, l, t, w - 1, h - 1, 0, 360 * 64);
}

void TCanvas::DrawPolygon(std::initializer_list<TPoint> points) {
  DrawPolygon(std::vector<TPoint>(points));
}

void TCanvas::DrawPolygon(const std::vector<TPoint>& points) {
  if (!native_->drawable || points.empty()) return;
  std::vector<GdkPoint> gp;
  gp.reserve(points.size());
  for (const TPoint& p : points) gp.push_back(GdkPoint{p.x, p.y});
  GdkDrawable* d = native_->drawable;
  const gint n = static_cast<gint>(gp.size());
  gdk_draw_polygon(d, Prepare(*this, Brush.Color), TRUE, gp.data(), n);
  gdk_draw_polygon(d, Prepare(*this, Pen.Color), FALSE, gp.data(), n);
}

void TCanvas::MovePenTo(int x, int y) { PenPos = {x, y}; }

void TCanvas::DrawLineTo(int x, int y) {
  if (native_->drawable)
    gdk_draw_line(native_->drawable, Prepare(*this, Pen.Color), PenPos.x, PenPos.y, x, y);
  PenPos = {x, y};
}

void TCanvas::SetPixel(int x, int y, TColor color) {
  if (!native_->drawable) return;
  // Only the GC's colour changes; Pen and Brush are read afresh by each draw.
  gdk_draw_point(native_->drawable, Prepare(*this, color), x, y);
}

void TCanvas::CopyCanvasRect(const TRect& dest, TCanvas& source, const TRect& sourceRect) {
  GdkDrawable* d = native_->drawable;
  GdkDrawable* from = source.native_->drawable;
  if (!d || !from) return;
  int w = dest.Right - dest.Left, h = dest.Bottom - dest.Top;
  int sw = sourceRect.Right - sourceRect.Left, sh = sourceRect.Bottom - sourceRect.Top;
  if (w == 0 || h == 0 || sw == 0 || sh == 0) return;
  // The program copies between equal sizes; unequal ones copy the common part.
  int cw = std::min(w, sw), ch = std::min(h, sh);
  if (cw <= 0 || ch <= 0) return;
  // The X server copies overlapping areas as if through a temporary.
  gdk_draw_drawable(d, Prepare(*this, Pen.Color), from, sourceRect.Left, sourceRect.Top, dest.Left,
                    dest.Top, cw, ch);
}

TColor TCanvas::GetPixel(int x, int y) {
  GdkDrawable* d = native_->drawable;
  if (!d) return clNone;
  GdkColormap* cmap = gdk_drawable_get_colormap(d);
  if (!cmap) return clNone;
  int dw = 0, dh = 0;
  gdk_drawable_get_size(d, &dw, &dh);
  if (x < 0 || y < 0 || x >= dw || y >= dh) return clNone;
  GdkPixbuf* pb = gdk_pixbuf_get_from_drawable(nullptr, d, cmap, x, y, 0, 0, 1, 1);
  if (!pb) return clNone;
  const guchar* p = gdk_pixbuf_get_pixels(pb);
  TColor c = static_cast<TColor>(p[0] | (p[1] << 8) | (p[2] << 16));
  g_object_unref(pb);
  return c;
}

}  // namespace fw
