// The add-in object the host loads (Connect): what it holds from connection
// until the last explorer closes, how it attaches to the host's windows, the
// registry handshake with the tray launcher, and the timer operations.
#pragma once

#include <memory>

#include "addin/store/events.h"
#include "addin/store/host.h"

namespace velmora {

class CSyncObj;
class Connect;

// Where the command bar buttons and menu entries join the lifecycle: the
// explorer's menu entries when an explorer is attached, the schedule button
// for every mail window. Installed by the deliverable that has buttons; the
// lifecycle runs without one.
class ConnectUi {
 public:
  virtual ~ConnectUi() = default;
  virtual void AddAboutMenu(Connect& addin, const host::ExplorerPtr& explorer) = 0;
  virtual void NewInspector(Connect& addin, const host::InspectorPtr& inspector) = 0;
  // The buttons' references go with the other host references.
  virtual void ReleaseButtons(Connect& addin) = 0;
};

class Connect {
 public:
  explicit Connect(ConnectUi* ui = nullptr);
  ~Connect();  // the class's Terminate
  Connect(const Connect&) = delete;
  Connect& operator=(const Connect&) = delete;

  // The host's connection events. Mode and custom arguments are not used.
  void OnConnection(host::ApplicationPtr Application, int ConnectMode, host::COMAddInPtr AddInInst);
  void OnStartupComplete();
  void OnBeginShutdown();
  void OnDisconnection(int RemoveMode);
  void Terminate();

  bool SendAll();
  void OnInspectorTimer();
  void OnTimer();
  void OnExitTimer();

  // Public fields other modules read and write.
  bool m_NoExplorer = false;
  bool m_bSendAndExit = false;
  host::ApplicationPtr m_app;

  // What is held, for the tests and the buttons.
  bool HoldsExplorer() const { return m_Explorer != nullptr; }
  bool WaitsForExplorer() const { return m_Explorers != nullptr; }
  bool HoldsInspectors() const { return m_Inspectors != nullptr; }
  CSyncObj* SyncObj() { return m_SyncObj.get(); }

 private:
  void AttachExplorer(host::ExplorerPtr explorer);
  void CloseHandlers();
  void OnNewExplorer(host::ExplorerPtr explorer);
  void OnExplorerClose();
  void OnItemSend(host::MailItemPtr item);
  void OnSyncEnd();
  void CloseActiveExplorer();

  ConnectUi* ui_;
  host::SubscriptionPtr m_appItemSend;
  host::ExplorersPtr m_Explorers;
  host::SubscriptionPtr m_ExplorersNewExplorer;
  host::ExplorerPtr m_Explorer;
  host::SubscriptionPtr m_ExplorerClose;
  std::unique_ptr<CSyncObj> m_SyncObj;
  host::SubscriptionPtr m_SyncObjSyncEnd;
  host::InspectorsPtr m_Inspectors;
  host::SubscriptionPtr m_InspectorsNewInspector;
  bool terminated_ = false;
};

// The one add-in object while it is connected.
extern Connect* g_Connect;

}  // namespace velmora
