// Painting: what OnPaint covers, stacking of labels and pictures, direct
// drawing clipped by windowed controls, repaints of changed controls.
#include <set>

#include "tests/framework/fw_fixture.h"

namespace fwtest {
namespace {

class Paint : public ::testing::Test {
 protected:
  void SetUp() override { Init(); }
};

GdkPixbuf* Solid(int w, int h, TColor c) {
  GdkPixbuf* p = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, w, h);
  gdk_pixbuf_fill(p, ((c & 0xFF) << 24) | (((c >> 8) & 0xFF) << 16) | (((c >> 16) & 0xFF) << 8));
  return p;
}

const char* kScene =
    "OnPaint=Paint\n"
    "[L1]\nClass=TLabel\nLeft=10\nTop=10\nWidth=40\nHeight=20\nAutoSize=false\nCaption=\n"
    "Color=clRed\nTransparent=false\n"
    "[L2]\nClass=TLabel\nLeft=60\nTop=10\nCaption=WWW\nFont.Color=clBlack\nFont.Height=-13\n"
    "Font.Name=MS Sans Serif\n"
    "[I1]\nClass=TImage\nLeft=100\nTop=10\nWidth=40\nHeight=40\n";

int CountExposes(GtkWidget*, GdkEventExpose*, gpointer n) {
  ++*static_cast<int*>(n);
  return FALSE;
}

TEST_F(Paint, StackingAndRepaintOfChangedControls) {
  auto f = Build(kScene, false);
  GdkPixbuf* green = Solid(20, 20, clLime);
  fw::SetPicture(*f->I1, green);
  g_object_unref(green);
  f->native().Show();
  EXPECT_TRUE(PumpUntil([&] { return gdk_window_is_viewable(fw::CanvasOf(*f)->window); }, 20000))
      << "the form never became viewable";
  Settle();
  int exposes = 0;
  g_signal_connect(fw::CanvasOf(*f), "expose-event", G_CALLBACK(CountExposes), &exposes);

  EXPECT_GE(f->paints, 1);
  EXPECT_EQ(Pixel(*f, 20, 20), clRed) << "opaque label over OnPaint";
  EXPECT_EQ(Pixel(*f, 5, 5), clBlue) << "OnPaint";
  EXPECT_EQ(Pixel(*f, 105, 15), clLime) << "picture drawn at its corner";
  EXPECT_EQ(Pixel(*f, 130, 40), clBlue) << "picture narrower than its control";
  // Transparent label: only its text, in two colours.
  std::set<TColor> seen;
  for (int x = f->L2->Left(); x < f->L2->Left() + f->L2->Width(); ++x)
    for (int y = f->L2->Top(); y < f->L2->Top() + f->L2->Height(); ++y) seen.insert(Pixel(*f, x, y));
  EXPECT_EQ(seen, (std::set<TColor>{clBlue, clBlack}));
  EXPECT_GT(f->L2->Width(), 20) << "AutoSize from the text";

  // Drawing outside a paint shows at once, over labels too.
  f->Canvas()->Brush.Color = clYellow;
  f->Canvas()->FillRectangle({0, 0, 200, 120});
  EXPECT_EQ(Pixel(*f, 20, 20), clYellow);

  // A colour change repaints only the label, without OnPaint.
  int paints = f->paints;
  f->L1->SetColor(clLime);
  EXPECT_EQ(Pixel(*f, 20, 20), clYellow) << "not painted inside the handler";
  Settle();
  EXPECT_EQ(Pixel(*f, 20, 20), clLime);
  EXPECT_EQ(Pixel(*f, 5, 5), clYellow);
  EXPECT_EQ(f->paints, paints);

  // Writing unchanged values costs nothing.
  exposes = 0;
  f->L1->SetColor(clLime);
  f->L2->SetCaption("WWW");
  f->I1->SetVisible(true);
  f->SetCaption("Test");
  Settle();
  EXPECT_EQ(exposes, 0);

  // Hiding the picture runs OnPaint for its area only.
  f->I1->SetVisible(false);
  Settle();
  EXPECT_EQ(f->paints, paints + 1);
  EXPECT_EQ(Pixel(*f, 105, 15), clBlue);
  EXPECT_EQ(Pixel(*f, 5, 5), clYellow);
}

TEST_F(Paint, WindowedControlsClipCanvasDrawing) {
  auto f = Build(
      "[B1]\nClass=TButton\nLeft=10\nTop=40\nWidth=60\nHeight=30\nCaption=&Go\n"
      "[M1]\nClass=TMemo\nLeft=100\nTop=40\nWidth=80\nHeight=60\nColor=clAqua\nLines=a;b;\n");
  f->Canvas()->Brush.Color = clFuchsia;
  f->Canvas()->FillRectangle({0, 0, 200, 120});
  int hit_button = 0, hit_memo = 0;
  for (int x = 10; x < 70; ++x)
    for (int y = 40; y < 70; y += 3) hit_button += Pixel(*f, x, y) == clFuchsia;
  for (int x = 100; x < 180; x += 2)
    for (int y = 40; y < 100; y += 3) hit_memo += Pixel(*f, x, y) == clFuchsia;
  EXPECT_EQ(hit_button, 0);
  EXPECT_EQ(hit_memo, 0);
  EXPECT_EQ(Pixel(*f, 5, 5), clFuchsia);
  EXPECT_EQ(Pixel(*f, 150, 90), clAqua) << "memo background";
}

}  // namespace
}  // namespace fwtest
