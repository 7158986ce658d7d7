// Event order and delivery: Checked, user clicks, clicks on labels, timers,
// the message box and the report of exceptions that leave a handler.
#include <unistd.h>

#include <csignal>
#include <functional>

#include "tests/framework/boxes.h"
#include "tests/framework/fw_fixture.h"
#include "tests/framework/manual_clock.h"
// After gtest: Xlib's macros (None, Bool) break its headers.
#include <X11/Xlib.h>
#include <gdk/gdkx.h>

namespace fwtest {
namespace {

class Events : public ::testing::Test {
 protected:
  void SetUp() override { Init(); }
};

const char* kRadios =
    "[R1]\nClass=TRadioButton\nLeft=10\nTop=10\nWidth=80\nHeight=22\nCaption=R&1\n"
    "OnChange=Change\nOnClick=Click\n"
    "[R2]\nClass=TRadioButton\nLeft=10\nTop=40\nWidth=80\nHeight=22\nCaption=R&2\nOnClick=Click\n"
    "[R3]\nClass=TRadioButton\nLeft=10\nTop=70\nWidth=80\nHeight=22\nCaption=R&3\n"
    "OnChange=Change\nOnClick=Click\n"
    "[C1]\nClass=TCheckBox\nLeft=100\nTop=10\nWidth=80\nHeight=22\nCaption=C_1\nOnClick=Click\n";

TRadioButton* Radio(TestForm& f, int i) { return i == 1 ? f.R1 : i == 2 ? f.R2 : f.R3; }

bool WidgetActive(TButtonControl* c) {
  return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(gtk_bin_get_child(GTK_BIN(fw::WidgetOf(*c)))));
}

TEST_F(Events, CheckedRunsHandlersInOrder) {
  struct Case {
    int selected, target;
    std::vector<std::string> log;
  } cases[] = {
      {3, 1, {"R3Change", "R3Click", "R1Change", "R1Click"}},
      {2, 1, {"R2Click", "R1Change", "R1Click"}},
      {1, 1, {}},
  };
  for (const auto& c : cases) {
    auto f = Build(kRadios, false);
    Radio(*f, c.selected)->SetChecked(true);
    f->log.clear();
    Radio(*f, c.target)->SetChecked(true);
    EXPECT_EQ(f->log, c.log) << "selected R" << c.selected << ", target R" << c.target;
    for (int i = 1; i <= 3; ++i) {
      EXPECT_EQ(Radio(*f, i)->Checked(), i == c.target);
      EXPECT_EQ(WidgetActive(Radio(*f, i)), i == c.target);
    }
  }
  auto f = Build(kRadios, false);
  f->C1->SetChecked(false);
  EXPECT_TRUE(f->log.empty());
  f->C1->SetChecked(true);
  f->C1->SetChecked(true);
  EXPECT_EQ(f->log, std::vector<std::string>{"C1Click"});
  EXPECT_TRUE(WidgetActive(f->C1));
  f->R1->SetChecked(true);
  f->R1->SetChecked(false);
  EXPECT_FALSE(WidgetActive(f->R1)) << "a radio can be switched off alone";
}

TEST_F(Events, ClickOnRadioSelectsAgainOnceWhenHandlerMovesSelection) {
  auto f = Build(kRadios);
  f->R1->SetChecked(true);
  f->log.clear();
  f->on_click_extra = [&](TObject* s) {
    if (s == f->R2) f->R1->SetChecked(true);
  };
  ClickOn(*f, f->R2);
  std::vector<std::string> want{"R1Change", "R1Click", "R2Click", "R2Click", "R1Change", "R1Click",
                                "R1Change", "R1Click", "R2Click", "R2Click", "R1Change", "R1Click"};
  EXPECT_EQ(f->log, want);
  EXPECT_TRUE(f->R1->Checked());
  EXPECT_TRUE(WidgetActive(f->R1));

  f->on_click_extra = nullptr;
  f->log.clear();
  ClickOn(*f, f->R1);
  EXPECT_TRUE(f->log.empty()) << "click on the selected one";
  ClickOn(*f, f->C1);
  EXPECT_EQ(f->log, std::vector<std::string>{"C1Click"});
  EXPECT_TRUE(f->C1->Checked());
}

TEST_F(Events, RealPointerClickOnCheckBoxAndButton) {
  auto f = Build(std::string(kRadios) +
                 "[B1]\nClass=TButton\nLeft=100\nTop=60\nWidth=80\nHeight=30\nCaption=&Go\nOnClick=Click\n"
                 "[M1]\nClass=TMemo\nLeft=100\nTop=95\nWidth=80\nHeight=20\nReadOnly=true\nOnClick=Click\n");
  auto click = [&](int x, int y) { ClickAt(*f, x, y); };
  click(110, 21);
  click(140, 75);
  click(20, 81);  // R3: R1 is not selected, so only R3's handlers run
  click(140, 105);
  EXPECT_EQ(f->log, (std::vector<std::string>{"C1Click", "B1Click", "R3Change", "R3Click", "M1Click"}));
}

// Synthesized press/release on the canvas at the given time (ms).
void Press(TestForm& f, int x, int y, guint32 t, bool release = true) {
  for (GdkEventType type : {GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE}) {
    if (type == GDK_BUTTON_RELEASE && !release) break;
    GdkEvent* e = gdk_event_new(type);
    e->button.window = GDK_WINDOW(g_object_ref(fw::CanvasOf(f)->window));
    e->button.x = x;
    e->button.y = y;
    e->button.time = t;
    e->button.button = 1;
    e->button.device = gdk_device_get_core_pointer();
    gtk_main_do_event(e);
    gdk_event_free(e);
  }
}

TEST_F(Events, ClicksOnLabels) {
  const char* body =
      "[L1]\nClass=TLabel\nLeft=10\nTop=10\nWidth=60\nHeight=40\nAutoSize=false\nOnClick=Click\n"
      "[L2]\nClass=TLabel\nLeft=40\nTop=30\nWidth=60\nHeight=40\nAutoSize=false\nOnClick=Click\n"
      "[L3]\nClass=TLabel\nLeft=120\nTop=10\nWidth=30\nHeight=30\nAutoSize=false\nVisible=false\n"
      "OnClick=Click\n";
  struct Case {
    const char* what;
    std::vector<guint32> times;  // presses at (20, 20), 1 px apart
    int clicks;
  } cases[] = {
      {"single", {1000}, 1},
      {"double: the second press clicks not", {1000, 1100}, 1},
      {"triple", {1000, 1100, 1200}, 2},
      {"four, then a new series", {1000, 1100, 1200, 1300, 1400}, 4},
      {"too slow for a series", {1000, 1300}, 2},
  };
  for (const auto& c : cases) {
    auto f = Build(body);
    int dx = 0;
    for (guint32 t : c.times) Press(*f, 20 + dx++, 20, t);
    EXPECT_EQ(f->log.size(), static_cast<size_t>(c.clicks)) << c.what;
  }
  auto f = Build(body);
  Press(*f, 50, 40, 1000);  // overlap: the later one is on top
  Press(*f, 130, 20, 2000);  // hidden: nothing
  Press(*f, 20, 20, 3000, false);
  GdkEvent* e = gdk_event_new(GDK_BUTTON_RELEASE);  // release outside the label
  e->button.window = GDK_WINDOW(g_object_ref(fw::CanvasOf(*f)->window));
  e->button.x = 180;
  e->button.y = 100;
  e->button.button = 1;
  e->button.time = 3050;
  gtk_main_do_event(e);
  gdk_event_free(e);
  EXPECT_EQ(f->log, std::vector<std::string>{"L2Click"});
}

// Answers the open box after ms, running check first.
void AnswerLater(int ms, int response, std::function<void(GtkWidget*)> check = nullptr) {
  struct A {
    int response;
    std::function<void(GtkWidget*)> check;
  };
  g_timeout_add(ms, [](gpointer p) -> gboolean {
    std::unique_ptr<A> a(static_cast<A*>(p));
    GtkWidget* box = boxes::Any();
    if (box) {
      if (a->check) a->check(box);
      gtk_dialog_response(GTK_DIALOG(box), a->response);
    }
    return FALSE;
  }, new A{response, std::move(check)});
}

std::string BoxText(GtkWidget* box) {
  gchar* t = nullptr;
  g_object_get(box, "text", &t, nullptr);
  std::string s = t ? t : "";
  g_free(t);
  return s;
}

TEST_F(Events, MessageBoxResultsWhileTimersFire) {
  ManualClock clock;
  auto f = Build("[T1]\nClass=TTimer\nInterval=100\nOnTimer=Tick\n");
  for (auto [response, result] : {std::pair{GTK_RESPONSE_OK, 1}, {GTK_RESPONSE_CANCEL, 2}}) {
    f->log.clear();
    std::string title;
    // Inside the box's own loop: time passes and the timer fires.
    AnswerLater(50, response, [&](GtkWidget* b) {
      title = gtk_window_get_title(GTK_WINDOW(b));
      clock.Advance(500);
    });
    EXPECT_EQ(Application->MessageBox("Quit?", "Question", 1), result);
    EXPECT_EQ(title, "Question");
    EXPECT_EQ(f->log.size(), 5u) << "timer fired while the box was open";
  }
}

// The timer rules on a clock the test moves.
TEST_F(Events, TimerRules) {
  ManualClock clock;
  auto f = Build("[T1]\nClass=TTimer\nInterval=80\nOnTimer=Tick\n");
  std::vector<std::int64_t> at;
  f->on_timer_extra = [&](TObject*) { at.push_back(clock.NowMs()); };
  const auto since = [&](std::int64_t t0) {
    std::vector<std::int64_t> v;
    for (auto t : at) v.push_back(t - t0);
    return v;
  };

  // Enabled := true on a running timer keeps its rhythm.
  f->T1->SetEnabled(false);
  std::int64_t t0 = clock.NowMs();
  f->T1->SetEnabled(true);
  clock.Advance(40);
  f->T1->SetEnabled(true);
  clock.Advance(60);
  EXPECT_EQ(since(t0), (std::vector<std::int64_t>{80}));

  // False then true: one full interval from then.
  at.clear();
  clock.Advance(40);
  f->T1->SetEnabled(false);
  t0 = clock.NowMs();
  f->T1->SetEnabled(true);
  clock.Advance(170);
  EXPECT_EQ(since(t0), (std::vector<std::int64_t>{80, 160}));

  // A firing already due when disabled does not come.
  at.clear();
  clock.Busy(200);
  f->T1->SetEnabled(false);
  clock.Advance(200);
  EXPECT_TRUE(at.empty());

  // A long handler: once more when the loop is free, then the period counts
  // on from there; no firing for each period missed.
  at.clear();
  bool slow = true;
  f->on_timer_extra = [&](TObject*) {
    at.push_back(clock.NowMs());
    if (slow) clock.Busy(500), slow = false;
  };
  t0 = clock.NowMs();
  f->T1->SetEnabled(true);
  clock.Advance(700);
  EXPECT_EQ(since(t0), (std::vector<std::int64_t>{80, 580, 660}));

  // No re-entry through a box opened by its own handler.
  at.clear();
  int depth = 0, max_depth = 0;
  f->on_timer_extra = [&](TObject*) {
    at.push_back(clock.NowMs());
    max_depth = std::max(max_depth, ++depth);
    if (at.size() == 1) {
      f->T1->SetEnabled(false);
      f->T1->SetEnabled(true);  // a fresh timeout, due while the box is open
      AnswerLater(50, GTK_RESPONSE_OK, [&](GtkWidget*) { clock.Advance(300); });
      Application->MessageBox("x", "y", 1);
    }
    --depth;
  };
  clock.Advance(80);
  EXPECT_EQ(at.size(), 1u);
  EXPECT_EQ(max_depth, 1);
  clock.Advance(80);
  EXPECT_EQ(at.size(), 2u) << "it fires again once its handler has returned";
  f->T1->SetEnabled(false);
}

TEST_F(Events, ExceptionReportOkGoesOn) {
  auto f = Build("");
  std::string text, title;
  int boxes_during_second = 0;
  // A second exception while the box is open: logged, the box stays the only one.
  g_timeout_add(150, [](gpointer) -> gboolean {
    Dispatch([] { throw Exception("second fault"); });
    return FALSE;
  }, nullptr);
  AnswerLater(400, GTK_RESPONSE_OK, [&](GtkWidget* b) {
    text = BoxText(b);
    title = gtk_window_get_title(GTK_WINDOW(b));
    boxes_during_second = static_cast<int>(boxes::Open().size());
  });
  testing::internal::CaptureStderr();
  Dispatch([] { throw Exception("Disk full"); });
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(text,
            "Disk full.\r\rPress OK to ignore and risk data corruption.\rPress Cancel to kill the program.");
  EXPECT_EQ(title, Application->Title);
  EXPECT_EQ(Application->Title, "fwtest");
  EXPECT_EQ(boxes_during_second, 1);
  EXPECT_NE(err.find("TApplication.HandleException Disk full\n"), std::string::npos) << err;
  EXPECT_NE(err.find("second fault"), std::string::npos) << err;

  // A message ending in "." gets none added.
  AnswerLater(100, GTK_RESPONSE_OK, [&](GtkWidget* b) { text = BoxText(b); });
  testing::internal::CaptureStderr();
  Dispatch([] { throw std::runtime_error("Stop."); });
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(text.substr(0, 7), "Stop.\r\r");
}

TEST_F(Events, ExceptionReportCancelEndsWithZero) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        Application->SetExitHook([] { std::fprintf(stderr, "exit hook ran\n"); });
        AnswerLater(100, GTK_RESPONSE_CANCEL);
        Dispatch([] { throw Exception("Fatal"); });
        std::fprintf(stderr, "went on\n");
        std::exit(3);
      },
      testing::ExitedWithCode(0), "TApplication.HandleException Fatal(.|\n)*exit hook ran");
}

