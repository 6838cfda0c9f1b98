#include "tests/win32/standin/outlook_model.h"

#include <algorithm>
#include <deque>

#include "addin/store/new_table_view.h"
#include "platform/win32/adapters/unicode.h"

namespace standin {

const IID kApplicationEvents = {0x0006304E, 0, 0, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kApplicationEvents10 = {
    0x0006300E, 0, 0, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kApplicationEvents11 = {
    0x0006302C, 0, 0, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kInspectorsEvents = {0x00063079, 0, 0, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kExplorersEvents = {0x00063078, 0, 0, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kExplorerEvents = {0x0006304F, 0, 0, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kExplorerEvents10 = {0x0006300F, 0, 0, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kSyncObjectEvents = {0x00063085, 0, 0, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kCommandBarButtonEvents = {
    0x000C0351, 0, 0, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

namespace {

constexpr DISPID kItemSend = 0xF002;
constexpr DISPID kNewWindow = 0xF001;  // NewExplorer, NewInspector
constexpr DISPID kClose = 0xF008;
constexpr DISPID kSyncStart = 0xF001;
constexpr DISPID kProgress = 0xF002;
constexpr DISPID kOnError = 0xF003;
constexpr DISPID kSyncEnd = 0xF004;
constexpr DISPID kClick = 1;
// MAPI_E_NOT_FOUND, what Outlook raises for an entry or name it lacks.
constexpr HRESULT kNotFound = static_cast<HRESULT>(0x8004010F);

template <class T, class F>
Handler On(F f) {
  return [f](Object& o, Call& c) { f(static_cast<T&>(o), c); };
}

VARIANTARG ArgDisp(IDispatch* d) {
  VARIANTARG v;
  ::VariantInit(&v);
  v.vt = VT_DISPATCH;
  v.pdispVal = d;  // borrowed for the call
  return v;
}
VARIANTARG ArgLong(long n) {
  VARIANTARG v;
  ::VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = n;
  return v;
}
VARIANTARG ArgBoolRef(VARIANT_BOOL* b) {
  VARIANTARG v;
  ::VariantInit(&v);
  v.vt = VT_BOOL | VT_BYREF;
  v.pboolVal = b;
  return v;
}

// 1-based index into a collection of `n`; raises as Outlook does otherwise.
std::size_t Index(long i, std::size_t n) {
  if (i < 1 || static_cast<std::size_t>(i) > n)
    Fail(DISP_E_BADINDEX, L"Array index out of bounds.");
  return static_cast<std::size_t>(i - 1);
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
  auto p = std::make_shared<PropData>();
  p->name = name;
  p->type = type;
  if (type == kOlDateTime)
    p->value = Variant::Date(949998.0);  // Outlook's "None": 1/1/4501
  else if (type == kOlText)
    p->value = Variant::Str(L"");
  else if (type == 6)
    p->value = Variant::Bool(false);
  else
    p->value = Variant::Double(0);
  props.push_back(p);
  return p;
}

FolderData* FolderData::Child(const std::wstring& n) const {
  for (const auto& f : folders)
    if (SameName(f->name, n)) return f.get();
  return nullptr;
}

std::wstring FolderData::Path() const {
  return parent ? parent->Path() + L"\\" + name : L"\\\\" + name;
}

Store::Store() : root_(std::make_shared<FolderData>()) {
  root_->name = L"Personal Folders";
  root_->entryId = NewEntryId();
  AddFolder(*root_, L"Deleted Items", 0);
  AddFolder(*root_, L"Inbox", 0);
  AddFolder(*root_, L"Outbox", 0);
  AddFolder(*root_, L"Sent Items", 0);
  AddFolder(*root_, L"Drafts", 0);
}

FolderData* Store::Default(long which) {
  switch (which) {
    case 3:
      return root_->Child(L"Deleted Items");
    case kFolderOutbox:
      return root_->Child(L"Outbox");
    case kFolderSentMail:
      return root_->Child(L"Sent Items");
    case kFolderInbox:
      return root_->Child(L"Inbox");
    case kFolderDrafts:
      return root_->Child(L"Drafts");
    default:
      return nullptr;
  }
}

FolderData& Store::AddFolder(FolderData& parent, const std::wstring& name, long itemType) {
  auto f = std::make_shared<FolderData>();
  f->name = name;
  f->entryId = NewEntryId();
  f->itemType = itemType;
  f->parent = &parent;
  parent.folders.push_back(f);
  return *f;
}

std::shared_ptr<MailData> Store::AddMail(FolderData& folder, const std::wstring& subject) {
  auto m = std::make_shared<MailData>();
  m->entryId = NewEntryId();
  m->subject = subject;
  m->folder = &folder;
  folder.items.push_back(m);
  return m;
}

void Store::Remove(const std::shared_ptr<MailData>& mail) {
  if (!mail->folder) return;
  auto& items = mail->folder->items;
  items.erase(std::remove(items.begin(), items.end(), mail), items.end());
  mail->folder = nullptr;
}

void Store::Move(const std::shared_ptr<MailData>& mail, FolderData& to) {
  Remove(mail);
  mail->folder = &to;
  to.items.push_back(mail);
}

std::shared_ptr<MailData> Store::Find(const std::wstring& entryId) {
  std::shared_ptr<MailData> found;
  std::function<void(FolderData&)> walk = [&](FolderData& f) {
    for (auto& m : f.items)
      if (m->entryId == entryId) found = m;
    for (auto& c : f.folders)
      walk(*c);
  };
  walk(*root_);
  return found;
}

void Store::Send(const std::shared_ptr<MailData>& mail, const std::wstring& via) {
  if (mail->sent) Fail(E_FAIL, L"The item has already been sent.");
  SentMail s{mail->subject,     mail->to, via, mail->folder ? mail->folder->name : L"",
             mail->attachments, {}};
  for (const auto& p : mail->props)
    s.propNames.push_back(p->name);
  sent.push_back(std::move(s));
  mail->sent = true;
  Move(mail, *Default(kFolderSentMail));
}

std::wstring Store::NewEntryId() {
  wchar_t buf[40];
  ::swprintf(buf, 40, L"00000000A1B2C3D4%016lX", ++nextId_);
  return buf;
}

// ---------------------------------------------------------------- objects

struct Outlook::Impl {
  Outlook& owner;
  std::shared_ptr<Store> store;
  std::wstring version;
  HWND window = nullptr;
  std::deque<std::function<void()>> work;
  Ref<Object> app, ns, explorers, inspectors, addins, syncs;
  bool Modern() const { return !version.empty() && version[0] == L'1'; }
  void Quit() { owner.quitting_ = true; }
  bool syncFails = false;
  long syncErrorCode = 0;
  std::wstring syncErrorText;
  std::vector<long> executed;
  std::vector<InspectorClose> inspectorCloses;
};

using Impl = Outlook::Impl;

class FolderObj;
class MailObj;
Ref<Object> MakeFolder(Impl& x, FolderData* f);
Ref<Object> MakeMail(Impl& x, const std::shared_ptr<MailData>& m);

class FolderObj : public Object {
 public:
  FolderObj(Impl& xIn, FolderData* fIn) : Object(Tbl(xIn.Modern())), x(xIn), f(fIn) {}
  Impl& x;
  FolderData* f;
  static const Table& Tbl(bool modern);
};

Ref<Object> MakeFolder(Impl& x, FolderData* f) {
  return f ? Ref<Object>(Make<FolderObj>(x, f).get()) : Ref<Object>();
}

FolderData* FolderOf(IDispatch* d) {
  auto* f = dynamic_cast<FolderObj*>(Object::From(d));
  if (!f) Fail(DISP_E_TYPEMISMATCH, L"not a folder");
  return f->f;
}

class FoldersObj : public Object {
 public:
  FoldersObj(Impl& xIn, FolderData* fIn) : Object(Tbl()), x(xIn), f(fIn) {}
  Impl& x;
  FolderData* f;
  static const Table& Tbl() {
    static Table table = [] {
      Table t(L"Folders");
      t.Get(L"Count", On<FoldersObj>([](FoldersObj& s, Call& c) {
              c.ReturnLong(static_cast<long>(s.f->folders.size()));
            }));
      t.Method(L"Item", {kIndexArg}, 1, On<FoldersObj>([](FoldersObj& s, Call& c) {
                 FolderData* f = nullptr;
                 if (c.IsNumber(0))
                   f = s.f->folders[Index(c.Long(0), s.f->folders.size())].get();
                 else if (!(f = s.f->Child(c.Str(0))))
                   Fail(kNotFound, L"The operation failed. An object could not be found.");
                 c.ReturnDisp(MakeFolder(s.x, f).get());
               }));
      t.Method(
          L"Add", {kStrArg, kLongArg}, 1, On<FoldersObj>([](FoldersObj& s, Call& c) {
            if (s.f->Child(c.Str(0))) Fail(E_FAIL, L"Cannot create the folder: it exists.");
            const long type = c.Has(1) ? c.Long(1) : s.f->itemType;
            // A folder of the Drafts kind holds mail.
            const long itemType = type == kFolderDrafts || type == kFolderInbox ? 0 : type;
            c.ReturnDisp(MakeFolder(s.x, &s.x.store->AddFolder(*s.f, c.Str(0), itemType)).get());
          }));
      return t;
    }();
    return table;
  }
};

class ItemsObj : public Object {
 public:
  ItemsObj(Impl& xIn, FolderData* fIn) : Object(Tbl()), x(xIn), f(fIn) {}
  Impl& x;
  FolderData* f;
  static const Table& Tbl() {
    static Table table = [] {
      Table t(L"Items");
      t.Get(L"Count", On<ItemsObj>([](ItemsObj& s, Call& c) {
              c.ReturnLong(static_cast<long>(s.f->items.size()));
            }));
      t.Method(L"Item", {kIndexArg}, 1, On<ItemsObj>([](ItemsObj& s, Call& c) {
                 std::shared_ptr<MailData> m;
                 if (c.IsNumber(0)) {
                   m = s.f->items[Index(c.Long(0), s.f->items.size())];
                 } else {
                   for (auto& i : s.f->items)
                     if (!m && SameName(i->subject, c.Str(0))) m = i;
                   if (!m) Fail(kNotFound, L"The operation failed. An object could not be found.");
                 }
                 c.ReturnDisp(MakeMail(s.x, m).get());
               }));
      t.Method(L"Add", {kIndexArg}, 0, On<ItemsObj>([](ItemsObj& s, Call& c) {
                 if (c.IsNumber(0) && c.Long(0) != 0) Fail(E_INVALIDARG, L"Only mail items here.");
                 c.ReturnDisp(MakeMail(s.x, s.x.store->AddMail(*s.f, L"")).get());
               }));
      return t;
    }();
    return table;
  }
};

class ViewObj : public Object {
 public:
  explicit ViewObj(std::shared_ptr<ViewData> vIn) : Object(Tbl()), v(std::move(vIn)) {}
  std::shared_ptr<ViewData> v;
  static const Table& Tbl() {
    static Table table = [] {
      Table t(L"View");
      t.Get(L"Name", On<ViewObj>([](ViewObj& s, Call& c) { c.ReturnStr(s.v->name); }));
      t.Get(L"ViewType", On<ViewObj>([](ViewObj&, Call& c) { c.ReturnLong(0); }));
      t.Prop(L"XML", kStrArg, On<ViewObj>([](ViewObj& s, Call& c) { c.ReturnStr(s.v->xml); }),
             On<ViewObj>([](ViewObj& s, Call& c) {
               Call v;
               v.args = {c.value};
               s.v->xml = v.Str(0);
             }));
      t.Method(L"Save", {}, 0, On<ViewObj>([](ViewObj& s, Call&) { ++s.v->saves; }));
      t.Method(L"Apply", {}, 0, On<ViewObj>([](ViewObj& s, Call&) { ++s.v->applies; }));
      return t;
    }();
    return table;
  }
};

class ViewsObj : public Object {
 public:
  explicit ViewsObj(FolderData* fIn) : Object(Tbl()), f(fIn) {}
  FolderData* f;
  static const Table& Tbl() {
    static Table table = [] {
      Table t(L"Views");
      t.Get(L"Count", On<ViewsObj>([](ViewsObj& s, Call& c) {
              c.ReturnLong(static_cast<long>(s.f->views.size()));
            }));
      t.Method(L"Item", {kIndexArg}, 1, On<ViewsObj>([](ViewsObj& s, Call& c) {
                 std::shared_ptr<ViewData> v;
                 if (c.IsNumber(0)) {
                   v = s.f->views[Index(c.Long(0), s.f->views.size())];
                 } else {
                   for (auto& i : s.f->views)
                     if (SameName(i->name, c.Str(0))) v = i;
                   if (!v) Fail(kNotFound, L"The operation failed. An object could not be found.");
                 }
                 c.ReturnDisp(Make<ViewObj>(v).get());
               }));
      t.Method(L"Add", {kStrArg, kLongArg, kLongArg}, 2, On<ViewsObj>([](ViewsObj& s, Call& c) {
                 for (auto& i : s.f->views)
                   if (SameName(i->name, c.Str(0))) Fail(E_FAIL, L"A view of that name exists.");
                 if (c.Long(1) != 0) Fail(E_INVALIDARG, L"Only table views here.");
                 auto v = std::make_shared<ViewData>();
                 v->name = c.Str(0);
                 v->xml = velmora::win32::Widen(velmora::kNewTableViewXml);
                 const std::wstring open = L"<viewname>";
                 v->xml.insert(v->xml.find(open) + open.size(), v->name);
                 s.f->views.push_back(v);
                 c.ReturnDisp(Make<ViewObj>(v).get());
               }));
      return t;
    }();
    return table;
  }
};

const Table& FolderObj::Tbl(bool modern) {
  static auto build = [](bool withViews) {
    Table t(L"MAPIFolder");
    t.Get(L"Class", On<FolderObj>([](FolderObj&, Call& c) { c.ReturnLong(2); }));
    t.Get(L"Name", On<FolderObj>([](FolderObj& s, Call& c) { c.ReturnStr(s.f->name); }));
    t.Get(L"EntryID", On<FolderObj>([](FolderObj& s, Call& c) { c.ReturnStr(s.f->entryId); }));
    // The root's parent is the namespace, as in Outlook.
    t.Get(L"Parent", On<FolderObj>([](FolderObj& s, Call& c) {
            if (s.f->parent)
              c.ReturnDisp(MakeFolder(s.x, s.f->parent).get());
            else
              c.ReturnDisp(s.x.ns.get());
          }));
    t.Get(L"Folders", On<FolderObj>([](FolderObj& s, Call& c) {
            c.ReturnDisp(Make<FoldersObj>(s.x, s.f).get());
          }));
    t.Get(L"Items", On<FolderObj>([](FolderObj& s, Call& c) {
            c.ReturnDisp(Make<ItemsObj>(s.x, s.f).get());
          }));
    t.Get(L"DefaultItemType",
          On<FolderObj>([](FolderObj& s, Call& c) { c.ReturnLong(s.f->itemType); }));
    if (withViews) {  // Outlook 2002 and later
      t.Get(L"FolderPath", On<FolderObj>([](FolderObj& s, Call& c) { c.ReturnStr(s.f->Path()); }));
      t.Get(L"Views",
            On<FolderObj>([](FolderObj& s, Call& c) { c.ReturnDisp(Make<ViewsObj>(s.f).get()); }));
    }
    return t;
  };
  static Table modernTable = build(true);
  static Table oldTable = build(false);
  return modern ? modernTable : oldTable;
}

class AttachmentObj : public Object {
 public:
  explicit AttachmentObj(AttachData aIn) : Object(Tbl()), a(std::move(aIn)) {}
  AttachData a;
  static const Table& Tbl() {
    static Table table = [] {
      Table t(L"Attachment");
      t.Get(L"Class", On<AttachmentObj>([](AttachmentObj&, Call& c) { c.ReturnLong(5); }));
      t.Get(L"DisplayName",
            On<AttachmentObj>([](AttachmentObj& s, Call& c) { c.ReturnStr(s.a.displayName); }));
      t.Get(L"FileName", On<AttachmentObj>([](AttachmentObj& s, Call& c) {
              const auto slash = s.a.source.find_last_of(L"\\/");
              c.ReturnStr(slash == std::wstring::npos ? s.a.source : s.a.source.substr(slash + 1));
            }));
      t.Get(L"Size", On<AttachmentObj>([](AttachmentObj& s, Call& c) {
              c.ReturnLong(static_cast<long>(s.a.size));
            }));
      return t;
    }();
    return table;
  }
};

class AttachmentsObj : public Object {
 public:
  explicit AttachmentsObj(std::shared_ptr<MailData> mIn) : Object(Tbl()), m(std::move(mIn)) {}
  std::shared_ptr<MailData> m;
  static const Table& Tbl() {
    static Table table = [] {
      Table t(L"Attachments");
      t.Get(L"Count", On<AttachmentsObj>([](AttachmentsObj& s, Call& c) {
              c.ReturnLong(static_cast<long>(s.m->attachments.size()));
            }));
      t.Method(L"Item", {kIndexArg}, 1, On<AttachmentsObj>([](AttachmentsObj& s, Call& c) {
                 c.ReturnDisp(Make<AttachmentObj>(
                                  s.m->attachments[Index(c.Long(0), s.m->attachments.size())])
                                  .get());
               }));
      // Add(Source, [Type], [Position], [DisplayName]): the file is read now.
      t.Method(
          L"Add", {kStrArg, kLongArg, kLongArg, kStrArg}, 1,
          On<AttachmentsObj>([](AttachmentsObj& s, Call& c) {
            WIN32_FILE_ATTRIBUTE_DATA data{};
            const std::wstring source = c.Str(0);
            if (!::GetFileAttributesExW(source.c_str(), GetFileExInfoStandard, &data) ||
                (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
              Fail(E_FAIL, L"Cannot find this file. Verify the path and file name are correct.");
            AttachData a{source, c.Has(3) ? c.Str(3) : source,
                         (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow};
            s.m->attachments.push_back(a);
            c.ReturnDisp(Make<AttachmentObj>(a).get());
          }));
      return t;
    }();
    return table;
  }
};

class UserPropertyObj : public Object {
 public:
  UserPropertyObj(std::shared_ptr<MailData> mIn, std::shared_ptr<PropData> pIn)
      : Object(Tbl()), m(std::move(mIn)), p(std::move(pIn)) {}
  std::shared_ptr<MailData> m;
  std::shared_ptr<PropData> p;
  static VARTYPE TypeOf(long olType) {
    switch (olType) {
      case kOlDateTime:
        return VT_DATE;
      case 3:
        return VT_R8;
      case 6:
        return VT_BOOL;
      default:
        return VT_BSTR;
    }
  }
  static const Table& Tbl() {
    static Table table = [] {
      Table t(L"UserProperty");
      t.Get(L"Name",
            On<UserPropertyObj>([](UserPropertyObj& s, Call& c) { c.ReturnStr(s.p->name); }));
      t.Get(L"Type",
            On<UserPropertyObj>([](UserPropertyObj& s, Call& c) { c.ReturnLong(s.p->type); }));
      // A value put is taken as the property's own type, as Outlook does.
      t.Prop(L"Value", kAnyArg,
             On<UserPropertyObj>([](UserPropertyObj& s, Call& c) { c.Return(s.p->value); }),
             On<UserPropertyObj>([](UserPropertyObj& s, Call& c) {
               Variant v;
               if (FAILED(::VariantChangeType(&v, const_cast<VARIANT*>(c.value), 0,
                                              TypeOf(s.p->type))))
                 Fail(DISP_E_TYPEMISMATCH, L"the value is not of the property's type");
               s.p->value = v;
             }));
      t.Method(L"Delete", {}, 0, On<UserPropertyObj>([](UserPropertyObj& s, Call&) {
                 auto& props = s.m->props;
                 props.erase(std::remove(props.begin(), props.end(), s.p), props.end());
               }));
      return t;
    }();
    return table;
  }
};

class UserPropertiesObj : public Object {
 public:
  explicit UserPropertiesObj(std::shared_ptr<MailData> mIn) : Object(Tbl()), m(std::move(mIn)) {}
  std::shared_ptr<MailData> m;
  static const Table& Tbl() {
    static Table table = [] {
      Table t(L"UserProperties");
      t.Get(L"Count", On<UserPropertiesObj>([](UserPropertiesObj& s, Call& c) {
              c.ReturnLong(static_cast<long>(s.m->props.size()));
            }));
      t.Method(L"Item", {kIndexArg}, 1, On<UserPropertiesObj>([](UserPropertiesObj& s, Call& c) {
                 auto p = c.IsNumber(0) ? s.m->props[Index(c.Long(0), s.m->props.size())]
                                        : s.m->Find(c.Str(0));
                 if (!p) Fail(kNotFound, L"The property could not be found.");
                 c.ReturnDisp(Make<UserPropertyObj>(s.m, p).get());
               }));
      t.Method(L"Find", {kStrArg, kAnyArg}, 1,
               On<UserPropertiesObj>([](UserPropertiesObj& s, Call& c) {
                 auto p = s.m->Find(c.Str(0));
                 c.ReturnDisp(p ? Make<UserPropertyObj>(s.m, p).get() : nullptr);
               }));
      t.Method(L"Add", {kStrArg, kLongArg, kBoolArg, kAnyArg}, 2,
               On<UserPropertiesObj>([](UserPropertiesObj& s, Call& c) {
                 if (s.m->Find(c.Str(0))) Fail(E_FAIL, L"The property already exists.");
                 const long type = c.Long(1);
                 if (type != kOlText && type != 3 && type != kOlDateTime && type != 6)
                   Fail(E_INVALIDARG, L"Unknown property type.");
                 c.ReturnDisp(Make<UserPropertyObj>(s.m, s.m->Add(c.Str(0), type)).get());
               }));
      t.Method(L"Remove", {kLongArg}, 1, On<UserPropertiesObj>([](UserPropertiesObj& s, Call& c) {
                 s.m->props.erase(s.m->props.begin() +
                                  static_cast<std::ptrdiff_t>(Index(c.Long(0), s.m->props.size())));
               }));
      return t;
    }();
    return table;
  }
};

class RecipientsObj : public Object {
 public:
  explicit RecipientsObj(std::shared_ptr<MailData> mIn) : Object(Tbl()), m(std::move(mIn)) {}
  std::shared_ptr<MailData> m;
  static std::vector<std::wstring> Names(const MailData& m) {
    std::vector<std::wstring> out;
    for (const std::wstring* field : {&m.to, &m.cc, &m.bcc}) {
      std::size_t at = 0;
      while (at <= field->size()) {
        const auto semi = field->find(L';', at);
        std::wstring name = field->substr(at, semi == std::wstring::npos ? semi : semi - at);
        name.erase(0, name.find_first_not_of(L' '));
        if (!name.empty()) out.push_back(name);
        if (semi == std::wstring::npos) break;
        at = semi + 1;
      }
    }
    return out;
  }
  // A name resolves when it is an address.
  static bool AllResolve(const MailData& m) {
    for (const auto& n : Names(m))
      if (n.find(L'@') == std::wstring::npos) return false;
    return true;
  }
  static const Table& Tbl() {
    static Table table = [] {
      Table t(L"Recipients");
      t.Get(L"Count", On<RecipientsObj>([](RecipientsObj& s, Call& c) {
              c.ReturnLong(static_cast<long>(Names(*s.m).size()));
            }));
      t.Method(L"ResolveAll", {}, 0, On<RecipientsObj>([](RecipientsObj& s, Call& c) {
                 c.ReturnBool(AllResolve(*s.m));
               }));
      return t;
    }();
    return table;
  }
};

class MailObj : public Object {
 public:
  MailObj(Impl& xIn, std::shared_ptr<MailData> mIn) : Object(Tbl()), x(xIn), m(std::move(mIn)) {}
  Impl& x;
  std::shared_ptr<MailData> m;
  static void Text(Table& t, const wchar_t* name, std::wstring MailData::*field) {
    t.Prop(name, kStrArg, On<MailObj>([field](MailObj& s, Call& c) { c.ReturnStr((*s.m).*field); }),
           On<MailObj>([field](MailObj& s, Call& c) {
             Call v;
             v.args = {c.value};
             (*s.m).*field = v.Str(0);
           }));
  }
  static const Table& Tbl();
};

Ref<Object> MakeMail(Impl& x, const std::shared_ptr<MailData>& m) {
  return m ? Ref<Object>(Make<MailObj>(x, m).get()) : Ref<Object>();
}

bool FireItemSend(Impl& x, const std::shared_ptr<MailData>& m);

const Table& MailObj::Tbl() {
  static Table table = [] {
    Table t(L"MailItem");
    t.Get(L"Class", On<MailObj>([](MailObj&, Call& c) { c.ReturnLong(43); }));
    t.Get(L"EntryID", On<MailObj>([](MailObj& s, Call& c) { c.ReturnStr(s.m->entryId); }));
    Text(t, L"Subject", &MailData::subject);
    Text(t, L"Body", &MailData::body);
    Text(t, L"To", &MailData::to);
    Text(t, L"CC", &MailData::cc);
    Text(t, L"BCC", &MailData::bcc);
    t.Prop(L"Importance", kLongArg,
           On<MailObj>([](MailObj& s, Call& c) { c.ReturnLong(s.m->importance); }),
           On<MailObj>([](MailObj& s, Call& c) { s.m->importance = c.value->lVal; }));
    t.Get(L"Sent", On<MailObj>([](MailObj& s, Call& c) { c.ReturnBool(s.m->sent); }));
    t.Get(L"Parent", On<MailObj>([](MailObj& s, Call& c) {
            c.ReturnDisp(MakeFolder(s.x, s.m->folder).get());
          }));
    t.Method(L"Display", {kAnyArg}, 0, On<MailObj>([](MailObj&, Call&) {}));
    t.Method(L"Save", {}, 0, On<MailObj>([](MailObj& s, Call&) {
               if (!s.m->folder) Fail(E_FAIL, L"The item has been moved or deleted.");
             }));
    t.Method(L"Copy", {}, 0, On<MailObj>([](MailObj& s, Call& c) {
               if (!s.m->folder) Fail(E_FAIL, L"The item has been moved or deleted.");
               auto copy = s.x.store->AddMail(*s.m->folder, s.m->subject);
               const std::wstring id = copy->entryId;
               *copy = *s.m;
               copy->entryId = id;
               copy->props.clear();
               for (const auto& p : s.m->props)
                 copy->props.push_back(std::make_shared<PropData>(*p));
               c.ReturnDisp(MakeMail(s.x, copy).get());
             }));
    t.Method(L"Move", {kDispArg}, 1, On<MailObj>([](MailObj& s, Call& c) {
               FolderData* to = FolderOf(c.Disp(0));
               if (!s.m->folder) Fail(E_FAIL, L"The item has been moved or deleted.");
               s.x.store->Move(s.m, *to);
               c.ReturnDisp(MakeMail(s.x, s.m).get());
             }));
    t.Method(L"Delete", {}, 0, On<MailObj>([](MailObj& s, Call&) { s.x.store->Remove(s.m); }));
    t.Method(L"Close", {kLongArg}, 1, On<MailObj>([](MailObj&, Call&) {}));
    t.Method(L"Send", {}, 0, On<MailObj>([](MailObj& s, Call&) {
               if (FireItemSend(s.x, s.m)) s.x.store->Send(s.m, L"MailItem.Send");
             }));
    t.Get(L"Recipients",
          On<MailObj>([](MailObj& s, Call& c) { c.ReturnDisp(Make<RecipientsObj>(s.m).get()); }));
    t.Get(L"Attachments",
          On<MailObj>([](MailObj& s, Call& c) { c.ReturnDisp(Make<AttachmentsObj>(s.m).get()); }));
    t.Get(L"UserProperties", On<MailObj>([](MailObj& s, Call& c) {
            c.ReturnDisp(Make<UserPropertiesObj>(s.m).get());
          }));
    return t;
  }();
  return table;
}

ItemRef ItemOf(IDispatch* d) {
  auto* m = dynamic_cast<MailObj*>(Object::From(d));
  return m ? ItemRef{m->m, m->x.store.get()} : ItemRef{};
}

int RecipientCount(const MailData& m) {
  return static_cast<int>(RecipientsObj::Names(m).size());
}

bool RecipientsResolve(const MailData& m) {
  return RecipientsObj::AllResolve(m);
}

// ------------------------------------------------------------ command bars

class ControlsObj;

class ControlObj : public Object {
 public:
  ControlObj(Impl& xIn, long typeIn, long idIn, ControlsObj* parentIn);
  ~ControlObj() override;
  Impl& x;
  long controlType, id;
  ControlsObj* parent;  // not owned; the parent owns this control
  bool visible = true, beginGroup = false, temporary = false;
  std::wstring caption, tag;
  long faceId = 0, style = 0;
  Ref<Object> bar;  // a popup's own bar
  void Click();
  static const Table& ButtonTable();
  static const Table& PopupTable();
};

class ControlsObj : public Object {
 public:
  explicit ControlsObj(Impl& xIn) : Object(Tbl()), x(xIn) {}
  ~ControlsObj() override { Clear(); }
  Impl& x;
  std::vector<ControlObj*> items;  // each held
  ControlObj& Add(long type, long id, long before = 0) {
    auto c = Make<ControlObj>(x, type, id, this);
    c->Hold();
    const std::size_t at =
        before >= 1 && static_cast<std::size_t>(before) <= items.size() ? before - 1 : items.size();
    items.insert(items.begin() + static_cast<std::ptrdiff_t>(at), c.get());
    return *c.get();
  }
  void Remove(ControlObj* c) {
    const auto it = std::find(items.begin(), items.end(), c);
    if (it == items.end()) return;
    items.erase(it);
    c->parent = nullptr;
    c->Unhold();
  }
  void Clear() {
    while (!items.empty())
      Remove(items.back());
  }
  static const Table& Tbl();
};

class BarObj : public Object {
 public:
  BarObj(Impl& xIn, std::wstring nameIn) : Object(Tbl()), x(xIn), name(std::move(nameIn)) {
    controls = Make<ControlsObj>(x);
    controls->Adopt();
  }
  Impl& x;
  std::wstring name;
  bool visible = true;
  Ref<Object> controls;
  ControlsObj& Controls() { return *static_cast<ControlsObj*>(controls.get()); }
  static const Table& Tbl();
};

ControlObj::ControlObj(Impl& xIn, long typeIn, long idIn, ControlsObj* parentIn)
    : Object(typeIn == 10 ? PopupTable() : ButtonTable()),
      x(xIn),
      controlType(typeIn),
      id(idIn),
      parent(parentIn) {
  if (controlType == 10) {
    bar = Make<BarObj>(x, L"");
    bar->Adopt();
  } else {
    AddSource(kCommandBarButtonEvents);
  }
}

ControlObj::~ControlObj() = default;

void ControlObj::Click() {
  // Click(Ctrl, CancelDefault): the byref flag is read back after each sink.
  VARIANT_BOOL cancel = VARIANT_FALSE;
  Fire(kCommandBarButtonEvents, kClick, {ArgBoolRef(&cancel), ArgDisp(this)});
}

struct FindArgs {
  const Call& c;
  bool Matches(const ControlObj& k) const {
    if (c.Has(0) && k.controlType != c.Long(0)) return false;
    if (c.Has(1) && k.id != c.Long(1)) return false;
    if (c.Has(2) && k.tag != c.Str(2)) return false;
    if (c.Has(3) && c.Bool(3) && !k.visible) return false;
    return true;
  }
};

ControlObj* FindIn(ControlsObj& controls, const FindArgs& f, bool recursive) {
  for (ControlObj* k : controls.items) {
    if (f.Matches(*k)) return k;
    if (recursive && k->bar)
      if (ControlObj* inner = FindIn(static_cast<BarObj*>(k->bar.get())->Controls(), f, true))
        return inner;
  }
  return nullptr;
}

// FindControl([Type], [Id], [Tag], [Visible], [Recursive]); built on use, as
// the argument kinds it copies live in another file.
std::vector<ArgSpec> FindControlArgs() {
  return {kLongArg, kLongArg, kStrArg, kBoolArg, kBoolArg};
}

const Table& ControlsObj::Tbl() {
  static Table table = [] {
    Table t(L"CommandBarControls");
    t.Get(L"Count", On<ControlsObj>([](ControlsObj& s, Call& c) {
            c.ReturnLong(static_cast<long>(s.items.size()));
          }));
    t.Get(L"Item", On<ControlsObj>([](ControlsObj& s, Call& c) {
            ControlObj* k = nullptr;
            if (c.IsNumber(0)) {
              k = s.items[Index(c.Long(0), s.items.size())];
            } else {
              for (ControlObj* i : s.items)
                if (!k && SameName(i->caption, c.Str(0))) k = i;
              if (!k) Fail(E_INVALIDARG, L"Invalid procedure call or argument");
            }
            c.ReturnDisp(k);
          }),
          {kIndexArg}, 1);
    t.Method(L"Add", {kLongArg, kLongArg, kAnyArg, kLongArg, kBoolArg}, 0,
             On<ControlsObj>([](ControlsObj& s, Call& c) {
               const long type = c.Has(0) ? c.Long(0) : 1;
               if (type != 1 && type != 10) Fail(E_INVALIDARG, L"Unknown control type.");
               ControlObj& added = s.Add(type, c.Has(1) ? c.Long(1) : 1, c.Has(3) ? c.Long(3) : 0);
               added.temporary = c.Has(4) && c.Bool(4);
               c.ReturnDisp(&added);
             }));
    return t;
  }();
  return table;
}

static void ControlCommon(Table& t) {
  t.Get(L"Id", On<ControlObj>([](ControlObj& s, Call& c) { c.ReturnLong(s.id); }));
  t.Get(L"Type", On<ControlObj>([](ControlObj& s, Call& c) { c.ReturnLong(s.controlType); }));
  t.Get(L"Index", On<ControlObj>([](ControlObj& s, Call& c) {
          long i = 0;
          if (s.parent) {
            const auto& v = s.parent->items;
            i = static_cast<long>(std::find(v.begin(), v.end(), &s) - v.begin()) + 1;
          }
          c.ReturnLong(i);
        }));
  t.Prop(L"Visible", kBoolArg,
         On<ControlObj>([](ControlObj& s, Call& c) { c.ReturnBool(s.visible); }),
         On<ControlObj>(
             [](ControlObj& s, Call& c) { s.visible = c.value->boolVal != VARIANT_FALSE; }));
  t.Prop(L"BeginGroup", kBoolArg,
         On<ControlObj>([](ControlObj& s, Call& c) { c.ReturnBool(s.beginGroup); }),
         On<ControlObj>(
             [](ControlObj& s, Call& c) { s.beginGroup = c.value->boolVal != VARIANT_FALSE; }));
  for (auto field :
       {std::pair{L"Caption", &ControlObj::caption}, std::pair{L"Tag", &ControlObj::tag}})
    t.Prop(field.first, kStrArg,
           On<ControlObj>([f = field.second](ControlObj& s, Call& c) { c.ReturnStr(s.*f); }),
           On<ControlObj>([f = field.second](ControlObj& s, Call& c) {
             Call v;
             v.args = {c.value};
             s.*f = v.Str(0);
           }));
  t.Method(L"Execute", {}, 0, On<ControlObj>([](ControlObj& s, Call&) {
             s.x.executed.push_back(s.id);
             if (s.controlType == 1) s.Click();
           }));
  t.Method(L"Delete", {kAnyArg}, 0, On<ControlObj>([](ControlObj& s, Call&) {
             if (s.parent) s.parent->Remove(&s);
           }));
}

const Table& ControlObj::ButtonTable() {
  static Table table = [] {
    Table t(L"CommandBarButton");
    ControlCommon(t);
    t.Prop(L"FaceId", kLongArg,
           On<ControlObj>([](ControlObj& s, Call& c) { c.ReturnLong(s.faceId); }),
           On<ControlObj>([](ControlObj& s, Call& c) { s.faceId = c.value->lVal; }));
    t.Prop(L"Style", kLongArg,
           On<ControlObj>([](ControlObj& s, Call& c) { c.ReturnLong(s.style); }),
           On<ControlObj>([](ControlObj& s, Call& c) { s.style = c.value->lVal; }));
    return t;
  }();
  return table;
}

const Table& ControlObj::PopupTable() {
  static Table table = [] {
    Table t(L"CommandBarPopup");
    ControlCommon(t);
    t.Get(L"CommandBar", On<ControlObj>([](ControlObj& s, Call& c) { c.ReturnDisp(s.bar.get()); }));
    t.Get(L"Controls", On<ControlObj>([](ControlObj& s, Call& c) {
            c.ReturnDisp(static_cast<BarObj*>(s.bar.get())->controls.get());
          }));
    return t;
  }();
  return table;
}

const Table& BarObj::Tbl() {
  static Table table = [] {
    Table t(L"CommandBar");
    t.Get(L"Name", On<BarObj>([](BarObj& s, Call& c) { c.ReturnStr(s.name); }));
    t.Prop(L"Visible", kBoolArg, On<BarObj>([](BarObj& s, Call& c) { c.ReturnBool(s.visible); }),
           On<BarObj>([](BarObj& s, Call& c) { s.visible = c.value->boolVal != VARIANT_FALSE; }));
    t.Get(L"Controls", On<BarObj>([](BarObj& s, Call& c) { c.ReturnDisp(s.controls.get()); }));
    t.Method(L"FindControl", FindControlArgs(), 0, On<BarObj>([](BarObj& s, Call& c) {
               c.ReturnDisp(FindIn(s.Controls(), FindArgs{c}, c.Has(4) && c.Bool(4)));
             }));
    return t;
  }();
  return table;
}

class BarsObj : public Object {
 public:
  // An explorer's bars, or a mail window's: its Tools menu has the spelling
  // check, and its "Standard" bar starts with Send, then the accounts popup
  // (hidden while there is one account) and the next group's first button.
  BarsObj(Impl& xIn, bool inspector) : Object(Tbl()), x(xIn) {
    auto& menu = AddBar(L"Menu Bar");
    for (const auto& [caption, id] :
         {std::pair{L"&File", 30002L}, std::pair{L"&Tools", 30007L}, std::pair{L"&Help", 30010L}}) {
      auto& popup = menu.Controls().Add(10, id);
      popup.caption = caption;
      ControlsObj& entries = static_cast<BarObj*>(popup.bar.get())->Controls();
      if (id == 30007 && inspector)
        entries.Add(1, 2).caption = L"&Spelling...";
      else if (id == 30007)
        entries.Add(1, 5577).caption = L"Send/Re&ceive All";
      if (id == 30010) entries.Add(1, 984).caption = L"Microsoft Office Outlook &Help";
    }
    auto& standard = AddBar(L"Standard");
    if (!inspector) return;
    ControlsObj& controls = standard.Controls();
    ControlObj& send = controls.Add(1, 2617);
    send.caption = L"&Send";
    send.style = 3;
    ControlObj& accounts = controls.Add(10, 31224);
    accounts.caption = L"Accoun&ts";
    accounts.visible = false;
    controls.Add(1, 1079).caption = L"&Insert File...";
  }
  ~BarsObj() override {
    for (BarObj* b : bars)
      b->Unhold();
  }
  BarObj& AddBar(const std::wstring& name) {
    auto b = Make<BarObj>(x, name);
    b->Hold();
    bars.push_back(b.get());
    return *b.get();
  }
  Impl& x;
  std::vector<BarObj*> bars;  // each held
  static const Table& Tbl() {
    static Table table = [] {
      Table t(L"CommandBars");
      t.Get(L"Count", On<BarsObj>([](BarsObj& s, Call& c) {
              c.ReturnLong(static_cast<long>(s.bars.size()));
            }));
      t.Get(L"Item", On<BarsObj>([](BarsObj& s, Call& c) {
              BarObj* b = nullptr;
              if (c.IsNumber(0)) {
                b = s.bars[Index(c.Long(0), s.bars.size())];
              } else {
                for (BarObj* i : s.bars)
                  if (!b && SameName(i->name, c.Str(0))) b = i;
                if (!b) Fail(E_INVALIDARG, L"Invalid procedure call or argument");
              }
              c.ReturnDisp(b);
            }),
            {kIndexArg}, 1);
      t.Get(L"ActiveMenuBar", On<BarsObj>([](BarsObj& s, Call& c) { c.ReturnDisp(s.bars[0]); }));
      t.Method(L"Add", {kStrArg, kLongArg, kBoolArg, kBoolArg}, 0,
               On<BarsObj>([](BarsObj& s, Call& c) {
                 for (BarObj* i : s.bars)
                   if (SameName(i->name, c.Str(0))) Fail(E_INVALIDARG, L"The bar exists.");
                 c.ReturnDisp(&s.AddBar(c.Str(0)));
               }));
      t.Method(L"FindControl", FindControlArgs(), 0, On<BarsObj>([](BarsObj& s, Call& c) {
                 ControlObj* k = nullptr;
                 for (BarObj* b : s.bars)
                   if (!k) k = FindIn(b->Controls(), FindArgs{c}, true);
                 c.ReturnDisp(k);
               }));
      return t;
    }();
    return table;
  }
  void Collect(const std::wstring& tag, std::vector<Ref<ControlObj>>& out) {
    std::function<void(ControlsObj&)> walk = [&](ControlsObj& cs) {
      for (ControlObj* k : cs.items) {
        if (k->controlType == 1 && k->tag == tag) out.emplace_back(k);
        if (k->bar) walk(static_cast<BarObj*>(k->bar.get())->Controls());
      }
    };
    for (BarObj* b : bars)
      walk(b->Controls());
  }
};

// ------------------------------------------------------- navigation pane

struct Shortcut {
  std::wstring name;
  FolderData* target;
};

class ShortcutObj : public Object {
 public:
  explicit ShortcutObj(Shortcut sIn) : Object(Tbl()), s(std::move(sIn)) {}
  Shortcut s;
  static const Table& Tbl() {
    static Table table = [] {
      Table t(L"OutlookBarShortcut");
      t.Get(L"Class", On<ShortcutObj>([](ShortcutObj&, Call& c) { c.ReturnLong(68); }));
      t.Get(L"Name", On<ShortcutObj>([](ShortcutObj& s, Call& c) { c.ReturnStr(s.s.name); }));
      return t;
    }();
    return table;
  }
};

class GroupObj : public Object {
 public:
  explicit GroupObj(std::wstring nameIn) : Object(Tbl()), name(std::move(nameIn)) {}
  std::wstring name;
  std::vector<Shortcut> shortcuts;
  static const Table& Tbl();
};

class ShortcutsObj : public Object {
 public:
  explicit ShortcutsObj(GroupObj* gIn) : Object(Tbl()), g(gIn) {}
  Ref<GroupObj> g;
  static const Table& Tbl() {
    static Table table = [] {
      Table t(L"OutlookBarShortcuts");
      t.Get(L"Class", On<ShortcutsObj>([](ShortcutsObj&, Call& c) { c.ReturnLong(67); }));
      t.Get(L"Count", On<ShortcutsObj>([](ShortcutsObj& s, Call& c) {
              c.ReturnLong(static_cast<long>(s.g->shortcuts.size()));
            }));
      t.Method(L"Item", {kIndexArg}, 1, On<ShortcutsObj>([](ShortcutsObj& s, Call& c) {
                 auto& v = s.g->shortcuts;
                 c.ReturnDisp(Make<ShortcutObj>(v[Index(c.Long(0), v.size())]).get());
               }));
      t.Method(L"Remove", {kIndexArg}, 1, On<ShortcutsObj>([](ShortcutsObj& s, Call& c) {
                 auto& v = s.g->shortcuts;
                 v.erase(v.begin() + static_cast<std::ptrdiff_t>(Index(c.Long(0), v.size())));
               }));
      t.Method(L"Add", {{{VT_DISPATCH, VT_BSTR}}, kStrArg, kLongArg}, 2,
               On<ShortcutsObj>([](ShortcutsObj& s, Call& c) {
                 Shortcut sc{c.Str(1), nullptr};
                 if (c.args[0]->vt == VT_DISPATCH) sc.target = FolderOf(c.Disp(0));
                 s.g->shortcuts.push_back(sc);
                 c.ReturnDisp(Make<ShortcutObj>(sc).get());
               }));
      return t;
    }();
    return table;
  }
};

const Table& GroupObj::Tbl() {
  static Table table = [] {
    Table t(L"OutlookBarGroup");
    t.Get(L"Class", On<GroupObj>([](GroupObj&, Call& c) { c.ReturnLong(66); }));
    t.Get(L"Name", On<GroupObj>([](GroupObj& s, Call& c) { c.ReturnStr(s.name); }));
    t.Get(L"Shortcuts",
          On<GroupObj>([](GroupObj& s, Call& c) { c.ReturnDisp(Make<ShortcutsObj>(&s).get()); }));
    return t;
  }();
  return table;
}

// The pane, its storage and the groups collection in one object per role.
class PaneObj : public Object {
 public:
  enum Role { kPanes, kPane, kStorage, kGroups };
  PaneObj(Role roleIn, Ref<GroupObj> groupIn)
      : Object(Tbl(roleIn)), role(roleIn), group(std::move(groupIn)) {}
  Role role;
  Ref<GroupObj> group;
  static const Table& Tbl(Role role) {
    static Table panes = [] {
      Table t(L"Panes");
      t.Get(L"Count", On<PaneObj>([](PaneObj&, Call& c) { c.ReturnLong(1); }));
      t.Method(L"Item", {kIndexArg}, 1, On<PaneObj>([](PaneObj& s, Call& c) {
                 if (c.IsNumber(0))
                   Index(c.Long(0), 1);
                 else if (!SameName(c.Str(0), L"OutlookBar"))
                   Fail(E_INVALIDARG, L"No such pane.");
                 c.ReturnDisp(Make<PaneObj>(kPane, s.group).get());
               }));
      return t;
    }();
    static Table pane = [] {
      Table t(L"OutlookBarPane");
      t.Get(L"Class", On<PaneObj>([](PaneObj&, Call& c) { c.ReturnLong(63); }));
      t.Get(L"Name", On<PaneObj>([](PaneObj&, Call& c) { c.ReturnStr(L"OutlookBar"); }));
      t.Get(L"Contents", On<PaneObj>([](PaneObj& s, Call& c) {
              c.ReturnDisp(Make<PaneObj>(kStorage, s.group).get());
            }));
      return t;
    }();
    static Table storage = [] {
      Table t(L"OutlookBarStorage");
      t.Get(L"Class", On<PaneObj>([](PaneObj&, Call& c) { c.ReturnLong(64); }));
      t.Get(L"Groups", On<PaneObj>([](PaneObj& s, Call& c) {
              c.ReturnDisp(Make<PaneObj>(kGroups, s.group).get());
            }));
      return t;
    }();
    static Table groups = [] {
      Table t(L"OutlookBarGroups");
      t.Get(L"Class", On<PaneObj>([](PaneObj&, Call& c) { c.ReturnLong(65); }));
      t.Get(L"Count", On<PaneObj>([](PaneObj&, Call& c) { c.ReturnLong(1); }));
      t.Method(L"Item", {kIndexArg}, 1, On<PaneObj>([](PaneObj& s, Call& c) {
                 if (c.IsNumber(0)) Index(c.Long(0), 1);
                 c.ReturnDisp(s.group.get());
               }));
      return t;
    }();
    switch (role) {
      case kPanes:
        return panes;
      case kPane:
        return pane;
      case kStorage:
        return storage;
      default:
        return groups;
    }
  }
};

// ---------------------------------------------------------------- windows

class SelectionObj : public Object {
 public:
  SelectionObj() : Object(Tbl()) {}
  static const Table& Tbl() {
    static Table table = [] {
      Table t(L"Selection");
      t.Get(L"Count", On<SelectionObj>([](SelectionObj&, Call& c) { c.ReturnLong(0); }));
      t.Method(L"Item", {kIndexArg}, 1,
               On<SelectionObj>([](SelectionObj&, Call& c) { Index(c.Long(0), 0); }));
      return t;
    }();
    return table;
  }
};

class WindowsObj;
void CloseExplorer(Impl& x, Object& explorer);

class ExplorerObj : public Object {
 public:
  ExplorerObj(Impl& xIn, FolderData* folderIn) : Object(Tbl()), x(xIn), folder(folderIn) {
    AddSource(kExplorerEvents);
    AddSource(kExplorerEvents10);
    bars = Make<BarsObj>(x, false);
    bars->Adopt();
    group = Make<GroupObj>(L"Shortcuts");
    group->Adopt();
  }
  Impl& x;
  FolderData* folder;
  Ref<Object> bars;
  Ref<GroupObj> group;
  bool open = true;
  static const Table& Tbl() {
    static Table table = [] {
      Table t(L"Explorer");
      t.Get(L"Class", On<ExplorerObj>([](ExplorerObj&, Call& c) { c.ReturnLong(34); }));
      t.Get(L"CommandBars",
            On<ExplorerObj>([](ExplorerObj& s, Call& c) { c.ReturnDisp(s.bars.get()); }));
      t.Prop(
          L"CurrentFolder", kDispArg, On<ExplorerObj>([](ExplorerObj& s, Call& c) {
            c.ReturnDisp(MakeFolder(s.x, s.folder).get());
          }),
          On<ExplorerObj>([](ExplorerObj& s, Call& c) { s.folder = FolderOf(c.value->pdispVal); }),
          true);
      t.Get(L"Selection", On<ExplorerObj>([](ExplorerObj&, Call& c) {
              c.ReturnDisp(Make<SelectionObj>().get());
            }));
      t.Get(L"Panes", On<ExplorerObj>([](ExplorerObj& s, Call& c) {
              c.ReturnDisp(Make<PaneObj>(PaneObj::kPanes, s.group).get());
            }));
      t.Method(L"Close", {}, 0, On<ExplorerObj>([](ExplorerObj& s, Call&) {
                 if (s.open) CloseExplorer(s.x, s);
               }));
      for (const wchar_t* name : {L"Left", L"Top", L"Width", L"Height"})
        t.Get(name, On<ExplorerObj>([v = name[0] == L'W' ? 800L
                                         : name[0] == L'H'
                                             ? 600L
                                             : 10L](ExplorerObj&, Call& c) { c.ReturnLong(v); }));
      return t;
    }();
    return table;
  }
  std::vector<std::wstring> Shortcuts() const {
    std::vector<std::wstring> out;
    for (const auto& s : group->shortcuts)
      out.push_back(s.name);
    return out;
  }
};

class InspectorObj : public Object {
 public:
  InspectorObj(Impl& xIn, std::shared_ptr<MailData> mIn)
      : Object(Tbl()), x(xIn), m(std::move(mIn)) {
    bars = Make<BarsObj>(x, true);
    bars->Adopt();
  }
  Impl& x;
  std::shared_ptr<MailData> m;
  Ref<Object> bars;
  static const Table& Tbl();
};

// Explorers or Inspectors: the open windows, each held.
class WindowsObj : public Object {
 public:
  explicit WindowsObj(bool explorersIn)
      : Object(explorersIn ? ExplorersTable() : InspectorsTable()), explorers(explorersIn) {
    AddSource(explorers ? kExplorersEvents : kInspectorsEvents);
  }
  ~WindowsObj() override {
    for (Object* w : windows)
      w->Unhold();
  }
  bool explorers;
  std::vector<Object*> windows;
  void Open(Object* w) {
    w->Hold();
    windows.push_back(w);
  }
  void Remove(Object* w) {
    const auto it = std::find(windows.begin(), windows.end(), w);
    if (it == windows.end()) return;
    windows.erase(it);
    w->Unhold();
  }
  static void Common(Table& t) {
    t.Get(L"Count", On<WindowsObj>([](WindowsObj& s, Call& c) {
            c.ReturnLong(static_cast<long>(s.windows.size()));
          }));
    t.Method(L"Item", {kLongArg}, 1, On<WindowsObj>([](WindowsObj& s, Call& c) {
               c.ReturnDisp(s.windows[Index(c.Long(0), s.windows.size())]);
             }));
  }
  static const Table& ExplorersTable() {
    static Table table = [] {
      Table t(L"Explorers");
      Common(t);
      return t;
    }();
    return table;
  }
  static const Table& InspectorsTable() {
    static Table table = [] {
      Table t(L"Inspectors");
      Common(t);
      return t;
    }();
    return table;
  }
};

WindowsObj& Windows(Ref<Object>& r) {
  return *static_cast<WindowsObj*>(r.get());
}

void MaybeQuit(Impl& x) {
  if (Windows(x.explorers).windows.empty() && Windows(x.inspectors).windows.empty()) x.Quit();
}

void CloseExplorer(Impl& x, Object& explorer) {
  auto& e = static_cast<ExplorerObj&>(explorer);
  e.open = false;
  Ref<Object> keep(&e);
  // The window leaves Explorers first; its Close comes from the loop.
  Windows(x.explorers).Remove(&e);
  x.owner.Post([&x, keep] {
    keep->Fire(kExplorerEvents, kClose);
    keep->Fire(kExplorerEvents10, kClose);
    MaybeQuit(x);
  });
}

const Table& InspectorObj::Tbl() {
  static Table table = [] {
    Table t(L"Inspector");
    t.Get(L"Class", On<InspectorObj>([](InspectorObj&, Call& c) { c.ReturnLong(35); }));
    t.Get(L"CurrentItem", On<InspectorObj>([](InspectorObj& s, Call& c) {
            c.ReturnDisp(MakeMail(s.x, s.m).get());
          }));
    t.Get(L"CommandBars",
          On<InspectorObj>([](InspectorObj& s, Call& c) { c.ReturnDisp(s.bars.get()); }));
    // Close(SaveMode): olSave 0, olDiscard 1, olPromptForSave 2.
    t.Method(L"Close", {kLongArg}, 1, On<InspectorObj>([](InspectorObj& s, Call& c) {
               const long mode = c.Long(0);
               if (mode < 0 || mode > 2) Fail(E_INVALIDARG, L"Unknown save mode.");
               s.x.inspectorCloses.push_back({s.m ? s.m->subject : L"", mode});
               Ref<Object> keep(&s);
               Windows(s.x.inspectors).Remove(&s);
               s.x.owner.Post([&x = s.x] { MaybeQuit(x); });
             }));
    t.Method(L"IsWordMail", {}, 0,
             On<InspectorObj>([](InspectorObj&, Call& c) { c.ReturnBool(false); }));
    t.Get(L"EditorType", On<InspectorObj>([](InspectorObj&, Call& c) { c.ReturnLong(2); }));
    for (const wchar_t* name : {L"Left", L"Top", L"Width", L"Height"})
      t.Get(name, On<InspectorObj>([v = name[0] == L'W' ? 640L
                                        : name[0] == L'H'
                                            ? 480L
                                            : 20L](InspectorObj&, Call& c) { c.ReturnLong(v); }));
    return t;
  }();
  return table;
}

// ------------------------------------------------------- send/receive

class SyncObj : public Object {
 public:
  SyncObj(Impl& xIn, std::wstring nameIn) : Object(Tbl()), x(xIn), name(std::move(nameIn)) {
    AddSource(kSyncObjectEvents);
  }
  Impl& x;
  std::wstring name;
  int starts = 0;
  static const Table& Tbl() {
    static Table table = [] {
      Table t(L"SyncObject");
      t.Get(L"Name", On<SyncObj>([](SyncObj& s, Call& c) { c.ReturnStr(s.name); }));
      // The group's events come from the loop, never from inside Start.
      t.Method(L"Start", {}, 0, On<SyncObj>([](SyncObj& s, Call&) {
                 ++s.starts;
                 Ref<Object> keep(&s);
                 const bool fails = s.x.syncFails;
                 const long code = s.x.syncErrorCode;
                 const std::wstring text = s.x.syncErrorText;
                 s.x.owner.Post([keep, fails, code, text] {
                   keep->Fire(kSyncObjectEvents, kSyncStart);
                   Variant sending = Variant::Str(L"Sending");
                   // Progress(State, Description, Value, Max), last argument first.
                   keep->Fire(kSyncObjectEvents, kProgress,
                              {ArgLong(1), ArgLong(1), sending.get(), ArgLong(1)});
                   if (fails) {
                     Variant description = Variant::Str(text);
                     keep->Fire(kSyncObjectEvents, kOnError, {description.get(), ArgLong(code)});
                   }
                   keep->Fire(kSyncObjectEvents, kSyncEnd);
                 });
               }));
      t.Method(L"Stop", {}, 0, On<SyncObj>([](SyncObj&, Call&) {}));
      return t;
    }();
    return table;
  }
};

class SyncsObj : public Object {
 public:
  explicit SyncsObj(Impl& x) : Object(Tbl()) {
    group = Make<SyncObj>(x, L"All Accounts");
    group->Adopt();
  }
  Ref<Object> group;
  static const Table& Tbl() {
    static Table table = [] {
      Table t(L"SyncObjects");
      t.Get(L"Count", On<SyncsObj>([](SyncsObj&, Call& c) { c.ReturnLong(1); }));
      t.Method(L"Item", {kIndexArg}, 1, On<SyncsObj>([](SyncsObj& s, Call& c) {
                 if (c.IsNumber(0)) Index(c.Long(0), 1);
                 c.ReturnDisp(s.group.get());
               }));
      return t;
    }();
    return table;
  }
};

// ------------------------------------------------------- application

class NameSpaceObj : public Object {
 public:
  explicit NameSpaceObj(Impl& xIn) : Object(Tbl()), x(xIn) {}
  Impl& x;
  static const Table& Tbl() {
    static Table table = [] {
      Table t(L"NameSpace");
      t.Get(L"Class", On<NameSpaceObj>([](NameSpaceObj&, Call& c) { c.ReturnLong(1); }));
      t.Method(L"GetDefaultFolder", {kLongArg}, 1, On<NameSpaceObj>([](NameSpaceObj& s, Call& c) {
                 FolderData* f = s.x.store->Default(c.Long(0));
                 if (!f) Fail(E_INVALIDARG, L"The folder kind is not known.");
                 c.ReturnDisp(MakeFolder(s.x, f).get());
               }));
      t.Get(L"SyncObjects",
            On<NameSpaceObj>([](NameSpaceObj& s, Call& c) { c.ReturnDisp(s.x.syncs.get()); }));
      t.Method(L"GetItemFromID", {kStrArg, kAnyArg}, 1,
               On<NameSpaceObj>([](NameSpaceObj& s, Call& c) {
                 auto m = s.x.store->Find(c.Str(0));
                 if (!m) Fail(kNotFound, L"The operation failed.");
                 c.ReturnDisp(MakeMail(s.x, m).get());
               }));
      return t;
    }();
    return table;
  }
};

class AddInObj : public Object {
 public:
  AddInObj(std::wstring progIdIn, std::wstring descriptionIn)
      : Object(Tbl()), progId(std::move(progIdIn)), description(std::move(descriptionIn)) {}
  std::wstring progId, description;
  bool connect = true;
  Ref<IDispatch> object;
  static const Table& Tbl() {
    static Table table = [] {
      Table t(L"COMAddIn");
      t.Get(L"ProgId", On<AddInObj>([](AddInObj& s, Call& c) { c.ReturnStr(s.progId); }));
      t.Get(L"Description", On<AddInObj>([](AddInObj& s, Call& c) { c.ReturnStr(s.description); }));
      t.Prop(L"Connect", kBoolArg,
             On<AddInObj>([](AddInObj& s, Call& c) { c.ReturnBool(s.connect); }),
             On<AddInObj>(
                 [](AddInObj& s, Call& c) { s.connect = c.value->boolVal != VARIANT_FALSE; }));
      t.Prop(
          L"Object", kDispArg,
          On<AddInObj>([](AddInObj& s, Call& c) { c.ReturnDisp(s.object.get()); }),
          On<AddInObj>([](AddInObj& s, Call& c) { s.object = Ref<IDispatch>(c.value->pdispVal); }));
      return t;
    }();
    return table;
  }
};

class AddInsObj : public Object {
 public:
  AddInsObj() : Object(Tbl()) {}
  ~AddInsObj() override {
    for (AddInObj* a : entries)
      a->Unhold();
  }
  std::vector<AddInObj*> entries;
  static const Table& Tbl() {
    static Table table = [] {
      Table t(L"COMAddIns");
      t.Get(L"Count", On<AddInsObj>([](AddInsObj& s, Call& c) {
              c.ReturnLong(static_cast<long>(s.entries.size()));
            }));
      t.Method(L"Item", {kIndexArg}, 1, On<AddInsObj>([](AddInsObj& s, Call& c) {
                 AddInObj* a = nullptr;
                 if (c.IsNumber(0)) {
                   a = s.entries[Index(c.Long(0), s.entries.size())];
                 } else {
                   for (AddInObj* e : s.entries)
                     if (!a && SameName(e->progId, c.Str(0))) a = e;
                   if (!a) Fail(E_INVALIDARG, L"No such add-in.");
                 }
                 c.ReturnDisp(a);
               }));
      return t;
    }();
    return table;
  }
};

class ApplicationObj : public Object {
 public:
  explicit ApplicationObj(Impl& xIn) : Object(Tbl()), x(xIn) {
    AddSource(kApplicationEvents11);
    AddSource(kApplicationEvents);
    AddSource(kApplicationEvents10);
  }
  Impl& x;
  static const Table& Tbl() {
    static Table table = [] {
      Table t(L"Application");
      t.Get(L"Class", On<ApplicationObj>([](ApplicationObj&, Call& c) { c.ReturnLong(0); }));
      t.Get(L"Name", On<ApplicationObj>([](ApplicationObj&, Call& c) { c.ReturnStr(L"Outlook"); }));
      t.Get(L"Session",
            On<ApplicationObj>([](ApplicationObj& s, Call& c) { c.ReturnDisp(s.x.ns.get()); }));
      t.Method(L"GetNamespace", {kStrArg}, 1, On<ApplicationObj>([](ApplicationObj& s, Call& c) {
                 if (!SameName(c.Str(0), L"MAPI"))
                   Fail(E_INVALIDARG, L"Only the MAPI namespace exists.");
                 c.ReturnDisp(s.x.ns.get());
               }));
      t.Get(L"Version",
            On<ApplicationObj>([](ApplicationObj& s, Call& c) { c.ReturnStr(s.x.version); }));
      t.Method(L"ActiveExplorer", {}, 0, On<ApplicationObj>([](ApplicationObj& s, Call& c) {
                 auto& w = Windows(s.x.explorers).windows;
                 c.ReturnDisp(w.empty() ? nullptr : w.front());
               }));
      t.Method(L"ActiveInspector", {}, 0, On<ApplicationObj>([](ApplicationObj& s, Call& c) {
                 auto& w = Windows(s.x.inspectors).windows;
                 c.ReturnDisp(w.empty() ? nullptr : w.back());
               }));
      t.Get(L"Explorers", On<ApplicationObj>([](ApplicationObj& s, Call& c) {
              c.ReturnDisp(s.x.explorers.get());
            }));
      t.Get(L"Inspectors", On<ApplicationObj>([](ApplicationObj& s, Call& c) {
              c.ReturnDisp(s.x.inspectors.get());
            }));
      t.Method(
          L"CreateItem", {kLongArg}, 1, On<ApplicationObj>([](ApplicationObj& s, Call& c) {
            if (c.Long(0) != 0) Fail(E_INVALIDARG, L"Only mail items here.");
            c.ReturnDisp(
                MakeMail(s.x, s.x.store->AddMail(*s.x.store->Default(kFolderDrafts), L"")).get());
          }));
      t.Get(L"COMAddIns",
            On<ApplicationObj>([](ApplicationObj& s, Call& c) { c.ReturnDisp(s.x.addins.get()); }));
      return t;
    }();
    return table;
  }
};

bool FireItemSend(Impl& x, const std::shared_ptr<MailData>& m) {
  VARIANT_BOOL cancel = VARIANT_FALSE;
  auto item = MakeMail(x, m);
  for (const IID* iid : {&kApplicationEvents11, &kApplicationEvents, &kApplicationEvents10})
    if (cancel == VARIANT_FALSE)
      x.app->Fire(*iid, kItemSend, {ArgBoolRef(&cancel), ArgDisp(item.get())});
  return cancel == VARIANT_FALSE;
}

// ---------------------------------------------------------------- Outlook

namespace {

constexpr UINT kWorkMessage = WM_APP + 17;

LRESULT CALLBACK WorkProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg == kWorkMessage) {
    auto* x = reinterpret_cast<Impl*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
    while (x && !x->work.empty()) {
      auto f = std::move(x->work.front());
      x->work.pop_front();
      f();
    }
    return 0;
  }
  return ::DefWindowProcW(h, msg, w, l);
}

}  // namespace

Outlook::Outlook(std::wstring version)
    : store_(std::make_shared<Store>()),
      impl_(new Impl{*this, store_, std::move(version), nullptr, {}, {}, {}, {}, {}, {}, {}}) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = WorkProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VelmoraOutlookStandin";
  ::RegisterClassW(&wc);
  impl_->window = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    wc.hInstance, nullptr);
  ::SetWindowLongPtrW(impl_->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(impl_.get()));
  Impl& x = *impl_;
  x.ns = Make<NameSpaceObj>(x);
  x.syncs = Make<SyncsObj>(x);
  x.explorers = Make<WindowsObj>(true);
  x.inspectors = Make<WindowsObj>(false);
  x.addins = Make<AddInsObj>();
  x.app = Make<ApplicationObj>(x);
  for (Ref<Object>* r : {&x.ns, &x.syncs, &x.explorers, &x.inspectors, &x.addins, &x.app})
    (*r)->Adopt();
}

Outlook::~Outlook() {
  ::DestroyWindow(impl_->window);
  Impl& x = *impl_;
  x.work.clear();
  // Windows first: they may hold folders; the application last.
  for (Ref<Object>* r : {&x.explorers, &x.inspectors, &x.addins, &x.syncs, &x.ns, &x.app})
    r->reset();
}

IDispatch* Outlook::application() {
  return impl_->app.get();
}

IDispatch* Outlook::AddAddInEntry(const std::wstring& progId, const std::wstring& description) {
  // One entry per add-in, as in Outlook's COM add-ins list: a later load gets it again.
  for (AddInObj* a : static_cast<AddInsObj*>(impl_->addins.get())->entries)
    if (SameName(a->progId, progId)) return a;
  auto a = Make<AddInObj>(progId, description);
  a->Hold();
  static_cast<AddInsObj*>(impl_->addins.get())->entries.push_back(a.get());
  return a.get();
}

IDispatch* Outlook::AddInObject(const std::wstring& progId) {
  for (AddInObj* a : static_cast<AddInsObj*>(impl_->addins.get())->entries)
    if (SameName(a->progId, progId)) return a->object.get();
  return nullptr;
}

void Outlook::ClearAddInObjects() {
  for (AddInObj* a : static_cast<AddInsObj*>(impl_->addins.get())->entries)
    a->object.reset();
}

void Outlook::OpenExplorer(FolderData& folder) {
  auto e = Make<ExplorerObj>(*impl_, &folder);
  Windows(impl_->explorers).Open(e.get());
  Ref<Object> keep(e.get());
  Ref<Object> list = impl_->explorers;
  Post([keep, list] { list->Fire(kExplorersEvents, kNewWindow, {ArgDisp(keep.get())}); });
}

void Outlook::OpenInspector(const std::shared_ptr<MailData>& mail) {
  auto i = Make<InspectorObj>(*impl_, mail);
  Windows(impl_->inspectors).Open(i.get());
  Ref<Object> keep(i.get());
  Ref<Object> list = impl_->inspectors;
  Post([keep, list] { list->Fire(kInspectorsEvents, kNewWindow, {ArgDisp(keep.get())}); });
}

int Outlook::ExplorerCount() {
  return static_cast<int>(Windows(impl_->explorers).windows.size());
}

void Outlook::CloseExplorers() {
  const auto windows = Windows(impl_->explorers).windows;
  for (Object* w : windows)
    CloseExplorer(*impl_, *w);
}

void Outlook::CloseInspectors() {
  const auto windows = Windows(impl_->inspectors).windows;
  for (Object* w : windows)
    Windows(impl_->inspectors).Remove(w);
  Post([&x = *impl_] { MaybeQuit(x); });
}

std::vector<std::wstring> Outlook::ShortcutNames() {
  const auto& w = Windows(impl_->explorers).windows;
  return w.empty() ? std::vector<std::wstring>{}
                   : static_cast<ExplorerObj*>(w.front())->Shortcuts();
}

bool Outlook::UserSends(const std::shared_ptr<MailData>& mail) {
  if (!FireItemSend(*impl_, mail)) return false;
  store_->Send(mail, L"Outlook");
  return true;
}

bool Outlook::ClickButtons(const std::wstring& tag) {
  std::vector<Ref<ControlObj>> found;
  for (Object* w : Windows(impl_->explorers).windows)
    static_cast<BarsObj*>(static_cast<ExplorerObj*>(w)->bars.get())->Collect(tag, found);
  for (Object* w : Windows(impl_->inspectors).windows)
    static_cast<BarsObj*>(static_cast<InspectorObj*>(w)->bars.get())->Collect(tag, found);
  bool cancelled = false;
  for (auto& k : found) {
    VARIANT_BOOL cancel = VARIANT_FALSE;
    k->Fire(kCommandBarButtonEvents, kClick, {ArgBoolRef(&cancel), ArgDisp(k.get())});
    cancelled = cancelled || cancel != VARIANT_FALSE;
  }
  return cancelled;
}

int Outlook::ButtonsTagged(const std::wstring& tag) {
  std::vector<Ref<ControlObj>> found;
  for (Object* w : Windows(impl_->explorers).windows)
    static_cast<BarsObj*>(static_cast<ExplorerObj*>(w)->bars.get())->Collect(tag, found);
  for (Object* w : Windows(impl_->inspectors).windows)
    static_cast<BarsObj*>(static_cast<InspectorObj*>(w)->bars.get())->Collect(tag, found);
  return static_cast<int>(found.size());
}

std::vector<ControlInfo> Outlook::Controls(bool inspector, std::size_t index,
                                           const std::wstring& bar, long popupId) {
  std::vector<ControlInfo> out;
  const auto& windows = Windows(inspector ? impl_->inspectors : impl_->explorers).windows;
  if (index >= windows.size()) return out;
  Object* bars = inspector ? static_cast<InspectorObj*>(windows[index])->bars.get()
                           : static_cast<ExplorerObj*>(windows[index])->bars.get();
  BarObj* found = nullptr;
  for (BarObj* b : static_cast<BarsObj*>(bars)->bars)
    if (!found && SameName(b->name, bar)) found = b;
  if (!found) return out;
  ControlsObj* controls = &found->Controls();
  if (popupId != 0) {
    controls = nullptr;
    for (ControlObj* k : found->Controls().items)
      if (!controls && k->controlType == 10 && k->id == popupId)
        controls = &static_cast<BarObj*>(k->bar.get())->Controls();
    if (!controls) return out;
  }
  for (const ControlObj* k : controls->items)
    out.push_back(ControlInfo{k->controlType, k->id, k->caption, k->tag, k->faceId, k->style,
                              k->visible, k->beginGroup, k->temporary});
  return out;
}

std::vector<long> Outlook::ExecutedControls() const {
  return impl_->executed;
}

std::vector<InspectorClose> Outlook::InspectorCloses() const {
  return impl_->inspectorCloses;
}

int Outlook::InspectorCount() {
  return static_cast<int>(Windows(impl_->inspectors).windows.size());
}

void Outlook::FailSyncWith(long code, const std::wstring& text) {
  impl_->syncFails = true;
  impl_->syncErrorCode = code;
  impl_->syncErrorText = text;
}

int Outlook::SyncStarts() const {
  return static_cast<SyncObj*>(static_cast<SyncsObj*>(impl_->syncs.get())->group.get())->starts;
}

int Outlook::SinksOnApplication() {
  int n = 0;
  for (const IID* iid : {&kApplicationEvents11, &kApplicationEvents, &kApplicationEvents10})
    n += impl_->app->Sinks(*iid);
  return n;
}

int Outlook::SinksOnSync() {
  return static_cast<SyncsObj*>(impl_->syncs.get())->group->Sinks(kSyncObjectEvents);
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
  for (;;) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
      if (done()) return true;
    }
    if (done()) return true;
    const ULONGLONG now = ::GetTickCount64();
    if (now >= end) return false;
    ::MsgWaitForMultipleObjects(
        0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(end - now, 50)), QS_ALLINPUT);
  }
}

}  // namespace standin
