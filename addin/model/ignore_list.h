// The user's ignore list: file names that a folder scan for the newest file
// passes over (such as "thumbs.db"), and the switch that also passes over
// files marked both hidden and system. Kept in the per-user settings.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

inline constexpr std::string_view kSettingsApp = "Velmora";
inline constexpr std::string_view kSettingsSection = "Settings";
inline constexpr std::string_view kSettingIgnoreList = "IgnoreList";
inline constexpr std::string_view kSettingIgnoreSysHiden = "IgnoreSysHiden";
inline constexpr std::string_view kDefaultIgnoreList = "thumbs.db";

class CIgnoreList {
 public:
  // True when the name, without spaces at its ends and in any letter case, is
  // on the list. No wildcards: the whole name must agree.
  bool Find(std::string_view strName) const;
  // The entries in order, ", " between them.
  std::string ToString() const;
  // Replaces the list by the comma-separated names, trimmed and lower-cased;
  // empty pieces and repeated names are dropped.
  void FromString(std::string_view strList);
  bool IgnoreSysHiden() const { return m_bIgnoreSysHiden; }
  void SetIgnoreSysHiden(bool bValue) { m_bIgnoreSysHiden = bValue; }
  // Adds the name as given; False when it is empty or already on the list
  // (letter case ignored). Never raises.
  bool Add(std::string_view strName) noexcept;
  // Reads both settings (defaults when absent); failures are passed over.
  void Load() noexcept;
  // Writes both settings; failures are passed over.
  void Save() const noexcept;

  const std::vector<std::string>& Names() const { return m_collNames; }

 private:
  std::vector<std::string> m_collNames;
  bool m_bIgnoreSysHiden = true;
};

// The add-in's one ignore list, created and loaded when the add-in connects
// and released when it shuts down; empty otherwise.
extern std::unique_ptr<CIgnoreList> g_IgnoreList;

}  // namespace velmora