// Where there is no application to show the box, a failure that leaves a
// handler still reaches the diagnostic output, whatever was thrown.
TEST_F(Events, DispatchWithoutApplicationLogsEveryFailure) {
  TApplication* const app = Application;
  Application = nullptr;
  testing::internal::CaptureStderr();
  Dispatch([] { throw Exception("Disk Full"); });
  Dispatch([] { throw 7; });
  const std::string err = testing::internal::GetCapturedStderr();
  Application = app;
  EXPECT_NE(err.find("TApplication.HandleException Disk Full\n"), std::string::npos) << err;
  EXPECT_NE(err.find("TApplication.HandleException unknown exception\n"), std::string::npos) << err;
}

// The toolkit may destroy a control's widget before the control goes (with
// its window, or on its own): the control then touches it no more, neither
// in its writers nor when it is freed.
TEST_F(Events, AControlWhoseWidgetTheToolkitDestroyedFirst) {
  auto f = Build(std::string(kRadios) +
                 "[B1]\nClass=TButton\nLeft=100\nTop=60\nWidth=80\nHeight=30\nCaption=&Go\n"
                 "[U1]\nClass=TUpDown\nLeft=100\nTop=90\nWidth=33\nHeight=25\n"
                 "[M1]\nClass=TMemo\nLeft=140\nTop=90\nWidth=50\nHeight=25\nLines=a;b;\n");
  for (TWinControl* c : std::initializer_list<TWinControl*>{f->B1, f->U1, f->M1, f->R1, f->C1}) {
    ASSERT_NE(WidgetOf(*c), nullptr) << c->Name;
    gtk_widget_destroy(WidgetOf(*c));
    EXPECT_EQ(WidgetOf(*c), nullptr) << c->Name;
  }
  f->B1->SetCaption("&Stop");
  f->B1->SetFontColor(clRed);
  f->B1->SetVisible(false);
  f->U1->SetBounds(0, 0, 20, 20);
  f->U1->SetPosition(3);
  f->R2->SetChecked(true);  // deselects R1, whose widget is gone
  f->C1->SetChecked(true);
  EXPECT_EQ(f->M1->Text(), "a\nb");
  Settle();
  f.reset();  // frees the controls: no widget destroyed twice
  Settle();
}

