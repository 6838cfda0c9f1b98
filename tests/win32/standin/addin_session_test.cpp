// The add-in DLL run whole inside the stand-in Outlook under Wine: its
// registration, full sessions with the first tick's sending, the send-and-
// exit run and its release of every reference, SendAll by name, Outlook's
// own Send, a host call that fails, sending without the safe-send library,
// the schedule button of a mail window with its dialog played by the test,
// the Help menu entries on a second attach, and the tray launcher starting
// Outlook (the stand-in) with the add-in.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "addin/model/mail_props.h"
#include "common/datetime.h"
#include "platform/win32/adapters/locale_win32.h"
#include "platform/win32/adapters/unicode.h"
#include "platform/win32/dialogs/dialog_ids.h"
#include "tests/win32/launched_process.h"
#include "tests/win32/standin/addin_host.h"
#include "tests/win32/standin/outlook_model.h"
#include "tests/win32/standin/redemption_standin.h"

namespace {

using namespace standin;
namespace fs = std::filesystem;
using velmora::DateTime;

constexpr const wchar_t* kProgId = L"Velmora.Connect";
constexpr const wchar_t* kSettings = L"Software\\Norvane\\Velmora";
constexpr const wchar_t* kAppPath =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\outlook.exe";
const std::wstring kUserPropPrefix =
    L"http://schemas.microsoft.com/mapi/string/{00020329-0000-0000-C000-000000000046}/";

fs::path ModuleFolder() {
  wchar_t buf[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, buf, MAX_PATH);
  return fs::path(buf).parent_path();
}

fs::path AddinPath() {
  return (ModuleFolder() / VELMORA_ADDIN_REL).lexically_normal();
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// What the add-in writes to "Velmora.Log" from the test's start on.
class LogTail {
 public:
  LogTail() : start_(Size()) {}
  std::string Text() const {
    const std::string all = ReadFile(Path());
    return all.size() >= start_ ? all.substr(start_) : all;
  }
  std::vector<std::string> Lines(const std::string& with) const {
    std::vector<std::string> out;
    std::istringstream in(Text());
    for (std::string line; std::getline(in, line);)
      if (line.find(with) != std::string::npos) out.push_back(line);
    return out;
  }
  static fs::path Path() { return AddinPath().parent_path() / "Velmora.Log"; }

 private:
  static std::size_t Size() {
    std::error_code ec;
    const auto n = fs::file_size(Path(), ec);
    return ec ? 0 : static_cast<std::size_t>(n);
  }
  std::size_t start_;
};

std::optional<std::wstring> ReadValue(HKEY root, const wchar_t* sub, const wchar_t* name) {
  wchar_t buf[1024] = {};
  DWORD size = sizeof buf;
  if (::RegGetValueW(root, sub, name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(buf);
}

void WriteValue(HKEY root, const wchar_t* sub, const wchar_t* name, const std::wstring& v) {
  ::RegSetKeyValueW(root, sub, name, REG_SZ, v.c_str(),
                    static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t)));
}

void DeleteValue(HKEY root, const wchar_t* sub, const wchar_t* name) {
  ::RegDeleteKeyValueW(root, sub, name);
}

bool KeyExists(HKEY root, const std::wstring& sub) {
  HKEY k = nullptr;
  if (::RegOpenKeyExW(root, sub.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  ::RegCloseKey(k);
  return true;
}

std::set<std::wstring> Subkeys(HKEY root, const std::wstring& sub) {
  std::set<std::wstring> out;
  HKEY k = nullptr;
  if (::RegOpenKeyExW(root, sub.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return out;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD len = 256;
    if (::RegEnumKeyExW(k, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    out.insert(name);
  }
  ::RegCloseKey(k);
  return out;
}

DateTime LocalNow() {
  SYSTEMTIME st;
  ::GetLocalTime(&st);
  return DateTime::FromParts(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
}

double Ole(DateTime t) {
  return static_cast<double>(t.Seconds()) / 86400.0;
}

std::wstring DateText(DateTime t) {
  return velmora::win32::Widen(velmora::win32::Win32Locale().FormatDateTime(t));
}

// The schedule record's text form: recurring flag, pattern numbers, the
// attachment sources, then three length-prefixed dates.
std::wstring Record(bool daily, const std::vector<std::wstring>& sources, DateTime start) {
  std::wstring s = daily ? L"1;0;0;0;0;0;1;0;1;" : L"0;0;0;0;0;0;1;0;1;";
  for (const auto& src : sources)
    s += src + L";";
  for (DateTime t : {DateTime::FromTime(start.Hour(), start.Minute(), start.Second()),
                     start.DatePart(), start.DatePart().AddDays(365)}) {
    const std::wstring text = DateText(t);
    s += L"#" + std::to_wstring(text.size()) + L";" + text;
  }
  return s;
}

std::shared_ptr<MailData> Scheduled(Store& store, FolderData& folder, const std::wstring& subject,
                                    DateTime when, const std::wstring& record) {
  auto m = store.AddMail(folder, subject);
  m->to = L"anna@example.com";
  m->Add(L"ScheduleTime", kOlDateTime)->value = Variant::Date(Ole(when));
  m->Add(L"VelmoraRecurrence", kOlText)->value = Variant::Str(record);
  return m;
}

std::optional<DateTime> ScheduleOf(const MailData& m) {
  auto p = m.Find(L"ScheduleTime");
  if (!p || p->value.get().vt != VT_DATE) return std::nullopt;
  return DateTime::FromOle(p->value.get().date);
}

std::wstring Joined(const std::vector<std::wstring>& v) {
  std::wstring s;
  for (const auto& x : v)
    s += x + L"\n";
  return s;
}

// One of these tests at a time in a logon, and none beside the tray
// launcher's own process test: they share the registry values, the tray
// mutex and the log.
class TestTurn {
 public:
  TestTurn() : h_(::CreateMutexW(nullptr, FALSE, L"VelmoraTest.OrbitelProcess")) {
    const DWORD r = h_ ? ::WaitForSingleObject(h_, 120000) : WAIT_FAILED;
    owned_ = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
  }
  ~TestTurn() {
    if (owned_) ::ReleaseMutex(h_);
    if (h_) ::CloseHandle(h_);
  }
  TestTurn(const TestTurn&) = delete;
  TestTurn& operator=(const TestTurn&) = delete;
  bool Owned() const { return owned_; }

 private:
  HANDLE h_;
  bool owned_ = false;
};

// Source files for the attachments, removed afterwards.
class Sources {
 public:
  Sources()
      : dir_(fs::temp_directory_path() /
             ("velmora-sources-" + std::to_string(::GetCurrentProcessId()))) {
    fs::create_directories(dir_ / "drop");
    Write(dir_ / "report.txt", std::string(100, 'r'));
    Write(dir_ / "drop" / "old.txt", "old");
    Write(dir_ / "drop" / "new.txt", "newest");
    // The folder source gives its newest file.
    const auto old = fs::last_write_time(dir_ / "drop" / "new.txt") - std::chrono::hours(2);
    fs::last_write_time(dir_ / "drop" / "old.txt", old);
  }
  ~Sources() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  Sources(const Sources&) = delete;
  Sources& operator=(const Sources&) = delete;
  std::wstring File() const { return (dir_ / "report.txt").wstring(); }
  std::wstring Folder() const { return (dir_ / "drop").wstring() + L"\\"; }
  std::wstring Newest() const { return (dir_ / "drop" / "new.txt").wstring(); }

 private:
  static void Write(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
  }
  fs::path dir_;
};

// A registered add-in (the user's keys and Wine's machine-wide mirror of
// them), a stand-in Outlook, and the add-in loaded into it.
class AddinSession : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(turn_.Owned());
    ASSERT_TRUE(fs::exists(AddinPath())) << AddinPath();
    library_.emplace(AddinPath().wstring());
    ASSERT_TRUE(library_->loaded());
    ASSERT_EQ(library_->Register(), S_OK);
    ASSERT_TRUE(library_->Mirror(kProgId));
    ProtocolErrors().clear();
    ClearFailures();
    ResetCallCounts();
    DeleteValue(HKEY_CURRENT_USER, kSettings, L"NextOccurence");
    DeleteValue(HKEY_CURRENT_USER, kSettings, L"SendAndExit");
    RemoveRedemptionProgId();
    log_.emplace();
  }
  void TearDown() override {
    host_.reset();
    outlook_.reset();
    redemption_.reset();
    ClearFailures();
    DeleteValue(HKEY_CURRENT_USER, kSettings, L"NextOccurence");
    DeleteValue(HKEY_CURRENT_USER, kSettings, L"SendAndExit");
    if (library_) {
      library_->Unmirror(kProgId);
      library_->Unregister();
    }
  }

  Outlook& outlook(const wchar_t* version = L"11.0.0.8312") {
    if (!outlook_) outlook_.emplace(version);
    return *outlook_;
  }
  Store& store() { return outlook().store(); }
  FolderData& Inbox() { return *store().Default(kFolderInbox); }
  FolderData& VelmoraFolder() {
    FolderData* f = store().root().Child(L"Velmora");
    return f ? *f : store().AddFolder(store().root(), L"Velmora", 0);
  }
  void WithRedemption() {
    redemption_.emplace();
    ASSERT_TRUE(redemption_->ok());
  }

  // Outlook's start with the add-in: what the stand-in holds before is the
  // yardstick of what the add-in must give back.
  void Start() {
    outlook().RunPending();
    before_ = LiveObjects();
    host_.emplace(outlook());
    ASSERT_EQ(StartupAddins(), std::vector<std::wstring>{kProgId});
    ASSERT_EQ(host_->Load(kProgId), S_OK);
    ASSERT_EQ(host_->Start(), S_OK);
  }

  std::vector<SentMail> SentVia(const std::wstring& via) {
    std::vector<SentMail> out;
    for (const auto& s : store().sent)
      if (s.via == via) out.push_back(s);
    return out;
  }

  // Outlook shuts down: afterwards the add-in holds nothing of Outlook's,
  // has no sink left, and its library may be unloaded.
  void ShutDownAndExpectAllReleased() {
    ASSERT_TRUE(host_);
    EXPECT_EQ(host_->Stop(), S_OK);
    host_.reset();
    EXPECT_EQ(Joined(RefsChangedSince(before_)), L"");
    EXPECT_EQ(AdvisedSinks(), 0);
    EXPECT_EQ(library_->CanUnloadNow(), S_OK);
    EXPECT_EQ(Joined(ProtocolErrors()), L"");
  }

  TestTurn turn_;
  std::optional<AddinLibrary> library_;
  std::optional<RedemptionRegistration> redemption_;
  std::optional<Outlook> outlook_;
  std::optional<AddinHost> host_;
  std::optional<LogTail> log_;
  std::map<const Object*, RefCount> before_;
};

TEST(AddinRegistration, WritesExactlyItsKeysPerUserAndRemovesThemAll) {
  TestTurn turn;
  ASSERT_TRUE(turn.Owned());
  AddinLibrary library(AddinPath().wstring());
  ASSERT_TRUE(library.loaded()) << AddinPath();
  const std::wstring progKey = std::wstring(L"Software\\Classes\\") + kProgId;
  const std::wstring addinKey = std::wstring(kAddinsKey) + L"\\" + kProgId;

  ASSERT_EQ(library.Register(), S_OK);
  const std::wstring clsid = ClsidOfProgId(HKEY_CURRENT_USER, kProgId);
  ASSERT_EQ(clsid.size(), 38u) << clsid;
  const std::wstring clsidKey = L"Software\\Classes\\CLSID\\" + clsid;
  EXPECT_EQ(Subkeys(HKEY_CURRENT_USER, progKey), std::set<std::wstring>{L"CLSID"});
  EXPECT_EQ(Subkeys(HKEY_CURRENT_USER, clsidKey),
            (std::set<std::wstring>{L"InprocServer32", L"ProgID"}));
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, (clsidKey + L"\\ProgID").c_str(), nullptr),
            std::wstring(kProgId));
  const auto server =
      ReadValue(HKEY_CURRENT_USER, (clsidKey + L"\\InprocServer32").c_str(), nullptr);
  ASSERT_TRUE(server);
  EXPECT_TRUE(fs::equivalent(fs::path(*server), AddinPath())) << *server;
  EXPECT_EQ(
      ReadValue(HKEY_CURRENT_USER, (clsidKey + L"\\InprocServer32").c_str(), L"ThreadingModel"),
      std::wstring(L"Apartment"));
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, addinKey.c_str(), L"FriendlyName"),
            std::wstring(L"Velmora"));
  EXPECT_FALSE(
      ReadValue(HKEY_CURRENT_USER, addinKey.c_str(), L"Description").value_or(L"").empty());
  DWORD behavior = 0, size = sizeof behavior;
  EXPECT_EQ(::RegGetValueW(HKEY_CURRENT_USER, addinKey.c_str(), L"LoadBehavior", RRF_RT_REG_DWORD,
                           nullptr, &behavior, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(behavior, 3u);
  // Per user: nothing machine-wide, no administrator rights needed.
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, progKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, clsidKey));

  // Outlook finds it by its Addins key and creates it by ProgID.
  {
    ASSERT_TRUE(library.Mirror(kProgId));
    Outlook outlook;
    AddinHost host(outlook);
    const auto startup = StartupAddins();
    ASSERT_EQ(startup, std::vector<std::wstring>{kProgId});
    ASSERT_EQ(host.Load(startup[0]), S_OK);
    ASSERT_EQ(host.Start(), S_OK);
    EXPECT_EQ(library.CanUnloadNow(), S_FALSE);
    EXPECT_EQ(host.Stop(), S_OK);
    EXPECT_EQ(library.CanUnloadNow(), S_OK);
    library.Unmirror(kProgId);
  }

  ASSERT_EQ(library.Unregister(), S_OK);
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    EXPECT_FALSE(KeyExists(root, progKey));
    EXPECT_FALSE(KeyExists(root, clsidKey));
    EXPECT_FALSE(KeyExists(root, addinKey));
  }
  EXPECT_TRUE(StartupAddins().empty());
}

TEST_F(AddinSession, FirstExplorerSendsDueMailsAtTheFirstTickAndRestampsTheRecurringOne) {
  WithRedemption();
  Sources sources;
  FolderData& folder = VelmoraFolder();
  const DateTime now = LocalNow();
  Scheduled(store(), folder, L"Quarterly report", now.AddSeconds(-3600),
            Record(false, {sources.File(), sources.Folder()}, now));
  // Due three times by now: two days ago, yesterday and an hour ago.
  const DateTime first = now.AddSeconds(-3600).AddDays(-2);
  auto daily = Scheduled(store(), folder, L"Daily figures", first, Record(true, {}, first));
  auto later = Scheduled(store(), folder, L"Next week", now.AddDays(7), Record(false, {}, now));
  store().AddMail(folder, L"Draft without a schedule");
  // Due, but the user has it open: it waits.
  auto open =
      Scheduled(store(), folder, L"Being edited", now.AddSeconds(-1800), Record(false, {}, now));
  outlook().OpenInspector(open);

  Start();
  // No explorer yet: nothing goes before the first one opens.
  ASSERT_TRUE(Outlook::PumpUntil([] { return false; }, 1500) == false);
  EXPECT_TRUE(store().sent.empty());
  outlook().OpenExplorer(Inbox());
  ASSERT_TRUE(Outlook::PumpUntil(
      [&] {
        return store().sent.size() >= 4 &&
               !ReadValue(HKEY_CURRENT_USER, kSettings, L"NextOccurence").value_or(L"").empty();
      },
      15000))
      << store().sent.size() << " sent; log:\n"
      << log_->Text();

  const auto sent = SentVia(L"Redemption");
  ASSERT_EQ(sent.size(), 4u);
  int copies = 0;
  for (const auto& s : sent) {
    EXPECT_EQ(s.fromFolder, L"Outbox") << s.subject;
    for (const auto& name : s.propNames)
      EXPECT_TRUE(name != L"ScheduleTime" && name != L"VelmoraRecurrence") << s.subject;
    if (s.subject == L"Daily figures") {
      ++copies;
      EXPECT_TRUE(s.attachments.empty());
    } else {
      EXPECT_EQ(s.subject, L"Quarterly report");
      ASSERT_EQ(s.attachments.size(), 2u);
      EXPECT_TRUE(fs::equivalent(s.attachments[0].source, sources.File()));
      EXPECT_EQ(s.attachments[0].displayName, L"report.txt");
      EXPECT_EQ(s.attachments[0].size, 100);
      EXPECT_TRUE(fs::equivalent(s.attachments[1].source, sources.Newest()));
    }
  }
  EXPECT_EQ(copies, 3);
  // The recurring mail stays, stamped with its next occurrence; the one-off left.
  EXPECT_EQ(daily->folder, &folder);
  EXPECT_EQ(ScheduleOf(*daily), first.AddDays(3));
  EXPECT_EQ(later->folder, &folder);
  EXPECT_EQ(open->folder, &folder);
  EXPECT_EQ(ScheduleOf(*open), now.AddSeconds(-1800));
  EXPECT_EQ(folder.items.size(), 4u);
  // The earliest pending time: the mail still open.
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kSettings, L"NextOccurence"),
            DateText(now.AddSeconds(-1800)));
  EXPECT_EQ(outlook().SyncStarts(), 1);

  // The folder's view and the shortcut to the folder.
  std::shared_ptr<ViewData> view;
  for (const auto& v : folder.views)
    if (v->name == L"Velmora View") view = v;
  ASSERT_TRUE(view);
  EXPECT_NE(view->xml.find(L"urn:schemas:httpmail:displayto"), std::wstring::npos) << view->xml;
  EXPECT_NE(view->xml.find(kUserPropPrefix + L"ScheduleTime"), std::wstring::npos) << view->xml;
  EXPECT_EQ(view->xml.find(L"urn:schemas:httpmail:fromname"), std::wstring::npos) << view->xml;
  EXPECT_GE(view->applies, 1);
  EXPECT_EQ(outlook().ShortcutNames(), std::vector<std::wstring>{L"Velmora"});

  // The user closes Outlook's windows: Outlook shuts down.
  outlook().CloseInspectors();
  outlook().CloseExplorers();
  ASSERT_TRUE(Outlook::PumpUntil([&] { return outlook().Quitting(); }, 5000));
  ShutDownAndExpectAllReleased();
  EXPECT_TRUE(log_->Lines("Error(").empty()) << log_->Text();
}

