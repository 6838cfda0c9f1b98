// The add-in library as COM sees it: its class object, when it may be
// unloaded, bad calls through IDispatch, and the registration keys it writes
// and removes again (under a scratch root, so the test user's own
// registration stays as it was).
#include <gtest/gtest.h>

#include "platform/win32/com/registration.h"

#include <filesystem>
#include <string>

#include "platform/win32/adapters/module_path.h"
#include "platform/win32/adapters/unicode.h"
#include "platform/win32/addin/extensibility.h"
#include "platform/win32/com/com_ptr.h"
#include "support/temp_dir.h"

namespace velmora::win32 {
namespace {

bool KeyExists(HKEY root, const std::wstring& key) {
  UniqueHkey k;
  return ::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, k.put()) == ERROR_SUCCESS;
}

// What the add-in session's registration test cannot show on the user's own
// keys: a neighbour survives, and a bad path writes nothing.
TEST(AddinRegistrationKeys, RemovedExactlyAndNeverWrittenForABadPath) {
  constexpr wchar_t kScratch[] = L"Software\\VelmoraRegistrationTest";  // stands for HKCU
  UniqueHkey root;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              root.put(), nullptr),
            ERROR_SUCCESS);
  const std::wstring other = L"Software\\Classes\\CLSID\\{Other}";
  ASSERT_EQ(::RegSetKeyValueW(root.get(), other.c_str(), nullptr, REG_SZ, L"", 2), ERROR_SUCCESS);
  const std::wstring clsid = kClsidKey;
  ASSERT_EQ(RegisterAddin(root.get(), L"C:\\Program Files\\Velmora\\Velmora.dll"), S_OK);
  ASSERT_EQ(UnregisterAddin(root.get()), S_OK);
  EXPECT_FALSE(KeyExists(root.get(), clsid));
  EXPECT_TRUE(KeyExists(root.get(), other));
  EXPECT_EQ(UnregisterAddin(root.get()), S_OK);  // nothing left to remove is no error
  EXPECT_EQ(RegisterAddin(root.get(), std::wstring(L"a\0b", 3)), E_INVALIDARG);
  EXPECT_FALSE(KeyExists(root.get(), clsid));
  root.reset();
  ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
  ::RegDeleteKeyW(HKEY_CURRENT_USER, kScratch);
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
template <class F>
F Export(HMODULE m, const char* name) {
  return reinterpret_cast<F>(::GetProcAddress(m, name));
}
#pragma GCC diagnostic pop

TEST(AddinLibrary, ServesItsClassAndUnloadsOnlyWhenAllIsReleased) {
  ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  // The built library lies in the build tree beside the tests' folder. A copy
  // is loaded: the errors this test provokes go to the log beside it, not to
  // the one the add-in session tests read beside the built library.
  const auto built = ModuleFolder().parent_path() / "platform" / "win32" / "addin" / "Velmora.dll";
  ASSERT_TRUE(std::filesystem::exists(built)) << built << " (build the Velmora target)";
  const test::TempDir folder("addin-library");
  const auto path = folder.Path() / "Velmora.dll";
  std::filesystem::copy_file(built, path);
  const HMODULE dll = ::LoadLibraryW(path.c_str());
  ASSERT_NE(dll, nullptr);
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  using CanUnload = HRESULT(STDAPICALLTYPE*)();
  const auto getClassObject = Export<GetClassObject>(dll, "DllGetClassObject");
  const auto canUnload = Export<CanUnload>(dll, "DllCanUnloadNow");
  ASSERT_TRUE(getClassObject && canUnload);
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(getClassObject(kAddinClsid, IID_IClassFactory, reinterpret_cast<void**>(factory.put())),
            S_OK);
  ComPtr<IDispatch> addin;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(addin.put())),
            S_OK);
  factory.reset();
  EXPECT_EQ(canUnload(), S_FALSE);  // the add-in object still lives

  auto ext = addin.As<IDTExtensibility2>(kIID_IDTExtensibility2);
  ASSERT_TRUE(ext);
  DISPPARAMS none{};
  // Through IDispatch, bad arguments are the caller's error, never a crash.
  EXPECT_EQ(addin->Invoke(addin_dispid::kOnConnection, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr,
                          nullptr, nullptr),
            DISP_E_BADPARAMCOUNT);
  VARIANT args[3];  // last to first: AddInInst, ConnectMode, Application
  for (VARIANT& a : args) {
    ::VariantInit(&a);
    a.vt = VT_I4;  // a number where the application belongs
  }
  DISPPARAMS three{args, nullptr, 3, 0};
  EXCEPINFO info{};
  EXPECT_EQ(addin->Invoke(addin_dispid::kOnConnection, IID_NULL, 0, DISPATCH_METHOD, &three,
                          nullptr, &info, nullptr),
            DISP_E_EXCEPTION);
  EXPECT_NE(info.bstrDescription, nullptr);
  ::SysFreeString(info.bstrSource);
  ::SysFreeString(info.bstrDescription);
  // A host that hands over no application: the add-in logs and carries on.
  EXPECT_EQ(ext->OnConnection(nullptr, 1, nullptr, nullptr), S_OK);
  EXPECT_EQ(ext->OnStartupComplete(nullptr), S_OK);
  EXPECT_EQ(ext->OnDisconnection(0, nullptr), S_OK);

  ext.reset();
  addin.reset();
  EXPECT_EQ(canUnload(), S_OK);
  ::FreeLibrary(dll);
  ::CoUninitialize();
}

}  // namespace
}  // namespace velmora::win32
