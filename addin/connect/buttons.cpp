#include "addin/connect/buttons.h"

#include <string>

#include "addin/store/versions.h"
#include "common/debug.h"
#include "common/host_error.h"
#include "common/trap.h"

namespace velmora {

namespace {

// The host's command ids.
constexpr int kSendControl = 2617;
constexpr int kSendControlOther = 5469;
constexpr int kHelpPopup = 30010;
constexpr int kFaceVelmora = 2617;

// The host's Send control on "Standard"; nothing when the window has none we
// can place a button after (Word as the editor counts as none).
host::CommandBarControlPtr FindSend(host::CommandBar& standard, bool wordEditor) {
  if (wordEditor) return nullptr;
  auto send = standard.FindControl({.id = kSendControl, .recursive = false});
  if (!send || !send->Visible())
    send = standard.FindControl({.id = kSendControlOther, .recursive = false});
  return send;
}

}  // namespace

ConnectButtons::~ConnectButtons() {
  // The subscriptions go before the controls they listen to.
  m_btnVelmoraClick.reset();
  m_btnVelmora2Click.reset();
  m_btnMenuAboutClick.reset();
  m_btnOptionsClick.reset();
}

std::unique_ptr<ConnectUi> MakeConnectUi(DialogPort& dialogs) {
  return std::make_unique<ConnectButtons>(dialogs);
}

template <class H>
void ConnectButtons::Hold(host::CommandBarControlPtr& slot, host::SubscriptionPtr& click,
                          host::CommandBarControlPtr control, std::string_view where, H onClick) {
  if (slot == control && click) return;
  click.reset();
  slot = std::move(control);
  if (!slot) return;
  click = slot->OnClick([this, where, onClick](host::CommandBarControlPtr, bool&) {
    Firewall(where, [&] { (this->*onClick)(); });
  });
}

void ConnectButtons::AddAboutMenu(Connect&, const host::ExplorerPtr& explorer) {
  AddAboutMenu(explorer);
}

void ConnectButtons::NewInspector(Connect&, const host::InspectorPtr& inspector) {
  m_Inspectors_NewInspector(inspector);
}

void ConnectButtons::ReleaseButtons(Connect&) {
  Ignore([&] {
    m_btnMenuAboutClick.reset();
    m_btnMenuAbout.reset();
  });
  Ignore([&] {
    m_btnOptionsClick.reset();
    m_btnOptions.reset();
  });
  Ignore([&] {
    m_btnVelmoraClick.reset();
    m_btnVelmora.reset();
  });
  Ignore([&] {
    m_btnVelmora2Click.reset();
    m_btnVelmora2.reset();
  });
}

void ConnectButtons::m_Inspectors_NewInspector(const host::InspectorPtr& inspector) {
  Trap("Connect.m_Inspectors_NewInspector", [&] {
    auto item = Need(inspector).CurrentItem();
    // Contacts, appointments and the like get nothing.
    if (!item || item->Class() != host::ol::kClassMail) return;
    g_debug().Out("NewMailInspector");
    AddInspectorButtons(inspector);
  });
}

void ConnectButtons::AddInspectorButtons(const host::InspectorPtr& inspector) {
  Trap("Connect.m_Inspectors_NewInspector", [&] {
    auto item = Need(inspector).CurrentItem();
    if (!item || item->Class() != host::ol::kClassMail) return;
    int editor = 0;
    const bool editorKnown = Ignore([&] { editor = inspector->EditorType(); });
    // The oldest host cannot take a button into a Word mail window at all.
    if (IsOutlook2000() && (!editorKnown || editor == host::ol::kEditorWord)) return;
    // A mail opened for reading is not scheduled.
    if (item->Sent()) return;

    auto bars = NeedPtr(inspector->CommandBars());
    auto standard = NeedPtr(bars->Item("Standard"), "Object variable not set (Standard)");
    if (auto send = FindSend(*standard, editor == host::ol::kEditorWord)) {
      // A hidden Send: the window does not send, so it gets no button either.
      if (!send->Visible()) return;
      const std::string tag(kTagVelmora);
      auto button = standard->FindControl({.type = host::mso::kControlButton,
                                           .id = host::mso::kAnyCustomControl,
                                           .tag = tag,
                                           .recursive = false});
      if (!button) {
        button = NeedPtr(NeedPtr(standard->Controls())
                             ->Add({.type = host::mso::kControlButton,
                                    .before = send->Index() + 1,
                                    .temporary = true}));
        button->SetBeginGroup(true);
        button->SetCaption(std::string(kCaptionVelmora));
        button->SetFaceId(kFaceVelmora);
        button->SetStyle(host::mso::kButtonIconAndCaption);
        button->SetVisible(true);
        button->SetTag(tag);
        // A group of its own: whatever follows starts the next group.
        auto controls = NeedPtr(standard->Controls());
        const int count = controls->Count();
        for (int i = button->Index() + 1; i <= count; ++i) {
          auto next = controls->Item(i);
          if (!next || !next->Visible()) continue;
          if (!next->BeginGroup()) next->SetBeginGroup(true);
          break;
        }
      }
      Hold(m_btnVelmora, m_btnVelmoraClick, std::move(button), "Connect.m_btnVelmora_Click",
           &ConnectButtons::ClickVelmora);
      return;
    }

    // No Send to stand beside: the add-in's own bar carries the button.
    host::CommandBarPtr bar;
    Ignore([&] { bar = bars->Item(std::string(kBarVelmora)); });
    if (!bar) bar = NeedPtr(bars->Add(std::string(kBarVelmora), host::mso::kBarTop, false, true));
    const std::string tag(kTagVelmora2);
    auto button = bar->FindControl({.tag = tag});
    if (!button) {
      button = NeedPtr(
          NeedPtr(bar->Controls())->Add({.type = host::mso::kControlButton, .temporary = true}));
      button->SetCaption(std::string(kCaptionVelmora));
      button->SetFaceId(kFaceVelmora);
      button->SetStyle(host::mso::kButtonIconAndCaption);
      button->SetVisible(true);
      button->SetTag(tag);
    }
    Hold(m_btnVelmora2, m_btnVelmora2Click, std::move(button), "Connect.m_btnVelmora2_Click",
         &ConnectButtons::ClickVelmora2);
    bar->SetVisible(true);
  });
}

void ConnectButtons::AddAboutMenu(const host::ExplorerPtr& explorer) {
  Trap("Connect.AddAboutMenu", [&] {
    if (!explorer) return;
    auto bars = explorer->CommandBars();
    if (!bars) return;
    auto menu = bars->Item("Menu Bar");
    if (!menu) return;
    auto help = menu->FindControl({.type = host::mso::kControlPopup, .id = kHelpPopup});
    if (!help) return;
    auto popupBar = NeedPtr(help->CommandBar());

    // Found again by its tag: a second attach adds nothing.
    auto entry = [&](std::string_view tagText, std::string_view caption, bool beginGroup) {
      const std::string tag(tagText);
      auto control = popupBar->FindControl({.type = host::mso::kControlButton,
                                            .id = host::mso::kAnyCustomControl,
                                            .tag = tag,
                                            .recursive = false});
      if (!control) {
        control = NeedPtr(
            NeedPtr(help->Controls())->Add({.type = host::mso::kControlButton, .temporary = true}));
        control->SetBeginGroup(beginGroup);
        control->SetCaption(std::string(caption));
        control->SetStyle(host::mso::kButtonIconAndCaption);
        control->SetVisible(true);
        control->SetTag(tag);
      }
      return control;
    };
    Hold(m_btnMenuAbout, m_btnMenuAboutClick, entry(kTagMenuAbout, kCaptionAbout, true),
         "Connect.m_btnMenuAbout_Click", &ConnectButtons::ClickMenuAbout);
    Hold(m_btnOptions, m_btnOptionsClick, entry(kTagOptions, kCaptionVelmora, false),
         "m_btnOptions_Click", &ConnectButtons::m_btnOptions_Click);
  });
}

void ConnectButtons::ClickVelmora() {
  VelmoraClick(false);
}

void ConnectButtons::ClickVelmora2() {
  VelmoraClick(true);
}

void ConnectButtons::ClickMenuAbout() {
  g_debug().Out("m_btnMenuAbout_Click");
  dialogs_.ShowAbout();
}

}  // namespace velmora
