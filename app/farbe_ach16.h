// The main window unit: the window class TForm1 with its components and
// handlers, and the unit-level animation state the handlers share.
#pragma once

#include <cstdint>

#include "framework/canvas.h"
#include "framework/controls.h"
#include "framework/forms.h"
#include "framework/types.h"

class TForm1 : public fw::TForm {
 public:
  explicit TForm1(fw::TForm* owner);

  // Components, set by the description reader after construction.
  fw::TImage* Image8 = nullptr;
  fw::TImage* Image9 = nullptr;
  fw::TLabel* Label25 = nullptr;
  fw::TLabel* Label26 = nullptr;
  fw::TLabel* Label27 = nullptr;
  fw::TTimer* Timer1 = nullptr;
  fw::TButton* Button3 = nullptr;
  fw::TTimer* Timer2 = nullptr;
  fw::TTimer* Timer3 = nullptr;
  fw::TLabel* Label1 = nullptr;
  fw::TLabel* Label2 = nullptr;
  fw::TLabel* Label3 = nullptr;
  fw::TButton* Button4 = nullptr;
  fw::TLabel* Label4 = nullptr;
  fw::TTimer* Timer4 = nullptr;
  fw::TLabel* Label5 = nullptr;
  fw::TUpDown* UpDown1 = nullptr;
  fw::TUpDown* UpDown2 = nullptr;
  fw::TUpDown* UpDown3 = nullptr;
  fw::TLabel* Label6 = nullptr;
  fw::TLabel* Label7 = nullptr;
  fw::TLabel* Label8 = nullptr;
  fw::TLabel* Label9 = nullptr;
  fw::TLabel* Label10 = nullptr;
  fw::TLabel* Label11 = nullptr;
  fw::TLabel* Label12 = nullptr;
  fw::TButton* Button5 = nullptr;
  fw::TRadioButton* RadioButton1 = nullptr;
  fw::TRadioButton* RadioButton2 = nullptr;
  fw::TRadioButton* RadioButton3 = nullptr;
  fw::TGroupBox* GroupBox1 = nullptr;
  fw::TMemo* Memo1 = nullptr;
  fw::TLabel* Label13 = nullptr;
  fw::TLabel* Label14 = nullptr;
  fw::TLabel* Label15 = nullptr;
  fw::TLabel* Label16 = nullptr;
  fw::TLabel* Label17 = nullptr;
  fw::TLabel* Label18 = nullptr;
  fw::TLabel* Label19 = nullptr;
  fw::TLabel* Label20 = nullptr;
  fw::TImage* Image1 = nullptr;
  fw::TImage* Image2 = nullptr;
  fw::TImage* Image3 = nullptr;
  fw::TImage* Image4 = nullptr;
  fw::TImage* Image5 = nullptr;
  fw::TImage* Image6 = nullptr;
  fw::TMemo* Memo2 = nullptr;
  fw::TImage* Image7 = nullptr;
  fw::TLabel* Label21 = nullptr;
  fw::TCheckBox* CheckBox1 = nullptr;
  fw::TLabel* Label22 = nullptr;
  fw::TTimer* Timer5 = nullptr;

  // Handlers, bound by name from the stored description.
  void FormCreate(fw::TObject* Sender);
  void RadioButton1Change(fw::TObject* Sender);
  void RadioButton3Change(fw::TObject* Sender);
  void Timer1Timer(fw::TObject* Sender);
  void Button3Click(fw::TObject* Sender);
  void Timer2Timer(fw::TObject* Sender);
  void Aufbau(fw::TObject* Sender);
  void Button4Click(fw::TObject* Sender);
  void Timer4Timer(fw::TObject* Sender);
  void UpDown1Click(fw::TObject* Sender, fw::TUDBtnType Button);
  void Button5Click(fw::TObject* Sender);
  void UpDown2Click(fw::TObject* Sender, fw::TUDBtnType Button);
  void RadioButton3Click(fw::TObject* Sender);
  void RadioButton2Click(fw::TObject* Sender);
  void RadioButton1Click(fw::TObject* Sender);
  void UpDown3Click(fw::TObject* Sender, fw::TUDBtnType Button);
  void Label18Click(fw::TObject* Sender);
  void Label11Click(fw::TObject* Sender);
  void Memo2onclick(fw::TObject* Sender);
  void CheckBox1Click(fw::TObject* Sender);
  void Label22Click(fw::TObject* Sender);
  void Timer5Timer(fw::TObject* Sender);

  // Names of the fields and handlers, for the description reader.
  static const fw::TFormClass& FormClass();
};

// The one main window; set before its construction begins.
extern TForm1* Form1;

namespace farbe_ach16 {

// Heat-loss and rising-heat animations; FormCreate sets them, 0 at load.
extern std::int32_t LossStep;
extern std::int32_t HeatStep;
extern std::int32_t LossSquareX;
extern std::int32_t LossSquareY;
extern std::int32_t HeatSquareX;
extern std::int32_t HeatSquareY;
extern std::int32_t SquareWidth;
extern std::int32_t SquareHeight;

// Heater animation: puffs above the chimney and the copy rectangles.
extern bool PuffTurn;   // false at load
extern bool PuffPhase;  // true at load
extern std::int32_t PuffX;
extern std::int32_t PuffY;
extern std::int32_t PuffWidth;
extern std::int32_t PuffHeight;
extern std::int32_t NewPuffX;
extern std::int32_t NewPuffY;
extern fw::TRect HeatSrcRect1;
extern fw::TRect HeatDstRect1;
extern fw::TRect HeatSrcRect2;
extern fw::TRect HeatDstRect2;
extern fw::TRect HeatSrcRect3;
extern fw::TRect HeatDstRect3;

// Unit initialization: registers the compiled-in window description under
// "TForm1" / "FORMDATA". Throws fw::DescriptionError when it is missing.
void InitializeUnit();

}  // namespace farbe_ach16
