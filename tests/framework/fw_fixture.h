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
#include "tests/gui.h"

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

using guitest::NowMs;
using guitest::PumpUntil;
using guitest::Settle;

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
    EXPECT_TRUE(PumpUntil([&] { return gdk_window_is_viewable(fw::CanvasOf(*f)->window); }, 20000))
        << "the form never became viewable";
    Settle();
  }
  return f;
}

// A real left click (xdotool) at a point of the form's client area, or in
// the middle of a control.
inline void ClickAt(TForm& f, int x, int y) { guitest::ClickAt(fw::CanvasOf(f)->window, x, y); }
inline void ClickOn(TForm& f, TControl* c) { guitest::ClickOn(f, *c); }

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
