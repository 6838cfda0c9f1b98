#include "tests/win32/standin/redemption_standin.h"

#include "tests/win32/standin/dispatch_object.h"
#include "tests/win32/standin/outlook_model.h"

namespace standin {

namespace {

// {3B7E54A1-6C2D-4E0F-9A8B-1D2C3E4F5A6B}: this stand-in's own class id.
const CLSID kClsid = {0x3b7e54a1, 0x6c2d, 0x4e0f, {0x9a, 0x8b, 0x1d, 0x2c, 0x3e, 0x4f, 0x5a, 0x6b}};
constexpr const wchar_t* kProgIdKey = L"Software\\Classes\\Redemption.SafeMailItem";
int g_created = 0;

ItemRef Wrapped(const Ref<IDispatch>& item) {
  ItemRef r = ItemOf(item.get());
  if (!r.mail) Fail(E_FAIL, L"Item is not set to an Outlook item.");
  return r;
}

class SafeRecipientsObj : public Object {
 public:
  explicit SafeRecipientsObj(std::shared_ptr<MailData> mIn) : Object(Tbl()), m(std::move(mIn)) {}
  std::shared_ptr<MailData> m;
  static const MailData& Of(Object& o) { return *static_cast<SafeRecipientsObj&>(o).m; }
  static const Table& Tbl() {
    static Table table = [] {
      Table t(L"SafeRecipients");
      t.Get(L"Count",
            [](Object& s, Call& c) { c.Return(static_cast<long>(RecipientCount(Of(s)))); });
      t.Method(L"ResolveAll", {kAnyArg, kAnyArg}, 0,
               [](Object& s, Call& c) { c.Return(RecipientsResolve(Of(s))); });
      return t;
    }();
    return table;
  }
};

class SafeMailItemObj : public Object {
 public:
  SafeMailItemObj() : Object(Tbl()) { ++g_created; }
  Ref<IDispatch> item;
  static Ref<IDispatch>& Of(Object& o) { return static_cast<SafeMailItemObj&>(o).item; }
  static const Table& Tbl() {
    static Table table = [] {
      Table t(L"SafeMailItem");
      t.Prop(
          L"Item", kDispArg, [](Object& s, Call& c) { c.Return(Of(s)); },
          [](Object& s, Call& c) { Of(s) = Ref<IDispatch>(c.Disp(0)); });
      t.Method(L"Send", {}, 0, [](Object& s, Call&) {
        ItemRef r = Wrapped(Of(s));
        r.store->Send(r.mail, L"Redemption");
      });
      t.Get(L"Recipients",
            [](Object& s, Call& c) { c.Return(Make<SafeRecipientsObj>(Wrapped(Of(s)).mail)); });
      return t;
    }();
    return table;
  }
};

class Factory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (outer) return CLASS_E_NOAGGREGATION;
    auto o = Make<SafeMailItemObj>();
    return o->QueryInterface(riid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

}  // namespace

RedemptionRegistration::RedemptionRegistration() {
  if (FAILED(::CoRegisterClassObject(kClsid, &g_factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                     &cookie_)))
    cookie_ = 0;
  wchar_t clsid[64];
  ::StringFromGUID2(kClsid, clsid, 64);
  HKEY key = nullptr;
  // Wine's class view is the machine's (HKCU classes are not merged in).
  const std::wstring sub = std::wstring(kProgIdKey) + L"\\CLSID";
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, sub.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
    keyWritten_ = ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(clsid),
                                   static_cast<DWORD>((wcslen(clsid) + 1) * sizeof(wchar_t))) ==
                  ERROR_SUCCESS;
    ::RegCloseKey(key);
  }
}

RedemptionRegistration::~RedemptionRegistration() {
  if (cookie_) ::CoRevokeClassObject(cookie_);
  RemoveRedemptionProgId();
}

int RedemptionRegistration::Created() {
  return g_created;
}

void RemoveRedemptionProgId() {
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProgIdKey);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, kProgIdKey);
}

}  // namespace standin
