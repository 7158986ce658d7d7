#include "tests/app/app_fixture.h"

#include <gdk/gdk.h>
#include <gtk/gtk.h>
#include <glib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "framework/native.h"
#include "tests/gui.h"
#include "framework/random.h"

namespace apptest {
namespace {

std::string g_workdir;

class AppEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "apptest";
    static char* args[] = {name, nullptr};
    static char** argv = args;
    fw::InitFramework(&argc, &argv);

    char dir[] = "/tmp/pyro-app-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    g_workdir = dir;
    ASSERT_EQ(chdir(dir), 0);

    farbe_ach16::InitializeUnit();
    fw::Application->Initialize();
    fw::Application->CreateForm(Form1);
    ASSERT_NE(Form1, nullptr);
    // Focus comes and goes with the X server's pointer; the tests run
    // FormCreate themselves where they mean it.
    Form1->OnActivate = nullptr;

    Form1->native().Show();
    // The stored place (461, 137) reaches past the right edge of the test
    // display, where nothing can be read back.
    gtk_window_move(GTK_WINDOW(fw::WindowOf(*Form1)), 0, 0);
    // Wait for the first paint: it switches Timer3 off.
    ASSERT_TRUE(guitest::PumpUntil([] { return !Form1->Timer3->Enabled(); }, 20000))
        << "the window was never painted";
  }

  void TearDown() override {
    room::SetFileSystem(nullptr);
    room::CloseRecordFileAtExit();
    fw::FinalizeFramework();  // destroys the window: FormCreate runs once more
    std::remove("tl.txt");
    if (chdir("/") == 0 && !g_workdir.empty()) rmdir(g_workdir.c_str());
  }
};

[[maybe_unused]] ::testing::Environment* const g_env =
    ::testing::AddGlobalTestEnvironment(new AppEnvironment);

}  // namespace

void AppTest::SetCheckedQuietly(fw::TButtonControl* b, bool v) {
  TForm1& f = *Form1;
  fw::TButtonControl* group[] = {f.RadioButton1, f.RadioButton2, f.RadioButton3, f.CheckBox1};
  fw::TNotifyEvent clicks[4], changes[4];
  for (int i = 0; i < 4; ++i) {
    clicks[i] = std::move(group[i]->OnClick);
    changes[i] = std::move(group[i]->OnChange);
    group[i]->OnClick = nullptr;
    group[i]->OnChange = nullptr;
  }
  b->SetChecked(v);
  for (int i = 0; i < 4; ++i) {
    group[i]->OnClick = std::move(clicks[i]);
    group[i]->OnChange = std::move(changes[i]);
  }
}

void AppTest::PressKey(fw::TWinControl* focus, const std::string& keysym,
                       const std::function<bool()>& done) {
  guitest::Settle();
  gtk_window_present(GTK_WINDOW(fw::WindowOf(F())));
  gtk_widget_grab_focus(gtk_bin_get_child(GTK_BIN(fw::WidgetOf(*focus))));
  EXPECT_TRUE(guitest::PumpUntil(
      [&] { return gtk_window_has_toplevel_focus(GTK_WINDOW(fw::WindowOf(F()))); }, 20000))
      << "the window never had the keyboard focus";
  guitest::Xdo("key " + keysym);
  EXPECT_TRUE(guitest::PumpUntil(done, 20000)) << "what " << keysym << " should do never came";
  guitest::Settle();
}

void AppTest::ClickOn(fw::TControl* c) { guitest::ClickOn(F(), *c); }

void AppTest::StopTimers() {
  for (fw::TTimer* t : {F().Timer1, F().Timer2, F().Timer3, F().Timer4, F().Timer5}) {
    t->SetEnabled(false);
  }
}

void AppTest::SetUp() {
  using namespace farbe_ach16;
  room::SetFileSystem(nullptr);
  room::CloseRecordFileAtExit();
  SetCheckedQuietly(F().CheckBox1, false);
  SetCheckedQuietly(F().RadioButton1, true);
  room::ResetToLoadValues();

  LossStep = HeatStep = 0;
  LossSquareX = LossSquareY = HeatSquareX = HeatSquareY = SquareWidth = SquareHeight = 0;
  PuffTurn = false;
  PuffPhase = true;
  PuffX = PuffY = PuffWidth = PuffHeight = NewPuffX = NewPuffY = 0;
  HeatSrcRect1 = HeatDstRect1 = HeatSrcRect2 = HeatDstRect2 = HeatSrcRect3 = HeatDstRect3 =
      fw::TRect{0, 0, 0, 0};

  // Controls as the description stores them.
  for (fw::TUpDown* u : {F().UpDown1, F().UpDown2, F().UpDown3}) {
    u->SetMin(0);
    u->SetMax(100);
    u->SetPosition(0);
  }
  F().Image8->SetVisible(true);
  F().Image9->SetVisible(true);
  F().Label3->SetVisible(true);
  F().Label21->SetVisible(false);
  F().Memo2->SetVisible(false);
  F().Label1->SetColor(fw::clGray);
  F().Button3->SetFontColor(fw::clBlack);

  // As at the window's creation and first paint.
  F().FormCreate(nullptr);
  F().Aufbau(nullptr);
  StopTimers();
  fw::SeedRandomWith(1);
  RemoveRecordFile();
}

void AppTest::TearDown() {
  room::SetFileSystem(nullptr);
  room::CloseRecordFileAtExit();
  StopTimers();
}

fw::TColor AppTest::Pixel(int x, int y) {
  gdk_flush();
  return C().GetPixel(x, y);
}

bool AppTest::Near(int x, int y, fw::TColor colour) {
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
      if (Pixel(x + dx, y + dy) == colour) return true;
  return false;
}

void AppTest::Ticks(int n) {
  for (int i = 0; i < n; ++i) F().Timer2Timer(F().Timer2);
}

std::string AppTest::ReadRecordFile() {
  std::ifstream in("tl.txt", std::ios::binary);
  if (!in) return "";
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void AppTest::RemoveRecordFile() {
  if (std::remove("tl.txt") != 0) {
    rmdir("tl.txt");  // a test may have left a directory of that name
  }
}

}  // namespace apptest
