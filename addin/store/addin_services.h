// The add-in's own ports (message boxes, keystrokes, shell, timers, outside
// objects) and the host application it is connected to. Installed by the
// deliverable's entry point or by a test, read through the accessors, each of
// which raises error 91 when its port is missing.
#pragma once

#include <string_view>

#include "addin/store/host.h"
#include "addin/store/xml_dom.h"
#include "common/timer.h"

namespace velmora {

namespace mb {
inline constexpr int kOkOnly = 0;
inline constexpr int kOkCancel = 1;
inline constexpr int kYesNoCancel = 3;
inline constexpr int kSetForeground = 0x10000;
inline constexpr int kTopMost = 0x40000;

inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kYes = 6;
inline constexpr int kNo = 7;
}  // namespace mb

// A message box with no icon and the default title; returns the button.
class MessageBoxPort {
 public:
  virtual ~MessageBoxPort() = default;
  virtual int Show(std::string_view text, int style) = 0;
};

// Keystrokes to the active window ("%{F9}").
class KeystrokePort {
 public:
  virtual ~KeystrokePort() = default;
  virtual void SendKeys(std::string_view keys) = 0;
};

// The shell's "open" of a file or address.
class ShellPort {
 public:
  virtual ~ShellPort() = default;
  virtual bool Open(std::string_view fileOrAddress) = 0;
};

struct AddinServices {
  host::ObjectFactory* objects = nullptr;
  MessageBoxPort* messageBox = nullptr;
  KeystrokePort* keys = nullptr;
  ShellPort* shell = nullptr;
  TimerFactory* timers = nullptr;
  XmlFactory* xml = nullptr;
  // The host application while the add-in is connected (Connect's m_app).
  host::ApplicationPtr app;
};

AddinServices& GetAddinServices() noexcept;

host::ObjectFactory& TheObjects();
MessageBoxPort& TheMessageBox();
KeystrokePort& TheKeys();
ShellPort& TheShell();
TimerFactory& TheTimers();
XmlFactory& TheXml();
host::ApplicationPtr TheApp();      // raises 91 when not connected
host::NameSpacePtr TheNamespace();  // the app's "MAPI" namespace

class ScopedAddinServices {
 public:
  explicit ScopedAddinServices(AddinServices s) : saved_(GetAddinServices()) {
    GetAddinServices() = std::move(s);
  }
  ~ScopedAddinServices() { GetAddinServices() = std::move(saved_); }
  ScopedAddinServices(const ScopedAddinServices&) = delete;
  ScopedAddinServices& operator=(const ScopedAddinServices&) = delete;

 private:
  AddinServices saved_;
};

}  // namespace velmora
