// The late-bound call helper and the event sinks against hand-made
// automation objects: how failures become run-time errors, the conversions
// at this boundary, and what the stand-in Outlook of the add-in session
// cannot offer (a host with only the newer event interfaces, or none). The
// call protocol itself is checked by the stand-in on every session call.
#include <gtest/gtest.h>

#include "platform/win32/com/dispatch.h"

#include <ocidl.h>
#include <olectl.h>

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

// An automation object answering from a table of names.
class FakeObject : public IDispatch, public IConnectionPointContainer, public IConnectionPoint {
 public:
  std::map<std::wstring, DISPID> ids;
  HRESULT answer = S_OK;  // to every Invoke
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
    const auto it = ids.find(names[0]);
    if (it == ids.end()) return DISP_E_UNKNOWNNAME;
    *out = it->second;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return answer;
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

// A variant of the given type whose value is set through its 8-byte union.
VARIANT Var(VARTYPE vt, LONGLONG bits) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = vt;
  v.llVal = bits;
  return v;
}

class Dispatch : public testing::Test {
 protected:
  void SetUp() override { ForgetDispatchIds(); }
  void TearDown() override { ForgetDispatchIds(); }
};

// The stand-in Outlook fails calls with a description (and the session
// finds it in the log); here the failures that bring none.
TEST_F(Dispatch, FailuresWithoutADescriptionBecomeErrorsNamingTheCall) {
  FakeObject o;
  o.ids = {{L"Save", 0xF048}};
  o.answer = E_FAIL;
  for (bool known : {true, false}) {  // a failing member, a member the object lacks
    if (!known) {
      o.ids.clear();
      ForgetDispatchIds();
    }
    try {
      Method(&o, Member::MailItem_Save);
      ADD_FAILURE() << "no error";
    } catch (const HostError& e) {
      EXPECT_NE(e.Description().find("MailItem.Save"), std::string::npos) << e.Description();
    }
  }
  EXPECT_THROW(Method(nullptr, Member::MailItem_Save), HostError);
}

TEST_F(Dispatch, ValuesConvertAtTheBoundary) {
  const DateTime nine = DateTime::FromParts(2026, 12, 7, 9, 0, 0);
  VARIANT date = Var(VT_DATE, 0);
  date.date = 46363.375;
  EXPECT_EQ(std::get<DateTime>(ToValue(date)), nine);
  EXPECT_DOUBLE_EQ(std::get<double>(ToValue(Var(VT_UI4, 4000000000))), 4e9);
  EXPECT_TRUE(std::get<bool>(ToValue(Var(VT_BOOL, VARIANT_TRUE))));
  EXPECT_EQ(ToInt(Var(VT_BOOL, VARIANT_TRUE)), -1);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(ToValue(Var(VT_NULL, 0))));
  EXPECT_THROW(ToInt(Var(VT_NULL, 0)), HostError);
  EXPECT_THROW(ToValue(Var(VT_DISPATCH, 0)), HostError);
  // Nothing, or no answer at all, is an empty reference.
  EXPECT_FALSE(ToObject(Var(VT_DISPATCH, 0)));
  EXPECT_FALSE(ToObject(Var(VT_EMPTY, 0)));

  // Text survives the trip through a BSTR, embedded NUL and all.
  const std::string text("a\0\xE2\x82\xAC", 5);
  EXPECT_EQ(std::get<std::string>(ToValue(Arg(host::Value(text)).get())), text);
  // A by-reference variant is followed.
  VARIANT inner = Var(VT_I4, 43);
  VARIANT ref = Var(VT_VARIANT | VT_BYREF, 0);
  ref.pvarVal = &inner;
  EXPECT_EQ(ToInt(ref), 43);
}

TEST_F(Dispatch, SinksReachTheirHandlerWriteBackAndUnadvise) {
  // A host without the oldest event interface is reached through the newer one.
  FakeObject explorer;
  explorer.events = iid::kExplorerEvents10;
  int calls = 0;
  auto subscription = Advise(&explorer, {iid::kExplorerEvents, iid::kExplorerEvents10}, 0xF002, "t",
                             [&](const EventArgs& args) {
                               calls += args.Object(0) ? 1 : 100;
                               args.SetBoolRef(1, true);
                               // A handler's failure stays inside the sink.
                               throw HostError(5, "inside the handler");
                             });
  ASSERT_NE(explorer.sink, nullptr);
  FakeObject mail;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT args[2] = {Var(VT_BOOL | VT_BYREF, 0), Var(VT_DISPATCH, 0)};  // Cancel, Item
  args[0].pboolVal = &cancel;
  args[1].pdispVal = &mail;
  DISPPARAMS p{args, nullptr, 2, 0};
  const auto fire = [&p](IDispatch* sink, DISPID id) {
    return sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &p, nullptr, nullptr, nullptr);
  };
  EXPECT_EQ(fire(explorer.sink, 0xF006), S_OK);  // another event of the interface
  EXPECT_EQ(fire(explorer.sink, 0xF002), S_OK);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(cancel, VARIANT_TRUE);
  // Dropping the subscription unadvises; a late event reaches nobody.
  IDispatch* sink = explorer.sink;
  sink->AddRef();
  subscription.reset();
  EXPECT_EQ(explorer.unadvised, 1);
  EXPECT_EQ(fire(sink, 0xF002), S_OK);
  EXPECT_EQ(calls, 1);
  sink->Release();
  // An object with none of the connection points is an error, not a crash.
  FakeObject silent;
  EXPECT_THROW(Advise(&silent, {iid::kSyncObjectEvents}, 1, "t", [](const EventArgs&) {}),
               HostError);
}

}  // namespace
}  // namespace velmora::win32
