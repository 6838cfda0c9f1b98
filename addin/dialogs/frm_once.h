// The send-time dialog (frmOnce) as a form model: the state of its controls
// and its reactions to the user. The Win32 view forwards notifications to it
// and paints State(); it knows nothing of the record or the shared flags.
#pragma once

#include <string>

#include "addin/dialogs/dialog_services.h"
#include "common/datetime.h"

namespace velmora {

// Captions, exactly as the window shows them.
namespace once_text {
inline constexpr const char* kCaption = "Velmora";
inline constexpr const char* kFrame2 = "Recurrence";
inline constexpr const char* kOptOnce = "&Once";
inline constexpr const char* kOptRecurrence = "&Recurrence...";
inline constexpr const char* kFrame3 = "Select date and time for the e-mail to be sent.";
inline constexpr const char* kLabel4 = "&Date:";
inline constexpr const char* kLabel3 = "&Time:";
inline constexpr const char* kBtnOk = "Velmora";
inline constexpr const char* kBtnAttachments = "Attachments";
inline constexpr const char* kBtnHelp = "&Help";
inline constexpr const char* kBtnCancel = "Cancel";
}  // namespace once_text

// In tab order.
enum class OnceControl {
  optOnce,
  optRecurrence,
  ctlDate,
  ctlTime,
  btnOk,
  btnAttachments,
  btnHelp,
  btnCancel,
};

// How the dialog closed.
enum class OnceOutcome {
  Open,        // still shown
  Accepted,    // OK
  Cancelled,   // Cancel or the window's close box
  Recurrence,  // "Recurrence..." chosen: the recurrence dialog follows
};

struct OnceState {
  bool optOnce = true;  // optRecurrence is never shown selected
  DateTime ctlDate;
  DateTime ctlTime;
  // When set, ctlTime shows this custom format in up-down style.
  bool timeCustomFormat = false;
  std::string timeFormat;
  TwipPoint position;  // where CenterOnOwner put the window
  bool topMost = false;
  OnceControl focus = OnceControl::optOnce;
  OnceOutcome outcome = OnceOutcome::Open;
};

class frmOnce {
 public:
  // Fills the controls from g_EditProps, centres a window of the given size
  // on the owner, and makes it topmost when g_TopMost is set.
  void Load(TwipSize windowSize);
  const OnceState& State() const { return state_; }
  bool Closed() const { return state_.outcome != OnceOutcome::Open; }

  // The user's actions.
  void SetFocus(OnceControl control) { state_.focus = control; }
  void SetDate(DateTime value) { state_.ctlDate = value; }
  void SetTime(DateTime value) { state_.ctlTime = value; }
  void ClickOk();
  void ClickCancel();
  void ChooseRecurrence();
  void ClickAttachments();
  void ClickHelp();

  // The date of ctlDate plus the hours and minutes of ctlTime; seconds 0.
  DateTime GetSendTime() const;

 private:
  OnceState state_;
};

}  // namespace velmora
