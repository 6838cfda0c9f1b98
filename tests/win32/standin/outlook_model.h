// A stand-in Outlook for the add-in's tests: the members of Outlook's object
// model the add-in calls (application, namespace, folders, items, user
// properties, attachments, views, windows, command bars, the navigation
// pane, send/receive and add-in entries) over a small in-memory mail store,
// raising Outlook's events from the thread's message loop.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/win32/standin/dispatch_object.h"

namespace standin {

// Outlook's numbers the tests use.
inline constexpr long kFolderSentMail = 5;
inline constexpr long kFolderInbox = 6;
inline constexpr long kFolderDrafts = 16;
inline constexpr long kOlText = 1;
inline constexpr long kOlDateTime = 5;

struct PropData {
  std::wstring name;
  long type = kOlText;
  Variant value;
};

struct AttachData {
  std::wstring source, displayName;
  long long size = 0;
};

struct FolderData;

struct MailData {
  std::wstring entryId, subject, to;
  bool sent = false;
  std::vector<std::shared_ptr<PropData>> props;
  std::vector<AttachData> attachments;
  FolderData* folder = nullptr;
  std::shared_ptr<PropData> Find(const std::wstring& name) const;
  std::shared_ptr<PropData> Add(const std::wstring& name, long type);
};

struct ViewData {
  std::wstring name, xml;
  int applies = 0;
};

struct FolderData {
  std::wstring name;
  long itemType = 0;
  FolderData* parent = nullptr;
  std::vector<std::shared_ptr<FolderData>> folders;
  std::vector<std::shared_ptr<MailData>> items;
  std::vector<std::shared_ptr<ViewData>> views;
  FolderData* Child(const std::wstring& name) const;
};

// A mail as it left.
struct SentMail {
  std::wstring subject, to;
  std::wstring via;         // "Redemption", "MailItem.Send" or "Outlook"
  std::wstring fromFolder;  // where it lay when it was sent
  std::vector<AttachData> attachments;
  std::vector<std::wstring> propNames;  // user properties it still carried
};

// A command bar control as the user sees it.
struct ControlInfo {
  long type = 0, id = 0;
  std::wstring caption, tag;
  long faceId = 0, style = 0;
  bool visible = true, beginGroup = false, temporary = false;
  bool operator==(const ControlInfo&) const = default;
};

// A mail window closed through the object model, with its save mode.
struct InspectorClose {
  std::wstring subject;
  long saveMode = -1;
};

class Store {
 public:
  Store();
  FolderData& root() { return *root_; }
  FolderData* Default(long which);
  FolderData& AddFolder(FolderData& parent, const std::wstring& name, long itemType);
  std::shared_ptr<MailData> AddMail(FolderData& folder, const std::wstring& subject);
  void Move(const std::shared_ptr<MailData>& mail, FolderData* to);
  // Sends the mail: it moves to Sent Items and is recorded.
  void Send(const std::shared_ptr<MailData>& mail, const std::wstring& via);
  std::vector<SentMail> sent;

 private:
  std::shared_ptr<FolderData> root_;
  long nextId_ = 0;
};

// The safe-send library: "Redemption.SafeMailItem" served by this
// process's class factory, so the add-in's CLSIDFromProgID + CoCreateInstance
// reach it. Sending through it records the mail as sent "via Redemption".
class RedemptionRegistration {
 public:
  RedemptionRegistration();  // registers; ok() tells whether it worked
  ~RedemptionRegistration();
  RedemptionRegistration(const RedemptionRegistration&) = delete;
  RedemptionRegistration& operator=(const RedemptionRegistration&) = delete;
  bool ok() const { return cookie_ != 0 && keyWritten_; }

 private:
  DWORD cookie_ = 0;
  bool keyWritten_ = false;
};
// Safe mail items created so far.
inline int g_safeItemsCreated = 0;
// Removes a ProgID key a failed run may have left, so "without Redemption"
// really is without.
void RemoveRedemptionProgId();

// The in-process Outlook: its application object and the windows, events
// and shutdown around it. Lives on one STA thread with a message loop.
class Outlook {
 public:
  explicit Outlook(std::wstring version = L"11.0.0.8312");
  ~Outlook();
  Outlook(const Outlook&) = delete;
  Outlook& operator=(const Outlook&) = delete;

  Store& store() { return *store_; }
  IDispatch* application();
  // The add-in entry OnConnection hands over (a later load gets it again),
  // and the Object the add-in set on it.
  IDispatch* AddInEntry();
  Ref<IDispatch>& AddInObject();

  // Windows. Opening raises NewExplorer / NewInspector from the loop.
  void OpenExplorer(FolderData& folder);
  void OpenInspector(const std::shared_ptr<MailData>& mail);
  // The user closes every window: inspectors, then explorers.
  void CloseWindows();
  // The shortcuts of the first explorer's navigation pane.
  std::vector<std::wstring> ShortcutNames();
  // The user sends a mail with Outlook's own Send: ItemSend, then the mail
  // leaves unless a handler cancels. Returns whether it left.
  bool UserSends(const std::shared_ptr<MailData>& mail);
  // Clicks every command bar button bearing `tag` in every open window
  // (none when `click` is false); returns how many there are, or -1 when
  // a click cancelled the default action.
  int ButtonsTagged(const std::wstring& tag, bool click = false);
  // The controls of the bar `bar` of the open explorer or inspector at
  // `index` (0-based), or of its popup `popupId` there; empty when there is
  // no such window, bar or popup.
  std::vector<ControlInfo> Controls(bool inspector, std::size_t index, const std::wstring& bar,
                                    long popupId = 0);
  // What the add-in did: the ids of the controls it executed, in order;
  // the mail windows it closed; the send/receive runs it started.
  std::vector<long> executed;
  std::vector<InspectorClose> inspectorCloses;
  int syncStarts = 0;

  // Set when the last window closed: Outlook shuts down then.
  bool Quitting() const { return quitting_; }

  // Work for the message loop (events are raised from there, never from
  // inside the call that caused them).
  void Post(std::function<void()> work);
  // Runs the work already posted (the events of windows opened before any
  // add-in was there to hear them).
  void RunPending();
  // Runs the thread's message loop until `done` or `timeoutMs` passes.
  static bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

  struct Impl;

 private:
  std::shared_ptr<Store> store_;
  std::unique_ptr<Impl> impl_;
  bool quitting_ = false;
  friend struct Impl;
};

}  // namespace standin
