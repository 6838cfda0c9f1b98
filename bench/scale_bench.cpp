// Scale of the standalone host with a large queue: ten thousand scheduled
// mails against ten, and against a bare SQLite scan of the same rows. Every
// figure that matters is a ratio of two timings taken side by side in the
// same iterations (the machine's load changes both alike), reported as the
// ratio of their medians in the benchmark's counters:
//
//   BM_PassVsBareScan      a sending pass (1% due) / the bare scan
//   BM_ListVsBareScan      the listing in the process, and `velmora list --json`
//                          as a program, / the bare scan
//   BM_ScheduleAndCancel   `velmora schedule` and `velmora cancel` with 10,000
//                          mails in the folder / the same with 10
//   BM_HostMemory          the peak resident size of `velmora run
//                          --send-and-exit` over 10,000 mails (and over 10)
//
// The stores are built once per run in a temporary folder, one VELMORA_HOME
// each, so that the programs find them as a user's. The programs are the
// built velmora, or the one VELMORA_EXE names.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "addin/model/mail_props.h"
#include "addin/store/addin_services.h"
#include "addin/store/folder.h"
#include "addin/store/sending.h"
#include "common/clock.h"
#include "common/host_error.h"
#include "common/picture_locale.h"
#include "common/services.h"
#include "platform/posix/host/mail_host.h"
#include "platform/posix/registry_sqlite.h"
#include "platform/posix/schedule_listing.h"
#include "platform/posix/store/sqlite.h"
#include "platform/posix/system_clock.h"
#include "platform/posix/terminal_ports.h"
#include "platform/posix/xml_pugi.h"

extern char** environ;

namespace velmora {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kLarge = 10000;
constexpr int kSmall = 10;
// One mail in a hundred is due; one in three recurs daily.
constexpr int kDueEvery = 100;
constexpr int kRecurEvery = 3;
constexpr const char* kSqliteShell = "/usr/bin/sqlite3";

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

class FixedClock final : public velmora::Clock {
 public:
  explicit FixedClock(DateTime now) : now_(now) {}
  DateTime Now() const override { return now_; }

 private:
  DateTime now_;
};

// The local time now, whole minutes: the programs run on the real clock, so
// the due mails are due by it.
DateTime LocalNow() {
  const DateTime t = posix::SystemClock().Now();
  return t.AddSeconds(-(t.SecondsOfDay() % 60));
}

// The host's own objects over a store, with the ports the engine needs.
class Session {
 public:
  Session(const fs::path& home, DateTime now)
      : clock_(now),
        registry_(home / "registry.db"),
        services_(Services{.clock = &clock_, .locale = &locale_, .registry = &registry_}),
        host_(posix::MailHost::Open(home / "store.db")),
        addin_(AddinServices{&host_->Objects(), &box_, nullptr, nullptr, nullptr, &xml_,
                             host_->App()}) {
    Main::ResetVelmoraFolderLookup();
  }
  ~Session() { Main::ResetVelmoraFolderLookup(); }
  posix::MailHost& Host() { return *host_; }
  posix::sql::Database& Db() { return host_->Store().Db(); }

