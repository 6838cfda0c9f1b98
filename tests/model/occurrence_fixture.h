// Services for the occurrence tests: an in-memory registry holding the
// host's calendar options, a United States locale, and helpers to build
// recurring records and read their occurrences as text.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "addin/model/mail_props.h"
#include "addin/store/versions.h"
#include "common/picture_locale.h"
#include "common/services.h"
#include "common/settings.h"
#include "common/winreg.h"
#include "platform/posix/registry_sqlite.h"

namespace velmora::test {

class OccurrenceTest : public ::testing::Test {
 protected:
  OccurrenceTest()
      : services_(Services{.clock = nullptr,
                           .locale = &locale_,
                           .registry = &registry_,
                           .settings = &settings_,
                           .files = nullptr,
                           .logFolder = GetServices().logFolder}),
        savedVersion_(g_OutlookVersion) {
    g_OutlookVersion = "11.0";
  }
  ~OccurrenceTest() override { g_OutlookVersion = savedVersion_; }

  // The host's "FirstDOW" option, in its own numbering (0 = Sunday).
  void SetHostFirstDOW(std::int32_t hostValue) {
    CWinReg reg(registry_);
    ASSERT_TRUE(reg.InitForWrite(CWinReg::HKEY_CURRENT_USER,
                                 "Software\\Microsoft\\Office\\11.0\\Outlook\\Options\\Calendar",
                                 true));
    ASSERT_TRUE(reg.SetNumber("FirstDOW", hostValue));
  }

  static CMailProps Recurring(std::int32_t type, DateTime patternStart, int hour = 9,
                              int minute = 0) {
    CMailProps p;
    p.m_IsRecurring = true;
    p.m_RecurrenceType = type;
    p.m_Interval = 1;
    p.m_NoEndDate = true;
    p.m_PatternStartDate = patternStart;
    p.m_StartTime = DateTime::FromTime(hour, minute, 0);
    return p;
  }

  static std::vector<std::string> Iso(const std::optional<std::vector<DateTime>>& list) {
    std::vector<std::string> out;
    if (!list) {
      out.push_back("<no list>");
      return out;
    }
    for (DateTime t : *list)
      out.push_back(ToIsoText(t));
    return out;
  }

  static std::vector<std::string> First(CMailProps& p, std::int32_t n) {
    return Iso(p.GetOccurrences(n));
  }

  static DateTime Day(int y, int m, int d) { return DateTime::FromParts(y, m, d); }

  posix::SqliteRegistry registry_{":memory:"};
  RegistrySettings settings_{registry_};
  PictureLocale locale_;
  ScopedServices services_;
  std::string savedVersion_;
};

}  // namespace velmora::test
