// A locale driven by date and time pictures ("M/d/yyyy", "h:mm:ss tt"), used
// where the platform offers no regional settings of its own (the standalone
// host). Defaults are United States settings, so stored texts read the same
// as on a United States Windows machine.
#pragma once

#include <string>

#include "common/locale.h"

namespace velmora {

struct LocalePictures {
  std::string shortDate = "M/d/yyyy";
  std::string longTime = "h:mm:ss tt";
  std::string timeSeparator = ":";
  std::string dateSeparator = "/";
  std::string am = "AM";
  std::string pm = "PM";
  int firstDayOfWeek = 6;  // platform numbering: 0 Monday ... 6 Sunday
};

class PictureLocale final : public Locale {
 public:
  explicit PictureLocale(LocalePictures pictures = {});
  std::string FormatDateTime(DateTime t) const override;
  std::optional<DateTime> ParseDateTime(std::string_view text) const override;
  std::string GetLocaleInfo(std::uint32_t entry) const override;

  std::string FormatDate(DateTime t) const;
  std::string FormatTime(DateTime t) const;
  const LocalePictures& Pictures() const { return p_; }

 private:
  LocalePictures p_;
};

}  // namespace velmora
