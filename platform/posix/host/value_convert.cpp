#include "platform/posix/host/value_convert.h"

#include <charconv>
#include <cmath>

#include "common/host_error.h"
#include "common/text.h"

namespace velmora::posix {

namespace {

[[noreturn]] void Mismatch() {
  Raise(err::kTypeMismatch, "Type mismatch");
}

std::optional<double> ReadNumber(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double d = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(d))
    return std::nullopt;
  return d;
}

std::string AsText(const host::Value& v, const Locale& locale) {
  if (const auto* t = std::get_if<DateTime>(&v)) return locale.FormatDateTime(*t);
  if (const auto* d = std::get_if<double>(&v)) return ToText(*d);
  if (const auto* n = std::get_if<std::int32_t>(&v)) return ToText(*n);
  if (const auto* b = std::get_if<bool>(&v)) return ToText(*b);
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  return {};
}

double AsNumber(const host::Value& v) {
  if (const auto* d = std::get_if<double>(&v)) {
    if (!std::isfinite(*d)) Mismatch();
    return *d;
  }
  if (const auto* n = std::get_if<std::int32_t>(&v)) return *n;
  if (const auto* b = std::get_if<bool>(&v)) return *b ? -1.0 : 0.0;  // True is -1 to the host
  if (const auto* t = std::get_if<DateTime>(&v)) return t->ToOle();
  if (const auto* s = std::get_if<std::string>(&v)) {
    if (const auto d = ReadNumber(*s)) return *d;
    Mismatch();
  }
  return 0;
}

DateTime AsDate(const host::Value& v, const Locale& locale) {
  if (const auto* t = std::get_if<DateTime>(&v)) return *t;
  if (const auto* d = std::get_if<double>(&v)) {
    if (const auto t = DateTime::TryFromOle(*d)) return *t;
    Mismatch();
  }
  if (const auto* n = std::get_if<std::int32_t>(&v)) {
    if (const auto t = DateTime::TryFromOle(*n)) return *t;
    Mismatch();
  }
  if (const auto* s = std::get_if<std::string>(&v))
    if (const auto t = locale.ParseDateTime(*s)) return *t;
  Mismatch();
}

bool AsYesNo(const host::Value& v) {
  if (const auto* b = std::get_if<bool>(&v)) return *b;
  if (const auto* d = std::get_if<double>(&v)) return *d != 0;
  if (const auto* n = std::get_if<std::int32_t>(&v)) return *n != 0;
  if (const auto* s = std::get_if<std::string>(&v)) {
    if (EqualsNoCase(Trim(*s), "True")) return true;
    if (EqualsNoCase(Trim(*s), "False")) return false;
    if (const auto d = ReadNumber(*s)) return *d != 0;
    Mismatch();
  }
  if (std::holds_alternative<std::monostate>(v)) return false;
  Mismatch();
}

}  // namespace

bool IsPropType(int type) noexcept {
  return type == host::ol::kText || type == host::ol::kNumber || type == host::ol::kDateTime ||
         type == host::ol::kYesNo;
}

PropValue DefaultPropValue(int type) {
  switch (type) {
    case host::ol::kNumber:
      return 0.0;
    case host::ol::kDateTime:
      return DateTime::FromParts(4501, 1, 1);
    case host::ol::kYesNo:
      return false;
    default:
      return std::string();
  }
}

PropValue ToPropValue(int type, const host::Value& value, const Locale& locale) {
  switch (type) {
    case host::ol::kNumber:
      return AsNumber(value);
    case host::ol::kDateTime:
      return AsDate(value, locale);
    case host::ol::kYesNo:
      return AsYesNo(value);
    default:
      return AsText(value, locale);
  }
}

host::Value FromPropValue(const PropValue& value) {
  return std::visit([](const auto& v) { return host::Value(v); }, value);
}

}  // namespace velmora::posix
