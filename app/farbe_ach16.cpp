// The main window unit: program start helpers, the window's handlers, the
// scene, the sun, the heater switch and the two animations.
#include "app/farbe_ach16.h"

#include <string>

#include "app/model/record_file.h"
#include "app/model/room.h"
#include "framework/format.h"
#include "framework/pause.h"
#include "framework/random.h"

TForm1* Form1 = nullptr;

namespace farbe_ach16 {

std::int32_t LossStep = 0;
std::int32_t HeatStep = 0;
std::int32_t LossSquareX = 0;
std::int32_t LossSquareY = 0;
std::int32_t HeatSquareX = 0;
std::int32_t HeatSquareY = 0;
std::int32_t SquareWidth = 0;
std::int32_t SquareHeight = 0;

bool PuffTurn = false;
bool PuffPhase = true;
std::int32_t PuffX = 0;
std::int32_t PuffY = 0;
std::int32_t PuffWidth = 0;
std::int32_t PuffHeight = 0;
std::int32_t NewPuffX = 0;
std::int32_t NewPuffY = 0;
fw::TRect HeatSrcRect1{0, 0, 0, 0};
fw::TRect HeatDstRect1{0, 0, 0, 0};
fw::TRect HeatSrcRect2{0, 0, 0, 0};
fw::TRect HeatDstRect2{0, 0, 0, 0};
fw::TRect HeatSrcRect3{0, 0, 0, 0};
fw::TRect HeatDstRect3{0, 0, 0, 0};

void InitializeUnit() {
  if (!fw::RegisterCompiledResource("TForm1", "FORMDATA", "/pyrovantika/form1.desc"))
    throw fw::DescriptionError("TForm1: no stored window description");
}

}  // namespace farbe_ach16

using namespace farbe_ach16;

namespace {

// The scene's own shades; every other colour has its framework name.
constexpr fw::TColor kOrange = 0x00CCFF;
constexpr fw::TColor kSky = 0xAA0000;
constexpr fw::TColor kMeadow = 0x009924;

// Set while CheckBox1Click itself puts the box in line with the flag, so the
// click that this assignment runs does not toggle recording again.
bool syncing_record_box = false;

// Whatever way CheckBox1Click leaves, recording on means the box is ticked.
// A box left unticked while recording runs would make every later tick
// untick-retick it and so close and recreate the file.
struct RecordBoxSync {
  fw::TCheckBox* box;
  ~RecordBoxSync() {
    if (room::Recording && !box->Checked()) {
      syncing_record_box = true;
      box->SetChecked(true);
      syncing_record_box = false;
    }
  }
};

std::string KW(long double kw) { return fw::FormatFixed(kw, 1) + " kW"; }

void ShowPowerReadouts(TForm1& f) {
  f.Label16->SetCaption(fw::FormatFixed(room::HeatingWork, 2) + " kWh");
  f.Label20->SetCaption(KW(room::LossPowerKW));
  f.Label19->SetCaption(KW(room::HeaterPowerKW));
}

void SwitchSun(TForm1& f) {
  f.Timer3->SetEnabled(false);
  room::SunOn = !room::SunOn;
  fw::TCanvas& c = *f.Canvas();
  c.Pen.Color = fw::clNavy;
  c.Brush.Color = room::SunOn ? fw::clYellow : fw::clGray;
  c.DrawEllipse(50, 20, 110, 80);
}

// The heater switch of the button and of the house; only the button draws
// the right lamp.
void SwitchHeater(TForm1& f, bool drawLamp) {
  room::HeaterOn = !room::HeaterOn;
  fw::TCanvas& c = *f.Canvas();
  if (room::HeaterOn) {
    f.Label8->SetFontColor(fw::clRed);
    f.Label8->SetCaption("EIN");
    if (drawLamp) {
      c.Brush.Color = fw::clLime;  // outline: whatever pen the last drawing left
      c.DrawEllipse(233, 200, 243, 210);
    }
  } else {
    c.Pen.Color = fw::clNavy;
    c.Brush.Color = fw::clGray;
    c.DrawRectangle(218, 170, 228, 105);
    f.Label8->SetFontColor(fw::clBlack);
    f.Label8->SetCaption("AUS");
    if (drawLamp) {
      c.Brush.Color = fw::clBlack;
      c.DrawEllipse(233, 200, 243, 210);
    }
  }
}

}  // namespace

TForm1::TForm1(fw::TForm* owner) : fw::TForm(owner) {}

