// Orbitel runs for days while the user may change the host's regional
// settings: dates must be read and written in the settings of the moment.
#include <gtest/gtest.h>

#include "common/datetime.h"
#include "platform/posix/live_regional_locale.h"
#include "platform/posix/regional_settings.h"
#include "platform/posix/registry_sqlite.h"

namespace velmora::posix {
namespace {

TEST(LiveRegionalLocaleTest, FollowsTheSettingsAsTheyChange) {
  SqliteRegistry registry(":memory:");
  const LiveRegionalLocale locale(registry);
  const DateTime nine = DateTime::FromParts(2026, 12, 7, 9, 0, 0);
  EXPECT_EQ(locale.FormatDateTime(nine), "12/7/2026 9:00:00 AM");

  LocalePictures german;
  german.shortDate = "d.M.yyyy";
  german.longTime = "HH:mm:ss";
  german.dateSeparator = ".";
  german.firstDayOfWeek = 0;
  SaveRegionalSettings(registry, german);
  EXPECT_EQ(locale.FormatDateTime(nine), "7.12.2026 09:00:00");
  EXPECT_EQ(locale.ParseDateTime("7.12.2026 09:00:00"), nine);
  EXPECT_EQ(locale.GetLocaleInfo(lc::kShortDate), "d.M.yyyy");

  SaveRegionalSettings(registry, LocalePictures{});
  EXPECT_EQ(locale.ParseDateTime("12/7/2026 9:00:00 AM"), nine);
  EXPECT_EQ(locale.FormatDateTime(nine), "12/7/2026 9:00:00 AM");
}

}  // namespace
}  // namespace velmora::posix
