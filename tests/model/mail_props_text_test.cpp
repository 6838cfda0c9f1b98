// The schedule record's text form ("VelmoraRecurrence") as stored values
// rely on it: the exact bytes under United States settings, round trips,
// and the fall-back to a one-off mail for whatever a damaged value holds.
#include <gtest/gtest.h>

#include <ostream>
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

const char* const kWeeklyText =
    "1;1;0;0;0;34;2;10;0;C:\\r\\a.txt;C:\\out\\;#10;9:00:00 AM#9;12/7/2026#9;1/30/2027";
const char* const kOneOffText = "0;0;0;0;0;0;0;0;0;#11;12:00:00 AM#11;12:00:00 AM#11;12:00:00 AM";

Services WithLocale(const Locale* locale, const Clock* clock) {
  Services s = GetServices();
  s.locale = locale;
  s.clock = clock;
  return s;
}

// Every field of the text form, readable in a failure message.
std::string Fields(const CMailProps& p) {
  std::string s;
  for (std::int64_t v :
       {std::int64_t{p.m_IsRecurring}, std::int64_t{p.m_RecurrenceType},
        std::int64_t{p.m_DayOfMonth}, std::int64_t{p.m_MonthOfYear}, std::int64_t{p.m_Instance},
        std::int64_t{p.m_DayOfWeekMask}, std::int64_t{p.m_Interval}, std::int64_t{p.m_Occurrences},
        std::int64_t{p.m_NoEndDate}})
    s += std::to_string(v) + " ";
  for (const auto& entry : p.m_collAttachments)
    s += "[" + entry + "] ";
  return s + ToIsoText(p.m_StartTime) + " / " + ToIsoText(p.m_PatternStartDate) + " / " +
         ToIsoText(p.m_PatternEndDate);
}

class MailPropsText : public ::testing::Test {
 protected:
  static CMailProps Weekly() { return test::WeeklyRecord({"C:\\r\\a.txt", "C:\\out\\"}); }
  // A record whose every field differs from what any test text holds, so
  // that a field left alone can be told from one that was read.
  static CMailProps Sentinel() {
    CMailProps p;
    p.m_IsRecurring = true;
    p.m_RecurrenceType = 77;
    p.m_DayOfMonth = 77;
    p.m_MonthOfYear = 77;
    p.m_Instance = 77;
    p.m_DayOfWeekMask = 77;
    p.m_Interval = 77;
    p.m_Occurrences = 77;
    p.m_NoEndDate = true;
    p.m_collAttachments = {"sentinel"};
    p.m_StartTime = DateTime::FromParts(2001, 2, 3, 4, 5, 6);
    p.m_PatternStartDate = DateTime::FromParts(2001, 2, 3);
    p.m_PatternEndDate = DateTime::FromParts(2001, 2, 4);
    return p;
  }

  PictureLocale us_;
  test::ManualClock clock_;
  ScopedServices services_{WithLocale(&us_, &clock_)};
};

TEST_F(MailPropsText, WritesAndReadsTheStoredFormByteForByte) {
  EXPECT_EQ(Weekly().WriteToString(), kWeeklyText);
  EXPECT_EQ(CMailProps().WriteToString(), kOneOffText);
  CMailProps p = Sentinel();
  p.ReadFromString(kWeeklyText);
  EXPECT_EQ(Fields(p), Fields(Weekly()));
  p.ReadFromString(kOneOffText);
  EXPECT_EQ(Fields(p), Fields(CMailProps()));
}

TEST_F(MailPropsText, AnyNonZeroYesNoFieldReadsAsYes) {
  // The host's own conversion writes yes as -1; this record writes 1.
  for (const std::string yes : {"-1", "1", "2"}) {
    CMailProps p;
    p.ReadFromString(yes + ";0;0;0;0;0;1;0;" + yes + ";#10;9:00:00 AM#9;12/7/2026#9;1/30/2027");
    EXPECT_TRUE(p.m_IsRecurring) << yes;
    EXPECT_TRUE(p.m_NoEndDate) << yes;
  }
}

TEST_F(MailPropsText, AttachmentListEdges) {
  CMailProps p = Weekly();
  p.m_collAttachments.clear();
  const std::string text = p.WriteToString();
  // The ninth field's ";" runs straight into the first date block.
  EXPECT_NE(text.find(";34;2;10;0;#10;"), std::string::npos) << text;
  CMailProps q = Sentinel();
  q.ReadFromString(text);
  EXPECT_TRUE(q.m_collAttachments.empty());
  EXPECT_TRUE(q.m_IsRecurring);

  // A folder source is told from a file by its trailing separator, so that
  // must survive, and so must text that is not ASCII.
  p.m_collAttachments = {"C:\\out\\", "/srv/drop/", "D:\\Ünïcödé\\"};
  q.ReadFromString(p.WriteToString());
  EXPECT_EQ(q.m_collAttachments, p.m_collAttachments);
}

