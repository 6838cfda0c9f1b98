// Every member of Outlook's, Office's and Redemption's automation objects
// that the add-in calls by name, in one table: object type, member name, and
// how it is called. The call helper caches one dispatch id per row, so two
// types may share a name with different ids.
//
// How calls are made: reads (property gets, and methods that return a value)
// are invoked with DISPATCH_METHOD | DISPATCH_PROPERTYGET, as Visual Basic
// does; methods whose result is not used with DISPATCH_METHOD; puts with
// DISPATCH_PROPERTYPUT and the named argument DISPID_PROPERTYPUT, object
// puts marked "putref" with DISPATCH_PROPERTYPUTREF. Optional arguments
// after the last one given are left out; one left out before a given one is
// VT_ERROR / DISP_E_PARAMNOTFOUND. Types: I4 = VT_I4, BOOL = VT_BOOL, BSTR =
// VT_BSTR, DATE = VT_DATE, obj = VT_DISPATCH; "?" marks an optional argument.
#pragma once

namespace velmora::win32 {

// X(type, member, how)
#define VELMORA_OUTLOOK_MEMBERS(X)                                                         \
  X(Application, Session, "get -> obj NameSpace")                                          \
  X(Application, GetNamespace, "call(BSTR \"MAPI\") -> obj NameSpace")                     \
  X(Application, Version, "get -> BSTR")                                                   \
  X(Application, ActiveExplorer, "call() -> obj Explorer or empty")                        \
  X(Application, ActiveInspector, "call() -> obj Inspector or empty")                      \
  X(Application, Explorers, "get -> obj Explorers")                                        \
  X(Application, Inspectors, "get -> obj Inspectors")                                      \
  X(Application, CreateItem, "call(I4 type) -> obj item")                                  \
  X(Application, COMAddIns, "get -> obj COMAddIns")                                        \
  X(NameSpace, GetDefaultFolder, "call(I4 folder) -> obj MAPIFolder")                      \
  X(NameSpace, SyncObjects, "get -> obj SyncObjects")                                      \
  X(NameSpace, GetItemFromID, "call(BSTR entryId) -> obj item; fails: empty")              \
  X(MAPIFolder, Class, "get -> I4 (2)")                                                    \
  X(MAPIFolder, Name, "get -> BSTR")                                                       \
  X(MAPIFolder, EntryID, "get -> BSTR")                                                    \
  X(MAPIFolder, Parent, "get -> obj MAPIFolder, or NameSpace for the root")                \
  X(MAPIFolder, Folders, "get -> obj Folders")                                             \
  X(MAPIFolder, Items, "get -> obj Items")                                                 \
  X(MAPIFolder, FolderPath, "get -> BSTR")                                                 \
  X(MAPIFolder, Views, "get -> obj Views")                                                 \
  X(MAPIFolder, DefaultItemType, "get -> I4")                                              \
  X(Folders, Count, "get -> I4")                                                           \
  X(Folders, Item, "call(I4 index) -> obj MAPIFolder")                                     \
  X(Folders, Add, "call(BSTR name, I4 type) -> obj MAPIFolder")                            \
  X(Items, Count, "get -> I4")                                                             \
  X(Items, Item, "call(I4 index) -> obj item")                                             \
  X(Items, Add, "call(I4 type) -> obj item")                                               \
  X(MailItem, Class, "get -> I4 (43 for a mail)")                                          \
  X(MailItem, EntryID, "get -> BSTR")                                                      \
  X(MailItem, Subject, "get -> BSTR; put BSTR")                                            \
  X(MailItem, Body, "get -> BSTR; put BSTR")                                               \
  X(MailItem, To, "get -> BSTR; put BSTR")                                                 \
  X(MailItem, CC, "get -> BSTR; put BSTR")                                                 \
  X(MailItem, BCC, "get -> BSTR; put BSTR")                                                \
  X(MailItem, Importance, "get -> I4; put I4")                                             \
  X(MailItem, Sent, "get -> BOOL")                                                         \
  X(MailItem, Parent, "get -> obj MAPIFolder")                                             \
  X(MailItem, Display, "call()")                                                           \
  X(MailItem, Save, "call()")                                                              \
  X(MailItem, Copy, "call() -> obj item")                                                  \
  X(MailItem, Move, "call(obj MAPIFolder) -> obj item")                                    \
  X(MailItem, Delete, "call()")                                                            \
  X(MailItem, Close, "call(I4 saveMode)")                                                  \
  X(MailItem, Send, "call(); only when Redemption cannot be created")                      \
  X(MailItem, Recipients, "get -> obj Recipients; only without Redemption")                \
  X(MailItem, Attachments, "get -> obj Attachments")                                       \
  X(MailItem, UserProperties, "get -> obj UserProperties")                                 \
  X(Recipients, Count, "get -> I4")                                                        \
  X(Recipients, ResolveAll, "call() -> BOOL")                                              \
  X(Attachments, Count, "get -> I4")                                                       \
  X(Attachments, Item, "call(I4 index) -> obj Attachment")                                 \
  X(Attachments, Add,                                                                      \
    "call(BSTR Source, ?Type, ?Position, BSTR DisplayName) -> obj Attachment"              \
    "; Type and Position left out")                                                        \
  X(Attachment, DisplayName, "get -> BSTR")                                                \
  X(Attachment, FileName, "get -> BSTR")                                                   \
  X(Attachment, Size, "get -> I4")                                                         \
  X(UserProperties, Count, "get -> I4")                                                    \
  X(UserProperties, Item, "call(I4 index) -> obj UserProperty")                            \
  X(UserProperties, Find, "call(BSTR name) -> obj UserProperty or empty")                  \
  X(UserProperties, Add, "call(BSTR name, I4 type) -> obj UserProperty")                   \
  X(UserProperty, Name, "get -> BSTR")                                                     \
  X(UserProperty, Type, "get -> I4")                                                       \
  X(UserProperty, Value, "get -> DATE/BSTR/I4/R8/BOOL; put same")                          \
  X(UserProperty, Delete, "call()")                                                        \
  X(Inspectors, Count, "get -> I4")                                                        \
  X(Inspectors, Item, "call(I4 index) -> obj Inspector")                                   \
  X(Inspector, CurrentItem, "get -> obj item")                                             \
  X(Inspector, CommandBars, "get -> obj CommandBars")                                      \
  X(Inspector, Close, "call(I4 saveMode)")                                                 \
  X(Inspector, IsWordMail, "call() -> BOOL")                                               \
  X(Inspector, EditorType, "get -> I4")                                                    \
  X(Inspector, Left, "get -> I4")                                                          \
  X(Inspector, Top, "get -> I4")                                                           \
  X(Inspector, Width, "get -> I4")                                                         \
  X(Inspector, Height, "get -> I4")                                                        \
  X(Explorers, Count, "get -> I4")                                                         \
  X(Explorers, Item, "call(I4 index) -> obj Explorer")                                     \
  X(Explorer, CommandBars, "get -> obj CommandBars")                                       \
  X(Explorer, CurrentFolder, "get -> obj MAPIFolder; putref obj MAPIFolder")               \
  X(Explorer, Selection, "get -> obj Selection")                                           \
  X(Explorer, Panes, "get -> obj Panes")                                                   \
  X(Explorer, Close, "call()")                                                             \
  X(Explorer, Left, "get -> I4")                                                           \
  X(Explorer, Top, "get -> I4")                                                            \
  X(Explorer, Width, "get -> I4")                                                          \
  X(Explorer, Height, "get -> I4")                                                         \
  X(Selection, Count, "get -> I4")                                                         \
  X(Selection, Item, "call(I4 index) -> obj item")                                         \
  X(Panes, Count, "get -> I4")                                                             \
  X(Panes, Item, "call(I4 index) -> obj OutlookBarPane")                                   \
  X(OutlookBarPane, Class, "get -> I4 (63)")                                               \
  X(OutlookBarPane, Name, "get -> BSTR")                                                   \
  X(OutlookBarPane, Contents, "get -> obj OutlookBarStorage")                              \
  X(OutlookBarStorage, Groups, "get -> obj OutlookBarGroups")                              \
  X(OutlookBarGroups, Count, "get -> I4")                                                  \
  X(OutlookBarGroups, Item, "call(I4 index) -> obj OutlookBarGroup")                       \
  X(OutlookBarGroup, Class, "get -> I4 (66)")                                              \
  X(OutlookBarGroup, Name, "get -> BSTR")                                                  \
  X(OutlookBarGroup, Shortcuts, "get -> obj OutlookBarShortcuts")                          \
  X(OutlookBarShortcuts, Count, "get -> I4")                                               \
  X(OutlookBarShortcuts, Item, "call(I4 index) -> obj OutlookBarShortcut")                 \
  X(OutlookBarShortcuts, Remove, "call(I4 index)")                                         \
  X(OutlookBarShortcuts, Add, "call(obj MAPIFolder Target, BSTR Name) -> obj")             \
  X(OutlookBarShortcut, Class, "get -> I4 (68)")                                           \
  X(OutlookBarShortcut, Name, "get -> BSTR")                                               \
  X(Views, Count, "get -> I4")                                                             \
  X(Views, Item, "call(BSTR name) -> obj View; fails: empty")                              \
  X(Views, Add, "call(BSTR name, I4 viewType, I4 saveOption) -> obj View")                 \
  X(View, Name, "get -> BSTR")                                                             \
  X(View, XML, "get -> BSTR; put BSTR")                                                    \
  X(View, Save, "call()")                                                                  \
  X(View, Apply, "call()")                                                                 \
  X(SyncObjects, Count, "get -> I4")                                                       \
  X(SyncObjects, Item, "call(I4 index) -> obj SyncObject")                                 \
  X(SyncObject, Name, "get -> BSTR")                                                       \
  X(SyncObject, Start, "call()")                                                           \
  X(SyncObject, Stop, "call()")                                                            \
  X(CommandBars, Count, "get -> I4")                                                       \
  X(CommandBars, Item, "call(BSTR name) -> obj CommandBar; fails: empty")                  \
  X(CommandBars, Add, "call(BSTR Name, I4 Position, BOOL MenuBar, BOOL Temporary) -> obj") \
  X(CommandBars, FindControl,                                                              \
    "call(?I4 Type, ?I4 Id, ?BSTR Tag, ?BOOL Visible, ?BOOL Recursive)"                    \
    " -> obj CommandBarControl or empty")                                                  \
  X(CommandBar, Name, "get -> BSTR")                                                       \
  X(CommandBar, Visible, "get -> BOOL; put BOOL")                                          \
  X(CommandBar, Controls, "get -> obj CommandBarControls")                                 \
  X(CommandBar, FindControl, "as CommandBars.FindControl")                                 \
  X(CommandBarControls, Count, "get -> I4")                                                \
  X(CommandBarControls, Item, "call(I4 index) -> obj CommandBarControl")                   \
  X(CommandBarControls, Add,                                                               \
    "call(?I4 Type, ?I4 Id, ?BSTR Parameter, ?I4 Before, ?BOOL Temporary)"                 \
    " -> obj CommandBarControl")                                                           \
  X(CommandBarControl, Id, "get -> I4")                                                    \
  X(CommandBarControl, Type, "get -> I4")                                                  \
  X(CommandBarControl, Index, "get -> I4")                                                 \
  X(CommandBarControl, Visible, "get -> BOOL; put BOOL")                                   \
  X(CommandBarControl, BeginGroup, "get -> BOOL; put BOOL")                                \
  X(CommandBarControl, Caption, "get -> BSTR; put BSTR")                                   \
  X(CommandBarControl, Tag, "get -> BSTR; put BSTR")                                       \
  X(CommandBarControl, FaceId, "get -> I4; put I4")                                        \
  X(CommandBarControl, Style, "get -> I4; put I4")                                         \
  X(CommandBarControl, Execute, "call()")                                                  \
  X(CommandBarControl, CommandBar, "get -> obj CommandBar (popups)")                       \
  X(CommandBarControl, Controls, "get -> obj CommandBarControls (popups)")                 \
  X(CommandBarControl, Delete, "call()")                                                   \
  X(COMAddIns, Count, "get -> I4")                                                         \
  X(COMAddIns, Item, "call(I4 index) -> obj COMAddIn")                                     \
  X(COMAddIn, ProgId, "get -> BSTR")                                                       \
  X(COMAddIn, Description, "get -> BSTR")                                                  \
  X(COMAddIn, Connect, "get -> BOOL")                                                      \
  X(COMAddIn, Object, "put obj (the add-in's IDispatch, or empty)")                        \
  X(SafeMailItem, Item, "put obj MailItem")                                                \
  X(SafeMailItem, Send, "call()")                                                          \
  X(SafeMailItem, Recipients, "get -> obj SafeRecipients")                                 \
  X(SafeRecipients, Count, "get -> I4")                                                    \
  X(SafeRecipients, ResolveAll, "call() -> BOOL")

enum class Member : int {
#define VELMORA_MEMBER_ENUM(type, member, how) type##_##member,
  VELMORA_OUTLOOK_MEMBERS(VELMORA_MEMBER_ENUM)
#undef VELMORA_MEMBER_ENUM
      kCount
};

struct MemberInfo {
  const char* type;
  const wchar_t* name;
  const char* how;
};

inline constexpr MemberInfo kMembers[] = {
#define VELMORA_MEMBER_ROW(type, member, how) {#type, L## #member, how},
    VELMORA_OUTLOOK_MEMBERS(VELMORA_MEMBER_ROW)
#undef VELMORA_MEMBER_ROW
};

static_assert(sizeof kMembers / sizeof kMembers[0] == static_cast<int>(Member::kCount));

inline const MemberInfo& Info(Member m) noexcept {
  return kMembers[static_cast<int>(m)];
}

}  // namespace velmora::win32