TEST_F(AddinSession, SendAndExitSendsThenClosesOutlookAndGivesBackEveryReference) {
  WithRedemption();
  Scheduled(store(), VelmoraFolder(), L"Sent while away", LocalNow().AddSeconds(-60),
            Record(false, {}, LocalNow()));
  WriteValue(HKEY_CURRENT_USER, kSettings, L"SendAndExit", L"1");
  outlook().FailSyncWith(-2147221227, L"Server not reachable");
  outlook().OpenExplorer(Inbox());  // started by the tray launcher: a window at once
  Start();

  // The send/receive the pass starts ends the run (no 10-second wait).
  ASSERT_TRUE(Outlook::PumpUntil([&] { return outlook().Quitting(); }, 9000))
      << "explorers open: " << outlook().ExplorerCount() << "; log:\n"
      << log_->Text();
  ASSERT_EQ(SentVia(L"Redemption").size(), 1u);
  EXPECT_EQ(outlook().SyncStarts(), 1);
  // The group's error reaches the log with its code and text.
  EXPECT_EQ(log_->Lines("CSyncObject.OnError\t-2147221227, Server not reachable").size(), 1u)
      << log_->Text();
  // The flag is consumed, so a later start by the user is an ordinary one.
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kSettings, L"SendAndExit"), std::wstring());
  // The last window closed: every sink is gone before Outlook even disconnects.
  EXPECT_EQ(AdvisedSinks(), 0);
  EXPECT_EQ(outlook().SinksOnApplication(), 0);
  ShutDownAndExpectAllReleased();
}

