// Test form for the framework: a small description of its own, handlers that
// log "<Sender><Event>", and helpers to run the loop and read pixels.
#pragma once

#include <gdk/gdk.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "framework/native.h"

namespace fwtest {

using namespace fw;

inline void Init() {
  if (!Application) {
    static int argc = 1;
    static char name[] = "fwtest.bin";
    static char* args[] = {name, nullptr};
    static char** argv = args;
    InitFramework(&argc, &argv);
  }
}

inline double NowMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// Runs the loop for ms milliseconds.
inline void Pump(double ms) {
  double end = NowMs() + ms;
  while (NowMs() < end) {
    if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(500);
  }
}

// Runs what is due now, however busy the machine: the events the X server
// has sent up to a round trip, and the repaints and other idle work they
// cause. Timers that are not due yet do not fire.
inline void Settle() {
  for (int i = 0; i < 3; ++i) {
    gdk_display_sync(gdk_display_get_default());
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
  }
}

// Runs the loop until cond holds, for at most timeout_ms; whether it held.
template <class F>
bool PumpUntil(F&& cond, double timeout_ms) {
  const double end = NowMs() + timeout_ms;
  while (!cond()) {
    if (NowMs() > end) return false;
    if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(1000);
  }
  return true;
}

struct TestForm : TForm {
  using TForm::TForm;
  TLabel *L1 = nullptr, *L2 = nullptr, *L3 = nullptr;
  TImage* I1 = nullptr;
  TButton* B1 = nullptr;
  TMemo *M1 = nullptr, *M2 = nullptr;
  TUpDown* U1 = nullptr;
  TRadioButton *R1 = nullptr, *R2 = nullptr, *R3 = nullptr;
  TCheckBox* C1 = nullptr;
  TTimer* T1 = nullptr;
  std::vector<std::string> log;
  int paints = 0;
  TColor paint_colour = clBlue;
  std::function<void(TObject*)> on_click_extra;
  std::function<void(TObject*)> on_timer_extra;

  static std::string NameOf(TObject* s) {
    auto* c = dynamic_cast<TComponent*>(s);
    return c ? c->Name : "?";
  }
  void Paint(TObject*) {
    ++paints;
    Canvas()->Brush.Color = paint_colour;
    Canvas()->FillRectangle({0, 0, ClientWidth(), ClientHeight()});
  }
  void Click(TObject* s) {
    log.push_back(NameOf(s) + "Click");
    if (on_click_extra) on_click_extra(s);
  }
  void Change(TObject* s) { log.push_back(NameOf(s) + "Change"); }
  void Tick(TObject* s) {
    log.push_back(NameOf(s) + "Timer");
    if (on_timer_extra) on_timer_extra(s);
  }
  void Created(TObject*) { log.push_back("FormCreate"); }
  void Step(TObject* s, TUDBtnType) { log.push_back(NameOf(s) + "Click"); }

  static const TFormClass& FormClass() {
    static TFormClass c = [] {
      TFormClass k("TTestForm");
      k.Field("L1", &TestForm::L1).Field("L2", &TestForm::L2).Field("L3", &TestForm::L3);
      k.Field("I1", &TestForm::I1).Field("B1", &TestForm::B1).Field("M1", &TestForm::M1);
      k.Field("M2", &TestForm::M2).Field("U1", &TestForm::U1);
      k.Field("R1", &TestForm::R1).Field("R2", &TestForm::R2).Field("R3", &TestForm::R3);
      k.Field("C1", &TestForm::C1).Field("T1", &TestForm::T1);
      k.Method("Paint", &TestForm::Paint).Method("Click", &TestForm::Click);
      k.Method("Change", &TestForm::Change).Method("Tick", &TestForm::Tick);
      k.Method("Created", &TestForm::Created).Method("Step", &TestForm::Step);
      return k;
    }();
    return c;
  }
};

inline const char* kFormHead =
    "[Form1]\nClass=TTestForm\nLeft=0\nTop=0\nClientWidth=200\nClientHeight=120\n"
    "BorderStyle=bsDialog\nCaption=Test\nShowHint=true\nFont.Color=clBlack\n";

// Builds and reads the form; shown and painted when show is true.
inline std::unique_ptr<TestForm> Build(const std::string& body, bool show = true,
                                      const std::string& head = kFormHead) {
  RegisterResource("TTestForm", "FORMDATA", {head, body});
  auto f = std::make_unique<TestForm>(nullptr);
  f->ReadDescription(TestForm::FormClass());
  if (show) {
    f->native().Show();
    PumpUntil([&] { return gdk_window_is_viewable(fw::CanvasOf(*f)->window); }, 20000);
    Settle();
  }
  return f;
}

// A real left click (xdotool) at a point of the form's client area. The
// toolkit's own controls click once per press and release, whatever the time
// between two; on labels and pictures click series count (ClickSeries).
inline void ClickAt(TForm& f, int x, int y) {
  gint ox = 0, oy = 0;
  gdk_window_get_origin(fw::CanvasOf(f)->window, &ox, &oy);
  const std::string cmd = "xdotool mousemove " + std::to_string(ox + x) + " " +
                          std::to_string(oy + y) + " click 1";
  ASSERT_EQ(system(cmd.c_str()), 0) << cmd;
  Settle();  // xdotool waits for the server as it leaves: its events are in
}

// A real left click in the middle of a windowed control.
inline void ClickOn(TForm& f, TControl* c) {
  ClickAt(f, c->Left() + c->Width() / 2, c->Top() + c->Height() / 2);
}

// Screen pixel of the form's canvas as $BBGGRR.
inline TColor Pixel(TForm& f, int x, int y) {
  gdk_flush();
  GdkPixbuf* p = gdk_pixbuf_get_from_drawable(nullptr, fw::CanvasOf(f)->window, nullptr, x, y,
                                              0, 0, 1, 1);
  if (!p) return 0xFFFFFFFFu;
  guchar* px = gdk_pixbuf_get_pixels(p);
  TColor c = px[0] | (px[1] << 8) | (px[2] << 16);
  g_object_unref(p);
  return c;
}

}  // namespace fwtest
