#include "addin/dialogs/frm_once.h"

#include "addin/model/mail_props.h"
#include "addin/store/globals.h"
#include "addin/store/mlocale.h"
#include "common/host_error.h"
#include "common/trap.h"

namespace velmora {

void frmOnce::Load(TwipSize windowSize) {
  // An error stops the load where it happened; the dialog shows what was set.
  Trap("frmDelay.Form_Load", [&] {
    std::string format;
    if (mLocale::GetTimeFormat(format)) {
      state_.timeCustomFormat = true;
      state_.timeFormat = format;
    }
    const CMailProps& props = Need(g_EditProps);
    state_.ctlDate = props.m_ScheduleTime;
    state_.ctlTime = props.m_ScheduleTime;
    state_.position = CenterOnOwner(windowSize, TheScreen().PrimaryScreen());
    state_.topMost = g_TopMost;
  });
}

DateTime frmOnce::GetSendTime() const {
  return state_.ctlDate.DatePart().AddMinutes(state_.ctlTime.Hour() * 60 + state_.ctlTime.Minute());
}

void frmOnce::ClickOk() {
  // Each step goes on after a failure of the one before.
  Ignore([&] { g_DialogOK = true; });
  Ignore([&] { Need(g_EditProps).m_ScheduleTime = GetSendTime(); });
  state_.outcome = OnceOutcome::Accepted;
}

void frmOnce::ClickCancel() {
  state_.outcome = OnceOutcome::Cancelled;
}

void frmOnce::ChooseRecurrence() {
  // The recurrence dialog builds its default pattern from this time.
  Ignore([&] { Need(g_EditProps).m_ScheduleTime = GetSendTime(); });
  state_.outcome = OnceOutcome::Recurrence;
}

void frmOnce::ClickAttachments() {
  Trap("frmDelay.btnAttachments_Click", [] { ShowAttachmentsDialog(); });
}

void frmOnce::ClickHelp() {
  Ignore([] { OpenHelp(); });
}

}  // namespace velmora