TEST_F(AddinSession, OnOutlook2000ItSendsWithoutTheLaterMembersAndStartsSendReceiveByItsButton) {
  WithRedemption();
  outlook(L"9.0.0.2711");  // no Views, no FolderPath, no send/receive groups to watch
  Scheduled(store(), VelmoraFolder(), L"From the oldest host", LocalNow().AddSeconds(-60),
            Record(false, {}, LocalNow()));
  outlook().OpenExplorer(Inbox());
  Start();
  ASSERT_TRUE(Outlook::PumpUntil([&] { return store().sent.size() == 1; }, 5000)) << log_->Text();
  EXPECT_EQ(SentVia(L"Redemption").size(), 1u);
  ASSERT_TRUE(Outlook::PumpUntil([] { return CallCount(L"CommandBarButton.Execute") == 1; }, 2000));
  EXPECT_EQ(outlook().SyncStarts(), 0);
  EXPECT_TRUE(VelmoraFolder().views.empty());

  outlook().CloseExplorers();
  ASSERT_TRUE(Outlook::PumpUntil([&] { return outlook().Quitting(); }, 5000));
  ShutDownAndExpectAllReleased();  // no unknown member was asked for
}

TEST_F(AddinSession, SendAllAnswersByNameAndOutlooksOwnSendIsOnlyTraced) {
  WithRedemption();
  outlook().OpenExplorer(Inbox());
  Start();

  IDispatch* addin = host_->PublicObject();
  ASSERT_NE(addin, nullptr) << "the add-in did not set its COMAddIn.Object";
  OLECHAR name[] = L"SendAll";
  LPOLESTR names[] = {name};
  DISPID id = DISPID_UNKNOWN;
  ASSERT_EQ(addin->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
  {
    MessageBoxCloser closer;
    DISPPARAMS none{};
    Variant result;
    EXCEPINFO info{};
    EXPECT_EQ(addin->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &result,
                            &info, nullptr),
              S_OK);
    EXPECT_EQ(result.get().vt, VT_BOOL);
    EXPECT_NE(result.get().boolVal, VARIANT_FALSE);
  }
  EXPECT_EQ(MessageBoxCloser::Texts(), std::vector<std::wstring>{L"SendAll"});

  // A mail the user sends with Outlook's own Send goes at once, untouched.
  auto mail = store().AddMail(*store().Default(kFolderDrafts), L"Sent by hand");
  mail->to = L"bob@example.com";
  mail->Add(L"ScheduleTime", kOlDateTime)->value = Variant::Date(Ole(LocalNow().AddDays(1)));
  const int created = RedemptionRegistration::Created();
  ResetCallCounts();
  EXPECT_TRUE(outlook().UserSends(mail));
  ASSERT_EQ(SentVia(L"Outlook").size(), 1u);
  // The add-in heard it once and only read the subject for its trace.
  EXPECT_EQ(CallCounts(), (std::map<std::wstring, int>{{L"MailItem.Subject", 1}}));
  EXPECT_EQ(RedemptionRegistration::Created(), created);

  outlook().CloseExplorers();
  ASSERT_TRUE(Outlook::PumpUntil([&] { return outlook().Quitting(); }, 5000));
  ShutDownAndExpectAllReleased();
  EXPECT_TRUE(log_->Lines("Error(").empty()) << log_->Text();
}

