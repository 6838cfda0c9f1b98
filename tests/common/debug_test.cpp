// The debug log as the deliverables and their users rely on it: lines that
// reach the disk one by one, a size limit, traces only in the tray's log, and
// error lines in the one form every trap writes.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <new>
#include <stdexcept>
#include <string>

#include "common/debug.h"
#include "common/picture_locale.h"
#include "common/services.h"
#include "common/trap.h"
#include "support/manual_clock.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

std::string Text(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// One line as the log writes it at the fixture's time.
std::string L(const std::string& text) {
  return "12/7/2026 9:00:00 AM " + text + "\r\n";
}

class DebugLogTest : public ::testing::Test {
 protected:
  DebugLogTest() { ReleaseDebug(); }
  ~DebugLogTest() override {
    ReleaseDebug();
    ConfigureDebugLog(kAddinLog);
  }
  std::filesystem::path TrayFile() const { return dir_.Path() / "VelmoraTray.log"; }
  std::filesystem::path AddinFile() const { return dir_.Path() / "Velmora.Log"; }

  test::TempDir dir_{"log"};
  test::ManualClock clock_;
  PictureLocale locale_;
  ScopedServices services_{{&clock_, &locale_, nullptr, nullptr, nullptr, dir_.Path()}};
};

TEST_F(DebugLogTest, AFileOverTheLimitStartsAfreshAndAnUnwritableOneLosesLinesQuietly) {
  std::ofstream(TrayFile(), std::ios::binary) << std::string(CDebug::kMaxSize, 'x');
  { CDebug keep(kTrayLog, dir_.Path()); }
  EXPECT_EQ(std::filesystem::file_size(TrayFile()), CDebug::kMaxSize);
  std::ofstream(TrayFile(), std::ios::binary) << std::string(CDebug::kMaxSize + 1, 'x');
  CDebug fresh(kTrayLog, dir_.Path());
  EXPECT_FALSE(std::filesystem::exists(TrayFile()));
  fresh.Out("first");
  EXPECT_EQ(Text(TrayFile()), L("first"));

  CDebug missing(kTrayLog, dir_.Path() / "no" / "such" / "folder");
  missing.Out("lost");
  std::filesystem::create_directory(AddinFile());  // a folder in the file's place
  CDebug blocked(kAddinLog, dir_.Path());
  blocked.OutWarning("W", "lost");
  EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "no"));
  EXPECT_TRUE(std::filesystem::is_directory(AddinFile()));
}

TEST_F(DebugLogTest, EachLineIsStampedAndOnDiskAtOnceAndTheAddinLogTakesNoTraces) {
  CDebug log(kTrayLog, dir_.Path());
  log.OutWarning("A.B", "one");
  clock_.Advance(61);
  log.Out("three");
  EXPECT_EQ(Text(TrayFile()), L("Warning : A.B\tone") + "12/7/2026 9:01:01 AM three\r\n");
  // Not held open between lines: a removed file comes back with the next one.
  std::filesystem::remove(TrayFile());
  clock_.Advance(-61);
  log.Out("four");
  EXPECT_EQ(Text(TrayFile()), L("four"));

  CDebug addin(kAddinLog, dir_.Path());
  addin.Out("->OnConnection");
  EXPECT_FALSE(std::filesystem::exists(AddinFile()));
  addin.OutWarning("Main.SendMessage", "x");
  addin.OutCall({"Send", 3, "abc"});
  EXPECT_EQ(Text(AddinFile()), L("Warning : Main.SendMessage\tx") + L("Call Send(3, 'abc')"));
}

TEST_F(DebugLogTest, TrapsLogNumberPlaceAndDescriptionAndReturnNeutral) {
  EXPECT_EQ(Trap("Main.SendAll", []() -> int { Raise(err::kInvalidCall, "bad call"); }), 0);
  EXPECT_TRUE(TrapOr("Main.Other", true, []() -> bool { throw std::bad_alloc(); }));
  Firewall("Connect.OnConnection", [] { throw 42; });
  EXPECT_FALSE(Ignore([] { throw std::runtime_error("passed over"); }));
  EXPECT_EQ(Text(AddinFile()), L("Error(5) : Main.SendAll\tbad call") +
                                   L("Error(7) : Main.Other\tOut of memory") +
                                   L("Error(51) : Connect.OnConnection\tInternal error"));
}

}  // namespace
}  // namespace velmora
