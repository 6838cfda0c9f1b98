// The debug log as the deliverables and their users rely on it: lines that
// reach the disk one by one, a size limit, traces only in the tray's log, and
// error lines in the one form every trap writes.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <new>
#include <stdexcept>
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

TEST_F(DebugLogTest, TrapsLogNumberPlaceAndDescriptionAndReturnNeutral) {
  const int r = Trap("Main.SendAll", []() -> int { Raise(err::kInvalidCall, "bad call"); });
  EXPECT_EQ(r, 0);
  const bool ok = TrapOr("Main.Other", true, []() -> bool { throw std::bad_alloc(); });
  EXPECT_TRUE(ok);
  Firewall("Connect.OnConnection", [] { throw 42; });
  EXPECT_FALSE(Ignore([] { throw std::runtime_error("passed over"); }));
  g_debug().OutError("Given.Error", ErrorInfo{53, "File not found"});
  EXPECT_EQ(Lines(AddinFile()), (std::vector<std::string>{
                                    "Error(5) : Main.SendAll\tbad call",
                                    "Error(7) : Main.Other\tOut of memory",
                                    "Error(51) : Connect.OnConnection\tInternal error",
                                    "Error(53) : Given.Error\tFile not found",
                                }));
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

}  // namespace
}  // namespace velmora