TEST_F(AddinSession, AFailingHostCallIsLoggedByOperationAndTheNextTickSends) {
  WithRedemption();
  Scheduled(store(), VelmoraFolder(), L"Due despite a fault", LocalNow().AddSeconds(-60),
            Record(false, {}, LocalNow()));
  outlook().OpenExplorer(Inbox());
  Start();
  // Every Items.Count fails from the first tick on.
  FailCall(L"Items.Count", E_FAIL);
  ASSERT_TRUE(Outlook::PumpUntil([] { return CallCount(L"Items.Count") >= 2; }, 5000));
  ASSERT_TRUE(Outlook::PumpUntil([] { return false; }, 300) == false);  // the pass ends
  EXPECT_TRUE(store().sent.empty());
  const auto errors = log_->Lines("Connect.OnTimer1");
  ASSERT_EQ(errors.size(), 1u) << log_->Text();
  EXPECT_NE(errors[0].find("Error("), std::string::npos) << errors[0];
  EXPECT_NE(errors[0].find("fails Items.Count on purpose"), std::string::npos) << errors[0];
  ProtocolErrors().clear();

  // The host recovers; the next tick (brought forward) sends.
  ClearFailures();
  ASSERT_GE(TickAddinTimers(), 1);
  ASSERT_TRUE(Outlook::PumpUntil([&] { return store().sent.size() == 1; }, 5000)) << log_->Text();
  EXPECT_EQ(SentVia(L"Redemption").size(), 1u);

  outlook().CloseExplorers();
  ASSERT_TRUE(Outlook::PumpUntil([&] { return outlook().Quitting(); }, 5000));
  ShutDownAndExpectAllReleased();
}

