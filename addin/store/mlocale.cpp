#include "addin/store/mlocale.h"

#include "common/locale.h"
#include "common/services.h"
#include "common/trap.h"

namespace velmora::mLocale {

namespace {

// The platform answers into a buffer of this many characters, terminator included.
constexpr std::size_t kLocaleBuffer = 256;

// Removes the first occurrence of `what`; false when there is none.
bool RemoveFirst(std::string& text, const std::string& what) {
  if (what.empty()) return false;
  const std::size_t at = text.find(what);
  if (at == std::string::npos) return false;
  text.erase(at, what.size());
  return true;
}

}  // namespace

bool GetTimeFormat(std::string& format) {
  return TrapOr("mLocale.GetTimeFormat", false, [&format] {
    std::string f = GetLocaleString(lc::kTimeFormat);
    std::string pat = GetLocaleString(lc::kTimeSeparator) + "ss";
    if (!RemoveFirst(f, pat)) {
      pat.pop_back();
      RemoveFirst(f, pat);
    }
    format = std::move(f);
    return true;
  });
}

std::string GetLocaleString(std::uint32_t kind) {
  std::string s = TheLocale().GetLocaleInfo(kind);
  // Cut at a character boundary: UTF-8 continuation bytes belong to the
  // character before them.
  std::size_t chars = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) continue;
    if (++chars == kLocaleBuffer) {
      s.resize(i);
      break;
    }
  }
  return s;
}

}  // namespace velmora::mLocale
