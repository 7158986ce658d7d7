// Canvas operations drawn on a real window and read back pixel by pixel.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "framework/native.h"

using fw::TCanvas;
using fw::TColor;
using fw::TRect;

namespace {

constexpr int kW = 400, kH = 300;
constexpr TColor kBg = 0x102030;
constexpr TColor kPen = 0x0000FF;
constexpr TColor kBrush = 0xFF0000;

class CanvasTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    gtk_init(nullptr, nullptr);
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    area_ = gtk_drawing_area_new();
    gtk_widget_set_size_request(area_, kW, kH);
    gtk_widget_set_double_buffered(area_, FALSE);
    gtk_widget_set_app_paintable(area_, TRUE);
    gtk_container_add(GTK_CONTAINER(window_), area_);
    gtk_widget_show_all(window_);
    while (gtk_events_pending()) gtk_main_iteration();
  }
  static void TearDownTestSuite() {
    gtk_widget_destroy(window_);
    while (gtk_events_pending()) gtk_main_iteration();
  }

  void SetUp() override {
    canvas_.native().Attach(area_->window);
    canvas_.Pen.Color = kPen;
    canvas_.Brush.Color = kBrush;
    Clear();
  }

  // Paints the whole area in the background colour with a GC of our own.
  void Clear(TColor c = kBg) {
    GdkGC* gc = gdk_gc_new(area_->window);
    GdkColor g{0, guint16((c & 0xFF) * 257), guint16(((c >> 8) & 0xFF) * 257),
               guint16(((c >> 16) & 0xFF) * 257)};
    gdk_gc_set_rgb_fg_color(gc, &g);
    gdk_draw_rectangle(area_->window, gc, TRUE, 0, 0, kW, kH);
    g_object_unref(gc);
  }

  // Snapshot of the whole area as $BBGGRR values.
  std::vector<TColor> Shot() {
    gdk_flush();
    GdkPixbuf* pb = gdk_pixbuf_get_from_drawable(nullptr, area_->window,
                                                 gdk_drawable_get_colormap(area_->window),
                                                 0, 0, 0, 0, kW, kH);
    EXPECT_NE(pb, nullptr);
    std::vector<TColor> out(kW * kH);
    const guchar* px = gdk_pixbuf_get_pixels(pb);
    int stride = gdk_pixbuf_get_rowstride(pb), n = gdk_pixbuf_get_n_channels(pb);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const guchar* p = px + y * stride + x * n;
        out[y * kW + x] = TColor(p[0] | (p[1] << 8) | (p[2] << 16));
      }
    g_object_unref(pb);
    return out;
  }

  static TColor At(const std::vector<TColor>& s, int x, int y) { return s[y * kW + x]; }

  // Compares every pixel of the box (l..r, t..b inclusive) with expect(x, y).
  static std::string Mismatches(const std::vector<TColor>& s, int l, int t, int r, int b,
                                const std::function<TColor(int, int)>& expect) {
    std::ostringstream os;
    int count = 0;
    for (int y = t; y <= b; ++y)
      for (int x = l; x <= r; ++x) {
        TColor got = At(s, x, y), want = expect(x, y);
        if (got != want && count++ < 8)
          os << "(" << x << "," << y << ") got " << std::hex << got << " want " << want
             << std::dec << "; ";
      }
    if (count) os << count << " wrong";
    return os.str();
  }

  // Expected picture of a pen-outlined, brush-filled box covering l..l+w-1, t..t+h-1.
  static std::function<TColor(int, int)> Box(int l, int t, int w, int h, TColor pen,
                                             TColor brush) {
    return [=](int x, int y) -> TColor {
      if (x < l || x >= l + w || y < t || y >= t + h) return kBg;
      if (x == l || x == l + w - 1 || y == t || y == t + h - 1) return pen;
      return brush;
    };
  }

  static GtkWidget* window_;
  static GtkWidget* area_;
  TCanvas canvas_;
};

GtkWidget* CanvasTest::window_ = nullptr;
GtkWidget* CanvasTest::area_ = nullptr;

