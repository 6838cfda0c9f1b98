// The debug log as the deliverables and their users rely on it: lines that
// reach the disk one by one, a size limit, traces only in the tray's log, and
// error lines in the one form every trap writes.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <new>
#include <regex>
#include <string>
#include <vector>

#include "common/debug.h"
#include "common/picture_locale.h"
#include "common/services.h"
#include "common/trap.h"
#include "support/manual_clock.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

constexpr const char* kStamp = "12/7/2026 9:00:00 AM ";

std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The lines of a log, each without its stamp; every line must end in CR LF.
std::vector<std::string> Lines(const std::filesystem::path& p) {
  std::vector<std::string> lines;
  const std::string text = ReadFile(p);
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "line without CR LF";
    if (end == std::string::npos) break;
    std::string line = text.substr(start, end - start);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_EQ(line.rfind(kStamp, 0), 0u) << line;
    lines.push_back(line.substr(std::string(kStamp).size()));
    start = end + 2;
  }
  return lines;
}

class DebugLogTest : public ::testing::Test {
 protected:
  DebugLogTest() : services_(MakeServices()) { ReleaseDebug(); }
  ~DebugLogTest() override {
    ReleaseDebug();
    ConfigureDebugLog(kAddinLog);
  }
  Services MakeServices() {
    Services s;
    s.clock = &clock_;
    s.locale = &locale_;
    s.logFolder = dir_.Path();
    return s;
  }
  std::filesystem::path TrayFile() const { return dir_.Path() / "VelmoraTray.log"; }
  std::filesystem::path AddinFile() const { return dir_.Path() / "Velmora.Log"; }
  void WriteBytes(const std::filesystem::path& p, std::size_t n) {
    std::ofstream(p, std::ios::binary) << std::string(n, 'x');
  }

  test::TempDir dir_{"log"};
  test::ManualClock clock_;
  PictureLocale locale_;
  ScopedServices services_;
};

TEST_F(DebugLogTest, AFileOverTheLimitIsStartedAfreshAtCreation) {
  WriteBytes(TrayFile(), CDebug::kMaxSize);
  { CDebug keep(kTrayLog, dir_.Path()); }
  EXPECT_EQ(std::filesystem::file_size(TrayFile()), CDebug::kMaxSize);

  WriteBytes(TrayFile(), CDebug::kMaxSize + 1);
  CDebug fresh(kTrayLog, dir_.Path());
  EXPECT_FALSE(std::filesystem::exists(TrayFile()));
  fresh.Out("first");
  EXPECT_EQ(Lines(TrayFile()), std::vector<std::string>{"first"});
}

TEST_F(DebugLogTest, EachLineIsStampedAppendedAndOnDiskAtOnce) {
  CDebug log(kTrayLog, dir_.Path());
  EXPECT_EQ(log.FilePath(), TrayFile());
  log.OutWarning("A.B", "one");
  EXPECT_EQ(ReadFile(TrayFile()), std::string(kStamp) + "Warning : A.B\tone\r\n");
  clock_.Advance(61);
  log.OutCustomError("C.D", "two");
  EXPECT_EQ(ReadFile(TrayFile()), std::string(kStamp) + "Warning : A.B\tone\r\n" +
                                      "12/7/2026 9:01:01 AM Error(custom) : C.D\ttwo\r\n");
  // Not held open between lines: a removed file comes back with the next one.
  std::filesystem::remove(TrayFile());
  clock_.Advance(-61);
  log.Out("three");
  EXPECT_EQ(Lines(TrayFile()), std::vector<std::string>{"three"});
}

TEST_F(DebugLogTest, IndentationStepsByFourAndNeverBelowZero) {
  CDebug log(kTrayLog, dir_.Path());
  log.PopTab();
  EXPECT_EQ(log.IndentCount(), 0);
  log.PushTab();
  log.PushTab();
  log.Out("in");
  log.PopTab();
  log.PopTab();
  log.PopTab();
  log.Out("out");
  log.PushTab();
  log.Out("again");
  EXPECT_EQ(Lines(TrayFile()), (std::vector<std::string>{"        in", "out", "    again"}));
}

