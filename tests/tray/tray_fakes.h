// Stand-ins for what the tray launcher asks of the machine: mutexes shared
// by every "process" of a test, a mail host that records its starts, an icon
// that answers menus from a script, a registry that fails on request.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/host_error.h"
#include "common/registry_backend.h"
#include "common/winreg.h"
#include "tray/reg_params.h"
#include "tray/tray_ports.h"

namespace velmora::test {

// The named mutexes of the whole machine: two launchers built on one
// instance behave as two processes of one logon.
class FakeMutexes final : public tray::MutexPort {
 public:
  std::unique_ptr<tray::NamedMutex> CreateOwned(std::string_view name) override {
    if (fail) Raise(err::kFileIo, "no mutex today");
    if (!held_.insert(std::string(name)).second) return nullptr;
    return std::make_unique<Held>(*this, std::string(name));
  }
  bool IsHeld(std::string_view name) const { return held_.count(std::string(name)) != 0; }
  bool fail = false;

 private:
  struct Held final : tray::NamedMutex {
    Held(FakeMutexes& o, std::string n) : owner(o), name(std::move(n)) {}
    ~Held() override { owner.held_.erase(name); }
    FakeMutexes& owner;
    std::string name;
  };
  std::set<std::string> held_;
};

// A mail host that records every start, with what "SendAndExit" held then.
class FakeHost final : public tray::HostLauncher {
 public:
  explicit FakeHost(tray::SettingsLocation where) : where_(std::move(where)) {}
  bool IsRunning() override { return running; }
  void Start() override {
    CWinReg reg;
    flagAtStart.push_back(reg.InitForRead(where_.root, where_.subkey)
                              ? reg.GetString(kValueSendAndExit)
                              : std::string("<no key>"));
    if (failStart) Raise(err::kFileNotFound, "outlook.exe not found");
  }
  int Starts() const { return static_cast<int>(flagAtStart.size()); }

  bool running = false;
  bool failStart = false;
  std::vector<std::string> flagAtStart;

 private:
  tray::SettingsLocation where_;
};

class FakeIcon final : public tray::TrayIcon {
 public:
  void Add() override {
    ++adds;
    if (failAdd) Raise(err::kAutomation, "Shell_NotifyIcon failed");
    shown = true;
  }
  void Remove() override {
    if (shown) ++removes;
    shown = false;
  }
  int ShowMenu(const std::vector<tray::MenuItem>& items) override {
    menus.push_back(items);
    if (failMenu) Raise(err::kAutomation, "no menu");
    if (answers.empty()) return 0;
    const int a = answers.front();
    answers.pop_front();
    return a;
  }

  bool shown = false;
  bool failAdd = false;
  bool failMenu = false;
  int adds = 0;
  int removes = 0;
  std::deque<int> answers;
  std::vector<std::vector<tray::MenuItem>> menus;
};

class FakeQuit final : public tray::QuitPort {
 public:
  void Quit(int exitCode) override { codes.push_back(exitCode); }
  std::vector<int> codes;
};

// Passes everything to a real backend unless told to fail a kind of call.
class FlakyRegistry final : public RegistryBackend {
 public:
  explicit FlakyRegistry(RegistryBackend& inner) : inner_(inner) {}
  RegKey Open(RegKey parent, std::string_view subkey, std::uint32_t access, bool create) override {
    const bool writing = (access & reg::kSetValue) != 0;
    if (writing && failWriteOpen) return 0;
    if (throwOnOpen) Raise(err::kAutomation, "registry gone");
    return inner_.Open(parent, subkey, access, create);
  }
  bool Close(RegKey key) override { return inner_.Close(key); }
  bool SetValue(RegKey key, std::string_view name, const RegValue& value) override {
    if (failSet) return false;
    return inner_.SetValue(key, name, value);
  }
  std::optional<RegValue> GetValue(RegKey key, std::string_view name) override {
    return inner_.GetValue(key, name);
  }
  bool DeleteValue(RegKey key, std::string_view name) override {
    return inner_.DeleteValue(key, name);
  }
  bool DeleteSubKey(RegKey key, std::string_view name) override {
    return inner_.DeleteSubKey(key, name);
  }
  std::optional<std::string> EnumValue(RegKey key, std::uint32_t index) override {
    return inner_.EnumValue(key, index);
  }
  std::optional<std::string> EnumKey(RegKey key, std::uint32_t index) override {
    return inner_.EnumKey(key, index);
  }
  bool Flush(RegKey key) override { return inner_.Flush(key); }

  bool failWriteOpen = false;
  bool failSet = false;
  bool throwOnOpen = false;

 private:
  RegistryBackend& inner_;
};

}  // namespace velmora::test
