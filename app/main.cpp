// Program start: framework, window unit, main window, event loop.
#include <cstdio>

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
  } catch (const fw::DescriptionError& e) {
    std::fprintf(stderr, "pyrovantika: %s\n", e.what());
    return 2;
  }
  fw::Application->Run();
  fw::FinalizeFramework();
  return 0;
}