 private:
  FixedClock clock_;
  PictureLocale locale_;
  posix::SqliteRegistry registry_;
  ScopedServices services_;
  posix::TerminalMessageBox box_{nullptr};
  posix::PugiXmlFactory xml_;
  std::unique_ptr<posix::MailHost> host_;
  ScopedAddinServices addin_;
};

// n scheduled mails in the scheduled-mail folder of a new store.
void Seed(const fs::path& home, int n, DateTime now) {
  fs::create_directories(home);
  Session s(home, now);
  // A body of a plain mail's size: kept in the store, read only when sent.
  std::string body;
  while (body.size() < 1500)
    body += "The figures of the week are attached; the summary follows below. ";
  {
    posix::sql::WriteTransaction tx(s.Db());
    auto items = NeedPtr(NeedPtr(Main::GetVelmoraFolder(true))->Items());
    for (int i = 0; i < n; ++i) {
      auto mail = NeedPtr(items->Add(host::ol::kMailItem));
      mail->SetTo("team" + std::to_string(i % 50) + "@example.com");
      mail->SetSubject("Report " + std::to_string(i));
      mail->SetBody(body);
      CMailProps r;
      r.m_ScheduleTime =
          i % kDueEvery == 0 ? now.AddMinutes(-60 - i % 7) : now.AddDays(1).AddMinutes(i);
      if (i % kRecurEvery == 0) {
        r.m_IsRecurring = true;
        r.m_RecurrenceType = recurrence::kDaily;
        r.m_Interval = 1;
        r.m_NoEndDate = true;
        r.m_StartTime = r.m_ScheduleTime.TimePart();
        r.m_PatternStartDate = r.m_ScheduleTime.DatePart();
      }
      r.WriteProps(mail);
      mail->Save();
    }
    tx.Commit();
  }
  Main::SaveNextOccurence();
}

struct Homes {
  fs::path root;
  fs::path large;
  fs::path small;
  DateTime now;
  Homes() : now(LocalNow()) {
    root = fs::temp_directory_path() / ("velmora-scale-" + std::to_string(::getpid()));
    fs::remove_all(root);
    large = root / "large";
    small = root / "small";
    Seed(large, kLarge, now);
    Seed(small, kSmall, now);
  }
  ~Homes() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

Homes& TheHomes() {
  static Homes homes;
  return homes;
}

// The peak resident size of a running process in kilobytes (VmHWM); 0 once
// it has ended.
long PeakKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

// A program run in a home, its output thrown away; its wall time, and its
// peak resident size in kilobytes through `maxRssKb`.
double RunProgram(const std::string& program, const fs::path& home,
                  const std::vector<std::string>& args, long* maxRssKb = nullptr) {
  std::vector<std::string> env = {"VELMORA_HOME=" + home.string(), "LC_ALL=C"};
  if (const char* path = std::getenv("PATH")) env.push_back(std::string("PATH=") + path);
  std::vector<char*> envp;
  for (auto& e : env)
    envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> all = {program};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all)
    argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const auto start = Clock::now();
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + all[0]);
  int status = 0;
  long peak = 0;
  for (;;) {
    // The child's own peak, read from its status while it runs (the rusage
    // of a spawned child also holds this process's size from before exec).
    if (maxRssKb) peak = std::max(peak, PeakKb(pid));
    const pid_t done = ::waitpid(pid, &status, maxRssKb ? WNOHANG : 0);
    if (done == pid) break;
    if (done < 0) throw std::runtime_error("waitpid failed");
    ::usleep(500);
  }
  const double ms = Ms(Clock::now() - start);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error(program + " " + args.front() + " failed");
  if (maxRssKb) *maxRssKb = peak;
  return ms;
}

// The velmora program in a home.
double RunVelmora(const fs::path& home, const std::vector<std::string>& args,
                  long* maxRssKb = nullptr) {
  // VELMORA_EXE in the environment measures another build (an older one).
  const char* exe = std::getenv("VELMORA_EXE");
  return RunProgram(exe && *exe ? exe : VELMORA_EXE, home, args, maxRssKb);
}

