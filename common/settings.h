// Per-user application settings (application, section, key -> text), with no
// length limit on the text. On every platform they live in the registry
// backend under HKCU\Software\VB and VBA Program Settings\<app>\<section>,
// where the Windows settings statements keep them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

class RegistryBackend;

class Settings {
 public:
  virtual ~Settings() = default;
  virtual std::optional<std::string> GetSetting(std::string_view app, std::string_view section,
                                                std::string_view key) = 0;
  virtual bool SaveSetting(std::string_view app, std::string_view section, std::string_view key,
                           std::string_view value) = 0;
  virtual bool DeleteSetting(std::string_view app, std::string_view section,
                             std::string_view key) = 0;
};

class RegistrySettings final : public Settings {
 public:
  explicit RegistrySettings(RegistryBackend& backend) : backend_(backend) {}
  std::optional<std::string> GetSetting(std::string_view app, std::string_view section,
                                        std::string_view key) override;
  bool SaveSetting(std::string_view app, std::string_view section, std::string_view key,
                   std::string_view value) override;
  bool DeleteSetting(std::string_view app, std::string_view section, std::string_view key) override;

 private:
  RegistryBackend& backend_;
};

}  // namespace velmora