TEST_F(CanvasTest, DrawRectangleCoversBoxWithPenOutline) {
  struct Case {
    int x1, y1, x2, y2;
    int l, t, w, h;  // expected coverage; w or h 0: nothing
  } cases[] = {
      {218, 170, 228, 110, 218, 110, 10, 60},  // the scene's heater box
      {10, 10, 20, 16, 10, 10, 10, 6},
      {20, 16, 10, 10, 10, 10, 10, 6},        // both corners reversed
      {20, 10, 10, 16, 10, 10, 10, 6},        // x reversed only
      {50, 50, 52, 52, 50, 50, 2, 2},         // outline only
      {60, 60, 61, 65, 60, 60, 1, 5},
      {70, 70, 71, 71, 70, 70, 1, 1},
      {80, 81, 83, 80, 80, 80, 3, 1},
      {10, 10, 10, 50, 10, 10, 0, 40},        // zero width
      {10, 50, 40, 50, 10, 50, 30, 0},        // zero height
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x1 << "," << c.y1 << "," << c.x2 << "," << c.y2);
    Clear();
    canvas_.DrawRectangle(c.x1, c.y1, c.x2, c.y2);
    auto s = Shot();
    auto expect = (c.w == 0 || c.h == 0) ? Box(0, 0, 0, 0, kPen, kBrush)
                                         : Box(c.l, c.t, c.w, c.h, kPen, kBrush);
    int r = std::max(c.x1, c.x2), b = std::max(c.y1, c.y2);
    EXPECT_EQ(Mismatches(s, c.l - 1, c.t - 1, r + 1, b + 1, expect), "");
  }
}

TEST_F(CanvasTest, FillRectangleDoesNotReorderCorners) {
  struct Case {
    TRect r;
    bool draws;
  } cases[] = {
      {{220, 154, 226, 160}, true},
      {{220, 160, 226, 154}, false},  // bottom above top
      {{226, 154, 220, 160}, false},  // right left of left
      {{30, 30, 30, 40}, false},
      {{30, 30, 31, 31}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.r.Left << "," << c.r.Top << "," << c.r.Right << ","
                                    << c.r.Bottom);
    Clear();
    canvas_.FillRectangle(c.r);
    auto s = Shot();
    int l = std::min(c.r.Left, c.r.Right), r = std::max(c.r.Left, c.r.Right);
    int t = std::min(c.r.Top, c.r.Bottom), b = std::max(c.r.Top, c.r.Bottom);
    EXPECT_EQ(Mismatches(s, l - 1, t - 1, r + 1, b + 1,
                         [&](int x, int y) {
                           bool in = c.draws && x >= l && x < r && y >= t && y < b;
                           return in ? kBrush : kBg;
                         }),
              "");
  }
}

TEST_F(CanvasTest, EllipseStaysInItsBoxAndIgnoresCornerOrder) {
  struct Case {
    int x, y, w, h;
  } cases[] = {{100, 100, 40, 25}, {20, 20, 9, 9}, {200, 50, 2, 2}, {300, 200, 15, 30}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " " << c.w << "x" << c.h);
    Clear();
    canvas_.DrawEllipse(c.x, c.y, c.x + c.w, c.y - c.h);
    auto a = Shot();
    Clear();
    canvas_.DrawEllipse(c.x, c.y - c.h, c.x + c.w, c.y);
    auto b = Shot();
    EXPECT_EQ(Mismatches(b, c.x - 1, c.y - c.h - 1, c.x + c.w, c.y,
                         [&](int x, int y) { return At(a, x, y); }),
              "");
    // Exactly the box: each edge row and column touched, nothing outside.
    int l = c.x, t = c.y - c.h, r = c.x + c.w - 1, btm = c.y - 1;
    bool top = false, bottom = false, left = false, right = false;
    for (int y = t - 1; y <= btm + 1; ++y)
      for (int x = l - 1; x <= r + 1; ++x) {
        TColor p = At(b, x, y);
        bool inside = x >= l && x <= r && y >= t && y <= btm;
        if (!inside) {
          EXPECT_EQ(p, kBg) << x << "," << y;
          continue;
        }
        EXPECT_TRUE(p == kBg || p == kPen || p == kBrush) << x << "," << y;
        if (p != kBg) {
          top |= y == t, bottom |= y == btm, left |= x == l, right |= x == r;
        }
      }
    EXPECT_TRUE(top && bottom && left && right);
  }
  // Zero width or height draws nothing.
  Clear();
  canvas_.DrawEllipse(50, 50, 50, 80);
  canvas_.DrawEllipse(50, 50, 90, 50);
  auto s = Shot();
  EXPECT_EQ(Mismatches(s, 49, 49, 91, 81, [](int, int) { return kBg; }), "");
}

TEST_F(CanvasTest, PolygonFillsNonZeroWinding) {
  // Five-pointed star drawn in one stroke: its centre pentagon is wound twice
  // and stays empty under even-odd filling.
  Clear();
  canvas_.DrawPolygon({{200, 20}, {260, 200}, {110, 90}, {290, 90}, {140, 200}});
  auto s = Shot();
  EXPECT_EQ(At(s, 200, 110), kBrush);
  EXPECT_EQ(At(s, 200, 40), kBrush);
  EXPECT_EQ(At(s, 200, 20), kPen);
  EXPECT_EQ(At(s, 200, 19), kBg);
  EXPECT_EQ(At(s, 200, 190), kBg);  // between the two lower points
}

