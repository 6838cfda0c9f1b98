// The tray launcher's mail host on Windows: Outlook. "Is it running" asks
// COM for the running object of its class (never starting one); "start it"
// asks the shell to open outlook.exe. The calling thread must have COM
// initialised.
#pragma once

#include <string>

#include "tray/tray_ports.h"

namespace velmora::win32 {

class OutlookLauncher final : public tray::HostLauncher {
 public:
  explicit OutlookLauncher(std::string progId = "Outlook.Application",
                           std::string program = "outlook.exe")
      : progId_(std::move(progId)), program_(std::move(program)) {}

  bool IsRunning() override;
  void Start() override;

 private:
  std::string progId_;
  std::string program_;
};

}  // namespace velmora::win32
