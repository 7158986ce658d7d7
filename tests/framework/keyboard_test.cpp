// The keyboard, by real keys (xdotool) to a form with the focus: Tab through
// the controls in TabOrder, up-downs as stops that step nothing, radio
// buttons selected by Space or their accelerator, and Return in the boxes.
#include <gdk/gdkkeysyms.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/framework/boxes.h"
#include "tests/framework/fw_fixture.h"

namespace fwtest {
namespace {

class Keyboard : public ::testing::Test {
 protected:
  void SetUp() override { Init(); }
};

void Key(const std::string& keysym) { guitest::Xdo("key " + keysym); }

// A form with the focus: keys go to it whatever the pointer does.
std::unique_ptr<TestForm> Focused(const std::string& body) {
  auto f = Build(body);
  gtk_window_present(GTK_WINDOW(fw::WindowOf(*f)));
  EXPECT_TRUE(
      PumpUntil([&] { return gtk_window_has_toplevel_focus(GTK_WINDOW(fw::WindowOf(*f))); }, 20000))
      << "the form never had the keyboard focus";
  Settle();
  return f;
}

// The component whose widget holds the keyboard focus.
std::string FocusedName(TestForm& f) {
  GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(fw::WindowOf(f)));
  if (!focus || !gtk_widget_has_focus(focus)) return "";
  for (const auto& c : f.Components())
    if (auto* w = dynamic_cast<TWinControl*>(c.get()); w && fw::WidgetOf(*w))
      if (focus == fw::WidgetOf(*w) || gtk_widget_is_ancestor(focus, fw::WidgetOf(*w))) return c->Name;
  return "?";
}

GtkWidget* Inner(TWinControl* c) { return gtk_bin_get_child(GTK_BIN(fw::WidgetOf(*c))); }

// Creation order differs from TabOrder; R2 and R3 are no tab stops, and the
// hidden memo is none while hidden.
const char* kTabForm =
    "[C1]\nClass=TCheckBox\nLeft=10\nTop=90\nWidth=60\nHeight=22\nCaption=C1\nTabOrder=7\n"
    "[B1]\nClass=TButton\nLeft=10\nTop=5\nWidth=40\nHeight=22\nCaption=B1\nTabOrder=0\n"
    "[U1]\nClass=TUpDown\nLeft=60\nTop=5\nWidth=33\nHeight=25\nTabOrder=1\nOnClick=Step\n"
    "[R1]\nClass=TRadioButton\nLeft=100\nTop=5\nWidth=60\nHeight=22\nCaption=R1\nChecked=true\n"
    "TabOrder=2\nOnClick=Click\n"
    "[R2]\nClass=TRadioButton\nLeft=100\nTop=30\nWidth=60\nHeight=22\nCaption=R2\nTabOrder=3\n"
    "TabStop=false\nOnClick=Click\n"
    "[R3]\nClass=TRadioButton\nLeft=100\nTop=55\nWidth=60\nHeight=22\nCaption=R3\nTabOrder=4\n"
    "TabStop=false\nOnClick=Click\n"
    "[M1]\nClass=TMemo\nLeft=10\nTop=35\nWidth=80\nHeight=40\nTabOrder=5\nLines=Notiz;\n"
    "[M2]\nClass=TMemo\nLeft=100\nTop=80\nWidth=80\nHeight=30\nTabOrder=6\nReadOnly=true\n"
    "Visible=false\nLines=Tabelle;\n";

TEST_F(Keyboard, TabFollowsTabOrderFromEveryControl) {
  const struct {
    const char* what;
    const char* selected;  // the radio button selected first
    bool table;            // the read-only memo shown
    const char* from;      // the control focused first: B1 by the program, R2 by a click
    const char* key;
    std::vector<std::string> stops;
  } cases[] = {
      {"forward", "R1", false, "B1", "Tab", {"U1", "R1", "M1", "C1", "B1"}},
      {"backward", "R1", false, "B1", "shift+Tab", {"C1", "M1", "R1", "U1", "B1"}},
      {"R2 selected: R1 is still a stop", "R2", false, "B1", "Tab", {"U1", "R1", "M1", "C1", "B1"}},
      {"the table shown is a stop too", "R1", true, "B1", "Tab", {"U1", "R1", "M1", "M2", "C1", "B1"}},
      // A click focuses a control that is no tab stop; Tab goes on from its
      // place in the order (3), past R3 (4, no stop either).
      {"from a clicked non-stop, forward", "R1", false, "R2", "Tab", {"M1", "C1", "B1"}},
      {"from a clicked non-stop, backward", "R1", false, "R2", "shift+Tab", {"R1", "U1", "B1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto f = Focused(kTabForm);
    (std::string(c.selected) == "R1" ? f->R1 : f->R2)->SetChecked(true);
    f->M2->SetVisible(c.table);
    if (std::string(c.from) == "R2")
      ClickOn(*f, f->R2);
    else
      gtk_widget_grab_focus(Inner(f->B1));
    Settle();
    ASSERT_EQ(FocusedName(*f), c.from);
    std::vector<std::string> stops;
    for (size_t i = 0; i < c.stops.size(); ++i) {
      Key(c.key);
      stops.push_back(FocusedName(*f));
    }
    EXPECT_EQ(stops, c.stops);
    EXPECT_EQ(f->M1->Text(), "Notiz") << "a tab is no text in a memo";
    EXPECT_EQ(f->M2->Text(), "Tabelle");
  }
}

TEST_F(Keyboard, UpDownShowsTheFocusAndStepsNothing) {
  auto f = Focused(kTabForm);
  const auto pixels = [&] {
    Settle();
    std::vector<TColor> v;
    for (int y = 0; y < 25; ++y)
      for (int x = 0; x < 33; ++x) v.push_back(Pixel(*f, f->U1->Left() + x, f->U1->Top() + y));
    return v;
  };
  gtk_widget_grab_focus(Inner(f->B1));
  const auto plain = pixels();
  Key("Tab");
  ASSERT_EQ(FocusedName(*f), "U1");
  EXPECT_NE(pixels(), plain) << "the focus is shown";
  for (const char* k : {"space", "Return", "Up", "Down", "Page_Up"}) {
    gtk_widget_grab_focus(fw::WidgetOf(*f->U1));
    Key(k);
  }
  EXPECT_TRUE(f->log.empty()) << "the keyboard steps nothing";
  EXPECT_EQ(f->U1->Position(), 0);
  gtk_widget_grab_focus(Inner(f->B1));
  EXPECT_EQ(pixels(), plain);
}

// A radio button selected by keyboard goes through the first selection only,
// even when a handler moves the selection away (only a click repeats it).
TEST_F(Keyboard, SpaceAndAcceleratorSelectOnce) {
  const char* body =
      "[R1]\nClass=TRadioButton\nLeft=10\nTop=10\nWidth=80\nHeight=22\nCaption=R&1\nChecked=true\n"
      "OnChange=Change\nOnClick=Click\n"
      "[R3]\nClass=TRadioButton\nLeft=10\nTop=40\nWidth=80\nHeight=22\nCaption=R&3\n"
      "TabStop=false\nOnChange=Change\nOnClick=Click\n";
  const std::vector<std::string> once{"R1Change", "R1Click", "R3Change", "R3Click",
                                      "R3Change", "R3Click", "R1Change", "R1Click"};
  for (const char* key : {"space", "alt+3"}) {
    SCOPED_TRACE(key);
    auto f = Focused(body);
    // R3's handler selects R1 again, as RESET does.
    f->on_click_extra = [&](TObject* s) {
      if (s == f->R3 && f->R3->Checked()) f->R1->SetChecked(true);
    };
    gtk_widget_grab_focus(Inner(f->R3));
    Settle();
    Key(key);
    // The toolkit completes a key's activation a moment later.
    EXPECT_TRUE(PumpUntil([&] { return f->log.size() >= once.size(); }, 20000))
        << "the key's handlers did not all run";
    Settle();
    EXPECT_EQ(f->log, once);
    EXPECT_TRUE(f->R1->Checked());
  }
}

TEST_F(Keyboard, ReturnAnswersTheQuestionWithCancelAndTheErrorBoxWithOk) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // Presses Return once the box is up and has the keyboard.
  const auto return_in_box = [] {
    return boxes::AnswerWhen(
        [](GtkWidget* box) { return gtk_window_has_toplevel_focus(GTK_WINDOW(box)); },
        [](GtkWidget*) { EXPECT_EQ(system("xdotool key Return"), 0); },
        "the box never had the keyboard focus");
  };
  auto f = Focused("");
  {
    const auto answer = return_in_box();
    EXPECT_EQ(
        Application->MessageBox("Programm wirklich verlassen?", "Moment mal:", box::kOkCancel),
        box::kCancel);
  }
  EXPECT_EXIT(
      {
        const auto answer = return_in_box();
        Dispatch([] { throw Exception("Disk Full"); });
        std::fprintf(stderr, "went on\n");
        std::exit(5);
      },
      testing::ExitedWithCode(5), "went on");
}

}  // namespace
}  // namespace fwtest