TEST_F(AddinSession, WithoutRedemptionDueMailsLeaveThroughTheItemsOwnSendWithOneWarning) {
  Scheduled(store(), VelmoraFolder(), L"No safe send here", LocalNow().AddSeconds(-60),
            Record(false, {}, LocalNow()));
  outlook().OpenExplorer(Inbox());
  Start();
  ASSERT_TRUE(Outlook::PumpUntil([&] { return store().sent.size() == 1; }, 5000)) << log_->Text();
  // A second pass with another due mail warns no more.
  Scheduled(store(), VelmoraFolder(), L"Still no safe send", LocalNow().AddSeconds(-60),
            Record(false, {}, LocalNow()));
  ASSERT_GE(TickAddinTimers(), 1);
  ASSERT_TRUE(Outlook::PumpUntil([&] { return store().sent.size() == 2; }, 5000)) << log_->Text();

  const auto sent = SentVia(L"MailItem.Send");
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].fromFolder, L"Outbox");
  EXPECT_EQ(log_->Lines("Warning").size(), 1u) << log_->Text();
  EXPECT_EQ(log_->Lines("Redemption").size(), 1u) << log_->Text();

  outlook().CloseExplorers();
  ASSERT_TRUE(Outlook::PumpUntil([&] { return outlook().Quitting(); }, 5000));
  ShutDownAndExpectAllReleased();
}

// ------------------------------------------ the schedule button and its dialog

// What the user does in the dialogs the add-in shows on this thread, from a
// timer here: the dialog's modal loop dispatches it as any loop does. A
// dialog is known by its caption and one of its controls; its script runs at
// each tick until it returns true (done). Any other dialog of this thread (a
// message box the test did not expect) is recorded and cancelled, so no test
// hangs on it.
class UserAtDialogs {
 public:
  using Script = std::function<bool(HWND)>;
  UserAtDialogs() {
    self_ = this;
    timer_ = ::SetTimer(nullptr, 0, 100, Tick);
  }
  ~UserAtDialogs() {
    ::KillTimer(nullptr, timer_);
    self_ = nullptr;
  }
  UserAtDialogs(const UserAtDialogs&) = delete;
  UserAtDialogs& operator=(const UserAtDialogs&) = delete;

  void On(const std::wstring& caption, int controlId, Script script) {
    scripts_[caption] = {controlId, std::move(script)};
  }
  // Each dialog met, by caption, once per window.
  std::vector<std::wstring> met;
  // "caption: text" of the dialogs no script knew.
  std::vector<std::wstring> unexpected;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (!self_ || self_->busy_) return;
    self_->busy_ = true;
    ::EnumThreadWindows(::GetCurrentThreadId(), Visit, 0);
    self_->busy_ = false;
  }
  static BOOL CALLBACK Visit(HWND w, LPARAM) {
    wchar_t cls[32] = {};
    ::GetClassNameW(w, cls, 32);
    if (std::wstring(cls) != L"#32770") return TRUE;
    wchar_t caption[256] = {};
    ::GetWindowTextW(w, caption, 256);
    if (self_->done_.count(w)) {
      // Done with, yet still open two seconds on: closed as its close box does.
      if (++self_->lingering_[w] == 20) {
        self_->unexpected.push_back(std::wstring(caption) + L": still open");
        ::PostMessageW(w, WM_CLOSE, 0, 0);
      }
      return TRUE;
    }
    if (!self_->seen_.count(w)) {
      self_->seen_.insert(w);
      self_->met.push_back(caption);
    }
    const auto it = self_->scripts_.find(caption);
    if (it == self_->scripts_.end() || !::GetDlgItem(w, it->second.first)) {
      wchar_t text[1024] = {};
      ::GetDlgItemTextW(w, 0xFFFF, text, 1024);  // a message box's text
      self_->unexpected.push_back(std::wstring(caption) + L": " + text);
      self_->done_.insert(w);
      ::PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
    } else if (it->second.second(w)) {
      self_->done_.insert(w);
    }
    return TRUE;
  }
  static inline UserAtDialogs* self_ = nullptr;
  std::map<std::wstring, std::pair<int, Script>> scripts_;
  std::set<HWND> seen_, done_;
  std::map<HWND, int> lingering_;
  UINT_PTR timer_ = 0;
  bool busy_ = false;
};

