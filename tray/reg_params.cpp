#include "tray/reg_params.h"

#include "common/debug.h"
#include "common/host_error.h"
#include "common/services.h"
#include "common/text.h"
#include "common/trap.h"
#include "common/winreg.h"
#include "tray/tray_names.h"

namespace velmora::tray {

namespace {

constexpr std::string_view kOpFailed = "op failed";

// Opens the settings key for writing (creating it) and writes one value.
bool WriteValue(std::string_view where, const SettingsLocation& at, std::string_view name,
                std::string_view text) {
  CWinReg reg;
  if (!reg.InitForWrite(at.root, at.subkey, true)) {
    g_debug().OutWarning(where, kOpFailed);
    return false;
  }
  if (!reg.SetString(name, text)) {
    g_debug().OutCustomError(where, Concat("cannot write ", name));
    return false;
  }
  return true;
}

}  // namespace

SettingsLocation::SettingsLocation() : root(reg::kCurrentUser), subkey(kSettingsKey) {}

std::optional<DateTime> LoadRegParam(const SettingsLocation& where) {
  try {
    std::string text;
    {
      CWinReg reg;
      if (!reg.InitForRead(where.root, where.subkey)) {
        g_debug().OutWarning("LoadRegParam", kOpFailed);
        return std::nullopt;
      }
      text = std::string(Trim(reg.GetString(kValueNextOccurence)));
    }
    if (text.empty()) return std::nullopt;
    const std::optional<DateTime> t = ReadDateText(text);
    if (!t) Raise(err::kTypeMismatch, "Type mismatch");
    return t->AddSeconds(-t->Second());
  } catch (...) {
    LogCurrentError("LoadRegParam");
  }
  // A value nobody can read would be logged twice a minute for ever.
  ClearRegParam(where);
  return std::nullopt;
}

std::string NextOccurenceText(const SettingsLocation& where) {
  std::string text;
  Ignore([&] {
    CWinReg reg;
    if (reg.InitForRead(where.root, where.subkey)) text = reg.GetString(kValueNextOccurence);
  });
  return text;
}

void ClearRegParam(const SettingsLocation& where) {
  Trap("ClearRegParam", [&] { WriteValue("ClearRegParam", where, kValueNextOccurence, ""); });
}

bool SetRegParamFlag(const SettingsLocation& where) {
  return TrapOr("SetRegParamFlag", false, [&] {
    return WriteValue("SetRegParamFlag", where, kValueSendAndExit, kSendAndExitOn);
  });
}

std::string NextOccurenceCaption(const SettingsLocation& where) {
  const std::optional<DateTime> t = LoadRegParam(where);
  return Concat(kMenuNextOccurence, t ? DateText(*t) : std::string(kMenuNone));
}

}  // namespace velmora::tray
