// The about box (frmAbout) as a form model: the product and its version,
// the support address and home page as links, help, a bug report and OK.
#pragma once

#include <string>

namespace velmora {

namespace about_text {
inline constexpr const char* kProduct = "Velmora";
inline constexpr const char* kCaptionPrefix = "About ";
inline constexpr const char* kDescription = "Norvane\nScheduled mail for Outlook";
inline constexpr const char* kSupport = "support@norvane.example";
inline constexpr const char* kHomePage = "https://www.norvane.example/velmora";
}  // namespace about_text

enum class AboutControl { lblSupport, LabelURL, btnHelp, btnBugReport, cmdOK };

struct AboutState {
  std::string caption;
  std::string lblTitle;
  std::string lblDescription;
  std::string lblSupport;
  std::string LabelURL;
  bool topMost = false;
  bool closed = false;
};

// The bug report that btnBugReport starts once the box has closed (the
// support mail of mBugReport); tests put their own in. Empty: the button only
// closes the box.
using BugReportSender = void (*)();
extern BugReportSender g_SendBugReport;

class frmAbout {
 public:
  void Load();
  const AboutState& State() const { return state_; }
  bool Closed() const { return state_.closed; }

  void ClickURL();
  void DblClickURL() { ClickURL(); }
  void ClickSupport();
  void ClickHelp();
  // Closes the box; ShowAboutBox then runs the bug report, once the box is
  // gone, so that the report's windows do not open under it.
  void ClickBugReport();
  void ClickOk();
  bool BugReportRequested() const { return bugReport_; }

 private:
  AboutState state_;
  bool bugReport_ = false;
};

}  // namespace velmora