DateTime PickerValue(HWND dlg, int id) {
  SYSTEMTIME st{};
  ::SendMessageW(::GetDlgItem(dlg, id), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st));
  return DateTime::FromParts(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
}

// The user sets a date and time picker: the control takes the value and
// tells its dialog, as its own editing does.
void Pick(HWND dlg, int id, DateTime v) {
  const HWND picker = ::GetDlgItem(dlg, id);
  ::SetFocus(picker);
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(v.Year());
  st.wMonth = static_cast<WORD>(v.Month());
  st.wDay = static_cast<WORD>(v.Day());
  st.wHour = static_cast<WORD>(v.Hour());
  st.wMinute = static_cast<WORD>(v.Minute());
  st.wSecond = static_cast<WORD>(v.Second());
  ::SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
  NMDATETIMECHANGE nm{};
  nm.nmhdr.hwndFrom = picker;
  nm.nmhdr.idFrom = static_cast<UINT_PTR>(id);
  nm.nmhdr.code = DTN_DATETIMECHANGE;
  nm.dwFlags = GDT_VALID;
  nm.st = st;
  ::SendMessageW(dlg, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&nm));
}

void Press(HWND dlg, int id) {
  ::SendMessageW(::GetDlgItem(dlg, id), BM_CLICK, 0, 0);
}

// The user's "check spelling before sending" option of this Outlook, set for
// the test and put back afterwards.
class SpellingOption {
 public:
  explicit SpellingOption(DWORD check) {
    had_ = ::RegGetValueW(HKEY_CURRENT_USER, kKey, L"Check", RRF_RT_REG_DWORD, nullptr, &old_,
                          &size_) == ERROR_SUCCESS;
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"Check", REG_DWORD, &check, sizeof check);
  }
  ~SpellingOption() {
    if (had_)
      ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"Check", REG_DWORD, &old_, sizeof old_);
    else
      DeleteValue(HKEY_CURRENT_USER, kKey, L"Check");
  }
  SpellingOption(const SpellingOption&) = delete;
  SpellingOption& operator=(const SpellingOption&) = delete;

 private:
  static constexpr const wchar_t* kKey =
      L"Software\\Microsoft\\Office\\11.0\\Outlook\\Options\\Spelling";
  bool had_ = false;
  DWORD old_ = 0, size_ = sizeof(DWORD);
};

std::wstring Describe(const std::vector<ControlInfo>& controls) {
  std::wstring s;
  for (const auto& c : controls)
    s += std::to_wstring(c.id) + L" \"" + c.caption + L"\" tag \"" + c.tag + L"\"" +
         (c.visible ? L"" : L" hidden") + (c.beginGroup ? L" group" : L"") +
         (c.temporary ? L" temporary" : L"") + L"\n";
  return s;
}

