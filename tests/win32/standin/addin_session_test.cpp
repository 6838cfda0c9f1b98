// The add-in DLL run whole inside the stand-in Outlook under Wine: its
// registration; a full session (sending at the first tick, a failing host
// call, SendAll by name, Outlook's own Send, a second attach); the schedule
// button of a mail window with its dialog played by the test; Outlook 2000
// without the safe-send library; the run the tray launcher starts, which
// sends and exits. Every session ends with Outlook given back every
// reference it lent.
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
#include <tuple>
#include <vector>

#include "addin/model/mail_props.h"
#include "common/datetime.h"
#include "platform/win32/adapters/locale_win32.h"
#include "platform/win32/adapters/unicode.h"
#include "platform/win32/dialogs/dialog_ids.h"
#include "tests/win32/launched_process.h"
#include "tests/win32/standin/addin_host.h"
#include "tests/win32/standin/outlook_model.h"

namespace {

using namespace standin;
namespace fs = std::filesystem;
using velmora::DateTime;

constexpr const wchar_t* kProgId = L"Velmora.Connect";
constexpr const wchar_t* kSettings = L"Software\\Norvane\\Velmora";
// The user's "check spelling before sending" option of this Outlook.
constexpr const wchar_t* kSpelling =
    L"Software\\Microsoft\\Office\\11.0\\Outlook\\Options\\Spelling";
const std::wstring kUserPropPrefix =
    L"http://schemas.microsoft.com/mapi/string/{00020329-0000-0000-C000-000000000046}/";

fs::path AddinPath() {
  wchar_t buf[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, buf, MAX_PATH);
  return (fs::path(buf).parent_path() / VELMORA_ADDIN_REL).lexically_normal();
}

std::string ReadFile(const fs::path& p) {
  std::ostringstream s;
  s << std::ifstream(p, std::ios::binary).rdbuf();
  return s.str();
}

// What the add-in writes to "Velmora.Log" from this object's creation on.
struct LogTail {
  static fs::path Path() { return AddinPath().parent_path() / "Velmora.Log"; }
  std::size_t start = ReadFile(Path()).size();
  std::string Text() const {
    const std::string all = ReadFile(Path());
    return all.size() >= start ? all.substr(start) : all;
  }
  std::size_t Count(const std::string& with) const {
    std::istringstream in(Text());
    std::size_t n = 0;
    for (std::string line; std::getline(in, line);)
      n += line.find(with) != std::string::npos;
    return n;
  }
};

std::optional<std::wstring> ReadValue(HKEY root, const wchar_t* sub, const wchar_t* name) {
  wchar_t buf[1024] = {};
  DWORD size = sizeof buf;
  if (::RegGetValueW(root, sub, name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(buf);
}

// The names of a key's subkeys; nothing when there is no such key.
std::optional<std::set<std::wstring>> Subkeys(HKEY root, const std::wstring& sub) {
  HKEY k = nullptr;
  if (::RegOpenKeyExW(root, sub.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return std::nullopt;
  std::set<std::wstring> out;
  wchar_t name[256];
  for (DWORD i = 0, len = 256;
       ::RegEnumKeyExW(k, i, name, &len, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       ++i, len = 256)
    out.insert(name);
  ::RegCloseKey(k);
  return out;
}

DateTime LocalNow() {
  SYSTEMTIME st;
  ::GetLocalTime(&st);
  return DateTime::FromParts(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
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

// A scheduled mail; by default due a minute ago, once.
std::shared_ptr<MailData> Scheduled(Store& store, FolderData& folder, const std::wstring& subject,
                                    DateTime when = LocalNow().AddSeconds(-60),
                                    const std::wstring& record = Record(false, {}, LocalNow())) {
  auto m = store.AddMail(folder, subject);
  m->to = L"anna@example.com";
  m->Add(L"ScheduleTime", kOlDateTime)->value =
      Variant::Of(VT_DATE, static_cast<double>(when.Seconds()) / 86400.0);
  m->Add(L"VelmoraRecurrence", kOlText)->value = Variant(record);
  return m;
}

std::optional<DateTime> ScheduleOf(const MailData& m) {
  auto p = m.Find(L"ScheduleTime");
  if (!p || p->value.get().vt != VT_DATE) return std::nullopt;
  return DateTime::FromOle(p->value.get().date);
}

// No lines: no references kept, no protocol errors, no dialogs unexpected.
const std::vector<std::wstring> kNone;

// What the user does in the dialogs the add-in shows on this thread, from a
// timer here: the dialog's modal loop dispatches it as any loop does. The
// dialog expected is known by its caption and one of its controls; the
// script runs at each tick until it returns true (done). Any other dialog of
// this thread (a message box the test did not expect) is recorded and
// cancelled, so no test hangs on it.
struct UserAtDialogs {
  explicit UserAtDialogs(std::wstring c = L"", int id = 0, std::function<bool(HWND)> s = {})
      : caption(std::move(c)), control(id), script(std::move(s)) {
    self = this;
  }
  ~UserAtDialogs() {
    ::KillTimer(nullptr, timer);
    self = nullptr;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (!self || std::exchange(self->busy, true)) return;
    ::EnumThreadWindows(::GetCurrentThreadId(), Visit, 0);
    self->busy = false;
  }
  static BOOL CALLBACK Visit(HWND w, LPARAM) {
    wchar_t cls[32] = {}, title[256] = {};
    ::GetClassNameW(w, cls, 32);
    ::GetWindowTextW(w, title, 256);
    if (std::wstring(cls) != L"#32770" || self->done.count(w)) return TRUE;  // or closing
    if (title != self->caption || !::GetDlgItem(w, self->control)) {
      wchar_t text[1024] = {};
      ::GetDlgItemTextW(w, 0xFFFF, text, 1024);  // a message box's text
      self->unexpected.push_back(std::wstring(title) + L": " + text);
      self->done.insert(w);
      ::PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
    } else if (self->script(w)) {
      self->done.insert(w);
    }
    return TRUE;
  }
  static inline UserAtDialogs* self = nullptr;
  std::wstring caption;
  int control;
  std::function<bool(HWND)> script;
  // "caption: text" of the dialogs no script knew.
  std::vector<std::wstring> unexpected;
  std::set<HWND> done;
  UINT_PTR timer = ::SetTimer(nullptr, 0, 100, Tick);
  bool busy = false;
};

// One of these tests at a time in a logon, and none beside another test
// that starts the tray launcher: they share the registry values, the tray
// mutex and the log.
struct TestTurn {
  HANDLE h = ::CreateMutexW(nullptr, FALSE, L"VelmoraTest.OrbitelProcess");
  DWORD wait = h ? ::WaitForSingleObject(h, 120000) : WAIT_FAILED;
  bool Owned() const { return wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED; }
  ~TestTurn() {
    if (Owned()) ::ReleaseMutex(h);
    if (h) ::CloseHandle(h);
  }
};

// A registered add-in (the user's keys and Wine's machine-wide mirror of
// them), a stand-in Outlook, and the add-in loaded into it.
class AddinSession : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(turn_.Owned());
    library_.emplace(AddinPath().wstring());
    ASSERT_TRUE(library_->loaded()) << AddinPath();
    ASSERT_EQ(library_->Register(), S_OK);
    ASSERT_TRUE(library_->Mirror(kProgId));
    g_protocolErrors.clear();
    Clean();
    log_ = LogTail();
  }
  void TearDown() override {
    host_.reset();
    outlook_.reset();
    redemption_.reset();
    Clean();
    library_->Unmirror(kProgId);
    library_->Unregister();
  }
  // What a test sets, or a failed run may have left.
  static void Clean() {
    g_failures.clear();
    for (const wchar_t* name : {L"NextOccurence", L"SendAndExit"})
      ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettings, name);
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kSpelling, L"Check");
    RemoveRedemptionProgId();
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
  bool SentReach(std::size_t n, DWORD ms = 5000) {
    return Outlook::PumpUntil([&] { return store().sent.size() >= n; }, ms);
  }
  std::vector<SentMail> SentVia(const std::wstring& via) {
    auto out = store().sent;
    std::erase_if(out, [&](const SentMail& s) { return s.via != via; });
    return out;
  }

  // The user closes Outlook's windows: Outlook quits and shuts the add-in
  // down; afterwards the add-in holds nothing of Outlook's, has no sink
  // left, and its library may be unloaded.
  void QuitAndExpectAllReleased() {
    outlook().CloseWindows();
    ASSERT_TRUE(Outlook::PumpUntil([&] { return outlook().Quitting(); }, 5000));
    EXPECT_EQ(host_->Stop(), S_OK);
    host_.reset();
    EXPECT_EQ(RefsChangedSince(before_), kNone);
    EXPECT_EQ(g_advisedSinks, 0);
    EXPECT_EQ(library_->CanUnloadNow(), S_OK);
    EXPECT_EQ(g_protocolErrors, kNone);
  }

  TestTurn turn_;
  std::optional<AddinLibrary> library_;
  std::optional<RedemptionRegistration> redemption_;
  std::optional<Outlook> outlook_;
  std::optional<AddinHost> host_;
  LogTail log_;
  Snapshot before_;
};

TEST(AddinRegistration, WritesExactlyItsKeysPerUserAndRemovesThemAll) {
  TestTurn turn;
  ASSERT_TRUE(turn.Owned());
  AddinLibrary library(AddinPath().wstring());
  ASSERT_EQ(library.Register(), S_OK) << AddinPath();
  const std::wstring clsid = ClsidOfProgId(HKEY_CURRENT_USER, kProgId);
  ASSERT_EQ(clsid.size(), 38u) << clsid;
  const std::wstring progKey = std::wstring(L"Software\\Classes\\") + kProgId,
                     clsidKey = L"Software\\Classes\\CLSID\\" + clsid,
                     addinKey = std::wstring(kAddinsKey) + L"\\" + kProgId;
  EXPECT_EQ(Subkeys(HKEY_CURRENT_USER, progKey), std::set<std::wstring>{L"CLSID"});
  EXPECT_EQ(Subkeys(HKEY_CURRENT_USER, clsidKey),
            (std::set<std::wstring>{L"InprocServer32", L"ProgID"}));
  const auto server =
      ReadValue(HKEY_CURRENT_USER, (clsidKey + L"\\InprocServer32").c_str(), nullptr);
  EXPECT_TRUE(server && fs::equivalent(fs::path(*server), AddinPath()));
  for (const auto& [key, name, value] :
       std::vector<std::tuple<std::wstring, const wchar_t*, std::wstring>>{
           {clsidKey + L"\\ProgID", nullptr, kProgId},
           {clsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
           {addinKey, L"FriendlyName", L"Velmora"}})
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, key.c_str(), name), value) << key;
  EXPECT_FALSE(
      ReadValue(HKEY_CURRENT_USER, addinKey.c_str(), L"Description").value_or(L"").empty());
  // Loaded at startup, found by its Addins key and created by its ProgID.
  EXPECT_EQ(StartupAddins(), std::vector<std::wstring>{kProgId});
  // Per user: nothing machine-wide, no administrator rights needed.
  EXPECT_FALSE(Subkeys(HKEY_LOCAL_MACHINE, progKey) || Subkeys(HKEY_LOCAL_MACHINE, clsidKey));

  ASSERT_EQ(library.Unregister(), S_OK);
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
    for (const auto& key : {progKey, clsidKey, addinKey})
      EXPECT_FALSE(Subkeys(root, key)) << key;
  EXPECT_TRUE(StartupAddins().empty());
}

TEST_F(AddinSession, SendsDueMailsFromTheFirstExplorerOnRecoversFromAFaultAndReattaches) {
  WithRedemption();
  const fs::path dir =
      fs::temp_directory_path() / ("velmora-sources-" + std::to_string(::GetCurrentProcessId()));
  fs::create_directories(dir / "drop");
  std::ofstream(dir / "report.txt") << std::string(100, 'r');
  std::ofstream(dir / "drop" / "old.txt") << "old";
  std::ofstream(dir / "drop" / "new.txt") << "newest";
  // The folder source gives its newest file.
  fs::last_write_time(dir / "drop" / "old.txt",
                      fs::last_write_time(dir / "drop" / "new.txt") - std::chrono::hours(2));
  FolderData& folder = VelmoraFolder();
  const DateTime now = LocalNow();
  Scheduled(store(), folder, L"Quarterly report", now.AddSeconds(-3600),
            Record(false, {(dir / "report.txt").wstring(), (dir / "drop").wstring() + L"\\"}, now));
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
  // No explorer yet: the timers may tick, nothing goes before the first one opens.
  EXPECT_EQ(library_->CanUnloadNow(), S_FALSE);
  TickAddinTimers();
  EXPECT_FALSE(SentReach(1, 500));
  outlook().OpenExplorer(Inbox());
  ASSERT_TRUE(Outlook::PumpUntil(
      [&] {
        return store().sent.size() >= 4 &&
               !ReadValue(HKEY_CURRENT_USER, kSettings, L"NextOccurence").value_or(L"").empty();
      },
      15000))
      << store().sent.size() << " sent; log:\n"
      << log_.Text();
  fs::remove_all(dir);

  const auto sent = SentVia(L"Redemption");
  ASSERT_EQ(sent.size(), 4u);
  int copies = 0;
  for (const auto& s : sent) {
    EXPECT_EQ(s.fromFolder, L"Outbox") << s.subject;
    EXPECT_EQ(s.propNames, std::vector<std::wstring>{}) << s.subject;  // no schedule left
    if (s.subject == L"Daily figures") {
      ++copies;
      EXPECT_TRUE(s.attachments.empty());
    } else {
      EXPECT_EQ(s.subject, L"Quarterly report");
      ASSERT_EQ(s.attachments.size(), 2u);
      EXPECT_EQ(s.attachments[0].displayName, L"report.txt");
      EXPECT_EQ(s.attachments[0].size, 100);
      EXPECT_EQ(fs::path(s.attachments[1].source).filename(), "new.txt");
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
  EXPECT_EQ(outlook().syncStarts, 1);
  // The folder's view and the shortcut to the folder.
  ASSERT_EQ(folder.views.size(), 1u);
  const ViewData& view = *folder.views[0];
  EXPECT_EQ(view.name, L"Velmora View");
  EXPECT_TRUE(view.xml.find(L"urn:schemas:httpmail:displayto") != std::wstring::npos &&
              view.xml.find(kUserPropPrefix + L"ScheduleTime") != std::wstring::npos &&
              view.xml.find(L"urn:schemas:httpmail:fromname") == std::wstring::npos)
      << view.xml;
  EXPECT_GE(view.applies, 1);
  EXPECT_EQ(outlook().ShortcutNames(), std::vector<std::wstring>{L"Velmora"});

  // A host call fails: the pass is logged by its operation, nothing leaves;
  // once the host recovers, the next tick sends.
  Scheduled(store(), folder, L"Due despite a fault");
  LogTail faultLog;
  g_failures[L"Items.Count"] = E_FAIL;
  ASSERT_GE(TickAddinTimers(), 1);
  const std::string logged =
      "Error(-2147467259) : Connect.OnTimer1\tThe stand-in fails Items.Count";
  ASSERT_TRUE(Outlook::PumpUntil([&] { return faultLog.Count(logged) == 1; }, 5000))
      << faultLog.Text();
  EXPECT_FALSE(SentReach(5, 300));
  g_failures.clear();
  ASSERT_GE(TickAddinTimers(), 1);
  ASSERT_TRUE(SentReach(5)) << log_.Text();
  EXPECT_EQ(store().sent.back().subject, L"Due despite a fault");

  // Automation clients reach the add-in through its entry's Object: SendAll by name.
  IDispatch* addin = host_->PublicObject();
  ASSERT_NE(addin, nullptr) << "the add-in did not set its COMAddIn.Object";
  LPOLESTR name = const_cast<LPOLESTR>(L"SendAll");
  DISPID id = DISPID_UNKNOWN;
  ASSERT_EQ(addin->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
  {
    UserAtDialogs user;  // cancels its message box
    DISPPARAMS none{};
    Variant result;
    EXPECT_EQ(
        addin->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &none, result.put(), nullptr, nullptr),
        S_OK);
    EXPECT_TRUE(result.get().vt == VT_BOOL && result.get().boolVal == VARIANT_TRUE);
    EXPECT_EQ(user.unexpected.size(), 1u);
  }

  // A mail the user sends with Outlook's own Send goes at once, untouched:
  // the add-in only reads its subject for its trace.
  auto mail = Scheduled(store(), *store().Default(kFolderDrafts), L"Sent by hand", now.AddDays(1));
  const int created = g_safeItemsCreated;
  g_callCounts.clear();
  EXPECT_TRUE(outlook().UserSends(mail));
  ASSERT_EQ(SentVia(L"Outlook").size(), 1u);
  EXPECT_EQ(g_callCounts, (std::map<std::wstring, int>{{L"MailItem.Subject", 1}}));
  EXPECT_EQ(g_safeItemsCreated, created);

  // The Help menu's entries; the user turns the add-in off and on again
  // with the windows open: it finds them again and their click answers once.
  const auto help = outlook().Controls(false, 0, L"Menu Bar", 30010);
  ASSERT_EQ(help.size(), 3u);
  EXPECT_EQ(help[0].id, 984);  // Outlook's own entry stays first
  EXPECT_TRUE(help[1].caption == L"About Velmora..." && help[1].tag == L"BrelcorVelmoraAbout" &&
              help[1].beginGroup && help[1].temporary);
  EXPECT_TRUE(help[2].caption == L"Velmora" && help[2].tag == L"BrelcorVelmoraOptions" &&
              !help[2].beginGroup);
  EXPECT_EQ(host_->Stop(), S_OK);
  EXPECT_EQ(g_advisedSinks, 0);
  host_.emplace(outlook());
  ASSERT_EQ(host_->Load(kProgId), S_OK);
  ASSERT_EQ(host_->Start(), S_OK);
  EXPECT_TRUE(outlook().Controls(false, 0, L"Menu Bar", 30010) == help);
  int boxes = 0;
  UserAtDialogs user(L"About Velmora", IDC_ABOUT_BTNBUGREPORT, [&](HWND dlg) {
    ++boxes;
    ::SendMessageW(::GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
    return true;
  });
  EXPECT_EQ(outlook().ButtonsTagged(L"BrelcorVelmoraAbout", true), 1);
  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(user.unexpected, kNone);

  QuitAndExpectAllReleased();
  // The provoked fault's errors only.
  EXPECT_EQ(log_.Count("Error("), log_.Count("fails Items.Count on purpose")) << log_.Text();
}

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
  NMDATETIMECHANGE nm{};
  nm.nmhdr = {picker, static_cast<UINT_PTR>(id), static_cast<UINT>(DTN_DATETIMECHANGE)};
  nm.dwFlags = GDT_VALID;
  ::VariantTimeToSystemTime(static_cast<double>(v.Seconds()) / 86400.0, &nm.st);
  ::SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&nm.st));
  ::SendMessageW(dlg, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&nm));
}

TEST_F(AddinSession, ANewMailWindowsButtonAfterSendSchedulesTheMailInTheDialogAndATickSendsIt) {
  WithRedemption();
  const DWORD check = 1;
  ::RegSetKeyValueW(HKEY_CURRENT_USER, kSpelling, L"Check", REG_DWORD, &check, sizeof check);
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
      << log_.Text();
  ASSERT_FALSE(Outlook::PumpUntil([&] { return outlook().ButtonsTagged(tag) != 1; }, 300));
  for (const auto& c : outlook().Controls(true, 0, L"Standard"))  // the read mail's window
    EXPECT_NE(c.tag, tag);

  // Right after Send, in a group of its own: the next visible control (past
  // the hidden accounts popup) begins the next group.
  const auto standard = outlook().Controls(true, 1, L"Standard");
  ASSERT_EQ(standard.size(), 4u);
  const ControlInfo& button = standard[1];  // visible, in a group, temporary
  EXPECT_EQ(button, (ControlInfo{1, button.id, L"Velmora", tag, 2617, 3, true, true, true}));
  EXPECT_TRUE(standard[0].id == 2617 && standard[2].id == 31224 && standard[3].id == 1079);
  EXPECT_TRUE(!standard[2].beginGroup && standard[3].beginGroup);

  // A mail already due waits in the folder: no sending pass may run while
  // the dialog is open, however often the timers tick.
  auto waiting = Scheduled(store(), VelmoraFolder(), L"Due while the dialog is open");

  int visits = 0;
  std::vector<long> executedBeforeDialog;
  std::size_t sentDuringDialog = 99;
  DateTime shown, sendAt, openedAt;
  UserAtDialogs user(L"Velmora", IDC_ONCE_CTLTIME, [&](HWND dlg) {
    if (++visits == 1) {
      openedAt = LocalNow();
      executedBeforeDialog = outlook().executed;
      const DateTime time = PickerValue(dlg, IDC_ONCE_CTLTIME);
      shown = PickerValue(dlg, IDC_ONCE_CTLDATE)
                  .DatePart()
                  .AddMinutes(time.Hour() * 60 + time.Minute());
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
    ::SendMessageW(::GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
    return true;
  });
  const DateTime clickedAt = LocalNow();
  EXPECT_EQ(outlook().ButtonsTagged(tag, true), 1);  // the default action is not cancelled

  // The command ran inside Click: the dialog has come and gone.
  EXPECT_EQ(user.unexpected, kNone);
  ASSERT_GE(visits, 4) << log_.Text();
  EXPECT_EQ(sentDuringDialog, 0u);
  // The spelling check of the mail window ran before the dialog opened.
  EXPECT_EQ(executedBeforeDialog, std::vector<long>{2});
  // The dialog showed the new mail's default: the next full or half hour.
  EXPECT_TRUE(shown == velmora::CMailProps::DefaultSendTime(clickedAt) ||
              shown == velmora::CMailProps::DefaultSendTime(openedAt))
      << DateText(shown);

  // The mail lies in the folder with its schedule; its window was closed
  // with saving.
  EXPECT_EQ(mail->folder, &VelmoraFolder());
  EXPECT_EQ(ScheduleOf(*mail), sendAt);
  const auto record = mail->Find(L"VelmoraRecurrence");
  ASSERT_TRUE(record && record->value.get().vt == VT_BSTR);
  const std::wstring recordText = record->value.get().bstrVal;
  EXPECT_EQ(recordText.rfind(L"0;", 0), 0u) << recordText;  // once, not recurring
  EXPECT_EQ(std::count(recordText.begin(), recordText.end(), L'#'), 3) << recordText;
  const auto& closes = outlook().inspectorCloses;
  EXPECT_TRUE(closes.size() == 1 && closes[0].subject == mail->subject && closes[0].saveMode == 0)
      << closes.size();  // olSave
  EXPECT_TRUE(store().sent.empty());

  // The first tick after the command sends both, through the safe item.
  ASSERT_TRUE(SentReach(2)) << log_.Text();
  const auto sent = SentVia(L"Redemption");
  ASSERT_EQ(sent.size(), 2u);
  std::set<std::wstring> subjects;
  for (const auto& s : sent) {
    subjects.insert(s.subject);
    EXPECT_EQ(s.fromFolder, L"Outbox") << s.subject;
    EXPECT_EQ(s.to, L"anna@example.com");
    EXPECT_EQ(s.propNames, std::vector<std::wstring>{}) << s.subject;
  }
  EXPECT_EQ(subjects,
            (std::set<std::wstring>{L"Written now, sent later", L"Due while the dialog is open"}));
  EXPECT_TRUE(VelmoraFolder().items.empty());

  QuitAndExpectAllReleased();
  EXPECT_EQ(log_.Count("Error("), 0u) << log_.Text();
}

TEST_F(AddinSession, OnOutlook2000WithoutRedemptionMailsLeaveByTheirOwnSendWithOneWarning) {
  outlook(L"9.0.0.2711");  // no Views, no FolderPath, no send/receive groups to watch
  Scheduled(store(), VelmoraFolder(), L"From the oldest host");
  outlook().OpenExplorer(Inbox());
  Start();
  ASSERT_TRUE(SentReach(1)) << log_.Text();
  // Send/receive starts by its button.
  ASSERT_TRUE(Outlook::PumpUntil([&] { return !outlook().executed.empty(); }, 2000));
  EXPECT_EQ(outlook().executed, std::vector<long>{5577});
  EXPECT_EQ(outlook().syncStarts, 0);
  EXPECT_TRUE(VelmoraFolder().views.empty());
  // A second pass with another due mail warns no more.
  Scheduled(store(), VelmoraFolder(), L"Still no safe send");
  ASSERT_GE(TickAddinTimers(), 1);
  ASSERT_TRUE(SentReach(2)) << log_.Text();

  const auto sent = SentVia(L"MailItem.Send");
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].fromFolder, L"Outbox");
  EXPECT_EQ(log_.Count("Warning"), 1u) << log_.Text();
  EXPECT_EQ(log_.Count("Redemption"), 1u) << log_.Text();
  QuitAndExpectAllReleased();  // no unknown member was asked for
}

TEST_F(AddinSession, SendAndExitSendsThenClosesOutlookAndGivesBackEveryReference) {
  WithRedemption();
  Scheduled(store(), VelmoraFolder(), L"Sent while Outlook was closed");
  // Outlook started by the tray launcher for a due mail: the flag, a window at once.
  ::RegSetKeyValueW(HKEY_CURRENT_USER, kSettings, L"SendAndExit", REG_SZ, L"1", 4);
  outlook().OpenExplorer(Inbox());
  Start();
  // The send/receive the pass starts ends the run: the add-in closes the window.
  ASSERT_TRUE(Outlook::PumpUntil([&] { return outlook().Quitting(); }, 9000)) << log_.Text();
  EXPECT_EQ(SentVia(L"Redemption").size(), 1u);
  EXPECT_EQ(outlook().syncStarts, 1);
  // The flag is consumed, so a later start by the user is an ordinary one;
  // every sink is gone before Outlook even disconnects the add-in.
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kSettings, L"SendAndExit"), std::wstring());
  EXPECT_EQ(g_advisedSinks, 0);
  QuitAndExpectAllReleased();
}

// The whole road on Windows: the tray launcher sees a mail due while Outlook
// is closed, starts Outlook (here the stand-in, found where the shell looks
// for outlook.exe) with the flag set, and the add-in inside sends and quits.
TEST_F(AddinSession, OrbitelStartsOutlookWhoseAddinSendsAndExits) {
  const fs::path orbitel = AddinPath().parent_path().parent_path() / "orbitel" / "Orbitel.exe";
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  const fs::path standIn = fs::path(self).parent_path() / "standin_outlook.exe";
  ASSERT_TRUE(fs::exists(orbitel)) << orbitel;
  ASSERT_TRUE(fs::exists(standIn)) << standIn;
  if (HANDLE tray = ::OpenMutexW(SYNCHRONIZE, FALSE, L"Brelcor.VelmoraTray")) {
    ::CloseHandle(tray);
    GTEST_SKIP() << "a tray launcher already runs in this logon";
  }
  const wchar_t* appPath = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\outlook.exe";
  const std::wstring exe = standIn.wstring();
  const DWORD bytes = static_cast<DWORD>((exe.size() + 1) * sizeof(wchar_t));
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})  // Wine's shell looks in HKLM
    ASSERT_EQ(::RegSetKeyValueW(root, appPath, nullptr, REG_SZ, exe.c_str(), bytes), ERROR_SUCCESS);
  const std::wstring due = DateText(LocalNow().AddSeconds(-120));
  ::RegSetKeyValueW(HKEY_CURRENT_USER, kSettings, L"NextOccurence", REG_SZ, due.c_str(),
                    static_cast<DWORD>((due.size() + 1) * sizeof(wchar_t)));
  const fs::path result = fs::temp_directory_path() /
                          ("velmora-standin-" + std::to_string(::GetCurrentProcessId()) + ".txt");
  fs::remove(result);
  ::SetEnvironmentVariableW(L"VELMORA_STANDIN_RESULT", result.wstring().c_str());
  ::SetEnvironmentVariableW(L"VELMORA_STANDIN_SUBJECT", L"Left while Outlook was closed");

  std::string report;
  {
    velmora::test::LaunchedProcess launcher(orbitel);
    ASSERT_TRUE(launcher.Started());
    const bool ended = Outlook::PumpUntil([&] { return fs::exists(result); }, 60000);
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
      ::RegDeleteKeyW(root, appPath);
    ::SetEnvironmentVariableW(L"VELMORA_STANDIN_RESULT", nullptr);
    ::SetEnvironmentVariableW(L"VELMORA_STANDIN_SUBJECT", nullptr);
    ASSERT_TRUE(ended) << "the stand-in Outlook did not finish; add-in log:\n" << log_.Text();
    report = ReadFile(result);
    fs::remove(result);
    // The launcher stays in the tray, and leaves when the session ends.
    EXPECT_TRUE(launcher.Running());
    ASSERT_TRUE(launcher.Close());
    EXPECT_EQ(launcher.Wait(10000), std::optional<DWORD>(0));
  }
  for (const char* line :
       {"loaded Velmora.Connect\n",
        "sent Left while Outlook was closed via Redemption from Outbox\n", "quit by itself\n",
        "sinks advised 0\n", "references kept 0\n", "protocol errors 0\n"})
    EXPECT_NE(report.find(line), std::string::npos) << line << report;
  // Nothing is due any more, and the flag was consumed.
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kSettings, L"NextOccurence"), std::wstring());
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kSettings, L"SendAndExit"), std::wstring());
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
