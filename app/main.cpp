// Program start: framework, window unit, main window, event loop.
//
// How an event travels, for example a click on RESET:
//  1. The X server sends the button release; GTK's main loop (entered by
//     Application->Run below) reads it and gives it to the radio button's
//     widget, which emits "toggled".
//  2. framework/toolkit.cpp connected that signal; its trampoline calls into
//     the framework through Dispatch (framework/application.cpp), the one
//     entry point, which reports an exception that leaves a handler in the
//     error box.
//  3. TRadioButton::WidgetToggled (framework/controls.cpp) applies the
//     Checked rule: the deselected button's OnChange and OnClick, then the
//     selected one's, bound by name from the stored description
//     (framework/description.cpp) to TForm1's methods.
//  4. TForm1::RadioButton3Click (app/farbe_ach16.cpp) changes the model
//     (app/model/), then the display: Label15->SetCaption only marks the
//     label's rectangle for painting.
//  5. Back in the loop, GTK repaints the marked part: "expose-event" enters
//     the same way and the form's PaintRegion (framework/forms.cpp) runs OnPaint
//     (Aufbau) and paints the labels and pictures over it, which the X server
//     shows.
// Timer ticks take the same road from TTimer through fw::Clock
// (framework/clock.h), whose main-loop timeouts toolkit.cpp makes. The ways
// out of the program (the loop's end, the error box, signals, a lost
// display) all write the record file through the exit hook set here.
#include <cstdio>
#include <exception>

#include "app/farbe_ach16.h"
#include "app/model/record_file.h"
#include "framework/forms.h"

int main(int argc, char** argv) {
  fw::InitFramework(&argc, &argv);
  try {
    farbe_ach16::InitializeUnit();
    fw::Application->Initialize();
    // Lines still buffered in an open record file reach it on every way out.
    fw::Application->SetExitHook(room::CloseRecordFileAtExit);
    fw::Application->CreateForm(Form1);
  } catch (const std::exception& e) {
    // Whatever stops the start (a description the reader refuses, a picture
    // that cannot be decoded, no timers, no memory) is one line and one
    // exit code, not an abort. The application object and a half-read form
    // stay reachable from Application until the process ends.
    std::fprintf(stderr, "pyrovantika: %s\n", e.what());
    return 2;
  } catch (...) {
    std::fprintf(stderr, "pyrovantika: unknown exception at start\n");
    return 2;
  }
  fw::Application->Run();
  fw::FinalizeFramework();
  return 0;
}
