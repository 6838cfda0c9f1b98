#include "tests/win32/standin/outlook_model.h"

#include <algorithm>
#include <deque>
#include <sstream>

#include "addin/store/new_table_view.h"
#include "platform/win32/adapters/unicode.h"

namespace standin {

namespace {

// Outlook's and Office's event interfaces, {000xxxxx-0000-0000-C000-000000000046}:
// the oldest of each kind, as Outlook 2000 has them.
constexpr IID OfficeIid(unsigned long n) {
  return {n, 0, 0, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
}
constexpr IID kApplicationEvents = OfficeIid(0x0006304E);
constexpr IID kInspectorsEvents = OfficeIid(0x00063079);
constexpr IID kExplorersEvents = OfficeIid(0x00063078);
constexpr IID kExplorerEvents = OfficeIid(0x0006304F);
constexpr IID kSyncObjectEvents = OfficeIid(0x00063085);
constexpr IID kCommandBarButtonEvents = OfficeIid(0x000C0351);

constexpr DISPID kItemSend = 0xF002;
constexpr DISPID kNewWindow = 0xF001;  // NewExplorer, NewInspector
constexpr DISPID kClose = 0xF008;
constexpr DISPID kSyncStart = 0xF001;
constexpr DISPID kProgress = 0xF002;
constexpr DISPID kSyncEnd = 0xF004;
constexpr DISPID kClick = 1;
constexpr long kPopup = 10;  // msoControlPopup; buttons are 1
// MAPI_E_NOT_FOUND, what Outlook raises for an entry or name it lacks.
constexpr HRESULT kNotFound = static_cast<HRESULT>(0x8004010F);

// Handlers and getters written against the object's own class.
template <class T, class F>
Handler On(F f) {
  return [f](Object& o, Call& c) { f(static_cast<T&>(o), c); };
}
template <class T, class F>
Handler Val(F f) {
  return On<T>([f](T& s, Call& c) { c.Return(f(s)); });
}
Handler Const(Variant v) {
  return [v](Object&, Call& c) { c.Return(v); };
}
// A read/write property over a field `at` finds.
template <class T, class A>
void Field(Table& t, const wchar_t* name, A at) {
  using V = std::remove_reference_t<decltype(at(std::declval<T&>()))>;
  constexpr bool text = std::is_same_v<V, std::wstring>, flag = std::is_same_v<V, bool>;
  const ArgTypes& types = text ? kStrArg : flag ? kBoolArg : kLongArg;
  t.Prop(name, types, Val<T>([at](T& s) { return at(s); }), On<T>([at](T& s, Call& c) {
           if constexpr (text)
             at(s) = c.Str(0);
           else if constexpr (flag)
             at(s) = c.Bool(0);
           else
             at(s) = c.Long(0);
         }));
}

// 1-based index into a collection of `n`; raises as Outlook does otherwise.
std::size_t Index(long i, std::size_t n) {
  if (i < 1 || static_cast<std::size_t>(i) > n)
    Fail(DISP_E_BADINDEX, L"Array index out of bounds.");
  return static_cast<std::size_t>(i - 1);
}
// Count and Item(index) over the list `list` gives; `wrap` makes the
// object of one element.
template <class T, class L, class W>
void List(Table& t, L list, W wrap) {
  t.Get(L"Count", Val<T>([list](T& s) { return static_cast<long>(list(s).size()); }));
  t.Method(L"Item", {kLongArg}, 1, On<T>([list, wrap](T& s, Call& c) {
             auto& v = list(s);
             c.Return(wrap(s, v[Index(c.Long(0), v.size())]));
           }));
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

// ---------------------------------------------------------------- the store

std::shared_ptr<PropData> MailData::Find(const std::wstring& name) const {
  for (const auto& p : props)
    if (SameName(p->name, name)) return p;
  return nullptr;
}

std::shared_ptr<PropData> MailData::Add(const std::wstring& name, long type) {
  // A date's empty value is Outlook's "None": 1/1/4501.
  props.push_back(
      std::make_shared<PropData>(PropData{name, type,
                                          type == kOlDateTime ? Variant::Of(VT_DATE, 949998.0)
                                          : type == kOlText   ? Variant(L"")
                                          : type == 6         ? Variant(false)
                                                              : Variant::Of(VT_R8, 0)}));
  return props.back();
}

FolderData* FolderData::Child(const std::wstring& n) const {
  for (const auto& f : folders)
    if (SameName(f->name, n)) return f.get();
  return nullptr;
}

// The default folders with their numbers.
constexpr std::pair<long, const wchar_t*> kDefaults[] = {
    {3, L"Deleted Items"}, {4, L"Outbox"}, {5, L"Sent Items"}, {6, L"Inbox"}, {16, L"Drafts"}};

Store::Store() : root_(std::make_shared<FolderData>()) {
  root_->name = L"Personal Folders";
  for (auto [n, name] : kDefaults)
    AddFolder(*root_, name, 0);
}

FolderData* Store::Default(long which) {
  for (auto [n, name] : kDefaults)
    if (n == which) return root_->Child(name);
  return nullptr;
}

FolderData& Store::AddFolder(FolderData& parent, const std::wstring& name, long itemType) {
  auto f = std::make_shared<FolderData>(FolderData{name, itemType, &parent, {}, {}, {}});
  parent.folders.push_back(f);
  return *f;
}

std::shared_ptr<MailData> Store::AddMail(FolderData& folder, const std::wstring& subject) {
  auto m = std::make_shared<MailData>();
  m->entryId = L"00000000A1B2C3D4" + std::to_wstring(++nextId_);
  m->subject = subject;
  Move(m, &folder);
  return m;
}

void Store::Move(const std::shared_ptr<MailData>& mail, FolderData* to) {
  if (mail->folder) std::erase(mail->folder->items, mail);
  (mail->folder = to)->items.push_back(mail);
}

void Store::Send(const std::shared_ptr<MailData>& mail, const std::wstring& via) {
  if (mail->sent) Fail(E_FAIL, L"The item has already been sent.");
  SentMail s{mail->subject,     mail->to, via, mail->folder ? mail->folder->name : L"",
             mail->attachments, {}};
  for (const auto& p : mail->props)
    s.propNames.push_back(p->name);
  sent.push_back(std::move(s));
  mail->sent = true;
  Move(mail, Default(kFolderSentMail));
}

// ---------------------------------------------------------------- objects

using Impl = Outlook::Impl;

// An object over a piece of the store (a folder, a mail, a view...), made
// anew each time a client asks for it, as Outlook does.
template <class D>
class Node : public Object {
 public:
  Node(const Table& t, Impl& xIn, D dIn, const IID* source = nullptr)
      : Object(t, source), x(xIn), d(std::move(dIn)) {}
  Impl& x;
  D d;
};
template <class D>
Ref<Object> New(const Table& t, Impl& x, D d) {
  return Ref<Object>(Make<Node<D>>(t, x, std::move(d)).get());
}

// An object the stand-in keeps itself (windows, bars, controls...): its
// reference is not counted against the clients.
template <class T>
class Own {
 public:
  Own() = default;
  explicit Own(Ref<T> r) : r_(std::move(r)) {
    if (r_) r_->Adopt();
  }
  Own(Own&& o) noexcept : r_(std::move(o.r_)) {}
  Own& operator=(Own&& o) noexcept {
    std::swap(r_, o.r_);
    return *this;
  }
  ~Own() {
    if (r_) r_->Disown();
  }
  T* get() const { return r_.get(); }
  T* operator->() const { return r_.get(); }

 private:
  Ref<T> r_;
};

// Every object type's members, filled once on first use (by the functions
// of each part below).
struct Tables {
  Tables();
  Table folder{L"MAPIFolder"}, folder2000{L"MAPIFolder"}, folders{L"Folders"}, items{L"Items"};
  Table view{L"View"}, views{L"Views"}, mail{L"MailItem"}, attachment{L"Attachment"};
  Table attachments{L"Attachments"}, prop{L"UserProperty"}, props{L"UserProperties"};
  Table button{L"CommandBarButton"}, popup{L"CommandBarPopup"}, bar{L"CommandBar"};
  Table controls{L"CommandBarControls"}, bars{L"CommandBars"}, addin{L"COMAddIn"};
  // The navigation pane, each leading to the next.
  Table panes{L"Panes"}, pane{L"OutlookBarPane"}, storage{L"OutlookBarStorage"};
  Table groups{L"OutlookBarGroups"}, group{L"OutlookBarGroup"}, shortcut{L"OutlookBarShortcut"};
  Table shortcuts{L"OutlookBarShortcuts"}, explorers{L"Explorers"}, inspectors{L"Inspectors"};
  Table explorer{L"Explorer"}, inspector{L"Inspector"}, sync{L"SyncObject"}, ns{L"NameSpace"};
  Table syncs{L"SyncObjects"}, app{L"Application"}, safeItem{L"SafeMailItem"};
  Table safeRecipients{L"SafeRecipients"};
};
const Tables& T() {
  static const Tables tables;
  return tables;
}

class WindowObj;
class WindowsObj;

struct Outlook::Impl {
  Outlook& owner;
  std::shared_ptr<Store> store;
  std::wstring version;
  HWND window = nullptr;
  std::deque<std::function<void()>> work;
  Own<Object> app, ns, sync, addin;
  Own<WindowsObj> explorers, inspectors;
  Ref<IDispatch> addinObject;  // what the add-in set as its entry's Object
  // A window joins its list; NewExplorer or NewInspector follows from the loop.
  void Open(Ref<WindowObj> w);
  // The window leaves its list; an explorer's Close event follows from the
  // loop; Outlook quits when no window is left.
  void Close(WindowObj& w);
};

using FolderN = Node<FolderData*>;
using MailN = Node<std::shared_ptr<MailData>>;
using ViewN = Node<std::shared_ptr<ViewData>>;
using PropN = Node<std::pair<std::shared_ptr<MailData>, std::shared_ptr<PropData>>>;
using AttachN = Node<AttachData>;
using AppN = Node<int>;  // the application, namespace and send/receive: all in Impl

Ref<Object> MakeFolder(Impl& x, FolderData* f) {
  if (!f) return {};
  return New(x.version.rfind(L"9.", 0) == 0 ? T().folder2000 : T().folder, x, f);
}

Ref<Object> MakeMail(Impl& x, const std::shared_ptr<MailData>& m) {
  return m ? New(T().mail, x, m) : Ref<Object>();
}

FolderData* FolderOf(IDispatch* d) {
  auto* f = dynamic_cast<FolderN*>(Object::From(d));
  if (!f) Fail(DISP_E_TYPEMISMATCH, L"not a folder");
  return f->d;
}

bool FireItemSend(Impl& x, const std::shared_ptr<MailData>& m) {
  VARIANT_BOOL cancel = VARIANT_FALSE;
  x.app->Fire(kItemSend, {Variant::BoolRef(&cancel), MakeMail(x, m)});
  return cancel == VARIANT_FALSE;
}

// The recipients: To, a list separated by ";"; how many, and whether each
// resolves (is an address).
std::pair<long, bool> Recipients(const MailData& m) {
  std::pair<long, bool> out{0, true};
  std::wistringstream in(m.to);
  for (std::wstring name; std::getline(in, name, L';');)
    if (name.find_first_not_of(L' ') != std::wstring::npos)
      out = {out.first + 1, out.second && name.find(L'@') != std::wstring::npos};
  return out;
}

Ref<Object> MakeProp(MailN& s, const std::shared_ptr<PropData>& p) {
  return p ? New(T().prop, s.x, std::pair{s.d, p}) : Ref<Object>();
}

// --------------------------------------------------------- folders, mails

// Views came with Outlook 2002.
void FolderMembers(Table& t, bool modern) {
  t.Get(L"Class", Const(2L));
  t.Get(L"Name", Val<FolderN>([](FolderN& s) { return s.d->name; }));
  t.Get(L"DefaultItemType", Val<FolderN>([](FolderN& s) { return s.d->itemType; }));
  // The root's parent is the namespace, as in Outlook.
  t.Get(L"Parent", Val<FolderN>([](FolderN& s) {
          return s.d->parent ? MakeFolder(s.x, s.d->parent) : Ref<Object>(s.x.ns.get());
        }));
  t.Get(L"Folders", Val<FolderN>([](FolderN& s) { return New(T().folders, s.x, s.d); }));
  t.Get(L"Items", Val<FolderN>([](FolderN& s) { return New(T().items, s.x, s.d); }));
  if (modern) t.Get(L"Views", Val<FolderN>([](FolderN& s) { return New(T().views, s.x, s.d); }));
}

void FolderTables(Tables& k) {
  FolderMembers(k.folder, true);
  FolderMembers(k.folder2000, false);
  List<FolderN>(
      k.folders, [](FolderN & s) -> auto& { return s.d->folders; },
      [](FolderN& s, auto& f) { return MakeFolder(s.x, f.get()); });
  k.folders.Method(L"Add", {kStrArg, kLongArg}, 1, On<FolderN>([](FolderN& s, Call& c) {
                     if (s.d->Child(c.Str(0)))
                       Fail(E_FAIL, L"Cannot create the folder: it exists.");
                     const long type = c.Has(1) ? c.Long(1) : s.d->itemType;
                     // A folder of the Drafts or Inbox kind holds mail.
                     const long itemType = type == kFolderDrafts || type == kFolderInbox ? 0 : type;
                     c.Return(MakeFolder(s.x, &s.x.store->AddFolder(*s.d, c.Str(0), itemType)));
                   }));
  List<FolderN>(
      k.items, [](FolderN & s) -> auto& { return s.d->items; },
      [](FolderN& s, auto& m) { return MakeMail(s.x, m); });
  Field<ViewN>(k.view, L"XML", [](ViewN& s) -> std::wstring& { return s.d->xml; });
  k.view.Method(L"Save", {}, 0, Const({}));
  k.view.Method(L"Apply", {}, 0, On<ViewN>([](ViewN& s, Call&) { ++s.d->applies; }));
  k.views.Method(L"Item", {kStrArg}, 1, On<FolderN>([](FolderN& s, Call& c) {
                   for (auto& v : s.d->views)
                     if (SameName(v->name, c.Str(0))) return c.Return(New(T().view, s.x, v));
                   Fail(kNotFound, L"The operation failed. An object could not be found.");
                 }));
  k.views.Method(L"Add", {kStrArg, kLongArg, kLongArg}, 2, On<FolderN>([](FolderN& s, Call& c) {
                   for (auto& v : s.d->views)
                     if (SameName(v->name, c.Str(0))) Fail(E_FAIL, L"A view of that name exists.");
                   if (c.Long(1) != 0) Fail(E_INVALIDARG, L"Only table views here.");
                   auto v = std::make_shared<ViewData>(ViewData{c.Str(0), {}, 0});
                   v->xml = velmora::win32::Widen(velmora::kNewTableViewXml);
                   v->xml.insert(v->xml.find(L"<viewname>") + 10, v->name);
                   s.d->views.push_back(v);
                   c.Return(New(T().view, s.x, v));
                 }));
}

void MailTables(Tables& k) {
  Table& t = k.mail;
  t.Get(L"Class", Const(43L));
  t.Get(L"EntryID", Val<MailN>([](MailN& s) { return s.d->entryId; }));
  Field<MailN>(t, L"Subject", [](MailN& s) -> std::wstring& { return s.d->subject; });
  t.Get(L"Sent", Val<MailN>([](MailN& s) { return s.d->sent; }));
  t.Get(L"Parent", Val<MailN>([](MailN& s) { return MakeFolder(s.x, s.d->folder); }));
  t.Method(L"Save", {}, 0, Const({}));
  t.Method(L"Copy", {}, 0, On<MailN>([](MailN& s, Call& c) {
             auto copy = s.x.store->AddMail(*s.d->folder, L"");
             const std::wstring id = copy->entryId;
             *copy = *s.d;
             copy->entryId = id;
             for (auto& p : copy->props)
               p = std::make_shared<PropData>(*p);
             c.Return(MakeMail(s.x, copy));
           }));
  t.Method(L"Move", {kDispArg}, 1, On<MailN>([](MailN& s, Call& c) {
             s.x.store->Move(s.d, FolderOf(c.Disp(0)));
             c.Return(MakeMail(s.x, s.d));
           }));
  t.Method(L"Send", {}, 0, On<MailN>([](MailN& s, Call&) {
             if (FireItemSend(s.x, s.d)) s.x.store->Send(s.d, L"MailItem.Send");
           }));
  t.Get(L"Attachments", Val<MailN>([](MailN& s) { return New(T().attachments, s.x, s.d); }));
  t.Get(L"UserProperties", Val<MailN>([](MailN& s) { return New(T().props, s.x, s.d); }));

  // Add(Source, [Type], [Position], [DisplayName]): the file is read now.
  k.attachments.Method(
      L"Add", {kStrArg, kLongArg, kLongArg, kStrArg}, 1, On<MailN>([](MailN& s, Call& c) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        const std::wstring source = c.Str(0);
        if (!::GetFileAttributesExW(source.c_str(), GetFileExInfoStandard, &data) ||
            (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
          Fail(E_FAIL, L"Cannot find this file. Verify the path and file name are correct.");
        AttachData a{source, c.Has(3) ? c.Str(3) : source,
                     (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow};
        s.d->attachments.push_back(a);
        c.Return(New(T().attachment, s.x, a));
      }));

  k.prop.Get(L"Type", Val<PropN>([](PropN& s) { return s.d.second->type; }));
  // A value put is taken as the property's own type, as Outlook does.
  k.prop.Prop(L"Value", kAnyArg, On<PropN>([](PropN& s, Call& c) { c.Return(s.d.second->value); }),
              On<PropN>([](PropN& s, Call& c) {
                const long type = s.d.second->type;
                const VARTYPE vt = type == kOlDateTime ? VT_DATE
                                   : type == 3         ? VT_R8
                                   : type == 6         ? VT_BOOL
                                                       : VT_BSTR;
                Variant v;
                if (FAILED(::VariantChangeType(v.put(), const_cast<VARIANT*>(c.args[0]), 0, vt)))
                  Fail(DISP_E_TYPEMISMATCH, L"the value is not of the property's type");
                s.d.second->value = v;
              }));
  k.prop.Method(L"Delete", {}, 0,
                On<PropN>([](PropN& s, Call&) { std::erase(s.d.first->props, s.d.second); }));
  k.props.Method(L"Find", {kStrArg, kAnyArg}, 1,
                 On<MailN>([](MailN& s, Call& c) { c.Return(MakeProp(s, s.d->Find(c.Str(0)))); }));
  k.props.Method(L"Add", {kStrArg, kLongArg, kBoolArg, kAnyArg}, 2,
                 On<MailN>([](MailN& s, Call& c) {
                   if (s.d->Find(c.Str(0))) Fail(E_FAIL, L"The property already exists.");
                   const long type = c.Long(1);
                   if (type != kOlText && type != 3 && type != kOlDateTime && type != 6)
                     Fail(E_INVALIDARG, L"Unknown property type.");
                   c.Return(MakeProp(s, s.d->Add(c.Str(0), type)));
                 }));
}

// ------------------------------------------------------------ command bars

class BarObj;

// A control: what the user sees of it, and where it sits.
class ControlObj : public Object, public ControlInfo {
 public:
  ControlObj(Impl& xIn, long typeIn, long idIn, BarObj* parentIn);
  using ControlInfo::type;
  Impl& x;
  BarObj* parent;   // not owned; the parent owns this control
  Own<BarObj> bar;  // a popup's own bar
};

// A command bar with its controls; its Controls collection is made anew
// each time over it.
class BarObj : public Object {
 public:
  BarObj(Impl& xIn, std::wstring nameIn) : Object(T().bar), x(xIn), name(std::move(nameIn)) {}
  Impl& x;
  std::wstring name;
  std::vector<Own<ControlObj>> items;
  ControlObj& Add(long type, long id, long before = 0) {
    const bool at = before >= 1 && static_cast<std::size_t>(before) <= items.size();
    auto it = items.emplace(at ? items.begin() + (before - 1) : items.end(),
                            Make<ControlObj>(x, type, id, this));
    return *it->get();
  }
  // Calls `f` on every control here and, when `deep`, in the popups below, in order.
  void Walk(const std::function<void(ControlObj&)>& f, bool deep = true) {
    for (std::size_t i = 0; i < items.size(); ++i) {
      Ref<ControlObj> k(items[i].get());
      f(*k.get());
      if (deep && k->bar.get()) k->bar->Walk(f);
    }
  }
};
using ControlsN = Node<Ref<BarObj>>;

ControlObj::ControlObj(Impl& xIn, long typeIn, long idIn, BarObj* parentIn)
    : Object(typeIn == kPopup ? T().popup : T().button,
             typeIn == kPopup ? nullptr : &kCommandBarButtonEvents),
      ControlInfo{typeIn, idIn},
      x(xIn),
      parent(parentIn) {
  if (type == kPopup) bar = Own<BarObj>(Make<BarObj>(x, L""));
}

class BarsObj : public Object {
 public:
  BarsObj(Impl& xIn, bool inspector);
  Impl& x;
  std::vector<Own<BarObj>> bars;
  BarObj& AddBar(const std::wstring& name) {
    bars.emplace_back(Make<BarObj>(x, name));
    return *bars.back().get();
  }
};

// An explorer's bars, or a mail window's: its Tools menu has the spelling
// check, and its "Standard" bar starts with Send, then the accounts popup
// (hidden while there is one account) and the next group's first button.
BarsObj::BarsObj(Impl& xIn, bool inspector) : Object(T().bars), x(xIn) {
  BarObj& menu = AddBar(L"Menu Bar");
  for (const auto& [caption, id] :
       {std::pair{L"&File", 30002L}, std::pair{L"&Tools", 30007L}, std::pair{L"&Help", 30010L}}) {
    ControlObj& popup = menu.Add(kPopup, id);
    popup.caption = caption;
    if (id == 30007)
      popup.bar->Add(1, inspector ? 2 : 5577).caption =
          inspector ? L"&Spelling..." : L"Send/Re&ceive All";
    if (id == 30010) popup.bar->Add(1, 984).caption = L"Microsoft Office Outlook &Help";
  }
  BarObj& standard = AddBar(L"Standard");
  if (!inspector) return;
  ControlObj& send = standard.Add(1, 2617);
  send.caption = L"&Send";
  send.style = 3;
  ControlObj& accounts = standard.Add(kPopup, 31224);
  accounts.caption = L"Accoun&ts";
  accounts.visible = false;
  standard.Add(1, 1079).caption = L"&Insert File...";
}

// FindControl([Type], [Id], [Tag], [Visible], [Recursive]) over `bars`.
void FindControl(const std::vector<BarObj*>& bars, Call& c, bool recursive) {
  ControlObj* found = nullptr;
  for (BarObj* b : bars)
    b->Walk(
        [&](ControlObj& k) {
          if (!found && (!c.Has(0) || k.type == c.Long(0)) && (!c.Has(1) || k.id == c.Long(1)) &&
              (!c.Has(2) || k.tag == c.Str(2)) && (!c.Bool(3) || k.visible))
            found = &k;
        },
        recursive);
  c.Return(found);
}

void ControlTables(Tables& k) {
  using K = ControlObj;
  for (Table* t : {&k.button, &k.popup})
    Field<K>(*t, L"Visible", [](K& s) -> bool& { return s.visible; });
  k.popup.Get(L"CommandBar", Val<K>([](K& s) { return s.bar.get(); }));
  k.popup.Get(L"Controls",
              Val<K>([](K& s) { return New(T().controls, s.x, Ref<BarObj>(s.bar.get())); }));
  Table& t = k.button;
  t.Get(L"Index", Val<K>([](K& s) {
          auto& v = s.parent->items;
          auto it = std::find_if(v.begin(), v.end(), [&](auto& o) { return o.get() == &s; });
          return static_cast<long>(it - v.begin()) + 1;
        }));
  Field<K>(t, L"BeginGroup", [](K& s) -> bool& { return s.beginGroup; });
  Field<K>(t, L"Caption", [](K& s) -> std::wstring& { return s.caption; });
  Field<K>(t, L"Tag", [](K& s) -> std::wstring& { return s.tag; });
  t.Method(L"Execute", {}, 0, On<K>([](K& s, Call&) {
             s.x.owner.executed.push_back(s.id);
             // Click(Ctrl, CancelDefault): the byref flag is read back after each sink.
             VARIANT_BOOL cancel = VARIANT_FALSE;
             s.Fire(kClick, {Variant::BoolRef(&cancel), &s});
           }));
  Field<K>(t, L"FaceId", [](K& s) -> long& { return s.faceId; });
  Field<K>(t, L"Style", [](K& s) -> long& { return s.style; });
}

void BarTables(Tables& k) {
  // FindControl's argument kinds, copied here: they live in another file.
  const std::vector<ArgTypes> find = {kLongArg, kLongArg, kStrArg, kBoolArg, kBoolArg};
  ControlTables(k);
  List<ControlsN>(
      k.controls, [](ControlsN & s) -> auto& { return s.d->items; },
      [](ControlsN&, auto& c) { return c.get(); });
  k.controls.Method(L"Add", {kLongArg, kLongArg, kAnyArg, kLongArg, kBoolArg}, 0,
                    On<ControlsN>([](ControlsN& s, Call& c) {
                      const long type = c.Has(0) ? c.Long(0) : 1;
                      if (type != 1 && type != kPopup) Fail(E_INVALIDARG, L"Unknown control type.");
                      ControlObj& added = s.d->Add(type, c.Has(1) ? c.Long(1) : 1, c.Long(3));
                      added.temporary = c.Bool(4);
                      c.Return(&added);
                    }));
  using B = BarObj;
  k.bar.Get(L"Controls", Val<B>([](B& s) { return New(T().controls, s.x, Ref<BarObj>(&s)); }));
  k.bar.Method(L"FindControl", find, 0,
               On<B>([](B& s, Call& c) { FindControl({&s}, c, c.Bool(4)); }));
  k.bars.Method(L"Item", {kStrArg}, 1, On<BarsObj>([](BarsObj& s, Call& c) {
                  for (auto& b : s.bars)
                    if (SameName(b->name, c.Str(0))) return c.Return(b.get());
                  Fail(E_INVALIDARG, L"Invalid procedure call or argument");
                }));
  k.bars.Method(L"FindControl", find, 0, On<BarsObj>([](BarsObj& s, Call& c) {
                  std::vector<BarObj*> all;
                  for (auto& b : s.bars)
                    all.push_back(b.get());
                  FindControl(all, c, true);
                }));
}

// ---------------------------------------------------------------- windows

// The explorer's navigation pane: one pane with one group of shortcuts' names.
using Group = std::shared_ptr<std::vector<std::wstring>>;
using PaneN = Node<Group>;

// An explorer over a folder, or an inspector over a mail.
class WindowObj : public Object {
 public:
  WindowObj(Impl& xIn, FolderData* folderIn, std::shared_ptr<MailData> mailIn)
      : Object(mailIn ? T().inspector : T().explorer, mailIn ? nullptr : &kExplorerEvents),
        x(xIn),
        folder(folderIn),
        mail(std::move(mailIn)),
        bars(Make<BarsObj>(xIn, mail != nullptr)) {}
  Impl& x;
  FolderData* folder;
  std::shared_ptr<MailData> mail;
  Own<BarsObj> bars;
  Group shortcuts = std::make_shared<std::vector<std::wstring>>();
};
using W = WindowObj;

// Explorers or Inspectors: the open windows.
class WindowsObj : public Object {
 public:
  explicit WindowsObj(bool explorers)
      : Object(explorers ? T().explorers : T().inspectors,
               explorers ? &kExplorersEvents : &kInspectorsEvents) {}
  std::vector<Own<WindowObj>> open;
};

void Impl::Open(Ref<WindowObj> w) {
  auto& list = w->mail ? inspectors : explorers;
  Ref<Object> from(list.get()), opened(w);
  list->open.emplace_back(std::move(w));
  owner.Post([from, opened] { from->Fire(kNewWindow, {opened}); });
}

void Impl::Close(WindowObj& w) {
  Ref<Object> keep(&w);
  if (!std::erase_if((w.mail ? inspectors : explorers)->open,
                     [&](const Own<WindowObj>& o) { return o.get() == &w; }))
    return;
  owner.Post([this, keep, explorer = !w.mail] {
    if (explorer) keep->Fire(kClose);
    if (explorers->open.empty() && inspectors->open.empty()) owner.quitting_ = true;
  });
}

void WindowTables(Tables& k) {
  auto next = [](const Table& t) {
    return Val<PaneN>([&t](PaneN& s) { return New(t, s.x, s.d); });
  };
  for (auto [list, one] : {std::pair{&k.panes, &k.pane}, std::pair{&k.groups, &k.group}}) {
    list->Method(L"Item", {kLongArg}, 1, On<PaneN>([one = one](PaneN& s, Call& c) {
                   Index(c.Long(0), 1);
                   c.Return(New(*one, s.x, s.d));
                 }));
  }
  k.pane.Get(L"Class", Const(63L));
  k.pane.Get(L"Contents", next(k.storage));
  k.storage.Get(L"Groups", next(k.groups));
  k.group.Get(L"Class", Const(66L));
  k.group.Get(L"Shortcuts", next(k.shortcuts));
  k.shortcut.Get(L"Class", Const(68L));
  k.shortcut.Get(L"Name", Val<Node<std::wstring>>([](auto& s) { return s.d; }));
  auto wrap = [](PaneN& s, const std::wstring& name) { return New(T().shortcut, s.x, name); };
  List<PaneN>(
      k.shortcuts, [](PaneN & s) -> auto& { return *s.d; }, wrap);
  k.shortcuts.Method(L"Remove", {kLongArg}, 1, On<PaneN>([](PaneN& s, Call& c) {
                       s.d->erase(s.d->begin() + static_cast<long>(Index(c.Long(0), s.d->size())));
                     }));
  k.shortcuts.Method(L"Add", {kDispArg, kStrArg, kLongArg}, 2, On<PaneN>([wrap](PaneN& s, Call& c) {
                       FolderOf(c.Disp(0));
                       s.d->push_back(c.Str(1));
                       c.Return(wrap(s, s.d->back()));
                     }));

  for (Table* t : {&k.explorers, &k.inspectors})
    List<WindowsObj>(
        *t, [](WindowsObj & s) -> auto& { return s.open; },
        [](WindowsObj&, auto& w) { return w.get(); });
  for (Table* t : {&k.explorer, &k.inspector})
    t->Get(L"CommandBars", Val<W>([](W& s) { return s.bars.get(); }));
  for (auto [name, v] : {std::pair{L"Left", 20L}, std::pair{L"Top", 20L}, std::pair{L"Width", 640L},
                         std::pair{L"Height", 480L}})
    k.inspector.Get(name, Const(v));
  k.explorer.Get(L"Panes", Val<W>([](W& s) { return New(T().panes, s.x, s.shortcuts); }));
  k.explorer.Method(L"Close", {}, 0, On<W>([](W& s, Call&) { s.x.Close(s); }));

  k.inspector.Get(L"CurrentItem", Val<W>([](W& s) { return MakeMail(s.x, s.mail); }));
  // Close(SaveMode): olSave 0, olDiscard 1, olPromptForSave 2.
  k.inspector.Method(L"Close", {kLongArg}, 1, On<W>([](W& s, Call& c) {
                       if (c.Long(0) < 0 || c.Long(0) > 2) Fail(E_INVALIDARG, L"No such mode.");
                       s.x.owner.inspectorCloses.push_back({s.mail->subject, c.Long(0)});
                       s.x.Close(s);
                     }));
  k.inspector.Method(L"IsWordMail", {}, 0, Const(false));
  k.inspector.Get(L"EditorType", Const(2L));
}

// ------------------------------------------------------- the application

void ApplicationTables(Tables& k) {
  k.addin.Prop(L"Object", kDispArg, Val<AppN>([](AppN& s) { return s.x.addinObject.get(); }),
               On<AppN>([](AppN& s, Call& c) { s.x.addinObject = Ref<IDispatch>(c.Disp(0)); }));
  // The group's events come from the loop, never from inside Start.
  k.sync.Method(L"Start", {}, 0, On<AppN>([](AppN& s, Call&) {
                  ++s.x.owner.syncStarts;
                  Ref<Object> keep(&s);
                  s.x.owner.Post([keep] {
                    keep->Fire(kSyncStart);
                    // Progress(State, Description, Value, Max), last argument first.
                    keep->Fire(kProgress, {1L, L"Sending", 1L, 1L});
                    keep->Fire(kSyncEnd);
                  });
                }));
  k.syncs.Get(L"Count", Const(1L));
  k.syncs.Method(L"Item", {kLongArg}, 1, On<AppN>([](AppN& s, Call& c) {
                   Index(c.Long(0), 1);
                   c.Return(s.x.sync.get());
                 }));

  k.ns.Method(L"GetDefaultFolder", {kLongArg}, 1, On<AppN>([](AppN& s, Call& c) {
                FolderData* f = s.x.store->Default(c.Long(0));
                if (!f) Fail(E_INVALIDARG, L"The folder kind is not known.");
                c.Return(MakeFolder(s.x, f));
              }));
  k.ns.Get(L"SyncObjects", Val<AppN>([](AppN& s) { return New(T().syncs, s.x, 0); }));

  Table& t = k.app;
  t.Method(L"GetNamespace", {kStrArg}, 1, On<AppN>([](AppN& s, Call& c) {
             if (!SameName(c.Str(0), L"MAPI")) Fail(E_INVALIDARG, L"Only MAPI exists.");
             c.Return(s.x.ns.get());
           }));
  t.Get(L"Version", Val<AppN>([](AppN& s) { return s.x.version; }));
  t.Method(L"ActiveExplorer", {}, 0, Val<AppN>([](AppN& s) {
             auto& w = s.x.explorers->open;
             return w.empty() ? nullptr : w.front().get();
           }));
  t.Method(L"ActiveInspector", {}, 0, Val<AppN>([](AppN& s) {
             auto& w = s.x.inspectors->open;
             return w.empty() ? nullptr : w.back().get();
           }));
  t.Get(L"Explorers", Val<AppN>([](AppN& s) { return s.x.explorers.get(); }));
  t.Get(L"Inspectors", Val<AppN>([](AppN& s) { return s.x.inspectors.get(); }));
}

// ------------------------------------------------------- the safe-send library

// "Redemption.SafeMailItem": sending through it records the mail as sent
// "via Redemption".
class SafeN : public Object {
 public:
  SafeN() : Object(T().safeItem) { ++g_safeItemsCreated; }
  Ref<IDispatch> item;
  // The stand-in mail the item wraps.
  static MailN& Wrapped(Object& o) {
    auto* m = dynamic_cast<MailN*>(Object::From(static_cast<SafeN&>(o).item.get()));
    if (!m) Fail(E_FAIL, L"Item is not set to an Outlook item.");
    return *m;
  }
};

void SafeTables(Tables& k) {
  k.safeItem.Prop(L"Item", kDispArg, Val<SafeN>([](SafeN& s) { return s.item.get(); }),
                  On<SafeN>([](SafeN& s, Call& c) { s.item = Ref<IDispatch>(c.Disp(0)); }));
  k.safeItem.Method(L"Send", {}, 0, [](Object& s, Call&) {
    MailN& m = SafeN::Wrapped(s);
    m.x.store->Send(m.d, L"Redemption");
  });
  k.safeItem.Get(L"Recipients", [](Object& s, Call& c) {
    MailN& m = SafeN::Wrapped(s);
    c.Return(New(T().safeRecipients, m.x, m.d));
  });
  k.safeRecipients.Get(L"Count", Val<MailN>([](MailN& s) { return Recipients(*s.d).first; }));
  k.safeRecipients.Method(L"ResolveAll", {kAnyArg, kAnyArg}, 0,
                          Val<MailN>([](MailN& s) { return Recipients(*s.d).second; }));
}

Tables::Tables() {
  FolderTables(*this);
  MailTables(*this);
  BarTables(*this);
  WindowTables(*this);
  ApplicationTables(*this);
  SafeTables(*this);
}

// ---------------------------------------------------------------- Outlook

namespace {

constexpr UINT kWorkMessage = WM_APP + 17;

LRESULT CALLBACK WorkProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg != kWorkMessage) return ::DefWindowProcW(h, msg, w, l);
  reinterpret_cast<Outlook*>(::GetWindowLongPtrW(h, GWLP_USERDATA))->RunPending();
  return 0;
}

}  // namespace

Outlook::Outlook(std::wstring version)
    : store_(std::make_shared<Store>()), impl_(new Impl{*this, store_, std::move(version)}) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = WorkProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VelmoraOutlookStandin";
  ::RegisterClassW(&wc);
  impl_->window = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    wc.hInstance, nullptr);
  ::SetWindowLongPtrW(impl_->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  Impl& x = *impl_;
  x.ns = Own<Object>(New(T().ns, x, 0));
  x.sync = Own<Object>(Make<AppN>(T().sync, x, 0, &kSyncObjectEvents));
  x.explorers = Own<WindowsObj>(Make<WindowsObj>(true));
  x.inspectors = Own<WindowsObj>(Make<WindowsObj>(false));
  x.app = Own<Object>(Make<AppN>(T().app, x, 0, &kApplicationEvents));
  x.addin = Own<Object>(New(T().addin, x, 0));
}

Outlook::~Outlook() {
  ::DestroyWindow(impl_->window);
  Impl& x = *impl_;
  x.work.clear();
  // Windows first: they may hold folders; the application last.
  for (Own<WindowsObj>* w : {&x.explorers, &x.inspectors})
    *w = {};
  x.addinObject.reset();
  for (Own<Object>* o : {&x.addin, &x.sync, &x.ns, &x.app})
    *o = {};
}

IDispatch* Outlook::application() {
  return impl_->app.get();
}

IDispatch* Outlook::AddInEntry() {
  return impl_->addin.get();
}

Ref<IDispatch>& Outlook::AddInObject() {
  return impl_->addinObject;
}

void Outlook::OpenExplorer(FolderData& folder) {
  impl_->Open(Make<WindowObj>(*impl_, &folder, nullptr));
}

void Outlook::OpenInspector(const std::shared_ptr<MailData>& mail) {
  impl_->Open(Make<WindowObj>(*impl_, nullptr, mail));
}

void Outlook::CloseWindows() {
  for (auto* list : {&impl_->inspectors, &impl_->explorers})
    while (!(*list)->open.empty())
      impl_->Close(*(*list)->open.front().get());
}

std::vector<std::wstring> Outlook::ShortcutNames() {
  const auto& open = impl_->explorers->open;
  return open.empty() ? std::vector<std::wstring>() : *open.front()->shortcuts;
}

bool Outlook::UserSends(const std::shared_ptr<MailData>& mail) {
  if (!FireItemSend(*impl_, mail)) return false;
  store_->Send(mail, L"Outlook");
  return true;
}

int Outlook::ButtonsTagged(const std::wstring& tag, bool click) {
  std::vector<Ref<ControlObj>> found;
  for (auto* list : {&impl_->explorers, &impl_->inspectors})
    for (auto& w : (*list)->open)
      for (auto& b : w->bars->bars)
        b->Walk([&](ControlObj& k) {
          if (k.type == 1 && k.tag == tag) found.emplace_back(&k);
        });
  bool cancelled = false;
  for (auto& k : found) {
    VARIANT_BOOL cancel = VARIANT_FALSE;
    if (click) k->Fire(kClick, {Variant::BoolRef(&cancel), k});
    cancelled = cancelled || cancel != VARIANT_FALSE;
  }
  return cancelled ? -1 : static_cast<int>(found.size());
}

std::vector<ControlInfo> Outlook::Controls(bool inspector, std::size_t index,
                                           const std::wstring& bar, long popupId) {
  std::vector<ControlInfo> out;
  const auto& open = (inspector ? impl_->inspectors : impl_->explorers)->open;
  if (index >= open.size()) return out;
  for (auto& b : open[index]->bars->bars) {
    if (!SameName(b->name, bar)) continue;
    BarObj* controls = popupId ? nullptr : b.get();
    for (auto& k : b->items)
      if (popupId && k->type == kPopup && k->id == popupId) controls = k->bar.get();
    if (!controls) continue;
    for (auto& k : controls->items)
      out.push_back(*k.get());
  }
  return out;
}

void Outlook::Post(std::function<void()> work) {
  impl_->work.push_back(std::move(work));
  ::PostMessageW(impl_->window, kWorkMessage, 0, 0);
}

void Outlook::RunPending() {
  while (!impl_->work.empty()) {
    auto f = std::move(impl_->work.front());
    impl_->work.pop_front();
    f();
  }
}

bool Outlook::PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG end = ::GetTickCount64() + timeoutMs;
  MSG msg;
  while (!done()) {
    if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    } else if (::GetTickCount64() >= end) {
      return false;
    } else {
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
  }
  return true;
}

// ------------------------------------------------------- the safe-send library

namespace {

// {3B7E54A1-6C2D-4E0F-9A8B-1D2C3E4F5A6B}: the stand-in's own class id.
const CLSID kSafeClsid = {
    0x3b7e54a1, 0x6c2d, 0x4e0f, {0x9a, 0x8b, 0x1d, 0x2c, 0x3e, 0x4f, 0x5a, 0x6b}};
constexpr const wchar_t* kSafeProgIdKey = L"Software\\Classes\\Redemption.SafeMailItem";

class Factory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = riid == IID_IUnknown || riid == IID_IClassFactory ? this : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    return outer ? CLASS_E_NOAGGREGATION : Make<SafeN>()->QueryInterface(riid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
} g_factory;

}  // namespace

RedemptionRegistration::RedemptionRegistration() {
  if (FAILED(::CoRegisterClassObject(kSafeClsid, &g_factory, CLSCTX_INPROC_SERVER,
                                     REGCLS_MULTIPLEUSE, &cookie_)))
    cookie_ = 0;
  wchar_t clsid[64];
  const int n = ::StringFromGUID2(kSafeClsid, clsid, 64);
  // Wine's class view is the machine's (HKCU classes are not merged in).
  keyWritten_ =
      ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, (std::wstring(kSafeProgIdKey) + L"\\CLSID").c_str(),
                        nullptr, REG_SZ, clsid, static_cast<DWORD>(n * sizeof(wchar_t))) == 0;
}

RedemptionRegistration::~RedemptionRegistration() {
  if (cookie_) ::CoRevokeClassObject(cookie_);
  RemoveRedemptionProgId();
}

void RemoveRedemptionProgId() {
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSafeProgIdKey);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, kSafeProgIdKey);
}

}  // namespace standin