// What `velmora schedule` printed is thrown away; the id of the mail it
// scheduled is the newest item of the scheduled-mail folder.
std::string NewestScheduled(const fs::path& home) {
  sqlite3* db = nullptr;
  sqlite3_open_v2((home / "store.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db,
                     "SELECT i.entry_id FROM items i JOIN folders f ON f.id = i.folder_id "
                     "WHERE f.name = 'Velmora' ORDER BY i.arrival DESC LIMIT 1",
                     -1, &s, nullptr);
  std::string id;
  if (sqlite3_step(s) == SQLITE_ROW) id = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
  sqlite3_finalize(s);
  sqlite3_close(db);
  if (id.empty()) throw std::runtime_error("no scheduled mail");
  return id;
}

// The bare scan: every row of the scheduled-mail folder with the columns the
// host reads for a walk (all but the body, which it reads only for the mails
// it sends) and every user property of those rows, straight from SQLite into
// strings, in one read transaction.
class BareScan {
 public:
  static constexpr const char* kItems =
      "SELECT i.id, i.entry_id, i.class, i.subject, '', i.to_text, i.cc_text, "
      "i.bcc_text, i.from_text, i.importance, i.sent, i.submitted, i.created, "
      "i.modified, i.sent_time, i.transmission FROM items i JOIN folders f "
      "ON f.id = i.folder_id WHERE f.name = 'Velmora' ORDER BY i.arrival";
  static constexpr const char* kProps =
      "SELECT p.item_id, p.name, p.type, p.value FROM user_props p JOIN items i "
      "ON i.id = p.item_id JOIN folders f ON f.id = i.folder_id WHERE f.name = 'Velmora'";

  explicit BareScan(const fs::path& home) {
    sqlite3_open_v2((home / "store.db").c_str(), &db_, SQLITE_OPEN_READONLY, nullptr);
    Prepare(&items_, kItems);
    Prepare(&props_, kProps);
  }
  ~BareScan() {
    sqlite3_finalize(items_);
    sqlite3_finalize(props_);
    sqlite3_close(db_);
  }
  BareScan(const BareScan&) = delete;
  BareScan& operator=(const BareScan&) = delete;

  // The number of items and properties read.
  std::int64_t Run() {
    sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr);
    std::int64_t rows = 0;
    std::size_t bytes = 0;
    while (sqlite3_step(items_) == SQLITE_ROW) {
      ++rows;
      for (int c : {1, 3, 4, 5, 6, 7, 8})
        bytes += Text(items_, c).size();
      for (int c : {0, 2, 9, 10, 11, 12, 13, 14, 15})
        bytes += static_cast<std::size_t>(sqlite3_column_int64(items_, c) & 1);
    }
    sqlite3_reset(items_);
    while (sqlite3_step(props_) == SQLITE_ROW) {
      ++rows;
      bytes += static_cast<std::size_t>(sqlite3_column_int64(props_, 0) & 1);
      bytes += Text(props_, 1).size();
      bytes += static_cast<std::size_t>(sqlite3_column_int64(props_, 2));
      bytes += sqlite3_column_type(props_, 3) == SQLITE_TEXT
                   ? Text(props_, 3).size()
                   : static_cast<std::size_t>(sqlite3_column_int64(props_, 3) & 1);
    }
    sqlite3_reset(props_);
    sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    benchmark::DoNotOptimize(bytes);
    return rows;
  }

 private:
  void Prepare(sqlite3_stmt** s, const char* sql) {
    if (sqlite3_prepare_v2(db_, sql, -1, s, nullptr) != SQLITE_OK)
      throw std::runtime_error(sqlite3_errmsg(db_));
  }
  static std::string Text(sqlite3_stmt* s, int c) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, c));
    return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(s, c))) : std::string();
  }
  sqlite3* db_ = nullptr;
  sqlite3_stmt* items_ = nullptr;
  sqlite3_stmt* props_ = nullptr;
};

double TimeBareScan(BareScan& scan, std::int64_t expectedRows) {
  const auto start = Clock::now();
  const std::int64_t rows = scan.Run();
  const double ms = Ms(Clock::now() - start);
  if (rows != expectedRows) throw std::runtime_error("the bare scan read the wrong rows");
  return ms;
}

// Items plus their ScheduleTime and VelmoraRecurrence properties.
constexpr std::int64_t ScanRows(int mails) {
  return 3 * static_cast<std::int64_t>(mails);
}

void Report(benchmark::State& state, const char* name, const std::vector<double>& samples) {
  state.counters[name] = Median(samples);
}

// One sending pass of the add-in as the host's timer runs it, inside the
// tick's transaction; rolled back, so every iteration finds the same folder
// with the same mails due.
void BM_PassVsBareScan(benchmark::State& state) {
  Homes& homes = TheHomes();
  Session session(homes.large, homes.now);
  BareScan scan(homes.large);
  std::vector<double> pass, bare;
  for (auto _ : state) {
    const auto start = Clock::now();
    int sent = 0;
    {
      posix::sql::WriteTransaction tx(session.Db());
      Main::OnTimer1(nullptr, false);
      pass.push_back(Ms(Clock::now() - start));
      sent = session.Host().Store().CountItems(
          session.Host().Store().DefaultFolder(host::ol::kFolderOutbox).id);
    }
    if (sent != kLarge / kDueEvery) {
      state.SkipWithError("the pass did not send the mails due");
      return;
    }
    bare.push_back(TimeBareScan(scan, ScanRows(kLarge)));
    state.SetIterationTime(pass.back() / 1000);
  }
  Report(state, "pass_ms", pass);
  Report(state, "bare_scan_ms", bare);
  state.counters["ratio"] = Median(pass) / Median(bare);
}
BENCHMARK(BM_PassVsBareScan)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

