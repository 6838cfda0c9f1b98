#include "addin/store/sync_obj.h"

#include "addin/store/addin_services.h"
#include "common/debug.h"
#include "common/text.h"
#include "common/trap.h"

namespace velmora {

namespace {
constexpr int kSendReceiveAllId = 5577;
constexpr int kSendReceiveAllAltId = 5488;
}  // namespace

CSyncObj::~CSyncObj() {
  Drop();
}

void CSyncObj::Drop() {
  subscriptions_.clear();
  m_SyncObject.reset();
}

std::string SyncProgressText(int state, const std::string& description, int value, int max) {
  const std::string stateText = state == host::ol::kSyncStarted   ? "olSyncStarted"
                                : state == host::ol::kSyncStopped ? "olSyncStopped"
                                                                  : ToText(state);
  return Concat("CSyncObject.Progress : ", stateText, ", ", description, " ", value, " of ", max);
}

void CSyncObj::Hold(host::SyncObjectPtr group) {
  if (!group) return;
  m_SyncObject = std::move(group);
  subscriptions_.push_back(
      m_SyncObject->OnSyncStart([] { Ignore([] { g_debug().Out("CSyncObject.SyncStart"); }); }));
  subscriptions_.push_back(
      m_SyncObject->OnProgress([](int state, const std::string& description, int value, int max) {
        Ignore([&] { g_debug().Out(SyncProgressText(state, description, value, max)); });
      }));
  subscriptions_.push_back(m_SyncObject->OnError([](int code, const std::string& description) {
    Ignore([&] { g_debug().OutWarning("CSyncObject.OnError", Concat(code, ", ", description)); });
  }));
  subscriptions_.push_back(m_SyncObject->OnSyncEnd([this] {
    Firewall("CSyncObject.SyncEnd", [this] {
      g_debug().Out("CSyncObject.SyncEnd");
      Drop();
      syncEnd_.Raise();
    });
  }));
}

void CSyncObj::StartOnOldestHost() {
  // No send/receive groups to watch here: the menu command, else keystrokes.
  host::CommandBarControlPtr control;
  Ignore([&] {
    auto bars = Need(TheApp()->ActiveExplorer()).CommandBars();
    control = Need(bars).FindControl({.type = host::mso::kControlButton, .id = kSendReceiveAllId});
    if (!control)
      control = bars->FindControl({.type = host::mso::kControlButton, .id = kSendReceiveAllAltId});
  });
  Trap("CSyncObj.SendNow", [&] {
    if (control)
      control->Execute();
    else
      TheKeys().SendKeys("%{F5}");
  });
}

void CSyncObj::SendNow(bool bRaiseSyncEnd) {
  Drop();
  std::string major;
  if (!Ignore([&] { major = Split(TheApp()->Version(), '.').front(); })) {
    LogCurrentError("CSyncObj.SendNow");
    return;
  }
  if (major == "9") {
    StartOnOldestHost();
    return;
  }
  Ignore([&] {
    auto groups = TheNamespace()->SyncObjects();
    if (groups && groups->Count() >= 1) Hold(groups->Item(1));
  });
  Trap("CSyncObj.SendNow", [&] {
    if (!m_SyncObject) {
      TheKeys().SendKeys("%{F9}");
      return;
    }
    m_SyncObject->Start();
    // Keep the group only when its end is wanted, so that an ordinary pass
    // does not leave a watcher behind.
    if (!bRaiseSyncEnd) Drop();
  });
}

}  // namespace velmora