const fw::TFormClass& TForm1::FormClass() {
  static const fw::TFormClass cls = [] {
    fw::TFormClass c("TForm1");
    c.Field("Image8", &TForm1::Image8)
        .Field("Image9", &TForm1::Image9)
        .Field("Label25", &TForm1::Label25)
        .Field("Label26", &TForm1::Label26)
        .Field("Label27", &TForm1::Label27)
        .Field("Timer1", &TForm1::Timer1)
        .Field("Button3", &TForm1::Button3)
        .Field("Timer2", &TForm1::Timer2)
        .Field("Timer3", &TForm1::Timer3)
        .Field("Label1", &TForm1::Label1)
        .Field("Label2", &TForm1::Label2)
        .Field("Label3", &TForm1::Label3)
        .Field("Button4", &TForm1::Button4)
        .Field("Label4", &TForm1::Label4)
        .Field("Timer4", &TForm1::Timer4)
        .Field("Label5", &TForm1::Label5)
        .Field("UpDown1", &TForm1::UpDown1)
        .Field("UpDown2", &TForm1::UpDown2)
        .Field("UpDown3", &TForm1::UpDown3)
        .Field("Label6", &TForm1::Label6)
        .Field("Label7", &TForm1::Label7)
        .Field("Label8", &TForm1::Label8)
        .Field("Label9", &TForm1::Label9)
        .Field("Label10", &TForm1::Label10)
        .Field("Label11", &TForm1::Label11)
        .Field("Label12", &TForm1::Label12)
        .Field("Button5", &TForm1::Button5)
        .Field("RadioButton1", &TForm1::RadioButton1)
        .Field("RadioButton2", &TForm1::RadioButton2)
        .Field("RadioButton3", &TForm1::RadioButton3)
        .Field("GroupBox1", &TForm1::GroupBox1)
        .Field("Memo1", &TForm1::Memo1)
        .Field("Label13", &TForm1::Label13)
        .Field("Label14", &TForm1::Label14)
        .Field("Label15", &TForm1::Label15)
        .Field("Label16", &TForm1::Label16)
        .Field("Label17", &TForm1::Label17)
        .Field("Label18", &TForm1::Label18)
        .Field("Label19", &TForm1::Label19)
        .Field("Label20", &TForm1::Label20)
        .Field("Image1", &TForm1::Image1)
        .Field("Image2", &TForm1::Image2)
        .Field("Image3", &TForm1::Image3)
        .Field("Image4", &TForm1::Image4)
        .Field("Image5", &TForm1::Image5)
        .Field("Image6", &TForm1::Image6)
        .Field("Memo2", &TForm1::Memo2)
        .Field("Image7", &TForm1::Image7)
        .Field("Label21", &TForm1::Label21)
        .Field("CheckBox1", &TForm1::CheckBox1)
        .Field("Label22", &TForm1::Label22)
        .Field("Timer5", &TForm1::Timer5);
    c.Method("FormCreate", &TForm1::FormCreate)
        .Method("RadioButton1Change", &TForm1::RadioButton1Change)
        .Method("RadioButton3Change", &TForm1::RadioButton3Change)
        .Method("Timer1Timer", &TForm1::Timer1Timer)
        .Method("Button3Click", &TForm1::Button3Click)
        .Method("Timer2Timer", &TForm1::Timer2Timer)
        .Method("Aufbau", &TForm1::Aufbau)
        .Method("Button4Click", &TForm1::Button4Click)
        .Method("Timer4Timer", &TForm1::Timer4Timer)
        .Method("UpDown1Click", &TForm1::UpDown1Click)
        .Method("Button5Click", &TForm1::Button5Click)
        .Method("UpDown2Click", &TForm1::UpDown2Click)
        .Method("RadioButton3Click", &TForm1::RadioButton3Click)
        .Method("RadioButton2Click", &TForm1::RadioButton2Click)
        .Method("RadioButton1Click", &TForm1::RadioButton1Click)
        .Method("UpDown3Click", &TForm1::UpDown3Click)
        .Method("Label18Click", &TForm1::Label18Click)
        .Method("Label11Click", &TForm1::Label11Click)
        .Method("Memo2onclick", &TForm1::Memo2onclick)
        .Method("CheckBox1Click", &TForm1::CheckBox1Click)
        .Method("Label22Click", &TForm1::Label22Click)
        .Method("Timer5Timer", &TForm1::Timer5Timer);
    return c;
  }();
  return cls;
}

