// Components of a window built from a stored description.
//
// Contract for every property writer: writing the value already held does
// nothing (no repaint, no handler). Only Checked runs program handlers; they
// run as plain calls inside the writer, so an exception from a handler
// unwinds through the writer up to the event loop.
//
// Labels and pictures have no window of their own: they are painted by the
// form's paint (see TForm) in creation order. Changes to them mark their
// rectangle for a later paint by the loop, never painting inside a handler.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/types.h"

namespace fw {

class TForm;
class PropertyReader;

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TTextLayout { tlTop, tlCenter, tlBottom };
enum class TCursor { crDefault, crHandPoint };
enum class TUDOrientation { udVertical, udHorizontal };

struct TFont {
  TColor Color = clWindowText;
  int Height = -13;  // negative: pixel height of the characters
  std::string Name = "MS Sans Serif";
  bool Bold = false;
};

class TComponent : public TObject {
 public:
  explicit TComponent(TForm* owner);
  ~TComponent() override;
  std::string Name;
  TForm* Owner() const { return owner_; }

  // Framework internals: the description reader hands each stored key here
  // (description.cpp, a table of properties per class); false when the class
  // has no property of that name. PropertiesRead follows the last key.
  virtual bool ReadProperty(const PropertyReader& r, const std::string& key);
  virtual void PropertiesRead(const PropertyReader& r);

 private:
  TForm* owner_;
};

class TControl : public TComponent {
 public:
  using TComponent::TComponent;

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  TRect BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
  virtual void SetBounds(int left, int top, int width, int height);

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool v);

  const std::string& Caption() const { return caption_; }
  virtual void SetCaption(const std::string& s);

  const TFont& Font() const { return font_; }
  virtual void SetFontColor(TColor c);

  std::string Hint;
  bool ShowHint = false;       // effective value after ParentShowHint
  bool ParentShowHint = true;
  TCursor Cursor = TCursor::crDefault;
  int TabOrder = -1;
  bool TabStop = true;

  TNotifyEvent OnClick;

  // Framework internals.
  bool ReadProperty(const PropertyReader& r, const std::string& key) override;
  void PropertiesRead(const PropertyReader& r) override;
  virtual void CreateHandle() {}  // makes the toolkit side, after loading

 protected:
  // Caption and font keys, for the classes that show a text.
  bool ReadTextProperty(const PropertyReader& r, const std::string& key);
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  std::string caption_;
  TFont font_;
};

// ---- windowless controls, painted by the form ----

class TGraphicControl : public TControl {
 public:
  using TControl::TControl;
  void SetVisible(bool v) override;
  void Invalidate();  // marks the rectangle for the next paint
  virtual void Paint(class TCanvas& canvas) = 0;
  virtual bool IsOpaque() const { return false; }
};

class TLabel : public TGraphicControl {
 public:
  explicit TLabel(TForm* owner);
  ~TLabel() override;
  void CreateHandle() override;  // text layout; AutoSize takes its size
  void SetCaption(const std::string& s) override;
  void SetFontColor(TColor c) override;
  TColor Color() const { return color_; }
  void SetColor(TColor c);  // clNone: transparent; other: opaque
  bool Transparent() const { return transparent_; }

  bool AutoSize = true;
  TAlignment Alignment = TAlignment::taLeftJustify;
  TTextLayout Layout = TTextLayout::tlTop;

  bool ReadProperty(const PropertyReader& r, const std::string& key) override;
  void PropertiesRead(const PropertyReader& r) override;
  void Paint(TCanvas& canvas) override;
  bool IsOpaque() const override { return !transparent_; }

  // The toolkit side: the text's layout (framework/native.h).
  struct Native;
  Native& native() const { return *native_; }

 private:
  void UpdateLayout();
  TColor color_ = clBtnFace;
  bool transparent_ = true;
  std::unique_ptr<Native> native_;
};

class TImage : public TGraphicControl {
 public:
  explicit TImage(TForm* owner);
  ~TImage() override;
  bool ReadProperty(const PropertyReader& r, const std::string& key) override;
  void Paint(TCanvas& canvas) override;

  // The toolkit side: the picture, shared between images (framework/native.h).
  struct Native;
  Native& native() const { return *native_; }

 private:
  std::unique_ptr<Native> native_;
};

// ---- controls with a window of their own ----

class TWinControl : public TControl {
 public:
  explicit TWinControl(TForm* owner);
  ~TWinControl() override;
  void SetVisible(bool v) override;
  void SetBounds(int left, int top, int width, int height) override;