TEST_F(DebugLogTest, TargetAndLevelChooseWhatIsWritten) {
  CDebug log(kTrayLog, dir_.Path());
  log.Out("parts ", 1, " ", 2.5, " ", true);
  log.Out1("level one");  // level is 2 by default
  log.Out2("level two");
  log.SetDebugLevel(1);
  log.Out1("now one");
  log.Out2("not two");
  log.SetDebugTarget(1);  // bit 2 clear: nothing at all
  log.OutWarning("W", "hidden");
  log.SetDebugTarget(3);
  log.OutWarning("W", "shown");
  EXPECT_EQ(Lines(TrayFile()), (std::vector<std::string>{"parts 1 2.5 True", "level two", "now one",
                                                         "Warning : W\tshown"}));
}

TEST_F(DebugLogTest, TheAddinLogTakesNoTracesButErrorsAndWarnings) {
  CDebug log(kAddinLog, dir_.Path());
  log.Out("->OnConnection");
  log.Out1("x");
  log.Out2("x");
  for (int i = 0; i < 11; ++i)
    log.StartTimer();
  log.EndTimer("t");
  EXPECT_FALSE(std::filesystem::exists(AddinFile()));
  log.OutWarning("Main.SendMessage", "x");
  log.OutCall({"Send", 3, "abc"});
  EXPECT_EQ(Lines(AddinFile()),
            (std::vector<std::string>{"Warning : Main.SendMessage\tx", "Call Send(3, 'abc')"}));
}

TEST_F(DebugLogTest, TheStopwatchHoldsTenAndWarnsOnMisuse) {
  CDebug log(kTrayLog, dir_.Path());
  log.EndTimer("early");
  for (int i = 0; i < 11; ++i)
    log.StartTimer();
  for (int i = 0; i < 10; ++i)
    log.EndTimer("step");
  log.EndTimer("late");
  const auto lines = Lines(TrayFile());
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[0], "Warning: CDebug::EndTimer cant run");
  EXPECT_EQ(lines[1], "Warning CDebug.StartTimer cant run");
  const std::regex timing(R"(  step timing : \d+(\.\d+)?(E[-+]\d+)?)");
  for (int i = 2; i < 12; ++i)
    EXPECT_TRUE(std::regex_match(lines[i], timing)) << lines[i];
  EXPECT_EQ(lines[12], "Warning: CDebug::EndTimer cant run");
}

TEST_F(DebugLogTest, DestroyingWithARunningStopwatchWarns) {
  for (bool balanced : {true, false}) {
    CDebug log(kTrayLog, dir_.Path());
    log.StartTimer();
    if (balanced) log.EndTimer("balanced");
  }
  const auto lines = Lines(TrayFile());
  ASSERT_EQ(lines.size(), 2u) << "a balanced stopwatch warned";
  EXPECT_EQ(lines[1], "Warning - g_debug.m_TimerCount <> 0!");
}

TEST_F(DebugLogTest, ErrorLinesCarryNumberPlaceAndDescription) {
  CDebug log(kAddinLog, dir_.Path());
  try {
    Raise(err::kObjectNotSet, "Object variable not set");
  } catch (...) {
    log.OutError("Main.SendMessage");
  }
  try {
    throw std::bad_alloc();
  } catch (...) {
    log.OutError("CMailProps.ReadProps");
  }
  log.OutError("Outside.Catch");
  log.OutError("Given.Error", ErrorInfo{53, "File not found"});
  EXPECT_EQ(Lines(AddinFile()), (std::vector<std::string>{
                                    "Error(91) : Main.SendMessage\tObject variable not set",
                                    "Error(7) : CMailProps.ReadProps\tOut of memory",
                                    "Error(0) : Outside.Catch\t",
                                    "Error(53) : Given.Error\tFile not found",
                                }));
}