TEST_F(MailPropsText, EmptyEntriesOfAStoredValueAreDropped) {
  // Only a damaged or hand-made value holds them; kept, they would make the
  // next write of the record fail, and the mail lose its pattern.
  CMailProps p = Sentinel();
  p.ReadFromString("1;1;0;0;0;34;2;10;0;;C:\\a.txt;;#10;9:00:00 AM#9;12/7/2026#9;1/30/2027");
  EXPECT_TRUE(p.m_IsRecurring);
  EXPECT_EQ(p.m_collAttachments, std::vector<std::string>{"C:\\a.txt"});
  const std::string text = p.WriteToString();
  EXPECT_EQ(text, "1;1;0;0;0;34;2;10;0;C:\\a.txt;#10;9:00:00 AM#9;12/7/2026#9;1/30/2027");
}

TEST_F(MailPropsText, DateLengthsCountCharactersNotBytes) {
  // Designators that are not ASCII: the length prefix must still agree with
  // the text that follows it, or nothing after it reads back.
  LocalePictures pics;
  pics.am = "午前";
  pics.pm = "午後";
  const PictureLocale japanese(pics);
  ScopedServices local(WithLocale(&japanese, &clock_));

  CMailProps p = Weekly();
  p.m_StartTime = DateTime::FromTime(21, 30, 0);
  const std::string text = p.WriteToString();
  EXPECT_NE(text.find("#10;9:30:00 午後#"), std::string::npos) << text;
  CMailProps q = Sentinel();
  CapturedLog log;
  q.ReadFromString(text);
  EXPECT_EQ(log.Text(), "");
  EXPECT_EQ(q.m_StartTime, p.m_StartTime);
  EXPECT_EQ(q.m_PatternEndDate, p.m_PatternEndDate);
}

// A damaged value: where the failure is logged and which fields the reading
// had reached (those keep what it read; the rest keep their old values).
struct Damaged {
  const char* name;
  std::string text;
  std::string loggedRest;  // the working text shown in the log line
  int headerFieldsRead;    // of the nine, counted from the first
  int datesRead;           // of the three
};

// Keeps the byte dump of the case out of the test's name.
void PrintTo(const Damaged& d, std::ostream* os) {
  *os << d.name;
}

class MailPropsDamaged : public MailPropsText, public ::testing::WithParamInterface<Damaged> {};

TEST_P(MailPropsDamaged, LogsAndFallsBackToOneOffKeepingWhatWasRead) {
  const Damaged& d = GetParam();
  const CMailProps old = Sentinel();
  CMailProps p = old;
  CapturedLog log;
  p.ReadFromString(d.text);

  EXPECT_TRUE(log.Contains("CMailProps.ReadFromString(" + d.loggedRest + ")")) << log.Text();
  EXPECT_EQ(log.LineCount(), 1u) << log.Text();
  EXPECT_FALSE(p.m_IsRecurring);

  // The text's own values are all 1..4 or a date; the sentinel's are 77.
  const std::int32_t* numbers[] = {&p.m_RecurrenceType, &p.m_DayOfMonth,    &p.m_MonthOfYear,
                                   &p.m_Instance,       &p.m_DayOfWeekMask, &p.m_Interval,
                                   &p.m_Occurrences};
  for (int i = 0; i < 7; ++i) {
    if (i + 2 <= d.headerFieldsRead) {
      EXPECT_NE(*numbers[i], 77) << "field " << i + 1 << " was not read";
    } else {
      EXPECT_EQ(*numbers[i], 77) << "field " << i + 1 << " was overwritten";
    }
  }
  EXPECT_EQ(p.m_NoEndDate, d.headerFieldsRead < 9);
  if (d.headerFieldsRead < 9) {
    EXPECT_EQ(p.m_collAttachments, old.m_collAttachments);
  } else {
    EXPECT_EQ(p.m_collAttachments, std::vector<std::string>{"C:\\a.txt"});
  }
  const DateTime* dates[] = {&p.m_StartTime, &p.m_PatternStartDate, &p.m_PatternEndDate};
  const DateTime* oldDates[] = {&old.m_StartTime, &old.m_PatternStartDate, &old.m_PatternEndDate};
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(*dates[i] == *oldDates[i], i >= d.datesRead) << "date " << i + 1;
}

const std::string kHead = "1;1;2;3;4;2;3;4;0;C:\\a.txt;";