// An OnPaint that fails leaves nothing of the paint behind: the labels are
// painted all the same, and the canvas draws unclipped again afterwards.
TEST_F(Events, AFailingPaintLiftsItsClip) {
  auto f = Build(
      "OnPaint=Paint\n"
      "[L1]\nClass=TLabel\nLeft=10\nTop=10\nWidth=30\nHeight=20\nAutoSize=false\nCaption=\n"
      "Color=clRed\n");
  f->paint_colour = clBlue;
  struct PaintFailed {};
  const TNotifyEvent paint = f->OnPaint;
  f->OnPaint = [&](TObject* s) {
    paint(s);
    throw PaintFailed{};
  };
  GdkRectangle all{0, 0, 200, 120};
  GdkRegion* r = gdk_region_rectangle(&all);
  EXPECT_THROW(f->native().PaintRegion(r), PaintFailed);
  gdk_region_destroy(r);
  EXPECT_EQ(Pixel(*f, 20, 20), clRed) << "the label painted over the failed paint";
  f->Canvas()->Brush.Color = clLime;
  f->Canvas()->FillRectangle({0, 0, 200, 120});
  EXPECT_EQ(Pixel(*f, 20, 20), clLime) << "drawing after it is not clipped";
  EXPECT_EQ(Pixel(*f, 150, 100), clLime);
}

