#include "platform/win32/adapters/unicode.h"

#include <algorithm>
#include <climits>

namespace velmora::win32 {

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  // The API counts in int; longer text is cut rather than overflowing the count.
  const int in = static_cast<int>(std::min<std::size_t>(utf8.size(), INT_MAX));
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in, nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in, out.data(), n);
  return out;
}

std::string Narrow(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int in = static_cast<int>(std::min<std::size_t>(utf16.size(), INT_MAX));
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), in, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), in, out.data(), n, nullptr, nullptr);
  return out;
}

std::optional<std::wstring> WidenName(std::string_view utf8) {
  if (utf8.find('\0') != std::string_view::npos) return std::nullopt;
  return Widen(utf8);
}

}  // namespace velmora::win32
