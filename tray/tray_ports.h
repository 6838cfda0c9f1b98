// What the tray launcher asks of the machine it runs on: a named mutex for
// one copy per logon, the mail host (running? start it), the notification
// icon with its pop-up menu, and the end of the program. Windows and Linux
// each install their own; tests install fakes.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::tray {

// A held mutex; destroying it releases the mutex and closes the handle.
class NamedMutex {
 public:
  virtual ~NamedMutex() = default;
};

class MutexPort {
 public:
  virtual ~MutexPort() = default;
  // The mutex of that name, created and owned by this process from the start;
  // nothing when another process already has one of that name. Raises
  // HostError when no mutex can be made at all.
  virtual std::unique_ptr<NamedMutex> CreateOwned(std::string_view name) = 0;
};

class HostLauncher {
 public:
  virtual ~HostLauncher() = default;
  // True when a running mail host answers; any failure to ask counts as not
  // running.
  virtual bool IsRunning() = 0;
  // Starts the mail host; raises HostError when it could not be started.
  virtual void Start() = 0;
};

// One pop-up menu entry; command 0 is a separator.
struct MenuItem {
  int command = 0;
  std::string text;
  friend bool operator==(const MenuItem&, const MenuItem&) = default;
};

class TrayIcon {
 public:
  virtual ~TrayIcon() = default;
  // Raises HostError when the shell refuses the icon.
  virtual void Add() = 0;
  // Removes the icon if it is shown; raises HostError when the shell refuses.
  virtual void Remove() = 0;
  // Shows the menu at the cursor and returns the chosen command, 0 for none.
  virtual int ShowMenu(const std::vector<MenuItem>& items) = 0;
};

// Ends the program's message loop with the exit code, after the current
// handler has returned.
class QuitPort {
 public:
  virtual ~QuitPort() = default;
  virtual void Quit(int exitCode) = 0;
};

}  // namespace velmora::tray
