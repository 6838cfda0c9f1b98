#include "addin/support/about.h"

#include "addin/dialogs/dialog_services.h"
#include "addin/store/addin_services.h"
#include "addin/store/globals.h"
#include "addin/store/versions.h"
#include "addin/support/bug_report.h"
#include "common/trap.h"

namespace velmora {

BugReportSender g_SendBugReport = &mBugReport::SendBugReport;

void frmAbout::Load() {
  Trap("frmAbout.Form_Load", [&] {
    state_.caption = std::string(about_text::kCaptionPrefix) + about_text::kProduct;
    state_.lblTitle = std::string(about_text::kProduct) + " (ver." + GetAppVersion() + ")";
    state_.lblDescription = about_text::kDescription;
    state_.lblSupport = about_text::kSupport;
    state_.LabelURL = about_text::kHomePage;
    state_.topMost = g_TopMost;
  });
}

// Shell requests are fire and forget: a missing browser or mail program is
// the shell's to report.
void frmAbout::ClickURL() {
  Ignore([&] { TheShell().Open(state_.LabelURL); });
}

void frmAbout::ClickSupport() {
  Ignore([&] { TheShell().Open("mailto:" + state_.lblSupport); });
}

void frmAbout::ClickHelp() {
  Ignore([] { OpenHelp(); });
}

void frmAbout::ClickBugReport() {
  bugReport_ = true;
  state_.closed = true;
}

void frmAbout::ClickOk() {
  state_.closed = true;
}

}  // namespace velmora