TEST_F(Events, CloseFromHandlerEndsRunAfterIt) {
  Application->DestroyForms();
  const char* desc =
      "[Form1]\nClass=TTestForm\nLeft=0\nTop=0\nClientWidth=100\nClientHeight=60\nOnDestroy=Created\n"
      "[T1]\nClass=TTimer\nInterval=50\nOnTimer=Tick\n";
  RegisterResource("TTestForm", "FORMDATA", {desc});
  TestForm* f = nullptr;
  Application->CreateForm(f);
  bool hook = false;
  Application->SetExitHook([&] { hook = true; });
  f->on_timer_extra = [&](TObject*) {
    f->Close();
    f->log.push_back("after Close");
  };
  Application->Run();
  EXPECT_EQ(f->log, (std::vector<std::string>{"T1Timer", "after Close", "FormCreate"}));
  EXPECT_TRUE(hook);
  EXPECT_FALSE(gtk_widget_get_visible(fw::WindowOf(*f)));
  EXPECT_TRUE(f->Components().empty());
  Application->DestroyForms();
}


TEST_F(Events, ActivateAtShowAndAfterBox) {
  std::string head = std::string(kFormHead) + "OnActivate=Created\n";
  auto f = Build("", true, head);
  EXPECT_FALSE(f->log.empty()) << "focus-in when first shown";
  f.reset();
  Application->DestroyForms();
  // The box hands the focus back to the main form only.
  TestForm* main = nullptr;
  RegisterResource("TTestForm", "FORMDATA", {head});
  Application->CreateForm(main);
  main->native().Show();
  ASSERT_TRUE(PumpUntil([&] { return !main->log.empty(); }, 20000));
  Settle();
  main->log.clear();
  AnswerLater(100, GTK_RESPONSE_OK);
  Application->MessageBox("a", "b", 1);
  ASSERT_TRUE(PumpUntil([&] { return !main->log.empty(); }, 20000));
  Settle();
  EXPECT_EQ(main->log, std::vector<std::string>{"FormCreate"});
  Application->DestroyForms();
}

