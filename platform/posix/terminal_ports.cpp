#include "platform/posix/terminal_ports.h"

#include "common/host_error.h"
#include "common/trap.h"
#include "platform/posix/spawn_detached.h"

namespace velmora::posix {

int TerminalMessageBox::DefaultButton(int style) {
  switch (style & 0xF) {
    case 1:  // OK, Cancel
      return mb::kOk;
    case 2:  // Abort, Retry, Ignore
      return 3;
    case 3:  // Yes, No, Cancel
    case 4:  // Yes, No
      return mb::kYes;
    case 5:  // Retry, Cancel
      return 4;
    default:
      return mb::kOk;
  }
}

int TerminalMessageBox::Show(std::string_view text, int style) {
  shown_.emplace_back(text);
  if (out_) {
    std::string line(text);
    for (char& c : line)
      if (c == '\r' || c == '\n') c = ' ';
    *out_ << "velmora: " << line << '\n';
    out_->flush();
  }
  return DefaultButton(style);
}

void SendReceiveKeys::SendKeys(std::string_view) {
  auto groups = Need(Need(app_).GetNamespace("MAPI")).SyncObjects();
  if (!groups || groups->Count() < 1) Raise(err::kObjectNotSet, "No send/receive group");
  Need(groups->Item(1)).Start();
}

bool XdgShell::Open(std::string_view fileOrAddress) {
  return TrapOr("Shell.Open", false, [&] {
    auto program = FindProgram("xdg-open", {});
    if (!program) return false;
    SpawnDetached(*program, {std::string(fileOrAddress)});
    return true;
  });
}

}  // namespace velmora::posix
