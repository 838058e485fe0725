#pragma once

#include "check_program_fixture.h"
#include "scripted_library.h"

namespace check_program_testing {

// The program against the scripted stand-in library.
class ScriptedProgram : public CheckProgram {
 protected:
  void SetUp() override {
    CheckProgram::SetUp();
    auto script_function =
        reinterpret_cast<ScriptFunction>(GetProcAddress(Tamrixdll::TamrixLibraryHandle, "Script"));
    ASSERT_NE(script_function, nullptr) << "the scripted library was not the one loaded";
    script = script_function();
    script->Reset();
    // Our own reference keeps the script readable after the program's exit
    // has released the library.
    own_reference_ = LoadLibraryA(Tamrixdll::kLibraryFileName);
  }

  void TearDown() override {
    CheckProgram::TearDown();
    if (own_reference_ != 0) FreeLibrary(own_reference_);
  }

  void Click(tamrix::ui::Button &button) { button.Click(); }

  ScriptState *script = nullptr;

 private:
  HMODULE own_reference_ = 0;
};

}  // namespace check_program_testing