TEST_F(Events, HintAndHandCursorOverWindowlessLabel) {
  auto f = Build(
      "[L1]\nClass=TLabel\nLeft=20\nTop=20\nWidth=60\nHeight=40\nAutoSize=false\nHint=Heizung\n"
      "Cursor=crHandPoint\n");
  gint ox = 0, oy = 0;
  gdk_window_get_origin(fw::CanvasOf(*f)->window, &ox, &oy);
  auto move = [&](int x, int y) {
    std::string cmd = "xdotool mousemove " + std::to_string(ox + x) + " " + std::to_string(oy + y);
    ASSERT_EQ(system(cmd.c_str()), 0);
    Settle();
  };
  const auto tip = [&] {
    std::string text;
    GList* all = gtk_window_list_toplevels();
    for (GList* l = all; l; l = l->next) {
      GtkWidget* w = GTK_WIDGET(l->data);
      if (!gtk_widget_get_visible(w) || w == fw::WindowOf(*f)) continue;
      std::vector<GtkWidget*> todo{w};
      while (!todo.empty()) {
        GtkWidget* x = todo.back();
        todo.pop_back();
        if (GTK_IS_LABEL(x)) text += gtk_label_get_text(GTK_LABEL(x));
        if (GTK_IS_CONTAINER(x)) {
          GList* kids = gtk_container_get_children(GTK_CONTAINER(x));
          for (GList* k = kids; k; k = k->next) todo.push_back(GTK_WIDGET(k->data));
          g_list_free(kids);
        }
      }
    }
    g_list_free(all);
    return text;
  };
  move(150, 100);
  move(40, 35);
  move(41, 36);  // resting: the tooltip comes after its delay
  GdkCursor* c = gdk_window_get_cursor(fw::CanvasOf(*f)->window);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(gdk_cursor_get_cursor_type(c), GDK_HAND2);
  EXPECT_TRUE(PumpUntil([&] { return !tip().empty(); }, 20000));
  EXPECT_EQ(tip(), "Heizung");
  move(150, 100);
  EXPECT_EQ(gdk_window_get_cursor(fw::CanvasOf(*f)->window), nullptr);
}