INSTANTIATE_TEST_SUITE_P(
    Values, MailPropsDamaged,
    ::testing::Values(
        Damaged{"NoHash", "1;1;2;3;4;2;3;4;0;C:\\a.txt;", "1;1;2;3;4;2;3;4;0;C:\\a.txt;", 0, 0},
        Damaged{"HashFirst", "#10;9:00:00 AM#9;12/7/2026#9;1/30/2027",
                "#10;9:00:00 AM#9;12/7/2026#9;1/30/2027", 0, 0},
        Damaged{"ThreeHeaderFields", "1;1;2;#10;9:00:00 AM", "1;1;2;#10;9:00:00 AM", 3, 0},
        Damaged{"CountNotANumber", "1;1;2;3;4;2;3;ten;0;#10;9:00:00 AM",
                "1;1;2;3;4;2;3;ten;0;#10;9:00:00 AM", 7, 0},
        Damaged{"LengthBeyondTheText", kHead + "#10;9:00:00 AM#9;12/7/2026#99;1/30/2027",
                "99;1/30/2027", 9, 2},
        Damaged{"NegativeLength", kHead + "#-5;9:00:00 AM#9;12/7/2026#9;1/30/2027",
                "-5;9:00:00 AM#9;12/7/2026#9;1/30/2027", 9, 0},
        Damaged{"DateDoesNotRead", kHead + "#10;9:00:00 AM#9;13/45/2026#9;1/30/2027",
                "9;13/45/2026#9;1/30/2027", 9, 1},
        // "9:00" reads as a time; the rest of the cut text then stands where
        // the next length should be.
        Damaged{"LengthCutsTheDate", kHead + "#4;9:00:00 AM#9;12/7/2026#9;1/30/2027",
                "00 AM#9;12/7/2026#9;1/30/2027", 9, 1},
        Damaged{"MissingThirdDate", kHead + "#10;9:00:00 AM#9;12/7/2026", "", 9, 2}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(MailPropsText, DamagedTextIsLoggedOnOneLine) {
  // A stored value may hold line breaks and NULs; echoed raw they would
  // break the log's one-line-per-entry form or forge entries.
  CMailProps p;
  CapturedLog log;
  using namespace std::string_literals;
  p.ReadFromString("0;0\r\nError(0) : forged\0x"s);
  EXPECT_EQ(log.LineCount(), 1u) << log.Text();
  EXPECT_TRUE(log.Contains("0;0\\x0D\\x0AError(0) : forged\\x00x")) << log.Text();

  // A huge value is not copied whole into the log.
  CapturedLog big;
  p.ReadFromString(std::string(1 << 20, '7'));
  EXPECT_LT(big.Text().size(), 2000u);
  EXPECT_TRUE(big.Contains("CMailProps.ReadFromString(777")) << big.Text();
}

TEST_F(MailPropsText, EntriesTheTextFormCannotCarryAreRefused) {
  for (const char* bad : {"C:\\a;b.txt", "C:\\#1\\", ";", "#", ""}) {
    const auto problem = CMailProps::AttachmentEntryProblem(bad);
    ASSERT_TRUE(problem.has_value()) << bad;
    if (*bad) {
      EXPECT_NE(problem->find(bad), std::string::npos) << *problem;
    }

    // Written, such an entry would shift the fields after it: nothing is
    // written instead, and the failure is logged.
    CMailProps p = Weekly();
    p.m_collAttachments.insert(p.m_collAttachments.begin() + 1, bad);
    CapturedLog log;
    EXPECT_EQ(p.WriteToString(), "") << bad;
    EXPECT_TRUE(log.Contains("CMailProps.WriteToString")) << log.Text();
  }
  for (const char* good : {"C:\\r\\a.txt", "C:\\out\\", "/tmp/x y (1).txt", "ä"})
    EXPECT_FALSE(CMailProps::AttachmentEntryProblem(good).has_value()) << good;
}

TEST(MailPropsDefaults, DefaultSendTimeIsTheNextHalfHourAfterTheNextMinute) {
  const auto at = [](int h, int m, int s) { return DateTime::FromParts(2026, 12, 7, h, m, s); };
  EXPECT_EQ(CMailProps::DefaultSendTime(at(10, 29, 0)), at(11, 0, 0));
  EXPECT_EQ(CMailProps::DefaultSendTime(at(10, 0, 0)), at(10, 30, 0));
  EXPECT_EQ(CMailProps::DefaultSendTime(at(23, 59, 30)),
            DateTime::FromParts(2026, 12, 8, 0, 30, 0));
}

TEST_F(MailPropsText, InitSetsTheDefaultTimeAndKeepsThePattern) {
  clock_.Set(DateTime::FromParts(2026, 12, 7, 10, 17, 25));
  CMailProps p = Weekly();
  p.Init();
  EXPECT_EQ(p.m_ScheduleTime, DateTime::FromParts(2026, 12, 7, 10, 30, 0));
  EXPECT_FALSE(p.m_IsRecurring);
  EXPECT_TRUE(p.m_collAttachments.empty());
  EXPECT_EQ(p.m_DayOfWeekMask, 34);
  EXPECT_EQ(p.m_PatternStartDate, DateTime::FromParts(2026, 12, 7));
}

}  // namespace
}  // namespace velmora
