// The drawing surface of a window's client area. Pixel-exact GDK core calls,
// no antialiasing. Pen, brush and pen position belong to the canvas and stay
// in force across handlers and paints until set again.
//
// Outside a paint, drawing goes straight to the screen. During a paint the
// form sets a clip region (the painted part less the opaque labels).
#pragma once

#include <initializer_list>
#include <memory>
#include <vector>

#include "framework/types.h"

namespace fw {

struct TPen {
  TColor Color = clBlack;
  int Width = 1;
};

struct TBrush {
  TColor Color = clWhite;
};

class TCanvas {
 public:
  TCanvas();
  ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TPen Pen;
  TBrush Brush;
  TPoint PenPos{0, 0};

  // Box covering min(x)..max(x)-1, min(y)..max(y)-1: outline with the pen,
  // inside with the brush. Zero width or height draws nothing.
  void DrawRectangle(int x1, int y1, int x2, int y2);
  // Brush fill of Left..Right-1 x Top..Bottom-1; no reordering of corners.
  void FillRectangle(const TRect& r);
  // Ellipse inscribed in the box DrawRectangle would cover.
  void DrawEllipse(int x1, int y1, int x2, int y2);
  // Closed polygon, non-zero winding fill, pen outline.
  void DrawPolygon(std::initializer_list<TPoint> points);
  void DrawPolygon(const std::vector<TPoint>& points);
  void MovePenTo(int x, int y);
  void DrawLineTo(int x, int y);
  // Sets one pixel; pen and brush untouched.
  void SetPixel(int x, int y, TColor color);
  // Copies on-screen pixels of source rect to dest rect (equal sizes);
  // overlapping copies see the source as it was before.
  void CopyCanvasRect(const TRect& dest, TCanvas& source, const TRect& sourceRect);

  // Reads one pixel back from the screen (tests and diagnostics).
  TColor GetPixel(int x, int y);

  // The toolkit side: the window drawn on, its GC, the clip of a paint
  // (framework/native.h). Before the window exists drawing does nothing.
  struct Native;
  Native& native() const { return *native_; }

 private:
  std::unique_ptr<Native> native_;
};

// Resolves system colours (clBtnFace, ...) to plain $BBGGRR values.
TColor ResolveColor(TColor c);

}  // namespace fw
