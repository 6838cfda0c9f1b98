// Fakes for the dialogs' ports shared by the form-model tests and the Win32
// view tests: pickers that answer from a queue, a shell that records what it
// opened, and the per-user settings in memory.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "addin/dialogs/dialog_services.h"
#include "addin/model/mail_props.h"
#include "addin/store/addin_services.h"
#include "addin/store/globals.h"
#include "common/picture_locale.h"
#include "common/services.h"
#include "common/settings.h"
#include "support/scripted_message_box.h"

namespace velmora::test {

// Each pick takes the next queued answer; an empty queue is a cancel.
class ScriptedPickers final : public FileDialogPort {
 public:
  std::string OpenFileDialog() override { return Next(files); }
  std::string OpenFolderDialog() override { return Next(folders); }
  std::deque<std::string> files, folders;

 private:
  static std::string Next(std::deque<std::string>& q) {
    if (q.empty()) return {};
    std::string s = q.front();
    q.pop_front();
    return s;
  }
};

class RecordingShell final : public ShellPort {
 public:
  bool Open(std::string_view what) override {
    opened.emplace_back(what);
    return true;
  }
  std::vector<std::string> opened;
};

class MemorySettings final : public Settings {
 public:
  std::optional<std::string> GetSetting(std::string_view, std::string_view,
                                        std::string_view key) override {
    const auto it = values.find(std::string(key));
    if (it == values.end()) return std::nullopt;
    return it->second;
  }
  bool SaveSetting(std::string_view, std::string_view, std::string_view key,
                   std::string_view value) override {
    values[std::string(key)] = std::string(value);
    return true;
  }
  bool DeleteSetting(std::string_view, std::string_view, std::string_view key) override {
    return values.erase(std::string(key)) > 0;
  }
  std::map<std::string, std::string> values;
};

// A fresh record under edit, nothing accepted yet, and an owner window of the
// given size far from the screen's corner (where a dialog is centred on it).
inline void ResetDialogGlobals(int ownerWidth, int ownerHeight) {
  g_EditProps = std::make_shared<CMailProps>();
  g_DialogOK = false;
  g_TopMost = false;
  g_OwnerLeft = 1500;
  g_OwnerTop = 1500;
  g_OwnerWidth = ownerWidth;
  g_OwnerHeight = ownerHeight;
}

// The ports every dialog test installs: United States date texts, settings in
// memory, scripted message boxes and pickers, a shell that records.
struct DialogPorts {
  PictureLocale locale;
  MemorySettings settings;
  ScopedServices services{
      Services{.locale = &locale, .settings = &settings, .logFolder = GetServices().logFolder}};
  ScriptedMessageBox box;
  RecordingShell shell;
  ScopedAddinServices addin{AddinServices{.messageBox = &box, .shell = &shell}};
  ScriptedPickers pickers;
};

}  // namespace velmora::test