// A main window of its own, with an exit hook that says when it runs.
TestForm* MainFormWithExitHook(const char* description) {
  Application->DestroyForms();
  RegisterResource("TTestForm", "FORMDATA", {description});
  TestForm* f = nullptr;
  Application->CreateForm(f);
  Application->SetExitHook([] { std::fprintf(stderr, "exit hook ran\n"); });
  return f;
}

TEST_F(Events, TerminationSignalEndsLoopLikeClose) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        TestForm* f = MainFormWithExitHook(
            "[Form1]\nClass=TTestForm\nClientWidth=50\nClientHeight=50\nOnDestroy=Created\n");
        g_timeout_add(100, [](gpointer) -> gboolean {
          raise(SIGTERM);
          return FALSE;
        }, nullptr);
        Application->Run();
        std::fprintf(stderr, "run returned after %s\n", f->log.back().c_str());
        std::exit(7);
      },
      testing::ExitedWithCode(7), "exit hook ran\nrun returned after FormCreate");
}

// Destroys a window from another client, then draws on it from here, before
// this connection has seen the destruction: requests that must fail.
void DestroyFromOutsideAndDraw(GdkWindow* w, const std::function<void()>& draw) {
  Display* other = XOpenDisplay(nullptr);
  XDestroyWindow(other, GDK_WINDOW_XID(w));
  XSync(other, False);
  XCloseDisplay(other);
  for (int i = 0; i < 5; ++i) draw();
  XSync(GDK_WINDOW_XDISPLAY(w), False);
}