// ---- window life ----

void TForm1::FormCreate(fw::TObject*) {
  fw::SeedRandom();
  LossStep = 0;
  HeatStep = 0;
  LossSquareX = 255;
  LossSquareY = 240;
  SquareHeight = 6;
  SquareWidth = 6;
  HeatSquareX = 220;
  HeatSquareY = 160;
  RadioButton1->SetChecked(true);
  UpDown2->SetPosition(10);
  UpDown3->SetPosition(10);
}

void TForm1::RadioButton1Change(fw::TObject*) {}

void TForm1::RadioButton3Change(fw::TObject*) {}

void TForm1::Timer5Timer(fw::TObject*) {
  SetCaption("PYROVANTIKA 3.1 Raumheizung");
  Timer5->SetEnabled(false);
}

void TForm1::Button3Click(fw::TObject*) {
  if (fw::Application->MessageBox("Programm wirklich verlassen?", "Moment mal:",
                                  fw::box::kOkCancel) == fw::box::kOk) {
    Close();
  }
}

// ---- simulation tick ----

void TForm1::Timer2Timer(fw::TObject*) {
  CheckBox1->SetChecked(room::Recording);
  Button3->SetFontColor(fw::clRed);
  if (!room::Stopped) room::HeatBalanceStep();
  ShowPowerReadouts(*this);
  if (room::Stopped) return;

  fw::TCanvas& c = *Canvas();
  if (room::HeaterPowerW > 0.0L) {
    const int x = static_cast<int>(fw::RandomBelow(590));
    const int y = static_cast<int>(fw::RandomBelow(150));
    c.SetPixel(x + 5, y + 2, fw::clWhite);
    c.SetPixel(x + 6, y + 3, fw::clRed);
    c.SetPixel(x + 2, y + 2, fw::clFuchsia);
  }
  Label2->SetCaption("CO2: " + fw::FormatFixed(room::CO2PerDay, 1) + " kg/Tag");
  Label5->SetCaption(fw::FormatGeneral(room::SetPoint));
  Label9->SetCaption("Innen");

  room::AdvanceClock();
  Label15->SetCaption(fw::FormatGeneral(room::SimHours) +
                      (room::SimMinutes < 10.0L ? ":0" : ":") +
                      fw::FormatGeneral(room::SimMinutes) + " h");
  if (room::SimMinutes == 30.0L) room::WriteRecordLine();
  if (room::SimMinutes == 0.0L) room::WriteRecordLine();

  if (room::RoomTemp > room::PrevRoomTemp) {
    Label1->SetColor(fw::clBtnFace);
    Image9->SetVisible(true);
    Image8->SetVisible(false);
  } else {
    Label1->SetColor(fw::clBtnFace);
    Image8->SetVisible(true);
    Image9->SetVisible(false);
  }
  room::PrevRoomTemp = room::RoomTemp;
  Label1->SetCaption(fw::FormatFixed(room::RoomTemp, 1));

  c.Pen.Width = 1;
  c.Pen.Color = fw::clNavy;
  if (room::SunOn) {
    c.Brush.Color = fw::clYellow;
    c.DrawEllipse(50, 20, 110, 80);
    Label3->SetVisible(true);
    Label3->SetCaption(KW(room::SunPowerKW));
  } else {
    c.Brush.Color = fw::clGray;
    c.DrawEllipse(50, 20, 110, 80);
    Label3->SetVisible(false);
  }
  c.Pen.Color = (LossStep % 2 != 0 && room::SunOn) ? fw::clYellow : fw::clNavy;
  c.MovePenTo(105, 80);
  c.DrawLineTo(150, 130);
  c.MovePenTo(95, 80);
  c.DrawLineTo(115, 110);
  c.MovePenTo(110, 71);
  c.DrawLineTo(150, 110);

  ShowPowerReadouts(*this);
}

// ---- record box ----

void TForm1::CheckBox1Click(fw::TObject*) {
  if (syncing_record_box) return;
  RecordBoxSync sync{CheckBox1};
  room::ToggleRecording();
}

// ---- setting controls ----

void TForm1::UpDown1Click(fw::TObject*, fw::TUDBtnType) {
  UpDown1->SetMin(15);
  UpDown1->SetMax(25);
  const short p = UpDown1->Position();
  room::SetPoint = p;
  Label5->SetCaption(fw::FormatFixed(room::SetPoint, 0));
}

