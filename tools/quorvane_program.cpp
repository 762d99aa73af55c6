#include "tools/quorvane_program.h"

#include <memory>

#include "app/acc_main.h"

QuorvaneProgram::QuorvaneProgram()
    : EntryProgram([](DWORD pid) {
        // The handset loads no modules: the process id serves as the instance handle.
        auto instance = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(pid));
        WCHAR commandLine[] = u"";
        return AccProgramMain(instance, commandLine, SW_SHOW);
      }) {}

host::launch::Executable QuorvaneExecutable() {
  return {kQuorvaneExe, [] { return std::make_unique<QuorvaneProgram>(); }};
}
