// Fuzzes the schedule record's text form: any stored "VelmoraRecurrence"
// value must read without crashing, and whatever the record then holds must
// write and read again.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include "addin/model/mail_props.h"
#include "common/clock.h"
#include "common/debug.h"
#include "common/picture_locale.h"
#include "common/services.h"

namespace {

class FixedClock final : public velmora::Clock {
 public:
  velmora::DateTime Now() const override {
    return velmora::DateTime::FromParts(2026, 12, 7, 10, 17, 25);
  }
};

void InstallOnce() {
  static const velmora::PictureLocale locale;
  static const FixedClock clock;
  static velmora::ScopedServices services([] {
    velmora::Services s;
    s.clock = &clock;
    s.locale = &locale;
    s.logFolder = std::filesystem::temp_directory_path();
    return s;
  }());
  // Every malformed input logs a line; none may reach the disk here.
  velmora::g_debug().SetDebugTarget(0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool installed = (InstallOnce(), true);
  (void)installed;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  velmora::CMailProps props;
  props.ReadFromString(text);
  const std::string written = props.WriteToString();
  velmora::CMailProps again;
  again.ReadFromString(written);
  return 0;
}