void TForm1::UpDown2Click(fw::TObject*, fw::TUDBtnType) {
  UpDown2->SetMin(-20);
  UpDown2->SetMax(36);
  const short p = UpDown2->Position();
  room::OutsideTemp = p;
  Label6->SetCaption(fw::FormatGeneral(room::OutsideTemp));
}

void TForm1::UpDown3Click(fw::TObject*, fw::TUDBtnType) {
  UpDown3->SetMin(1);
  UpDown3->SetMax(60);
  const short p = UpDown3->Position();
  room::UValue = p / 10.0L;
  Label7->SetCaption(fw::FormatFixed(room::UValue, 1));
}

void TForm1::Button5Click(fw::TObject*) { SwitchHeater(*this, true); }

void TForm1::Label18Click(fw::TObject*) { SwitchHeater(*this, false); }

void TForm1::Label11Click(fw::TObject*) { Memo2->SetVisible(true); }

void TForm1::Memo2onclick(fw::TObject*) { Memo2->SetVisible(false); }

// ---- scene and sun ----

void TForm1::Aufbau(fw::TObject*) {
  Timer3->SetEnabled(false);
  Timer1->SetEnabled(true);
  fw::TCanvas& c = *Canvas();
  c.Pen.Color = fw::clNavy;
  c.Brush.Color = kMeadow;
  c.DrawRectangle(0, 0, ClientWidth(), ClientHeight());
  c.Brush.Color = kSky;
  c.DrawRectangle(0, 0, ClientWidth(), 160);
  c.Brush.Color = fw::clGray;
  c.DrawRectangle(150, 190, 250, 270);
  c.Brush.Color = fw::clMaroon;
  c.Pen.Color = fw::clTeal;
  c.DrawPolygon({{140, 190}, {200, 120}, {260, 190}});
  c.Pen.Color = fw::clNavy;
  c.Brush.Color = fw::clGray;
  c.DrawRectangle(218, 170, 228, 110);

  UpDown1->SetPosition(static_cast<short>(static_cast<int>(room::SetPoint)));
  Label5->SetCaption(fw::FormatGeneral(room::SetPoint));
  ShowPowerReadouts(*this);
  Button5->SetCaption("0/I");
  fw::Pause(1);
}

void TForm1::Button4Click(fw::TObject*) { SwitchSun(*this); }

void TForm1::Label22Click(fw::TObject*) { SwitchSun(*this); }

// ---- run controls ----

void TForm1::RadioButton1Click(fw::TObject*) {
  Timer1->SetEnabled(true);
  room::Stopped = false;
  Timer4->SetEnabled(true);
}

void TForm1::RadioButton2Click(fw::TObject*) {
  Timer1->SetEnabled(false);
  room::Stopped = true;
  Timer4->SetEnabled(false);
}

void TForm1::RadioButton3Click(fw::TObject*) {
  room::CO2PerDay = 0.0L;
  room::SimMinutes = 0.0L;
  room::SimHours = 0.0L;
  Label2->SetCaption("CO2: " + fw::FormatFixed(room::CO2PerDay, 1) + " kg/Tag");
  Label15->SetCaption("0:00 h");
  Label16->SetCaption("0 kWh");
  room::HeatingWork = 0.000001L;
  fw::Pause(3);
  // Back to the run control that was selected: its deselection handler has
  // just set Timer1 to match it.
  if (Timer1->Enabled()) {
    RadioButton1->SetChecked(true);
  } else {
    RadioButton2->SetChecked(true);
  }
}

// ---- heat-loss animation ----

void TForm1::Timer1Timer(fw::TObject*) {
  if (room::LossPowerKW < 0.0L) return;
  if (LossStep > 20) LossStep = 0;
  const std::int32_t X = LossSquareX, Y = LossSquareY, W = SquareWidth, H = SquareHeight;
  fw::TCanvas& c = *Canvas();
  if (LossStep == 0) {
    c.Pen.Color = fw::clRed;
    c.Brush.Color = fw::clRed;
    for (std::int32_t k = 0; k <= 40; k += 20) {
      c.DrawRectangle(X + k, Y, X + k + W, Y + H);
      c.FillRectangle({X + k, Y, X + k + W, Y + H});
    }
    fw::Pause(10);
  }
  if (LossStep > 0) {
    const std::int32_t s = LossStep;
    for (std::int32_t k = 0; k <= 40; k += 20) {
      const fw::TRect src{X + k + s - W, Y - 1, X + k + s + W + 5, Y + H + 1};
      const fw::TRect dst{X + k + s - W + 1, Y - 1, X + k + s + W + 6, Y + H + 1};
      c.CopyCanvasRect(dst, c, src);
    }
  }
  LossStep = LossStep + 1;
}