TEST_F(CanvasTest, RoofPolygonCoversItsTriangle) {
  Clear();
  canvas_.DrawPolygon({{140, 190}, {200, 120}, {260, 190}});
  auto s = Shot();
  for (auto [x, y] : std::vector<std::pair<int, int>>{{140, 190}, {200, 120}, {260, 190},
                                                       {200, 190}, {141, 190}, {259, 190}})
    EXPECT_EQ(At(s, x, y), kPen) << x << "," << y;
  EXPECT_EQ(At(s, 200, 160), kBrush);
  EXPECT_EQ(At(s, 200, 189), kBrush);
  // Bounding box is exactly the vertices' box.
  int minx = kW, maxx = -1, miny = kH, maxy = -1;
  for (int y = 100; y < 210; ++y)
    for (int x = 120; x < 280; ++x)
      if (At(s, x, y) != kBg) {
        minx = std::min(minx, x), maxx = std::max(maxx, x);
        miny = std::min(miny, y), maxy = std::max(maxy, y);
      }
  EXPECT_EQ(minx, 140);
  EXPECT_EQ(maxx, 260);
  EXPECT_EQ(miny, 120);
  EXPECT_EQ(maxy, 190);
  // Each row inside is one run: outline pixels at the ends, brush between.
  for (int y = 121; y < 190; ++y) {
    int first = -1, last = -1;
    for (int x = 130; x < 270; ++x)
      if (At(s, x, y) != kBg) {
        if (first < 0) first = x;
        last = x;
      }
    ASSERT_GE(first, 0) << y;
    EXPECT_EQ(At(s, first, y), kPen) << y;
    EXPECT_EQ(At(s, last, y), kPen) << y;
    EXPECT_EQ(first + last, 400) << "symmetric row " << y;
    for (int x = first; x <= last; ++x) EXPECT_NE(At(s, x, y), kBg) << x << "," << y;
  }
}

TEST_F(CanvasTest, LinesRunFromPenPositionWithoutTheLastPixel) {
  struct Case {
    int x0, y0, x1, y1;
  } cases[] = {{10, 10, 20, 10}, {20, 30, 10, 30}, {40, 10, 40, 25},
               {50, 10, 60, 20}, {70, 10, 90, 17}, {100, 40, 95, 10}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x0 << "," << c.y0 << "->" << c.x1 << "," << c.y1);
    Clear();
    canvas_.MovePenTo(c.x0, c.y0);
    canvas_.DrawLineTo(c.x1, c.y1);
    EXPECT_EQ(canvas_.PenPos, (fw::TPoint{c.x1, c.y1}));
    auto s = Shot();
    int dx = std::abs(c.x1 - c.x0), dy = std::abs(c.y1 - c.y0);
    int count = 0;
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 120; ++x) {
        TColor p = At(s, x, y);
        if (p == kBg) continue;
        EXPECT_EQ(p, kPen);
        ++count;
        EXPECT_GE(x, std::min(c.x0, c.x1));
        EXPECT_LE(x, std::max(c.x0, c.x1));
        EXPECT_GE(y, std::min(c.y0, c.y1));
        EXPECT_LE(y, std::max(c.y0, c.y1));
      }
    EXPECT_EQ(count, std::max(dx, dy));  // one pixel per step of the major axis
    EXPECT_EQ(At(s, c.x0, c.y0), kPen);
    EXPECT_EQ(At(s, c.x1, c.y1), kBg);
  }
}

TEST_F(CanvasTest, SetPixelLeavesPenAndBrush) {
  Clear();
  canvas_.DrawRectangle(10, 10, 20, 20);
  canvas_.SetPixel(30, 30, 0x00FF00);
  canvas_.DrawRectangle(40, 40, 50, 50);
  EXPECT_EQ(canvas_.Pen.Color, kPen);
  EXPECT_EQ(canvas_.Brush.Color, kBrush);
  auto s = Shot();
  EXPECT_EQ(Mismatches(s, 29, 29, 31, 31,
                       [](int x, int y) { return x == 30 && y == 30 ? 0x00FF00 : kBg; }),
            "");
  EXPECT_EQ(Mismatches(s, 39, 39, 51, 51, Box(40, 40, 10, 10, kPen, kBrush)), "");
}

