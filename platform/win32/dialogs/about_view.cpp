#include "platform/win32/dialogs/about_view.h"

#include "platform/win32/adapters/unicode.h"
#include "platform/win32/dialogs/dialog_ids.h"

namespace velmora::win32 {

namespace {
bool IsLink(int id) {
  return id == IDC_ABOUT_LBLSUPPORT || id == IDC_ABOUT_LABELURL;
}
}  // namespace

AboutView::~AboutView() {
  if (linkFont_) ::DeleteObject(linkFont_);
}

void AboutView::Run(HWND owner) noexcept {
  RunModal(owner, IDD_ABOUT);
}

void AboutView::OnInit() {
  form_.Load();
  // The two addresses look like links: the dialog's font, underlined.
  LOGFONTW lf{};
  if (const auto font = reinterpret_cast<HFONT>(::SendMessageW(hwnd(), WM_GETFONT, 0, 0));
      font && ::GetObjectW(font, sizeof lf, &lf)) {
    lf.lfUnderline = TRUE;
    linkFont_ = ::CreateFontIndirectW(&lf);
    for (int id : {IDC_ABOUT_LBLSUPPORT, IDC_ABOUT_LABELURL})
      ::SendMessageW(Item(id), WM_SETFONT, reinterpret_cast<WPARAM>(linkFont_), FALSE);
  }
  // Centred on the window it belongs to; there is no owner rectangle here.
  PlaceOverOwner(true);
  if (form_.State().topMost) MakeTopMost();
  Paint();
}

void AboutView::Paint() {
  const Updating quiet(*this);
  const AboutState& s = form_.State();
  ::SetWindowTextW(hwnd(), Widen(s.caption).c_str());
  SetText(IDC_ABOUT_LBLTITLE, s.lblTitle);
  SetText(IDC_ABOUT_LBLDESCRIPTION, s.lblDescription);
  SetText(IDC_ABOUT_LBLSUPPORT, s.lblSupport);
  SetText(IDC_ABOUT_LABELURL, s.LabelURL);
  if (form_.Closed()) Close(IDOK);
}

void AboutView::OnCommand(int id, int code) {
  if (updating()) return;
  if (id == IDC_ABOUT_LABELURL && code == STN_CLICKED) {
    form_.ClickURL();
  } else if (id == IDC_ABOUT_LABELURL && code == STN_DBLCLK) {
    form_.DblClickURL();
  } else if (id == IDC_ABOUT_LBLSUPPORT && code == STN_CLICKED) {
    form_.ClickSupport();
  } else if (code == BN_CLICKED && id == IDC_ABOUT_BTNHELP) {
    form_.ClickHelp();
  } else if (code == BN_CLICKED && id == IDC_ABOUT_BTNBUGREPORT) {
    form_.ClickBugReport();
  } else if (code == BN_CLICKED && (id == IDOK || id == IDCANCEL)) {
    form_.ClickOk();
  } else {
    return;
  }
  Paint();
}

bool AboutView::OnMessage(UINT msg, WPARAM w, LPARAM l, LRESULT& result) {
  if (msg == WM_CTLCOLORSTATIC && IsLink(::GetDlgCtrlID(reinterpret_cast<HWND>(l)))) {
    const auto dc = reinterpret_cast<HDC>(w);
    // A link's blue: the system's hot-light colour is pale on some schemes.
    ::SetTextColor(dc, RGB(0, 0, 204));
    ::SetBkMode(dc, TRANSPARENT);
    result = reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    return true;
  }
  if (msg == WM_SETCURSOR && IsLink(::GetDlgCtrlID(reinterpret_cast<HWND>(w)))) {
    ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
    result = TRUE;
    return true;
  }
  return false;
}

void AboutView::OnCloseBox() {
  form_.ClickOk();
  Paint();
}

}  // namespace velmora::win32
