// The add-in's user-facing ports on a host without windows: message boxes
// become lines on stderr answered with the box's default button, keystrokes
// ("send now") start the host's send/receive group, and the shell opens with
// xdg-open when there is one.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "addin/store/addin_services.h"

namespace velmora::posix {

class TerminalMessageBox final : public MessageBoxPort {
 public:
  // `out` receives one line per box; nullptr records only.
  explicit TerminalMessageBox(std::ostream* out) : out_(out) {}
  int Show(std::string_view text, int style) override;
  // What was shown, in order (the commands report it themselves).
  const std::vector<std::string>& Shown() const { return shown_; }

  // The button a box answers with when nobody is there to press one: its
  // first, the default.
  static int DefaultButton(int style);

 private:
  std::ostream* out_;
  std::vector<std::string> shown_;
};

class SendReceiveKeys final : public KeystrokePort {
 public:
  explicit SendReceiveKeys(host::ApplicationPtr app) : app_(std::move(app)) {}
  // Any keystroke the add-in sends means "send now" (F9, F5).
  void SendKeys(std::string_view keys) override;

 private:
  host::ApplicationPtr app_;
};

class XdgShell final : public ShellPort {
 public:
  bool Open(std::string_view fileOrAddress) override;
};

}  // namespace velmora::posix