TEST_F(CanvasTest, CopyCanvasRectSeesSourceAsBeforeInEveryDirection) {
  // A pattern with a distinct colour per pixel around the copied area.
  auto pattern = [](int x, int y) { return TColor((x * 7) | ((y * 5) << 8) | 0x400000); };
  struct Case {
    int dx, dy;
  } cases[] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {3, 2}, {-2, -3}, {5, -1}, {20, 20}};
  const TRect src{100, 100, 117, 108};  // 17 by 8, the animation's size
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dx << "," << c.dy);
    Clear();
    for (int y = 90; y < 130; ++y)
      for (int x = 90; x < 140; ++x) canvas_.SetPixel(x, y, pattern(x, y));
    TRect dst{src.Left + c.dx, src.Top + c.dy, src.Right + c.dx, src.Bottom + c.dy};
    canvas_.CopyCanvasRect(dst, canvas_, src);
    auto s = Shot();
    EXPECT_EQ(Mismatches(s, 90, 90, 139, 129,
                         [&](int x, int y) {
                           if (x >= dst.Left && x < dst.Right && y >= dst.Top && y < dst.Bottom)
                             return pattern(x - c.dx, y - c.dy);
                           return pattern(x, y);
                         }),
              "");
  }
  // Zero width or height on either side copies nothing.
  Clear();
  for (int y = 90; y < 130; ++y)
    for (int x = 90; x < 140; ++x) canvas_.SetPixel(x, y, pattern(x, y));
  canvas_.CopyCanvasRect({101, 100, 101, 108}, canvas_, {100, 100, 100, 108});
  canvas_.CopyCanvasRect({101, 100, 118, 100}, canvas_, {100, 100, 117, 100});
  auto s = Shot();
  EXPECT_EQ(Mismatches(s, 90, 90, 139, 129, pattern), "");
}

TEST_F(CanvasTest, ClipRegionLimitsDrawingUntilLifted) {
  GdkRectangle r{50, 60, 30, 20};
  GdkRegion* region = gdk_region_rectangle(&r);
  // A fresh canvas: the clip must reach the GC made later at the first draw.
  TCanvas fresh;
  fresh.native().SetClip(region);
  fresh.native().Attach(area_->window);
  gdk_region_destroy(region);  // the canvas keeps a copy
  fresh.Brush.Color = kBrush;
  Clear();
  fresh.FillRectangle({0, 0, kW, kH});
  auto s = Shot();
  EXPECT_EQ(Mismatches(s, 0, 0, 199, 149,
                       [](int x, int y) {
                         return x >= 50 && x < 80 && y >= 60 && y < 80 ? kBrush : kBg;
                       }),
            "");
  fresh.native().SetClip(nullptr);
  fresh.FillRectangle({0, 0, kW, kH});
  s = Shot();
  EXPECT_EQ(Mismatches(s, 0, 0, kW - 1, kH - 1, [](int, int) { return kBrush; }), "");
}

TEST_F(CanvasTest, GetPixelAndSystemColours) {
  Clear();
  canvas_.SetPixel(5, 6, 0x123456);
  EXPECT_EQ(canvas_.GetPixel(5, 6), 0x123456u);
  EXPECT_EQ(canvas_.GetPixel(6, 6), kBg);
  EXPECT_EQ(canvas_.GetPixel(-1, 0), fw::clNone);

  GtkStyle* st = gtk_widget_get_default_style();
  auto rgb = [](const GdkColor& g) {
    return TColor((g.red >> 8) | ((g.green >> 8) << 8) | ((g.blue >> 8) << 16));
  };
  EXPECT_EQ(fw::ResolveColor(fw::clBtnFace), rgb(st->bg[GTK_STATE_NORMAL]));
  // The 3D light is a shade lighter than the face, never black.
  TColor face = fw::ResolveColor(fw::clBtnFace), light = fw::ResolveColor(fw::cl3DLight);
  for (int shift = 0; shift < 24; shift += 8)
    EXPECT_GE((light >> shift) & 0xFF, (face >> shift) & 0xFF) << "channel " << shift;
  EXPECT_NE(light, face);
  EXPECT_EQ(fw::ResolveColor(fw::clWindowText), rgb(st->text[GTK_STATE_NORMAL]));
  EXPECT_EQ(fw::ResolveColor(0x00808080), 0x808080u);
  canvas_.Brush.Color = fw::clBtnFace;
  canvas_.FillRectangle({0, 0, 2, 2});
  EXPECT_EQ(canvas_.GetPixel(1, 1), fw::ResolveColor(fw::clBtnFace));
}

TEST(CanvasDetached, EverythingIsANoOp) {
  TCanvas c;
  c.DrawRectangle(0, 0, 10, 10);
  c.FillRectangle({0, 0, 10, 10});
  c.DrawEllipse(0, 0, 10, 10);
  c.DrawPolygon({{0, 0}, {5, 5}, {0, 5}});
  c.MovePenTo(3, 4);
  c.DrawLineTo(7, 8);
  c.SetPixel(1, 1, fw::clRed);
  c.CopyCanvasRect({0, 0, 5, 5}, c, {1, 1, 6, 6});
  EXPECT_EQ(c.PenPos, (fw::TPoint{7, 8}));
  EXPECT_EQ(c.GetPixel(1, 1), fw::clNone);
}

}  // namespace
