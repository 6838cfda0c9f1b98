// The Win32 ports of the tray launcher: the named mutex that keeps one copy
// per logon, the question whether Outlook runs (asked of COM, on a class of
// the test's own so that no real Outlook interferes), and timers that tick
// through the thread's message loop, never inside themselves. The timer
// cases use real short timers: they are about the adapter itself.
#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/host_error.h"
#include "platform/win32/adapters/named_mutex_win32.h"
#include "platform/win32/adapters/outlook_launcher.h"
#include "platform/win32/adapters/timer_win32.h"
#include "platform/win32/adapters/unicode.h"

namespace velmora::win32 {
namespace {

using namespace std::chrono_literals;

// Far above what the cases need: reaching it means the tick never came.
constexpr auto kPatience = 10s;

std::wstring UniqueName(const wchar_t* stem) {
  return std::wstring(stem) + L"." + std::to_wstring(::GetCurrentProcessId()) + L"." +
         std::to_wstring(::GetTickCount());
}

// Runs the thread's message loop until the condition holds or time is up.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = kPatience) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (MSG msg; !done(); ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT)) {
    if (std::chrono::steady_clock::now() > end) return false;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
      ::DispatchMessageW(&msg);
  }
  return true;
}

TEST(Win32MutexPortTest, OneOwnerPerNameUntilReleased) {
  const std::wstring name = UniqueName(L"VelmoraTest.Mutex");
  const std::string utf8 = Narrow(name);
  Win32MutexPort port;
  auto held = port.CreateOwned(utf8);
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(port.CreateOwned(utf8), nullptr);
  held.reset();
  EXPECT_NE(port.CreateOwned(utf8), nullptr);
  EXPECT_THROW(port.CreateOwned(std::string("A\0B", 3)), HostError);
}

TEST(OutlookLauncherTest, RunningMeansARunningObjectOfTheClassAnswers) {
  ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  EXPECT_FALSE(OutlookLauncher("Velmora.NoSuchClass.Anywhere").IsRunning());
  // A class under a ProgID of this run only, where COM finds it on Windows
  // (HKCU) and under Wine (HKLM, which Wine does not merge from HKCU).
  const std::wstring key = L"Software\\Classes\\" + UniqueName(L"Velmora.TestHost");
  CLSID clsid{};
  ::CoCreateGuid(&clsid);
  wchar_t text[64];
  const auto size = static_cast<DWORD>(::StringFromGUID2(clsid, text, 64) * sizeof(wchar_t));
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
    ::RegSetKeyValueW(root, (key + L"\\CLSID").c_str(), nullptr, REG_SZ, text, size);
  OutlookLauncher launcher(Narrow(key.substr(key.rfind(L'\\') + 1)));
  EXPECT_FALSE(launcher.IsRunning()) << "registered but not running";

  // Any object will do as the running one.
  IBindCtx* object = nullptr;
  ASSERT_EQ(::CreateBindCtx(0, &object), S_OK);
  const auto refs = [object] {
    object->AddRef();
    return object->Release();
  };
  DWORD cookie = 0;
  ASSERT_EQ(::RegisterActiveObject(object, clsid, ACTIVEOBJECT_STRONG, &cookie), S_OK);
  const ULONG held = refs();
  EXPECT_TRUE(launcher.IsRunning());
  // Asking leaves no reference behind: Outlook must be free to end.
  EXPECT_EQ(refs(), held);
  ASSERT_EQ(::RevokeActiveObject(cookie, nullptr), S_OK);
  EXPECT_FALSE(launcher.IsRunning());
  object->Release();
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
    ::RegDeleteTreeW(root, key.c_str());
  ::CoUninitialize();
}

TEST(Win32TimerTest, TicksOnThisThreadThroughTheMessageLoopNeverInsideThemselves) {
  Win32TimerFactory factory;
  auto timer = factory.CreateTimer();
  const DWORD thread = ::GetCurrentThreadId();
  int ticks = 0;
  int depth = 0;
  int deepest = 0;
  bool onThisThread = true;
  timer->SetInterval(10);
  timer->SetHandler([&] {
    deepest = std::max(deepest, ++depth);
    onThisThread = onThisThread && ::GetCurrentThreadId() == thread;
    // As a pop-up menu or a message box would.
    if (++ticks == 1) PumpUntil([] { return false; }, 60ms);
    if (ticks == 3) timer->SetEnabled(false);
    --depth;
  });
  // An interval of 0 never fires.
  auto zero = factory.CreateTimer();
  int zeroTicks = 0;
  zero->SetHandler([&] { ++zeroTicks; });
  zero->SetEnabled(true);

  timer->SetEnabled(true);
  ASSERT_TRUE(PumpUntil([&] { return ticks >= 3; }));
  PumpUntil([] { return false; }, 60ms);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(deepest, 1);
  EXPECT_TRUE(onThisThread);
  EXPECT_EQ(zeroTicks, 0);
  EXPECT_FALSE(timer->Enabled());
}

TEST(Win32TimerTest, HandlersMayDestroyTheirTimerAndPostedWorkRunsLaterInOrder) {
  std::vector<int> ran;
  std::unique_ptr<Timer> survivor;  // keeps the window after the factory
  {
    Win32TimerFactory factory;
    auto timer = factory.CreateTimer();
    timer->SetInterval(5);
    timer->SetHandler([&] { timer.reset(); });
    timer->SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return timer == nullptr; }));

    survivor = factory.CreateTimer();
    factory.Post([&] {
      ran.push_back(1);
      // Work posted from inside work runs after it, never inside it.
      factory.Post([&] { ran.push_back(3); });
      ran.push_back(2);
    });
    factory.Post([&] { throw std::runtime_error("a failing task"); });
    factory.Post([&] { ran.push_back(4); });
    EXPECT_TRUE(ran.empty()) << "ran inside Post";
    ASSERT_TRUE(PumpUntil([&] { return ran.size() >= 4; }));
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 4, 3}));
    factory.Post([&] { ran.push_back(5); });
  }
  // A timer may outlive its factory; work still queued goes with the factory.
  survivor->SetInterval(5);
  survivor->SetHandler([] {});
  survivor->SetEnabled(true);
  PumpUntil([] { return false; }, 20ms);
  EXPECT_EQ(ran.size(), 4u);
  survivor.reset();
  // A second factory on the same thread registers the class anew.
  Win32TimerFactory again;
  EXPECT_NE(again.CreateTimer(), nullptr);
}

}  // namespace
}  // namespace velmora::win32