  // The toolkit side: the control's widgets (framework/native.h). The
  // toolkit may destroy them first (with the window); the control then
  // holds none.
  struct Native;
  Native& native() const { return *native_; }

 protected:
  std::unique_ptr<Native> native_;
};

class TButton : public TWinControl {
 public:
  using TWinControl::TWinControl;
  void SetCaption(const std::string& s) override;
  void SetFontColor(TColor c) override;
  bool ReadProperty(const PropertyReader& r, const std::string& key) override;
  void CreateHandle() override;
};

// Shared by check box and radio button: Checked with the ordered handler rule.
class TButtonControl : public TWinControl {
 public:
  using TWinControl::TWinControl;
  ~TButtonControl() override;
  bool Checked() const { return checked_; }
  virtual void SetChecked(bool v);
  void SetCaption(const std::string& s) override;
  void SetFontColor(TColor c) override;
  // The control takes the size of its indicator and caption.
  bool AutoSize = true;
  TNotifyEvent OnChange;
  bool ReadProperty(const PropertyReader& r, const std::string& key) override;

 protected:
  // The toolkit changed the widget on its own (user click, keyboard).
  virtual void WidgetToggled() = 0;
  void ReportChange();  // OnChange if state differs from last reported
  void CreateToggle();  // the toolkit's button made: wraps it, connects "toggled"
  void FitToCaption();  // AutoSize
  bool checked_ = false;
  bool reported_ = false;
};

class TCheckBox : public TButtonControl {
 public:
  using TButtonControl::TButtonControl;
  void CreateHandle() override;
  void SetChecked(bool v) override;

 private:
  void WidgetToggled() override;
};

class TRadioButton : public TButtonControl {
 public:
  using TButtonControl::TButtonControl;
  void CreateHandle() override;
  void SetChecked(bool v) override;

 private:
  void WidgetToggled() override;
  // Arrow keys on a focused radio button: focus and select the previous
  // (step -1) or next (+1) visible radio button of the form, by position,
  // wrapping around. False when there is none to move to.
  bool MoveSelection(int step);
  void SetWidget(bool v);       // silent, for the whole group
  void DeselectOthers();
  // The user's selection. A click selects once more when a handler moved the
  // selection away; a selection by keyboard is one selection.
  enum class Selection { kClick, kKeyboard };
  void Select(Selection how);
};

class TMemo : public TWinControl {
 public:
  using TWinControl::TWinControl;
  std::vector<std::string> Lines;  // as loaded; Text() reads the widget
  std::string Text() const;
  bool ReadOnly = false;
  bool WordWrap = true;
  TColor Color = clWhite;
  bool ReadProperty(const PropertyReader& r, const std::string& key) override;
  void CreateHandle() override;

 private:
  bool pressed_ = false;  // a left press began on the memo
};

class TGroupBox : public TWinControl {
 public:
  using TWinControl::TWinControl;
  bool ReadProperty(const PropertyReader& r, const std::string& key) override;
  void CreateHandle() override;
};

class TUpDown : public TWinControl {
 public:
  // Out of line: Impl is complete only in updown.cpp.
  explicit TUpDown(TForm* owner);
  ~TUpDown() override;
  short Min() const { return min_; }
  short Max() const { return max_; }
  short Position() const { return position_; }
  void SetMin(short v);       // clamps Position up to v; no handler
  void SetMax(short v);       // clamps Position down to v; no handler
  void SetPosition(short v);  // stored unchecked; no handler
  int Increment = 1;
  bool Wrap = false;
  TUDOrientation Orientation = TUDOrientation::udVertical;
  TUDClickEvent OnClick;
  bool ReadProperty(const PropertyReader& r, const std::string& key) override;
  void CreateHandle() override;

  // Steps as a click on the arrow would, then runs OnClick (tests, keyboard).
  void Step(TUDBtnType button);

 private:
  short min_ = 0, max_ = 100, position_ = 0;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

class TTimer : public TComponent {
 public:
  using TComponent::TComponent;
  ~TTimer() override;
  bool Enabled() const { return enabled_; }
  // true on a stopped timer: first firing one full Interval later; false:
  // stops at once, also a firing already due. Same value: nothing.
  // Throws Exception("No timers available") if the toolkit gives none.
  void SetEnabled(bool v);
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned ms);
  TNotifyEvent OnTimer;

  bool ReadProperty(const PropertyReader& r, const std::string& key) override;
  void Start();  // starts the clock's timeout if enabled and OnTimer is set

 private:
  void Stop();
  void Fire();
  bool enabled_ = true;
  unsigned interval_ = 1000;
  unsigned source_ = 0;
  bool in_handler_ = false;
};

}  // namespace fw
