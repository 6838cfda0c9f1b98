// The late-bound call helper and the event sinks against hand-made
// automation objects: what goes over IDispatch (flags, argument order, left
// out arguments, put), how failures become run-time errors, the conversions
// at this boundary, and that a dropped subscription is unadvised.
#include <gtest/gtest.h>

#include "platform/win32/com/dispatch.h"

#include <ocidl.h>
#include <olectl.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/com/event_sink.h"
#include "platform/win32/outlook/outlook_adapters.h"

namespace velmora::win32 {
namespace {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// One recorded Invoke.
struct Seen {
  DISPID id = 0;
  WORD flags = 0;
  std::vector<VARTYPE> types;  // in the member's order (first argument first)
  std::vector<std::wstring> texts;
  UINT named = 0;
  DISPID namedId = 0;
};

// An automation object answering from a table of names, recording calls.
class FakeObject : public IDispatch, public IConnectionPointContainer, public IConnectionPoint {
 public:
  std::map<std::wstring, DISPID> ids;
  int lookups = 0;
  std::vector<Seen> seen;
  // The answer to Invoke; by default S_OK with nothing.
  std::function<HRESULT(DISPID, VARIANT*, EXCEPINFO*)> answer;
  IID events{};
  IDispatch* sink = nullptr;
  int unadvised = 0;
  LONG refs = 1;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch)
      *out = static_cast<IDispatch*>(this);
    else if (riid == IID_IConnectionPointContainer)
      *out = static_cast<IConnectionPointContainer*>(this);
    else
      return *out = nullptr, E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID,
                                          DISPID* out) override {
    ++lookups;
    const auto it = ids.find(names[0]);
    if (it == ids.end()) return DISP_E_UNKNOWNNAME;
    *out = it->second;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p,
                                   VARIANT* result, EXCEPINFO* info, UINT*) override {
    Seen s{id, flags, {}, {}, p->cNamedArgs, p->cNamedArgs ? p->rgdispidNamedArgs[0] : 0};
    for (UINT i = p->cArgs; i-- > 0;) {
      s.types.push_back(p->rgvarg[i].vt);
      s.texts.push_back(p->rgvarg[i].vt == VT_BSTR ? p->rgvarg[i].bstrVal : L"");
    }
    seen.push_back(s);
    return answer ? answer(id, result, info) : S_OK;
  }
  // IConnectionPointContainer: one connection point, for `events`.
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** out) override {
    if (riid != events) return *out = nullptr, CONNECT_E_NOCONNECTION;
    *out = this;
    AddRef();
    return S_OK;
  }
  // IConnectionPoint
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* out) override {
    return *out = events, S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* s, DWORD* cookie) override {
    // As Outlook does across processes: ask for the event interface itself.
    IDispatch* d = nullptr;
    if (FAILED(s->QueryInterface(events, reinterpret_cast<void**>(&d))))
      return CONNECT_E_CANNOTCONNECT;
    sink = d;
    *cookie = 7;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    if (cookie != 7 || !sink) return CONNECT_E_NOCONNECTION;
    ++unadvised;
    std::exchange(sink, nullptr)->Release();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }
};

#pragma GCC diagnostic pop

class Dispatch : public testing::Test {
 protected:
  void SetUp() override { ForgetDispatchIds(); }
  void TearDown() override { ForgetDispatchIds(); }
};