// ---- heater animation and frost warning ----

void TForm1::Timer4Timer(fw::TObject*) {
  Label21->SetVisible(room::RoomTemp < 3.0L);
  fw::TCanvas& c = *Canvas();

  if (room::HeaterPowerW < 1.0L) {
    c.Pen.Color = fw::clNavy;
    c.Brush.Color = fw::clGray;
    c.DrawRectangle(218, 170, 228, 105);
    c.Pen.Color = fw::clGray;
    c.Brush.Color = fw::clGray;
    c.DrawEllipse(220, 200, 230, 210);
    c.Brush.Color = fw::clLime;
    c.DrawEllipse(233, 200, 243, 210);
    c.Pen.Color = kSky;
    c.Brush.Color = kSky;
    c.DrawRectangle(PuffX, PuffY, PuffX + PuffWidth, PuffY - PuffHeight);
    if (!room::HeaterOn) {
      c.Pen.Color = fw::clGray;
      c.Brush.Color = fw::clGray;
      c.DrawEllipse(220, 200, 230, 210);
      c.Brush.Color = fw::clBlack;
      c.DrawEllipse(233, 200, 243, 210);
    }
    return;
  }

  if (room::HeaterOn) {
    c.Pen.Color = fw::clWhite;
    c.Brush.Color = kOrange;
    c.DrawEllipse(220, 200, 230, 210);
    c.Brush.Color = fw::clLime;
    c.DrawEllipse(233, 200, 243, 210);
  }

  if (HeatStep > 16) HeatStep = 0;
  const std::int32_t X = HeatSquareX, Y = HeatSquareY, W = SquareWidth, H = SquareHeight;
  if (HeatStep == 0) {
    c.Pen.Color = fw::clFuchsia;
    c.Brush.Color = fw::clFuchsia;
    for (std::int32_t d = 0; d <= 32; d += 16) {
      c.DrawRectangle(X, Y - d, X + W, Y - d - H);
      c.FillRectangle({X, Y - d, X + W, Y - d - H});
    }
  }
  if (HeatStep > 0) {
    const std::int32_t s = HeatStep;
    HeatSrcRect1 = {X, Y - H - s, X + W, Y + H - s};
    HeatDstRect1 = {X, Y - H - s - 1, X + W, Y + H - s - 1};
    c.CopyCanvasRect(HeatDstRect1, c, HeatSrcRect1);
    HeatSrcRect2 = {X, Y - 16 - H - s - 1, X + W, Y - 16 + H - s - 1};
    HeatDstRect2 = {X, Y - 16 - H - s - 2, X + W, Y - 16 + H - s - 2};
    c.CopyCanvasRect(HeatDstRect2, c, HeatSrcRect2);
    HeatSrcRect3 = {X, Y - 32 - H - s - 1, X + W, Y - 32 + H - s - 1};
    HeatDstRect3 = {X, Y - 32 - H - s - 2, X + W, Y - 32 + H - s - 2};
    c.CopyCanvasRect(HeatDstRect3, c, HeatSrcRect3);
    c.Pen.Color = fw::clNavy;
    c.Brush.Color = fw::clGray;
  }
  HeatStep = HeatStep + 1;

  if (PuffTurn) {
    PuffPhase = !PuffPhase;
    if (PuffPhase) {
      c.Pen.Color = fw::clFuchsia;
      c.Brush.Color = fw::clFuchsia;
      NewPuffX = static_cast<std::int32_t>(fw::RandomBelow(9)) + 215;
      NewPuffY = static_cast<std::int32_t>(fw::RandomBelow(29)) + 80;
      PuffWidth = static_cast<std::int32_t>(fw::RandomBelow(12)) + 3;
      PuffHeight = static_cast<std::int32_t>(fw::RandomBelow(7)) + 3;
      c.DrawEllipse(NewPuffX, NewPuffY, NewPuffX + PuffWidth, NewPuffY - PuffHeight);
      PuffX = NewPuffX;
      PuffY = NewPuffY;
    } else {
      c.Pen.Color = kSky;
      c.Brush.Color = kSky;
      c.DrawEllipse(PuffX, PuffY, PuffX + PuffWidth, PuffY - PuffHeight);
    }
  }
  PuffTurn = !PuffTurn;
}
