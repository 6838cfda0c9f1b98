// Per-user settings as string values in the registry backend. Talks to the
// backend directly: settings texts (such as the ignore list) are not bound by
// CWinReg's reading buffer.
#include "common/settings.h"

#include <string>
#include <utility>

#include "common/registry_backend.h"

namespace velmora {

namespace {

constexpr std::string_view kSettingsRoot = "Software\\VB and VBA Program Settings\\";

// An open backend key, closed at the end of its scope.
class OpenKey {
 public:
  OpenKey(RegistryBackend& backend, RegKey key) : backend_(backend), key_(key) {}
  ~OpenKey() {
    try {
      if (key_ != 0) backend_.Close(key_);
    } catch (...) {
      // A key that will not close is left to the backend; nothing to report.
    }
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  RegKey get() const { return key_; }
  explicit operator bool() const { return key_ != 0; }

 private:
  RegistryBackend& backend_;
  RegKey key_;
};

// Empty names would address the parent key instead of a section of its own.
bool ValidPlace(std::string_view app, std::string_view section) {
  return !app.empty() && !section.empty();
}

std::string SectionKey(std::string_view app, std::string_view section) {
  std::string key(kSettingsRoot);
  key += app;
  key += '\\';
  key += section;
  return key;
}

}  // namespace

std::optional<std::string> RegistrySettings::GetSetting(std::string_view app,
                                                        std::string_view section,
                                                        std::string_view key) {
  try {
    if (!ValidPlace(app, section)) return std::nullopt;
    OpenKey k(backend_,
              backend_.Open(reg::kCurrentUser, SectionKey(app, section), reg::kRead, false));
    if (!k) return std::nullopt;
    std::optional<RegValue> v = backend_.GetValue(k.get(), key);
    if (!v || (v->type != RegType::kString && v->type != RegType::kExpandString))
      return std::nullopt;
    return std::move(v->text);
  } catch (...) {
    return std::nullopt;
  }
}

bool RegistrySettings::SaveSetting(std::string_view app, std::string_view section,
                                   std::string_view key, std::string_view value) {
  try {
    if (!ValidPlace(app, section)) return false;
    OpenKey k(backend_,
              backend_.Open(reg::kCurrentUser, SectionKey(app, section), reg::kWrite, true));
    if (!k) return false;
    RegValue v;
    v.type = RegType::kString;
    v.text = std::string(value);
    return backend_.SetValue(k.get(), key, v);
  } catch (...) {
    return false;
  }
}

bool RegistrySettings::DeleteSetting(std::string_view app, std::string_view section,
                                     std::string_view key) {
  try {
    if (!ValidPlace(app, section)) return false;
    OpenKey k(backend_,
              backend_.Open(reg::kCurrentUser, SectionKey(app, section), reg::kWrite, false));
    if (!k) return false;
    return backend_.DeleteValue(k.get(), key);
  } catch (...) {
    return false;
  }
}

}  // namespace velmora