TEST_F(Dispatch, CallsGoOverTheWireAsOutlookExpects) {
  FakeObject o;
  o.ids = {{L"Add", 0x5F}, {L"Subject", 0x37}};
  // Attachments.Add(Source, Type, Position, DisplayName) with the middle two
  // left out: four arguments, in order, the missing ones as PARAMNOTFOUND.
  Read(&o, Member::Attachments_Add, {"C:\\a.txt", kMissing, kMissing, "a.txt"});
  ASSERT_EQ(o.seen.size(), 1u);
  EXPECT_EQ(o.seen[0].id, 0x5F);
  EXPECT_EQ(o.seen[0].flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
  EXPECT_EQ(o.seen[0].types, (std::vector<VARTYPE>{VT_BSTR, VT_ERROR, VT_ERROR, VT_BSTR}));
  EXPECT_EQ(o.seen[0].texts.front(), L"C:\\a.txt");
  EXPECT_EQ(o.seen[0].texts.back(), L"a.txt");

  // Trailing missing arguments are not passed at all.
  Read(&o, Member::Attachments_Add, {"b", kMissing, kMissing});
  EXPECT_EQ(o.seen[1].types, (std::vector<VARTYPE>{VT_BSTR}));

  // A put carries the value as the named DISPID_PROPERTYPUT argument.
  Put(&o, Member::MailItem_Subject, "Größe");
  EXPECT_EQ(o.seen[2].flags, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(o.seen[2].named, 1u);
  EXPECT_EQ(o.seen[2].namedId, DISPID_PROPERTYPUT);
  EXPECT_EQ(o.seen[2].texts, std::vector<std::wstring>{L"Gr\u00f6\u00dfe"});

  // One lookup per member, however often it is called.
  EXPECT_EQ(o.lookups, 2);
}

TEST_F(Dispatch, FailuresBecomeRunTimeErrorsNamingTheCall) {
  FakeObject o;
  o.ids = {{L"Save", 0xF048}};
  auto expectError = [&](long number, const std::string& text) {
    try {
      Method(&o, Member::MailItem_Save);
      ADD_FAILURE() << "no error";
    } catch (const HostError& e) {
      EXPECT_EQ(e.Number(), number);
      EXPECT_NE(e.Description().find(text), std::string::npos) << e.Description();
      EXPECT_NE(e.Description().find("MailItem.Save"), std::string::npos) << e.Description();
    }
  };
  // The EXCEPINFO's code and text win over the bare DISP_E_EXCEPTION; a
  // control-facility code carries the run-time error number.
  o.answer = [](DISPID, VARIANT*, EXCEPINFO* info) {
    info->scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 429);
    info->bstrDescription = ::SysAllocString(L"store offline");
    return DISP_E_EXCEPTION;
  };
  expectError(429, "store offline");
  o.answer = [](DISPID, VARIANT*, EXCEPINFO* info) {
    info->wCode = 1004;
    return DISP_E_EXCEPTION;
  };
  expectError(1004, "MailItem.Save");
  // A plain failure keeps its HRESULT as the number.
  o.answer = [](DISPID, VARIANT*, EXCEPINFO*) { return E_FAIL; };
  expectError(static_cast<long>(E_FAIL), "MailItem.Save");
  o.answer = [](DISPID, VARIANT*, EXCEPINFO*) { return DISP_E_TYPEMISMATCH; };
  expectError(err::kTypeMismatch, "Type mismatch");
  // A member the object does not have.
  o.ids.clear();
  ForgetDispatchIds();
  expectError(438, "doesn't support");
  // No object at all: error 91, nothing called.
  try {
    Method(nullptr, Member::MailItem_Save);
    ADD_FAILURE();
  } catch (const HostError& e) {
    EXPECT_EQ(e.Number(), err::kObjectNotSet);
  }
}

TEST_F(Dispatch, EmptyObjectsComeBackAsEmptyReferences) {
  FakeObject props;
  props.ids = {{L"Find", 0x67}};
  props.answer = [](DISPID, VARIANT* r, EXCEPINFO*) {
    r->vt = VT_DISPATCH;  // Find of a name the item lacks: Nothing
    r->pdispVal = nullptr;
    return S_OK;
  };
  FakeObject app;
  app.ids = {{L"ActiveExplorer", 0x111}};  // no explorer: answers VT_EMPTY
  FakeObject item;
  item.ids = {{L"UserProperties", 0xF816}};
  item.answer = [&](DISPID, VARIANT* r, EXCEPINFO*) {
    r->vt = VT_DISPATCH;
    r->pdispVal = &props;
    props.AddRef();
    return S_OK;
  };
  EXPECT_EQ(WrapApplication(nullptr), nullptr);
  {
    const auto application = WrapApplication(&app);
    EXPECT_EQ(application->ActiveExplorer(), nullptr);
    const auto found = WrapItem(&item)->UserProperties()->Find("ScheduleTime");
    EXPECT_EQ(found, nullptr);
  }
  // Every reference the adapters took is given back.
  EXPECT_EQ(app.refs, 1);
  EXPECT_EQ(item.refs, 1);
  EXPECT_EQ(props.refs, 1);
}

// A variant of the given type whose value is set through its 8-byte union.
VARIANT Var(VARTYPE vt, LONGLONG bits) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = vt;
  v.llVal = bits;
  return v;
}

