// The add-in with its buttons and commands connected to the in-memory host,
// the dialogs played by a script.
#pragma once

#include <memory>
#include <string>

#include "addin/connect/buttons.h"
#include "addin/connect/connect.h"
#include "addin/connect/timer_form.h"
#include "integration/engine_fixture.h"
#include "support/scripted_dialogs.h"

namespace velmora::test {

class ButtonsTest : public EngineTest {
 protected:
  ~ButtonsTest() override {
    addin.reset();
    UnloadTimerForm();
  }
  void Connect() {
    addin->OnConnection(app, 1, mail->RegisterAddIn("Velmora.Connect", "Velmora"));
    addin->OnStartupComplete();
  }
  void ConnectWithExplorer() {
    explorer = mail->OpenExplorer();
    Connect();
  }
  // A mail being written, saved in Drafts, in a window of its own.
  std::shared_ptr<posix::HostInspector> Compose(const std::string& subject,
                                                posix::InspectorOptions options = {},
                                                const std::string& to = "ann@example.com") {
    auto item = app->CreateItem(host::ol::kMailItem);
    item->SetSubject(subject);
    item->SetTo(to);
    item->SetBody("Body of " + subject);
    item->Save();
    return mail->OpenInspector(item, options);
  }
  host::CommandBarControlPtr Tagged(const std::shared_ptr<posix::HostInspector>& window,
                                    std::string_view tag) {
    return window->CommandBars()->FindControl({.tag = std::string(tag)});
  }
  // The user presses the window's schedule button.
  void Press(const std::shared_ptr<posix::HostInspector>& window,
             std::string_view tag = kTagVelmora) {
    auto button = Tagged(window, tag);
    ASSERT_TRUE(button) << "no button tagged " << tag;
    button->Execute();
  }
  Timer& MainTimer() { return TheTimerForm().ctlTimer(); }

  ScriptedDialogs dialogs;
  std::unique_ptr<ConnectUi> ui = MakeConnectUi(dialogs);
  ConnectButtons& buttons = static_cast<ConnectButtons&>(*ui);
  std::unique_ptr<velmora::Connect> addin = std::make_unique<velmora::Connect>(ui.get());
  std::shared_ptr<posix::HostExplorer> explorer;
};

}  // namespace velmora::test
