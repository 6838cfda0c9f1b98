#include "platform/win32/adapters/locale_win32.h"

// windows.h first: oleauto.h relies on its types.
#include <windows.h>

#include <oleauto.h>
// The port's member shares its name with the API's A/W macro.
#undef GetLocaleInfo

#include "platform/win32/adapters/iso_date_text.h"
#include "platform/win32/adapters/unicode.h"

namespace velmora::win32 {

static_assert(Win32Locale::kUserDefault == LOCALE_USER_DEFAULT);

std::string Win32Locale::FormatDateTime(DateTime t) const {
  try {
    // Flags 0: oleaut32 itself leaves out the date on the zero day and the
    // time at midnight, which is the general date form.
    UniqueBstr text;
    if (SUCCEEDED(::VarBstrFromDate(t.ToOle(), lcid_, 0, text.put()))) return text.utf8();
  } catch (...) {
    // Out of memory: the plain text below needs far less.
  }
  // Outside the host's date range oleaut32 refuses; a plain, stable text
  // tells the reader more than an empty one.
  return ToIsoText(t);
}

std::optional<DateTime> Win32Locale::ParseDateTime(std::string_view text) const {
  try {
    // ISO text is unambiguous, so it is taken as such before the regional
    // settings get a chance to read 2026-07-12 some other way.
    if (auto iso = ParseIsoDateTime(text)) return iso;
    auto wide = WidenName(text);
    if (!wide || wide->empty()) return std::nullopt;
    DATE ole = 0;
    if (FAILED(::VarDateFromStr(wide->data(), lcid_, 0, &ole))) return std::nullopt;
    return DateTime::TryFromOle(ole);
  } catch (...) {
    return std::nullopt;
  }
}

std::string Win32Locale::GetLocaleInfo(std::uint32_t entry) const {
  try {
    wchar_t buf[256];
    const int n = ::GetLocaleInfoW(lcid_, entry, buf, 256);
    if (n <= 0) return {};
    return Narrow(std::wstring_view(buf, static_cast<std::size_t>(n - 1)));
  } catch (...) {
    return {};
  }
}

}  // namespace velmora::win32
