#include "addin/store/host.h"
#include "common/host_error.h"
#include "common/services.h"
#include "common/text.h"

namespace velmora::host {

std::string ValueToText(const Value& v) {
  struct {
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(DateTime t) const { return DateText(t); }
    std::string operator()(double d) const { return ToText(d); }
    std::string operator()(std::int32_t n) const { return ToText(n); }
    std::string operator()(bool b) const { return ToText(b); }
  } visit;
  return std::visit(visit, v);
}

DateTime ValueToDate(const Value& v) {
  if (const auto* t = std::get_if<DateTime>(&v)) return *t;
  if (const auto* d = std::get_if<double>(&v)) return DateTime::FromOle(*d);
  if (const auto* n = std::get_if<std::int32_t>(&v)) return DateTime::FromOle(*n);
  if (const auto* s = std::get_if<std::string>(&v))
    if (auto t = ReadDateText(*s)) return *t;
  Raise(err::kTypeMismatch, "Type mismatch");
}

}  // namespace velmora::host
