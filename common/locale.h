// Locale port: date-times as text in the user's regional settings, and the
// locale entries the dialogs and helpers ask for by number.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/datetime.h"

namespace velmora {

// Locale entry numbers, as the platform numbers them.
namespace lc {
inline constexpr std::uint32_t kTimeSeparator = 0x1E;     // LOCALE_STIME
inline constexpr std::uint32_t kDateSeparator = 0x1D;     // LOCALE_SDATE
inline constexpr std::uint32_t kShortDate = 0x1F;         // LOCALE_SSHORTDATE
inline constexpr std::uint32_t kAmDesignator = 0x28;      // LOCALE_S1159
inline constexpr std::uint32_t kPmDesignator = 0x29;      // LOCALE_S2359
inline constexpr std::uint32_t kTimeFormat = 0x1003;      // LOCALE_STIMEFORMAT
inline constexpr std::uint32_t kFirstDayOfWeek = 0x100C;  // LOCALE_IFIRSTDAYOFWEEK, 0 = Monday
}  // namespace lc

class Locale {
 public:
  virtual ~Locale() = default;
  // The general date form: short date, a space, long time; the time alone
  // when the date part is the zero day; the date alone at midnight.
  virtual std::string FormatDateTime(DateTime t) const = 0;
  // Reads what FormatDateTime writes (and what users type in the same
  // settings); nothing when the text is not a date-time.
  virtual std::optional<DateTime> ParseDateTime(std::string_view text) const = 0;
  // A locale entry by number; empty text when the entry is unknown.
  virtual std::string GetLocaleInfo(std::uint32_t entry) const = 0;
};

}  // namespace velmora