TEST_F(DebugLogTest, AssertLogsThenRaisesError13) {
  CDebug log(kAddinLog, dir_.Path());
  EXPECT_FALSE(log.VbDebug());
  log.Assert(true, "Mod.Op", "fine");
  EXPECT_FALSE(std::filesystem::exists(AddinFile()));
  try {
    log.Assert(false, "Mod.Op", "boom");
    ADD_FAILURE() << "no error raised";
  } catch (const HostError& e) {
    EXPECT_EQ(e.Number(), 13);
    EXPECT_EQ(e.Description(), "Mod.Op, assert failed - boom");
  }
  EXPECT_EQ(Lines(AddinFile()),
            std::vector<std::string>{"Error(custom) : Mod.Op, assert failed\tboom"});
}

TEST_F(DebugLogTest, StampsWithoutRegionalSettingsOrWithoutAnyPort) {
  {
    Services s;
    s.clock = &clock_;
    ScopedServices clockOnly(s);
    CDebug log(kAddinLog, dir_.Path());
    log.OutWarning("W", "iso");
  }
  {
    ScopedServices none(Services{});
    CDebug log(kAddinLog, dir_.Path());
    log.OutWarning("W", "system");
  }
  const std::string text = ReadFile(AddinFile());
  EXPECT_EQ(text.rfind("2026-12-07 09:00:00 Warning : W\tiso\r\n", 0), 0u) << text;
  const std::regex system(R"([\s\S]*\n\d{4}-\d\d-\d\d \d\d:\d\d:\d\d Warning : W\tsystem\r\n)");
  EXPECT_TRUE(std::regex_match(text, system)) << text;
}

TEST_F(DebugLogTest, AnUnwritableFolderLosesLinesQuietly) {
  CDebug missing(kTrayLog, dir_.Path() / "no" / "such" / "folder");
  missing.Out("lost");
  std::filesystem::create_directory(dir_.Path() / "Velmora.Log");  // a folder in the file's place
  CDebug blocked(kAddinLog, dir_.Path());
  blocked.OutWarning("W", "lost");
  EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "no"));
  EXPECT_TRUE(std::filesystem::is_directory(AddinFile()));
}

TEST_F(DebugLogTest, TheProcessLogIsMadeOnFirstUseAndAgainAfterRelease) {
  EXPECT_FALSE(DebugLogExists());
  CDebug& first = g_debug();
  EXPECT_TRUE(DebugLogExists());
  EXPECT_EQ(&g_debug(), &first);
  EXPECT_EQ(first.FilePath(), AddinFile());  // the add-in's log unless told otherwise
  first.Out("no trace in the add-in");
  ReleaseDebug();
  EXPECT_FALSE(DebugLogExists());

  ConfigureDebugLog(kTrayLog);
  g_debug().Out("tray trace");
  EXPECT_EQ(g_debug().FilePath(), TrayFile());
  EXPECT_FALSE(std::filesystem::exists(AddinFile()));
  EXPECT_EQ(Lines(TrayFile()), std::vector<std::string>{"tray trace"});
}

TEST_F(DebugLogTest, TrapsLogUnderTheOperationsNameAndReturnNeutral) {
  const int r = Trap("Main.SendAll", []() -> int { Raise(err::kInvalidCall, "bad call"); });
  EXPECT_EQ(r, 0);
  const bool ok = TrapOr("Main.Other", true, []() -> bool { throw std::runtime_error("oops"); });
  EXPECT_TRUE(ok);
  Firewall("Connect.OnConnection", [] { throw 42; });
  EXPECT_FALSE(Ignore([] { throw std::bad_alloc(); }));
  EXPECT_EQ(Lines(AddinFile()), (std::vector<std::string>{
                                    "Error(5) : Main.SendAll\tbad call",
                                    "Error(440) : Main.Other\toops",
                                    "Error(51) : Connect.OnConnection\tInternal error",
                                }));
}

}  // namespace
}  // namespace velmora