// The listing as `velmora list --json` makes it (one read snapshot), in this
// process and as the program, against the bare scan.
void BM_ListVsBareScan(benchmark::State& state) {
  Homes& homes = TheHomes();
  BareScan scan(homes.large);
  std::vector<double> inProcess, program, bare, bareProgram;
  for (auto _ : state) {
    {
      const auto start = Clock::now();
      Session session(homes.large, homes.now);
      host::FolderPtr folder = Main::GetVelmoraFolder(false);
      posix::sql::ReadTransaction snapshot(session.Db());
      const std::string json = posix::ListJson(posix::ListScheduled(folder));
      inProcess.push_back(Ms(Clock::now() - start));
      benchmark::DoNotOptimize(json.data());
    }
    program.push_back(RunVelmora(homes.large, {"list", "--json"}));
    bare.push_back(TimeBareScan(scan, ScanRows(kLarge)));
    // The bare scan as a program too, where the SQLite shell is installed:
    // both then pay for starting a process and printing the rows.
    if (::access(kSqliteShell, X_OK) == 0)
      bareProgram.push_back(RunProgram(
          kSqliteShell, homes.large,
          {(homes.large / "store.db").string(),
           std::string("BEGIN; ") + BareScan::kItems + "; " + BareScan::kProps + "; COMMIT;"}));
    state.SetIterationTime(program.back() / 1000);
  }
  Report(state, "list_in_process_ms", inProcess);
  Report(state, "list_program_ms", program);
  Report(state, "bare_scan_ms", bare);
  state.counters["ratio_in_process"] = Median(inProcess) / Median(bare);
  state.counters["ratio_program"] = Median(program) / Median(bare);
  if (!bareProgram.empty()) {
    Report(state, "bare_scan_program_ms", bareProgram);
    state.counters["ratio_program_to_program"] = Median(program) / Median(bareProgram);
  }
}
BENCHMARK(BM_ListVsBareScan)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9);

// Each iteration schedules one mail and cancels it again in both homes, so
// the folders keep their size.
void BM_ScheduleAndCancel(benchmark::State& state) {
  Homes& homes = TheHomes();
  const std::vector<std::string> schedule = {"schedule",  "--to",  "ann@example.com",
                                             "--subject", "Scale", "--body",
                                             "Hello",     "--at",  "2099-01-01T09:00"};
  std::vector<double> scheduleLarge, scheduleSmall, cancelLarge, cancelSmall;
  for (auto _ : state) {
    scheduleLarge.push_back(RunVelmora(homes.large, schedule));
    cancelLarge.push_back(RunVelmora(homes.large, {"cancel", NewestScheduled(homes.large)}));
    scheduleSmall.push_back(RunVelmora(homes.small, schedule));
    cancelSmall.push_back(RunVelmora(homes.small, {"cancel", NewestScheduled(homes.small)}));
    state.SetIterationTime(scheduleLarge.back() / 1000);
  }
  Report(state, "schedule_10000_ms", scheduleLarge);
  Report(state, "schedule_10_ms", scheduleSmall);
  Report(state, "cancel_10000_ms", cancelLarge);
  Report(state, "cancel_10_ms", cancelSmall);
  state.counters["schedule_ratio"] = Median(scheduleLarge) / Median(scheduleSmall);
  state.counters["cancel_ratio"] = Median(cancelLarge) / Median(cancelSmall);
}
BENCHMARK(BM_ScheduleAndCancel)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9);

// The host started as the tray launcher starts it: one pass over the folder
// (1% due), the delivery into its Maildir, the exit. Each run works on a
// fresh copy of the home, so that it finds the same mails due.
void BM_HostMemory(benchmark::State& state) {
  Homes& homes = TheHomes();
  std::vector<double> rssLarge, rssSmall, runLarge;
  for (auto _ : state) {
    for (const fs::path* home : {&homes.large, &homes.small}) {
      state.PauseTiming();
      const fs::path copy = homes.root / "run";
      fs::remove_all(copy);
      fs::copy(*home, copy, fs::copy_options::recursive);
      state.ResumeTiming();
      long kb = 0;
      const double ms = RunVelmora(copy, {"run", "--send-and-exit"}, &kb);
      (home == &homes.large ? rssLarge : rssSmall).push_back(static_cast<double>(kb) / 1024);
      if (home == &homes.large) runLarge.push_back(ms);
    }
    state.SetIterationTime(runLarge.back() / 1000);
  }
  Report(state, "rss_10000_mb", rssLarge);
  Report(state, "rss_10_mb", rssSmall);
  Report(state, "run_10000_ms", runLarge);
}
BENCHMARK(BM_HostMemory)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace velmora
