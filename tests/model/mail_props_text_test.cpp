// The schedule record's text form ("VelmoraRecurrence") as stored values
// rely on it: the exact bytes under United States settings, round trips,
// and the fall-back to a one-off mail for whatever a damaged value holds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "addin/model/mail_props.h"
#include "common/picture_locale.h"
#include "common/services.h"
#include "model/weekly_record.h"
#include "support/captured_log.h"
#include "support/manual_clock.h"

namespace velmora {
namespace {

using test::CapturedLog;
using namespace std::string_literals;

Services WithLocale(const Locale* locale, const Clock* clock) {
  Services s = GetServices();
  s.locale = locale;
  s.clock = clock;
  return s;
}

class MailPropsText : public ::testing::Test {
 protected:
  static CMailProps Weekly() { return test::WeeklyRecord({"C:\\r\\a.txt", "C:\\out\\"}); }
  PictureLocale us_;
  test::ManualClock clock_;
  ScopedServices services_{WithLocale(&us_, &clock_)};
};

// (The exact bytes of a weekly record: the record-on-item tests; every field
// read: the recurrence dialog's stored patterns.)
TEST_F(MailPropsText, AnyNonZeroYesNoFieldReadsAsYes) {
  // The host's own conversion writes yes as -1; this record writes 1.
  for (const std::string yes : {"-1", "1", "2"}) {
    CMailProps p;
    p.ReadFromString(yes + ";0;0;0;0;0;1;0;" + yes + ";#10;9:00:00 AM#9;12/7/2026#9;1/30/2027");
    EXPECT_TRUE(p.m_IsRecurring) << yes;
    EXPECT_TRUE(p.m_NoEndDate) << yes;
  }
}

TEST_F(MailPropsText, AttachmentListsSurviveTheRoundTrip) {
  CMailProps p = Weekly();
  p.m_collAttachments.clear();
  CMailProps q = Weekly();
  q.ReadFromString(p.WriteToString());
  EXPECT_TRUE(q.m_collAttachments.empty());
  EXPECT_TRUE(q.m_IsRecurring);

  // A folder source is told from a file by its trailing separator, so that
  // must survive, and so must text that is not ASCII.
  p.m_collAttachments = {"C:\\out\\", "/srv/drop/", "D:\\Ünïcödé\\"};
  q.ReadFromString(p.WriteToString());
  EXPECT_EQ(q.m_collAttachments, p.m_collAttachments);

  // Empty entries only a damaged value holds are dropped: kept, they would
  // make the next write fail, and the mail lose its pattern.
  q.ReadFromString("1;1;0;0;0;34;2;10;0;;C:\\a.txt;;#10;9:00:00 AM#9;12/7/2026#9;1/30/2027");
  EXPECT_EQ(q.m_collAttachments, std::vector<std::string>{"C:\\a.txt"});
  EXPECT_EQ(q.WriteToString(),
            "1;1;0;0;0;34;2;10;0;C:\\a.txt;#10;9:00:00 AM#9;12/7/2026#9;1/30/2027");
}

TEST_F(MailPropsText, DateLengthsCountCharactersNotBytes) {
  // Designators that are not ASCII: the length prefix must still agree with
  // the text that follows it, or nothing after it reads back.
  const PictureLocale japanese(LocalePictures{.am = "午前", .pm = "午後"});
  ScopedServices local(WithLocale(&japanese, &clock_));
  CMailProps p = Weekly();
  p.m_StartTime = DateTime::FromTime(21, 30, 0);
  const std::string text = p.WriteToString();
  EXPECT_NE(text.find("#10;9:30:00 午後#"), std::string::npos) << text;
  CMailProps q;  // fields after a misread length would stay as they are
  q.ReadFromString(text);
  EXPECT_EQ(q.WriteToString(), text);
}

TEST_F(MailPropsText, ADamagedValueFallsBackToOneOff) {
  const std::string head = "1;1;2;3;4;2;3;4;0;C:\\a.txt;";
  for (const std::string& damaged :
       {head, "#10;9:00:00 AM#9;12/7/2026#9;1/30/2027"s, "1;1;2;#10;9:00:00 AM"s,
        "1;1;2;3;4;2;3;ten;0;#10;9:00:00 AM"s,
        head + "#10;9:00:00 AM#9;12/7/2026#99;1/30/2027",  // length beyond the text
        head + "#-5;9:00:00 AM#9;12/7/2026#9;1/30/2027",
        head + "#10;9:00:00 AM#9;13/45/2026#9;1/30/2027",
        // "9:00" reads as a time; the rest then stands where the next length should.
        head + "#4;9:00:00 AM#9;12/7/2026#9;1/30/2027", head + "#10;9:00:00 AM#9;12/7/2026"}) {
    CMailProps p = Weekly();
    CapturedLog log;
    p.ReadFromString(damaged);
    EXPECT_FALSE(p.m_IsRecurring) << damaged;
  }
}

TEST_F(MailPropsText, DamagedTextIsLoggedOnOneLineAndCut) {
  // A stored value may hold line breaks and NULs; echoed raw they would
  // break the log's one-line-per-entry form or forge entries.
  CMailProps p;
  CapturedLog log;
  p.ReadFromString("0;0\r\nError(0) : forged\0x"s);
  EXPECT_EQ(log.LineCount(), 1u) << log.Text();
  EXPECT_TRUE(log.Contains("0;0\\x0D\\x0AError(0) : forged\\x00x")) << log.Text();
  // A huge value is not copied whole into the log.
  CapturedLog big;
  p.ReadFromString(std::string(1 << 20, '7'));
  EXPECT_LT(big.Text().size(), 2000u);
}

// (Entries the text form cannot carry: refused by name in the attachments
// dialog, and nothing written on the item.)
TEST_F(MailPropsText, TheDefaultSendTimeIsTheNextHalfHourAfterTheNextMinute) {
  const auto at = [](int h, int m, int s) { return DateTime::FromParts(2026, 12, 7, h, m, s); };
  EXPECT_EQ(CMailProps::DefaultSendTime(at(10, 29, 0)), at(11, 0, 0));
  EXPECT_EQ(CMailProps::DefaultSendTime(at(10, 0, 0)), at(10, 30, 0));
  EXPECT_EQ(CMailProps::DefaultSendTime(at(23, 59, 30)),
            DateTime::FromParts(2026, 12, 8, 0, 30, 0));
}

}  // namespace
}  // namespace velmora
