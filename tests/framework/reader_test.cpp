// The description reader: a form built from its text, and the message each
// kind of malformed description stops the start with.
#include "tests/framework/fw_fixture.h"

namespace fwtest {
namespace {

class Reader : public ::testing::Test {
 protected:
  void SetUp() override { Init(); }
};

TEST_F(Reader, BuildsComponentsWithPropertiesAndBindings) {
  const char* head =
      "[Form1]\nClass=TTestForm\nLeft=461\nTop=137\nClientWidth=300\nClientHeight=200\n"
      "BorderStyle=bsDialog\nCaption=Room\\s\\s\nShowHint=true\nFont.Color=clBlack\n"
      "Font.Height=-13\nFont.Name=MS Sans Serif\nOnCreate=Created\nOnPaint=Paint\n";
  const char* body =
      "[L1]\nClass=TLabel\nLeft=5\nTop=6\nWidth=70\nHeight=20\nAutoSize=false\nCaption=\\s0,5 kW\\s\n"
      "Color=$00AA0000\nTransparent=false\nAlignment=taCenter\nLayout=tlCenter\n"
      "Font.Color=clRed\nFont.Height=-20\nFont.Name=MS Sans Serif\nFont.Style=fsBold\n"
      "Font.Charset=ANSI_CHARSET\nFont.Pitch=fpVariable\nParentFont=false\nParentColor=false\n"
      "Hint=Wärme\nCursor=crHandPoint\nOnClick=Click\n"
      "[L2]\nClass=TLabel\nLeft=5\nTop=40\nCaption=plain\nParentShowHint=false\nShowHint=false\n"
      "[M1]\nClass=TMemo\nLeft=100\nTop=10\nWidth=150\nHeight=80\nReadOnly=true\nVisible=false\n"
      "Font.Name=Courier\nLines=a\\;b;\\sc;;\nTabOrder=1\n"
      "[C1]\nClass=TCheckBox\nLeft=100\nTop=100\nWidth=80\nHeight=22\nCaption=RE&CORD\n"
      "Checked=true\nOnClick=Click\nOnChange=Change\nTabOrder=0\n"
      "[T1]\nClass=TTimer\nEnabled=false\nInterval=250\nOnTimer=Tick\n";
  auto f = Build(body, false, head);
  EXPECT_EQ(f->log, std::vector<std::string>{"FormCreate"});
  EXPECT_EQ(f->Caption(), "Room  ");
  EXPECT_EQ(gtk_window_get_title(GTK_WINDOW(fw::WindowOf(*f))), std::string("Room  "));
  EXPECT_EQ(f->ClientWidth(), 300);
  EXPECT_EQ(f->BorderStyle, TBorderStyle::bsDialog);
  EXPECT_FALSE(gtk_window_get_resizable(GTK_WINDOW(fw::WindowOf(*f))));
  EXPECT_TRUE(f->OnPaint);

  ASSERT_EQ(f->Components().size(), 5u);
  EXPECT_EQ(f->Components()[0].get(), f->L1) << "stored order, fields filled";
  EXPECT_EQ(f->L1->Caption(), " 0,5 kW ");
  EXPECT_EQ(f->L1->BoundsRect(), (TRect{5, 6, 75, 26}));
  EXPECT_EQ(f->L1->Color(), 0x00AA0000u);
  EXPECT_FALSE(f->L1->Transparent());
  EXPECT_EQ(f->L1->Alignment, TAlignment::taCenter);
  EXPECT_EQ(f->L1->Font().Color, clRed);
  EXPECT_EQ(f->L1->Font().Height, -20);
  EXPECT_TRUE(f->L1->Font().Bold);
  EXPECT_EQ(f->L1->Hint, "Wärme");
  EXPECT_TRUE(f->L1->ShowHint) << "from the form";
  EXPECT_EQ(f->L1->Cursor, TCursor::crHandPoint);
  f->L1->OnClick(f->L1);
  EXPECT_EQ(f->log.back(), "L1Click");

  EXPECT_TRUE(f->L2->Transparent());
  EXPECT_FALSE(f->L2->ShowHint);
  EXPECT_EQ(f->L2->Font().Color, clBlack) << "the form's font";
  EXPECT_TRUE(f->L2->AutoSize);
  EXPECT_GT(f->L2->Width(), 0);

  EXPECT_EQ(f->M1->Lines, (std::vector<std::string>{"a;b", " c", ""}));
  EXPECT_EQ(f->M1->Text(), "a;b\n c\n");
  EXPECT_TRUE(f->M1->ReadOnly);
  EXPECT_FALSE(f->M1->Visible());
  EXPECT_EQ(f->M1->Font().Color, clWindowText) << "own font, no stored colour";

  EXPECT_TRUE(f->C1->Checked());
  EXPECT_EQ(f->log.size(), 2u) << "loading runs no handler";
  EXPECT_FALSE(f->T1->Enabled());
  EXPECT_EQ(f->T1->Interval(), 250u);

  // Tab order: check box before memo.
  GList* chain = nullptr;
  ASSERT_TRUE(gtk_container_get_focus_chain(GTK_CONTAINER(fw::CanvasOf(*f)), &chain));
  ASSERT_EQ(g_list_length(chain), 2u);
  EXPECT_EQ(chain->data, fw::WidgetOf(*f->C1));
  g_list_free(chain);

  f->native().Show();
  EXPECT_TRUE(PumpUntil([&] { return gdk_window_is_viewable(fw::CanvasOf(*f)->window); }, 20000))
      << "the form never became viewable";
  Settle();
  gint x = 0, y = 0;
  gdk_window_get_root_origin(fw::WindowOf(*f)->window, &x, &y);
  EXPECT_EQ(x, 461);
  EXPECT_EQ(y, 137);
}

// Check boxes and radio buttons take the size of their indicator and caption,
// as labels take that of their text, unless AutoSize is false; a new caption
// sizes them anew.
TEST_F(Reader, CheckBoxesAndRadioButtonsSizeThemselves) {
  auto f = Build(
      "[C1]\nClass=TCheckBox\nLeft=10\nTop=10\nWidth=200\nHeight=40\nCaption=RE&CORD\n"
      "[R1]\nClass=TRadioButton\nLeft=10\nTop=60\nWidth=20\nHeight=10\nCaption=ST&ART\n"
      "[R2]\nClass=TRadioButton\nLeft=10\nTop=90\nWidth=150\nHeight=30\nCaption=STO&P\n"
      "AutoSize=false\n");
  const auto natural = [](TButtonControl* c) {
    GtkWidget* b = gtk_bin_get_child(GTK_BIN(fw::WidgetOf(*c)));
    gtk_widget_set_size_request(b, -1, -1);
    GtkRequisition r{};
    gtk_widget_size_request(b, &r);
    gtk_widget_set_size_request(b, c->Width(), c->Height());
    return std::pair(r.width, r.height);
  };
  const auto shown = [](TButtonControl* c) {
    return std::pair(fw::WidgetOf(*c)->allocation.width, fw::WidgetOf(*c)->allocation.height);
  };
  for (TButtonControl* c : {static_cast<TButtonControl*>(f->C1), static_cast<TButtonControl*>(f->R1)}) {
    SCOPED_TRACE(c->Name);
    EXPECT_TRUE(c->AutoSize);
    EXPECT_EQ(std::pair(c->Width(), c->Height()), natural(c));
    EXPECT_EQ(shown(c), natural(c));
    EXPECT_EQ(c->Left(), 10) << "the place stays";
  }
  EXPECT_FALSE(f->R2->AutoSize);
  EXPECT_EQ(f->R2->BoundsRect(), (TRect{10, 90, 160, 120}));
  EXPECT_EQ(shown(f->R2), std::pair(150, 30));

  const int before = f->C1->Width();
  f->C1->SetCaption("RECORD mit langem Text");
  Settle();
  EXPECT_GT(f->C1->Width(), before);
  EXPECT_EQ(std::pair(f->C1->Width(), f->C1->Height()), natural(f->C1));
  EXPECT_EQ(shown(f->C1), natural(f->C1));
}

// A window class whose constructor fails: nothing is kept, and the reference
// that pointed at the memory during the construction is null again.
struct FailingForm : TForm {
  explicit FailingForm(TForm* owner) : TForm(owner) { throw Exception("no window today"); }
  static const TFormClass& FormClass() {
    static const TFormClass c("TFailingForm");
    return c;
  }
};

TEST_F(Reader, CreateFormWhoseConstructorThrowsKeepsNothing) {
  Application->DestroyForms();
  FailingForm* ref = nullptr;
  EXPECT_THROW(Application->CreateForm(ref), Exception);
  EXPECT_EQ(ref, nullptr);
  EXPECT_EQ(Application->MainForm(), nullptr);
}

TEST_F(Reader, MalformedDescriptionsNameComponentAndProperty) {
  const std::string label = "[L1]\nClass=TLabel\n";
  struct Case {
    std::string head, body, message;
  } cases[] = {
      {kFormHead, label + "Color=clPink\n", "L1.Color: unknown colour 'clPink'"},
      {kFormHead, label + "Color=$12G4\n", "L1.Color: malformed colour '$12G4'"},
      {kFormHead, "[L1]\nClass=TLable\n", "L1.Class: unknown class 'TLable'"},
      {kFormHead, "[L1]\nLeft=3\n", "L1.Class: missing"},
      {kFormHead, label + "Colour=clRed\n", "L1.Colour: unknown property"},
      {kFormHead, label + "Checked=true\n", "L1.Checked: unknown property"},
      {kFormHead, label + "OnClick=Nowhere\n", "L1.OnClick: unknown handler 'Nowhere'"},
      {kFormHead, label + "Alignment=taMiddle\n", "L1.Alignment: unknown value 'taMiddle'"},
      {kFormHead, label + "Left=12px\n", "L1.Left: malformed number '12px'"},
      {kFormHead, label + "Visible=yes\n", "L1.Visible: malformed boolean 'yes'"},
      {kFormHead, "[Q9]\nClass=TLabel\n", "Q9.Class: no published field 'Q9'"},
      {kFormHead, "[L1]\nClass=TButton\n", "L1.Class: field 'L1' is not a TButton"},
      {kFormHead, "[I1]\nClass=TImage\nPicture=/no/such.bmp\n", "I1.Picture: cannot load '/no/such.bmp'"},
      {"[Form1]\nClass=TOther\n", "", "Form1.Class: form class 'TOther' is not 'TTestForm'"},
      {"[Form1]\nClass=TTestForm\nBorderStyle=bsNone\n", "", "Form1.BorderStyle: unknown value 'bsNone'"},
      {"[Form1]\nClass=TTestForm\nOnPaint=Nope\n", "", "Form1.OnPaint: unknown handler 'Nope'"},
      {"[Form1\nClass=TTestForm\n", "", "TTestForm: malformed description"},
  };
  for (const auto& c : cases) {
    RegisterResource("TTestForm", "FORMDATA", {c.head, c.body});
    TestForm f(nullptr);
    try {
      f.ReadDescription(TestForm::FormClass());
      ADD_FAILURE() << "accepted: " << c.body;
    } catch (const DescriptionError& e) {
      EXPECT_EQ(std::string(e.what()).substr(0, c.message.size()), c.message);
    }
  }
  TFormClass none("TNothingRegistered");
  TestForm f(nullptr);
  EXPECT_THROW(f.ReadDescription(none), DescriptionError);
}

}  // namespace
}  // namespace fwtest
