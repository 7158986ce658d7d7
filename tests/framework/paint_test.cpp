// Painting: what OnPaint covers, stacking of labels and pictures, direct
// drawing clipped by windowed controls, repaints of changed controls.
#include <ctime>
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
  f->I1->SetPicture(green);
  g_object_unref(green);
  f->Show();
  PumpUntil([&] { return gdk_window_is_viewable(f->CanvasWidget()->window); }, 20000);
  Settle();
  int exposes = 0;
  g_signal_connect(f->CanvasWidget(), "expose-event", G_CALLBACK(CountExposes), &exposes);

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

TEST_F(Paint, FullPaintOfBusyWindowIsFast) {
  std::string body = "OnPaint=Paint\n";
  for (int i = 0; i < 40; ++i) {
    std::string n = "X" + std::to_string(i);
    body += "[" + n + "]\nClass=" + (i % 4 == 3 ? "TImage" : "TLabel") + "\nLeft=" +
            std::to_string(10 + (i % 8) * 80) + "\nTop=" + std::to_string(10 + (i / 8) * 80) +
            "\nWidth=70\nHeight=25\n";
    if (i % 4 != 3) body += "AutoSize=false\nCaption=Label " + n + "\nColor=clBtnFace\nTransparent=" +
                            (i % 2 ? "true" : "false") + "\nAlignment=taCenter\nLayout=tlCenter\n";
  }
  const char* head =
      "[Form1]\nClass=TTestForm\nLeft=0\nTop=0\nClientWidth=682\nClientHeight=451\n";
  RegisterResource("TTestForm", "FORMDATA", {head, body});
  // Every component needs a field; these share two.
  TFormClass k("TTestForm");
  k.Method("Paint", &TestForm::Paint);
  for (int i = 0; i < 40; ++i) {
    std::string n = "X" + std::to_string(i);
    if (i % 4 == 3)
      k.Field(n, &TestForm::I1);
    else
      k.Field(n, &TestForm::L1);
  }
  auto f = std::make_unique<TestForm>(nullptr);
  f->ReadDescription(k);
  GdkPixbuf* pic = Solid(50, 25, clLime);
  for (auto& c : f->Components())
    if (auto* im = dynamic_cast<TImage*>(c.get())) im->SetPicture(pic);
  g_object_unref(pic);
  f->Show();
  PumpUntil([&] { return gdk_window_is_viewable(f->CanvasWidget()->window); }, 20000);
  Settle();
  GdkRectangle all{0, 0, 682, 451};
  GdkRegion* r = gdk_region_rectangle(&all);
  // The program's own CPU time: what other work keeps the machine busy with
  // does not count, nor the X server's drawing.
  const auto cpu_ms = [] {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
  };
  const int runs = 50;
  const double t0 = NowMs(), c0 = cpu_ms();
  for (int i = 0; i < runs; ++i) f->PaintRegion(r);
  gdk_display_sync(gdk_display_get_default());  // the server has drawn it all
  const double per = (NowMs() - t0) / runs, cpu = (cpu_ms() - c0) / runs;
  gdk_region_destroy(r);
  std::printf("full paint of 682x451 with 40 labels and pictures: %.3f ms, %.3f ms of CPU\n",
              per, cpu);
  EXPECT_LT(cpu, 2.0);
}

}  // namespace
}  // namespace fwtest
