// A recurrence scheduled from the command line ends where the recurrence
// dialog would end it: the same count and the same end date, for each kind of
// range the user can give.
#include "dialogs/dialog_fixture.h"
#include "platform/posix/schedule_request.h"

namespace velmora::test {
namespace {

using C = RecControl;

struct RangeCase {
  const char* name;
  posix::RangeEnd end;
  std::int32_t count;
  DateTime until;
};

using RangeAgreement = DialogTest;

TEST_F(RangeAgreement, CommandLineAndDialogEndTheRangeAlike) {
  const RangeCase cases[] = {
      {"no end", posix::RangeEnd::kNever, 0, {}},
      {"after 4", posix::RangeEnd::kCount, 4, {}},
      {"after 1", posix::RangeEnd::kCount, 1, {}},
      {"by a day between occurrences", posix::RangeEnd::kUntil, 0, At(2024, 6, 8)},
      {"by a day on an occurrence", posix::RangeEnd::kUntil, 0, At(2024, 6, 5)},
      {"by a day past the 999th", posix::RangeEnd::kUntil, 0, At(2070, 1, 1)},
  };
  for (const RangeCase& c : cases) {
    SCOPED_TRACE(c.name);
    posix::PatternRequest p;
    p.type = recurrence::kWeekly;
    p.interval = 1;
    p.mask = 8;
    p.startDate = At(2024, 5, 15);
    p.timeOfDay = DateTime::FromTime(14, 37, 0);
    p.end = c.end;
    p.count = c.count;
    p.until = c.until;
    CMailProps cli;
    // A start in the past is the point here, not the catch-up refusal.
    posix::ApplySchedule(posix::ScheduleRequest{.pattern = p, .catchUp = true}, cli);

    // The same pattern set up by hand in the dialog, from a one-off time.
    Props() = CMailProps{};
    Props().m_ScheduleTime = At(2024, 5, 15, 14, 37);
    g_DialogOK = false;
    frmRecurrence f;
    f.Load(kWindow);
    if (c.end == posix::RangeEnd::kCount) {
      ASSERT_TRUE(f.Click(C::optEndAfter));
      ASSERT_TRUE(f.SetFocus(C::txtOccurrences));
      f.SetText(C::txtOccurrences, std::to_string(c.count));
    } else if (c.end == posix::RangeEnd::kUntil) {
      ASSERT_TRUE(f.SetFocus(C::ctlEndDate));
      f.SetDate(C::ctlEndDate, c.until);
    }
    ASSERT_TRUE(f.Click(C::btnOK));
    ASSERT_TRUE(g_DialogOK);
    EXPECT_EQ(Props().m_NoEndDate, cli.m_NoEndDate);
    EXPECT_EQ(Props().m_Occurrences, cli.m_Occurrences);
    EXPECT_EQ(Props().m_PatternEndDate, cli.m_PatternEndDate);

    // And the preview the commands report agrees with both.
    std::int32_t count = cli.m_NoEndDate ? 10 : 0;
    DateTime end = cli.m_PatternEndDate;
    ASSERT_TRUE(PreviewRangeEnd(cli, cli.m_NoEndDate, count, end));
    EXPECT_EQ(end, cli.m_PatternEndDate);
    if (!cli.m_NoEndDate) {
      EXPECT_EQ(count, cli.m_Occurrences);
    }
  }
}

}  // namespace
}  // namespace velmora::test
