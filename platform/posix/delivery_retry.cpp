#include "platform/posix/delivery_retry.h"

#include <array>
#include <cstdlib>
#include <string>

#include "common/services.h"
#include "common/text.h"
#include "common/winreg.h"
#include "platform/posix/store/mail_store.h"
#include "tray/reg_params.h"

namespace velmora::posix {

namespace {

constexpr const char* kAttemptSetting = "RetryAttempt";
constexpr const char* kAtSetting = "RetryAt";

}  // namespace

int RetryDelayMinutes(int attempt) {
  constexpr std::array<int, 4> kFirst = {1, 2, 5, 10};
  if (attempt < 1) attempt = 1;
  return attempt <= static_cast<int>(kFirst.size()) ? kFirst[static_cast<std::size_t>(attempt - 1)]
                                                    : 30;
}

RetryState LoadRetry(MailStore& store) {
  RetryState state;
  if (const auto at = store.Setting(kAtSetting); at && !at->empty()) state.at = ReadDateText(*at);
  if (const auto n = store.Setting(kAttemptSetting)) state.attempt = std::atoi(n->c_str());
  if (!state.at) state.attempt = 0;
  return state;
}

std::optional<DateTime> PlanRetry(MailStore& store, bool mailsWaiting, DateTime now) {
  const RetryState state = LoadRetry(store);
  if (!mailsWaiting) {
    if (state.at) {
      store.SetSetting(kAtSetting, "");
      store.SetSetting(kAttemptSetting, "0");
    }
    return std::nullopt;
  }
  const int attempt = state.attempt + 1;
  const DateTime at = now.AddMinutes(RetryDelayMinutes(attempt));
  store.SetSetting(kAttemptSetting, std::to_string(attempt));
  store.SetSetting(kAtSetting, ToIsoText(at));
  return at;
}

void KeepNextOccurenceBefore(std::optional<DateTime> retry) {
  if (!retry) return;
  const std::optional<DateTime> written = ReadDateText(tray::NextOccurenceText());
  if (written && *written <= *retry) return;
  CWinReg reg;
  if (reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, kSettingsKey, true))
    reg.SetString(kValueNextOccurence, DateText(*retry));
}

}  // namespace velmora::posix
