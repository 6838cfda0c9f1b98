// The tray launcher's ports on Linux: the single-instance mutex is a lock
// file, "is the host running" asks the host's lock, "start the host" spawns
// `velmora run`, there is no icon, and the end of the program ends the loop.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/event_loop.h"
#include "tray/tray_ports.h"

namespace velmora::posix {

// The one named mutex orbitel asks for lives as a lock file at `path`
// (StateHome()/orbitel.lock).
class LockFileMutex final : public tray::MutexPort {
 public:
  explicit LockFileMutex(std::filesystem::path path) : path_(std::move(path)) {}
  std::unique_ptr<tray::NamedMutex> CreateOwned(std::string_view name) override;

 private:
  std::filesystem::path path_;
};

class VelmoraLauncher final : public tray::HostLauncher {
 public:
  // `hostLock`: the lock the running host holds. `beside`: where to look for
  // `velmora` before PATH (the folder of the running orbitel).
  VelmoraLauncher(std::filesystem::path hostLock, std::filesystem::path beside)
      : hostLock_(std::move(hostLock)), beside_(std::move(beside)) {}
  bool IsRunning() override;
  void Start() override;

 private:
  std::filesystem::path hostLock_;
  std::filesystem::path beside_;
};

// Linux has no notification area we can count on: no icon, no menu; the
// menu's text is what `orbitel status` prints.
class NoTrayIcon final : public tray::TrayIcon {
 public:
  void Add() override {}
  void Remove() override {}
  int ShowMenu(const std::vector<tray::MenuItem>&) override { return 0; }
};

class LoopQuit final : public tray::QuitPort {
 public:
  explicit LoopQuit(EventLoop& loop) : loop_(loop) {}
  void Quit(int exitCode) override { loop_.Quit(exitCode); }

 private:
  EventLoop& loop_;
};

}  // namespace velmora::posix
