// A small tool for the end-to-end tests: reads and writes the settings
// values of the standalone host's registry, as the add-in and the launcher
// do. Usage: e2e_registry get NAME | set NAME VALUE (under VELMORA_HOME).
#include <cstdio>
#include <cstring>

#include "common/winreg.h"
#include "platform/posix/registry_sqlite.h"

int main(int argc, char** argv) {
  using namespace velmora;
  const bool get = argc == 3 && std::strcmp(argv[1], "get") == 0;
  const bool set = argc == 4 && std::strcmp(argv[1], "set") == 0;
  if (!get && !set) {
    std::fputs("usage: e2e_registry get NAME | set NAME VALUE\n", stderr);
    return 2;
  }
  try {
    posix::SqliteRegistry registry(posix::SqliteRegistry::DefaultPath());
    CWinReg reg(registry);
    if (get) {
      if (!reg.InitForRead(CWinReg::HKEY_CURRENT_USER, kSettingsKey)) return 1;
      std::printf("%s\n", reg.GetString(argv[2]).c_str());
      return 0;
    }
    if (!reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, kSettingsKey, true)) return 1;
    return reg.SetString(argv[2], argv[3]) ? 0 : 1;
  } catch (...) {
    std::fputs("e2e_registry: failed\n", stderr);
    return 1;
  }
}
