#include "platform/posix/store/recipients.h"

#include <cstring>

#include "common/text.h"

namespace velmora::posix {

namespace {

std::string_view TrimBlank(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && blank(s.back()))
    s.remove_suffix(1);
  return s;
}

std::string Unquote(std::string_view s) {
  s = TrimBlank(s);
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
  return std::string(s);
}

Recipient ParseEntry(std::string_view entry) {
  const auto open = entry.rfind('<');
  const auto close = entry.rfind('>');
  if (open != std::string_view::npos && close != std::string_view::npos && close > open &&
      TrimBlank(entry.substr(close + 1)).empty())
    return {Unquote(entry.substr(0, open)),
            std::string(TrimBlank(entry.substr(open + 1, close - open - 1)))};
  return {{}, std::string(entry)};
}

bool AtomChar(unsigned char c) {
  if (c >= 0x80) return true;  // UTF-8 addresses
  if (c >= 'a' && c <= 'z') return true;
  if (c >= 'A' && c <= 'Z') return true;
  if (c >= '0' && c <= '9') return true;
  return c != 0 && std::strchr("!#$%&'*+-/=?^_`{|}~", c) != nullptr;
}

bool ValidLocal(std::string_view local) {
  if (local.empty() || local.size() > 64 || local.front() == '.' || local.back() == '.')
    return false;
  char previous = 0;
  for (const char c : local) {
    if (c == '.' ? previous == '.' : !AtomChar(static_cast<unsigned char>(c))) return false;
    previous = c;
  }
  return true;
}

bool ValidLabel(std::string_view label) {
  if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
    return false;
  for (const char ch : label) {
    const auto c = static_cast<unsigned char>(ch);
    const bool ok = c >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                    (c >= '0' && c <= '9') || c == '-';
    if (!ok) return false;
  }
  return true;
}

bool ValidDomain(std::string_view domain) {
  if (domain.empty() || domain.size() > 253) return false;
  if (EqualsNoCase(domain, "localhost")) return true;
  const auto labels = Split(domain, '.');
  if (labels.size() < 2) return false;
  for (const auto& l : labels)
    if (!ValidLabel(l)) return false;
  return true;
}

}  // namespace

std::vector<Recipient> SplitRecipients(std::string_view list) {
  std::vector<Recipient> out;
  bool quoted = false;
  bool angled = false;
  std::size_t start = 0;
  const auto take = [&](std::size_t end) {
    const auto entry = TrimBlank(list.substr(start, end - start));
    if (!entry.empty()) out.push_back(ParseEntry(entry));
    start = end + 1;
  };
  for (std::size_t i = 0; i < list.size(); ++i) {
    const char c = list[i];
    if (c == '"' && !angled) {
      quoted = !quoted;
    } else if (!quoted && c == '<') {
      angled = true;
    } else if (!quoted && c == '>') {
      angled = false;
    } else if (!quoted && !angled && (c == ';' || c == ',')) {
      take(i);
    }
  }
  take(list.size());
  return out;
}

bool IsValidAddress(std::string_view address) {
  const auto at = address.rfind('@');
  if (at == std::string_view::npos) return false;
  return ValidLocal(address.substr(0, at)) && ValidDomain(address.substr(at + 1));
}

}  // namespace velmora::posix
