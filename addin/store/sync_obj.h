// The send/receive watcher (CSyncObj): starts the host's send/receive after a
// sending pass and, when asked, watches it to its end and raises SyncEnd, on
// which a run started only to send can close the host.
#pragma once

#include <functional>
#include <vector>

#include "addin/store/events.h"
#include "addin/store/host.h"

namespace velmora {

class CSyncObj {
 public:
  CSyncObj() = default;
  ~CSyncObj();
  CSyncObj(const CSyncObj&) = delete;
  CSyncObj& operator=(const CSyncObj&) = delete;

  // True while a send/receive group is held (watched).
  bool HasObject() const { return m_SyncObject != nullptr; }
  // Starts a send/receive; with bRaiseSyncEnd it is watched to its end.
  void SendNow(bool bRaiseSyncEnd);
  // Raised once when a watched send/receive has ended.
  host::SubscriptionPtr OnSyncEnd(std::function<void()> h) {
    return syncEnd_.Connect(std::move(h));
  }

 private:
  void Hold(host::SyncObjectPtr group);
  void Drop();
  void StartOnOldestHost();

  host::SyncObjectPtr m_SyncObject;
  std::vector<host::SubscriptionPtr> subscriptions_;
  host::Event<> syncEnd_;
};

// The trace text of a progress event: "olSyncStarted, Sending 1 of 3".
std::string SyncProgressText(int state, const std::string& description, int value, int max);

}  // namespace velmora