TEST_F(AddinSession, ANewMailWindowsButtonAfterSendSchedulesTheMailInTheDialogAndATickSendsIt) {
  WithRedemption();
  SpellingOption spelling(1);
  outlook().OpenExplorer(Inbox());
  Start();

  // A received mail opened for reading, then a new one being written: the
  // windows come through Outlook's NewInspector event.
  auto read = store().AddMail(Inbox(), L"Received earlier");
  read->to = L"me@example.com";
  read->sent = true;
  outlook().OpenInspector(read);
  auto mail = store().AddMail(*store().Default(kFolderDrafts), L"Written now, sent later");
  mail->to = L"anna@example.com";
  outlook().OpenInspector(mail);
  const std::wstring tag = L"BrelcorVelmora";
  ASSERT_TRUE(Outlook::PumpUntil([&] { return outlook().ButtonsTagged(tag) == 1; }, 5000))
      << log_->Text();
  ASSERT_TRUE(Outlook::PumpUntil([] { return false; }, 300) == false);  // nothing more comes
  EXPECT_EQ(outlook().ButtonsTagged(tag), 1);
  for (const auto& c : outlook().Controls(true, 0, L"Standard"))  // the read mail's window
    EXPECT_NE(c.tag, tag);

  // Right after Send, in a group of its own: the next visible control (past
  // the hidden accounts popup) begins the next group.
  const auto standard = outlook().Controls(true, 1, L"Standard");
  ASSERT_EQ(standard.size(), 4u) << Describe(standard);
  EXPECT_EQ(standard[0].id, 2617);
  const ControlInfo& button = standard[1];
  EXPECT_EQ(button.type, 1);
  EXPECT_EQ(button.tag, tag);
  EXPECT_EQ(button.caption, L"Velmora");
  EXPECT_EQ(button.faceId, 2617);
  EXPECT_EQ(button.style, 3);
  EXPECT_TRUE(button.visible && button.beginGroup && button.temporary) << Describe(standard);
  EXPECT_EQ(standard[2].id, 31224);
  EXPECT_FALSE(standard[2].beginGroup);
  EXPECT_EQ(standard[3].id, 1079);
  EXPECT_TRUE(standard[3].beginGroup) << Describe(standard);

  // A mail already due waits in the folder: no sending pass may run while
  // the dialog is open, however often the timers tick.
  auto waiting = Scheduled(store(), VelmoraFolder(), L"Due while the dialog is open",
                           LocalNow().AddSeconds(-60), Record(false, {}, LocalNow()));

  UserAtDialogs user;
  int visits = 0;
  std::vector<long> executedBeforeDialog;
  std::size_t sentDuringDialog = 99;
  std::optional<DateTime> shownDate, shownTime;
  DateTime sendAt, openedAt;
  user.On(L"Velmora", IDC_ONCE_CTLTIME, [&](HWND dlg) {
    if (++visits == 1) {
      openedAt = LocalNow();
      executedBeforeDialog = outlook().ExecutedControls();
      shownDate = PickerValue(dlg, IDC_ONCE_CTLDATE);
      shownTime = PickerValue(dlg, IDC_ONCE_CTLTIME);
      TickAddinTimers();  // the ticks arrive through this dialog's loop
      return false;
    }
    if (visits < 4) return false;
    sentDuringDialog = store().sent.size();
    // The user picks this very minute: due at once.
    const DateTime now = LocalNow();
    sendAt = now.AddSeconds(-now.Second());
    Pick(dlg, IDC_ONCE_CTLDATE, sendAt);
    Pick(dlg, IDC_ONCE_CTLTIME, sendAt);
    Press(dlg, IDOK);
    return true;
  });
  ResetCallCounts();
  const DateTime clickedAt = LocalNow();
  EXPECT_FALSE(outlook().ClickButtons(tag));  // the default action is not cancelled

  // The command ran inside Click: the dialog has come and gone.
  EXPECT_EQ(user.met, std::vector<std::wstring>{L"Velmora"});
  EXPECT_EQ(Joined(user.unexpected), L"");
  ASSERT_GE(visits, 4) << log_->Text();
  EXPECT_EQ(sentDuringDialog, 0u);
  // The spelling check of the mail window ran before the dialog opened.
  EXPECT_EQ(executedBeforeDialog, std::vector<long>{2});
  // The dialog showed the new mail's default: the next full or half hour.
  const DateTime expected = velmora::CMailProps::DefaultSendTime(clickedAt);
  const DateTime expectedLater = velmora::CMailProps::DefaultSendTime(openedAt);
  ASSERT_TRUE(shownDate && shownTime);
  const DateTime shown =
      shownDate->DatePart().AddMinutes(shownTime->Hour() * 60 + shownTime->Minute());
  EXPECT_TRUE(shown == expected || shown == expectedLater) << DateText(shown);

  // The mail lies in the folder with its schedule; its window was closed
  // with saving.
  EXPECT_EQ(mail->folder, &VelmoraFolder());
  EXPECT_EQ(ScheduleOf(*mail), sendAt);
  const auto record = mail->Find(L"VelmoraRecurrence");
  ASSERT_TRUE(record);
  ASSERT_EQ(record->value.get().vt, VT_BSTR);
  const std::wstring recordText = record->value.get().bstrVal;
  EXPECT_EQ(recordText.rfind(L"0;", 0), 0u) << recordText;  // once, not recurring
  EXPECT_EQ(std::count(recordText.begin(), recordText.end(), L'#'), 3) << recordText;
  const auto closes = outlook().InspectorCloses();
  ASSERT_EQ(closes.size(), 1u);
  EXPECT_EQ(closes[0].subject, L"Written now, sent later");
  EXPECT_EQ(closes[0].saveMode, 0);  // olSave
  EXPECT_EQ(outlook().InspectorCount(), 1);
  EXPECT_TRUE(store().sent.empty());

  // The first tick after the command sends both, through the safe item.
  ASSERT_TRUE(Outlook::PumpUntil([&] { return store().sent.size() == 2; }, 5000)) << log_->Text();
  const auto sent = SentVia(L"Redemption");
  ASSERT_EQ(sent.size(), 2u);
  std::set<std::wstring> subjects;
  for (const auto& s : sent) {
    subjects.insert(s.subject);
    EXPECT_EQ(s.fromFolder, L"Outbox") << s.subject;
    EXPECT_EQ(s.to, L"anna@example.com");
    for (const auto& name : s.propNames)
      EXPECT_TRUE(name != L"ScheduleTime" && name != L"VelmoraRecurrence") << s.subject;
  }
  EXPECT_EQ(subjects,
            (std::set<std::wstring>{L"Written now, sent later", L"Due while the dialog is open"}));
  EXPECT_TRUE(VelmoraFolder().items.empty());
  EXPECT_NE(waiting->folder, &VelmoraFolder());

  outlook().CloseInspectors();
  outlook().CloseExplorers();
  ASSERT_TRUE(Outlook::PumpUntil([&] { return outlook().Quitting(); }, 5000));
  ShutDownAndExpectAllReleased();
  EXPECT_TRUE(log_->Lines("Error(").empty()) << log_->Text();
}

TEST_F(AddinSession, ASecondAttachFindsTheHelpMenuEntriesAgainAndTheirClickOpensOneAboutBox) {
  outlook().OpenExplorer(Inbox());
  Start();
  const auto help = outlook().Controls(false, 0, L"Menu Bar", 30010);
  ASSERT_EQ(help.size(), 3u) << Describe(help);
  EXPECT_EQ(help[0].id, 984);  // Outlook's own entry stays first
  EXPECT_EQ(help[1].caption, L"About Velmora...");
  EXPECT_EQ(help[1].tag, L"BrelcorVelmoraAbout");
  EXPECT_TRUE(help[1].beginGroup && help[1].temporary) << Describe(help);
  EXPECT_EQ(help[2].caption, L"Velmora");
  EXPECT_EQ(help[2].tag, L"BrelcorVelmoraOptions");
  EXPECT_FALSE(help[2].beginGroup);

  // The user turns the add-in off and on again; the window stays open.
  EXPECT_EQ(host_->Stop(), S_OK);
  EXPECT_EQ(AdvisedSinks(), 0);
  host_.emplace(outlook());
  ASSERT_EQ(host_->Load(kProgId), S_OK);
  ASSERT_EQ(host_->Start(), S_OK);
  EXPECT_EQ(Describe(outlook().Controls(false, 0, L"Menu Bar", 30010)), Describe(help));

  // The entry found again answers its click, once.
  UserAtDialogs user;
  user.On(L"About Velmora", IDC_ABOUT_BTNBUGREPORT, [](HWND dlg) {
    Press(dlg, IDOK);
    return true;
  });
  EXPECT_FALSE(outlook().ClickButtons(L"BrelcorVelmoraAbout"));
  EXPECT_EQ(user.met, std::vector<std::wstring>{L"About Velmora"});
  EXPECT_EQ(Joined(user.unexpected), L"");

  outlook().CloseExplorers();
  ASSERT_TRUE(Outlook::PumpUntil([&] { return outlook().Quitting(); }, 5000));
  ShutDownAndExpectAllReleased();
  EXPECT_TRUE(log_->Lines("Error(").empty()) << log_->Text();
}