TEST_F(Dispatch, ValuesConvertAtTheBoundary) {
  const DateTime nine = DateTime::FromParts(2026, 12, 7, 9, 0, 0);
  VARIANT date = Var(VT_DATE, 0);
  date.date = 46363.375;
  EXPECT_EQ(std::get<DateTime>(ToValue(date)), nine);
  EXPECT_EQ(std::get<std::int32_t>(ToValue(Var(VT_I2, -3))), -3);
  EXPECT_DOUBLE_EQ(std::get<double>(ToValue(Var(VT_UI4, 4000000000))), 4e9);
  EXPECT_TRUE(std::get<bool>(ToValue(Var(VT_BOOL, VARIANT_TRUE))));
  EXPECT_EQ(ToInt(Var(VT_BOOL, VARIANT_TRUE)), -1);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(ToValue(Var(VT_NULL, 0))));
  EXPECT_THROW(ToInt(Var(VT_NULL, 0)), HostError);
  EXPECT_THROW(ToValue(Var(VT_DISPATCH, 0)), HostError);
  EXPECT_FALSE(ToObject(Var(VT_DISPATCH, 0)));

  // Text survives the trip through a BSTR, embedded NUL and all.
  const std::string text("a\0\xE2\x82\xAC", 5);
  EXPECT_EQ(ToText(Arg(text).get()), text);
  EXPECT_EQ(std::get<std::string>(ToValue(Arg(host::Value(text)).get())), text);
  EXPECT_EQ(std::get<DateTime>(ToValue(Arg(host::Value(nine)).get())), nine);
  // A by-reference variant is followed.
  VARIANT inner = Var(VT_I4, 43);
  VARIANT ref = Var(VT_VARIANT | VT_BYREF, 0);
  ref.pvarVal = &inner;
  EXPECT_EQ(ToInt(ref), 43);
}

TEST_F(Dispatch, SinksReachTheirHandlerWriteBackAndUnadvise) {
  FakeObject app;
  app.events = iid::kApplicationEvents;
  std::string subject;
  int calls = 0;
  auto subscription = WrapApplication(&app)->OnItemSend([&](host::MailItemPtr item, bool& cancel) {
    ++calls;
    subject = item ? "item" : "none";
    cancel = true;
  });
  ASSERT_NE(app.sink, nullptr);

  FakeObject mail;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT args[2];  // last to first: Cancel, Item
  ::VariantInit(&args[0]);
  ::VariantInit(&args[1]);
  args[0].vt = VT_BOOL | VT_BYREF;
  args[0].pboolVal = &cancel;
  args[1].vt = VT_DISPATCH;
  args[1].pdispVal = &mail;
  DISPPARAMS p{args, nullptr, 2, 0};
  // Another event of the interface is answered and ignored.
  EXPECT_EQ(app.sink->Invoke(0xF006, IID_NULL, 0, DISPATCH_METHOD, &p, nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(app.sink->Invoke(0xF002, IID_NULL, 0, DISPATCH_METHOD, &p, nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(subject, "item");
  EXPECT_EQ(cancel, VARIANT_TRUE);
  // Dropping the subscription unadvises and lets go of the sink.
  IDispatch* sink = app.sink;
  sink->AddRef();
  subscription.reset();
  EXPECT_EQ(app.unadvised, 1);
  EXPECT_EQ(app.sink, nullptr);
  // A late event after that reaches nobody.
  EXPECT_EQ(sink->Invoke(0xF002, IID_NULL, 0, DISPATCH_METHOD, &p, nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(calls, 1);
  sink->Release();
  EXPECT_EQ(mail.refs, 1);
  EXPECT_EQ(app.refs, 1);
}

TEST_F(Dispatch, SinksFallBackToTheNewerEventInterface) {
  FakeObject explorer;
  explorer.events = iid::kExplorerEvents10;  // a host without the oldest one
  int closed = 0;
  auto sub = Advise(&explorer, {iid::kExplorerEvents, iid::kExplorerEvents10}, 0xF008, "t",
                    [&](const EventArgs&) {
                      ++closed;
                      throw HostError(5, "inside the handler");
                    });
  ASSERT_NE(explorer.sink, nullptr);
  DISPPARAMS none{};
  // The handler's failure stays inside the sink.
  EXPECT_EQ(
      explorer.sink->Invoke(0xF008, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
      S_OK);
  EXPECT_EQ(closed, 1);
  // An object with none of the connection points is an error, not a crash.
  FakeObject silent;
  EXPECT_THROW(Advise(&silent, {iid::kSyncObjectEvents}, 1, "t", [](const EventArgs&) {}),
               HostError);
}

}  // namespace
}  // namespace velmora::win32