// X errors: what follows from a window that another client destroyed is
// harmless until the destruction has been handled. The main window's
// destruction then ends the program like a close; a box's answers the box
// with neither OK nor Cancel, and the program goes on. Any other error ends
// the program with 1. The exit hook runs on every way out.
TEST_F(Events, XErrorsEndTheProgramOnlyWithTheExitHookRun) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  enum class Gone { kNothing, kMainWindow, kBox };
  // A request that must fail, on a resource of no window: an id of another
  // client's, or an id of our own that names nothing.
  enum class Fault { kNone, kOtherId, kOwnId };
  const struct {
    const char* what;
    Gone gone;
    Fault fault;
    int code;
    const char* out;
  } cases[] = {
      {"main window destroyed from outside, then drawn on", Gone::kMainWindow, Fault::kNone, 0,
       "went on(.|\n)*exit hook ran"},
      {"an error of our own", Gone::kNothing, Fault::kOtherId, 1, "X error (.|\n)*exit hook ran"},
      {"an error of our own after the window went", Gone::kMainWindow, Fault::kOtherId, 1,
       "X error (.|\n)*exit hook ran"},
      {"box destroyed from outside while open, then drawn on", Gone::kBox, Fault::kNone, 7,
       "box answered 0\nwent on"},
      {"an error on our own id once the box's destruction was handled", Gone::kBox, Fault::kOwnId, 1,
       "box answered 0\n.*X error BadPixmap(.|\n)*exit hook ran"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EXIT(
        {
          TestForm* f =
              MainFormWithExitHook("[Form1]\nClass=TTestForm\nClientWidth=80\nClientHeight=60\n");
          f->native().Show();
          PumpUntil([&] { return gdk_window_is_viewable(fw::CanvasOf(*f)->window); }, 20000);
          Display* own = GDK_WINDOW_XDISPLAY(fw::WindowOf(*f)->window);
          if (c.gone == Gone::kMainWindow)
            DestroyFromOutsideAndDraw(fw::WindowOf(*f)->window,
                                      [f] { f->Canvas()->DrawRectangle(0, 0, 40, 40); });
          if (c.gone == Gone::kBox) {
            g_timeout_add(20, [](gpointer) -> gboolean {
              static int polls = 0;
              GtkWidget* box = boxes::Any();
              if (!box || !gtk_widget_get_realized(box)) {
                if (++polls < 1000) return TRUE;
                std::fprintf(stderr, "the box never opened\n");
                std::_Exit(9);
              }
              // With the toolkit's core calls and with its RENDER ones, on a
              // picture of the window made before it went.
              cairo_t* cr = gdk_cairo_create(box->window);
              DestroyFromOutsideAndDraw(box->window, [box, cr] {
                gdk_draw_rectangle(box->window, box->style->black_gc, TRUE, 0, 0, 20, 20);
                cairo_rectangle(cr, 0, 0, 20, 20);
                cairo_fill(cr);
                cairo_surface_flush(cairo_get_target(cr));
              });
              cairo_destroy(cr);
              return FALSE;
            }, nullptr);
            const int answer = Application->MessageBox("Frage?", "Titel", box::kOkCancel);
            std::fprintf(stderr, "box answered %d\n", answer);
            Settle();  // the destruction handled
          }
          if (c.fault == Fault::kOtherId) XFreePixmap(own, 0x7fffffff);
          if (c.fault == Fault::kOwnId) XFreePixmap(own, XAllocID(own));
          XSync(own, False);
          std::fprintf(stderr, "went on\n");
          if (c.gone == Gone::kBox) std::exit(7);
          Application->Run();
          std::exit(7);
        },
        testing::ExitedWithCode(c.code), c.out);
  }
}

}  // namespace
}  // namespace fwtest