// ----------------------------------------------- the tray launcher and Outlook

bool WaitFor(const std::function<bool()>& done, DWORD ms) {
  const ULONGLONG end = ::GetTickCount64() + ms;
  while (!done()) {
    if (::GetTickCount64() >= end) return false;
    ::Sleep(50);
  }
  return true;
}

// A registry value put back as it was when the test ends.
class Saved {
 public:
  Saved(HKEY root, const wchar_t* sub, const wchar_t* name)
      : root_(root), sub_(sub), name_(name ? name : L""), had_(ReadValue(root, sub, name)) {}
  ~Saved() {
    const wchar_t* n = name_.empty() ? nullptr : name_.c_str();
    if (had_)
      WriteValue(root_, sub_.c_str(), n, *had_);
    else if (n)
      DeleteValue(root_, sub_.c_str(), n);
    else
      ::RegDeleteKeyW(root_, sub_.c_str());
  }
  Saved(const Saved&) = delete;
  Saved& operator=(const Saved&) = delete;

 private:
  HKEY root_;
  std::wstring sub_, name_;
  std::optional<std::wstring> had_;
};

TEST_F(AddinSession, OrbitelStartsOutlookWhoseAddinSendsAndExits) {
  const fs::path orbitel =
      ModuleFolder().parent_path() / "platform" / "win32" / "orbitel" / "Orbitel.exe";
  const fs::path standIn = ModuleFolder() / "standin_outlook.exe";
  ASSERT_TRUE(fs::exists(orbitel)) << orbitel;
  ASSERT_TRUE(fs::exists(standIn)) << standIn;
  HANDLE tray = ::OpenMutexW(SYNCHRONIZE, FALSE, L"Brelcor.VelmoraTray");
  if (tray) {
    ::CloseHandle(tray);
    GTEST_SKIP() << "a tray launcher already runs in this logon";
  }
  Saved next(HKEY_CURRENT_USER, kSettings, L"NextOccurence");
  Saved flag(HKEY_CURRENT_USER, kSettings, L"SendAndExit");
  Saved userPath(HKEY_CURRENT_USER, kAppPath, nullptr);
  Saved machinePath(HKEY_LOCAL_MACHINE, kAppPath, nullptr);
  WriteValue(HKEY_CURRENT_USER, kAppPath, nullptr, standIn.wstring());
  WriteValue(HKEY_LOCAL_MACHINE, kAppPath, nullptr, standIn.wstring());  // Wine's shell looks here
  WriteValue(HKEY_CURRENT_USER, kSettings, L"NextOccurence", DateText(LocalNow().AddSeconds(-120)));
  const fs::path result = fs::temp_directory_path() /
                          ("velmora-standin-" + std::to_string(::GetCurrentProcessId()) + ".txt");
  fs::remove(result);
  ::SetEnvironmentVariableW(L"VELMORA_STANDIN_RESULT", result.wstring().c_str());
  ::SetEnvironmentVariableW(L"VELMORA_STANDIN_SUBJECT", L"Left while Outlook was closed");

  velmora::test::LaunchedProcess launcher(orbitel);
  ASSERT_TRUE(launcher.Started());
  const bool ended = WaitFor([&] { return fs::exists(result); }, 60000);
  ::SetEnvironmentVariableW(L"VELMORA_STANDIN_RESULT", nullptr);
  ::SetEnvironmentVariableW(L"VELMORA_STANDIN_SUBJECT", nullptr);
  ASSERT_TRUE(ended) << "the stand-in Outlook did not finish; add-in log:\n"
                     << log_->Text() << "\ntray log:\n"
                     << ReadFile(orbitel.parent_path() / "VelmoraTray.log");
  const std::string report = ReadFile(result);
  fs::remove(result);
  EXPECT_NE(report.find("loaded Velmora.Connect\n"), std::string::npos) << report;
  EXPECT_NE(report.find("sent Left while Outlook was closed via Redemption from Outbox\n"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("quit by itself\n"), std::string::npos) << report;
  EXPECT_NE(report.find("references kept 0\nsinks advised 0\nprotocol errors 0\n"),
            std::string::npos)
      << report;
  // Nothing is due any more, and the flag was consumed.
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kSettings, L"NextOccurence"), std::wstring());
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kSettings, L"SendAndExit"), std::wstring());

  EXPECT_TRUE(launcher.Running());
  ASSERT_TRUE(launcher.Close());
  EXPECT_EQ(launcher.Wait(10000), std::optional<DWORD>(0));
}

}  // namespace

int main(int argc, char** argv) {
  // Outlook's add-ins live on its one STA thread.
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ::testing::InitGoogleTest(&argc, argv);
  const int rc = RUN_ALL_TESTS();
  ::CoUninitialize();
  return rc;
}
