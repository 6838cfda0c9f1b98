// The add-in's command bar controls and the commands behind them: the
// schedule button on every mail window being written, the about and options
// entries of the explorer's Help menu, the schedule command on the active mail
// window and the options command on the scheduled-mail folder's selection.
#pragma once

#include <memory>
#include <string_view>

#include "addin/connect/connect.h"
#include "addin/connect/dialog_port.h"
#include "addin/store/host.h"

namespace velmora {

class CMailProps;

inline constexpr std::string_view kTagVelmora = "BrelcorVelmora";
inline constexpr std::string_view kTagVelmora2 = "BrelcorVelmora2";
inline constexpr std::string_view kTagMenuAbout = "BrelcorVelmoraAbout";
inline constexpr std::string_view kTagOptions = "BrelcorVelmoraOptions";
inline constexpr std::string_view kBarVelmora = "Velmora";
inline constexpr std::string_view kCaptionVelmora = "Velmora";
inline constexpr std::string_view kCaptionAbout = "About Velmora...";
inline constexpr std::string_view kMultiSelectionQuestion =
    "Subsequent show Velmora props (yes)\r\nSet Velmora Time to Selected Items(no)";
inline constexpr std::string_view kNoSpellingControl =
    "Cant find spell checking button in Menu Bar";

class ConnectButtons final : public ConnectUi {
 public:
  explicit ConnectButtons(DialogPort& dialogs) : dialogs_(dialogs) {}
  ~ConnectButtons() override;
  ConnectButtons(const ConnectButtons&) = delete;
  ConnectButtons& operator=(const ConnectButtons&) = delete;

  // ConnectUi: the lifecycle's call points.
  void AddAboutMenu(Connect& addin, const host::ExplorerPtr& explorer) override;
  void NewInspector(Connect& addin, const host::InspectorPtr& inspector) override;
  void ReleaseButtons(Connect& addin) override;

  void m_Inspectors_NewInspector(const host::InspectorPtr& inspector);
  void AddInspectorButtons(const host::InspectorPtr& inspector);
  void AddAboutMenu(const host::ExplorerPtr& explorer);

  // The schedule command on the active mail window; `bTopMost` keeps the
  // dialogs and message boxes on top of every window.
  void VelmoraClick(bool bTopMost);
  // The options command: shows the scheduled-mail folder, or edits the
  // schedules of the mails selected in it.
  void m_btnOptions_Click();
  // Shows the dialog for the record, centred on `owner`; True when the user
  // confirmed (the record then carries its first occurrence).
  bool EditVelmoraProps(const std::shared_ptr<CMailProps>& record, const host::ExplorerPtr& owner);
  // Stamps the mail with the record and puts it into the scheduled-mail folder.
  static void ApplyVelmoraProps(const host::MailItemPtr& mail, CMailProps& record);

  // The held references, one per kind of control.
  const host::CommandBarControlPtr& VelmoraButton() const { return m_btnVelmora; }
  const host::CommandBarControlPtr& VelmoraButton2() const { return m_btnVelmora2; }
  const host::CommandBarControlPtr& MenuAbout() const { return m_btnMenuAbout; }
  const host::CommandBarControlPtr& Options() const { return m_btnOptions; }

 private:
  // Holds the control with its Click wired to `onClick`; the control held
  // before it is let go, so that one click runs the command once.
  template <class H>
  void Hold(host::CommandBarControlPtr& slot, host::SubscriptionPtr& click,
            host::CommandBarControlPtr control, std::string_view where, H onClick);
  void ClickVelmora();
  void ClickVelmora2();
  void ClickMenuAbout();
  void RunScheduleCommand();
  void RunOptionsCommand(host::Application& app);

  DialogPort& dialogs_;
  host::CommandBarControlPtr m_btnVelmora;
  host::SubscriptionPtr m_btnVelmoraClick;
  host::CommandBarControlPtr m_btnVelmora2;
  host::SubscriptionPtr m_btnVelmora2Click;
  host::CommandBarControlPtr m_btnMenuAbout;
  host::SubscriptionPtr m_btnMenuAboutClick;
  host::CommandBarControlPtr m_btnOptions;
  host::SubscriptionPtr m_btnOptionsClick;
};

// What the deliverable with buttons hands to Connect: the controls and
// commands over its dialogs. The dialogs must outlive the object.
std::unique_ptr<ConnectUi> MakeConnectUi(DialogPort& dialogs);

}  // namespace velmora
