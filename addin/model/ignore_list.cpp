#include "addin/model/ignore_list.h"

#include <algorithm>
#include <optional>

#include "common/case_fold.h"
#include "common/services.h"
#include "common/settings.h"
#include "common/text.h"
#include "common/trap.h"

namespace velmora {

std::unique_ptr<CIgnoreList> g_IgnoreList;

bool CIgnoreList::Find(std::string_view strName) const {
  // Case-blind for every script, as the file system compares names.
  const std::string key = FoldCase(Trim(strName));
  return std::any_of(m_collNames.begin(), m_collNames.end(),
                     [&key](const std::string& n) { return FoldCase(n) == key; });
}

std::string CIgnoreList::ToString() const {
  std::string s;
  for (std::size_t i = 0; i < m_collNames.size(); ++i) {
    if (i != 0) s += ", ";
    s += m_collNames[i];
  }
  return s;
}

void CIgnoreList::FromString(std::string_view strList) {
  m_collNames.clear();
  for (const std::string& piece : Split(strList, ','))
    Add(FoldCase(Trim(piece)));
}

bool CIgnoreList::Add(std::string_view strName) noexcept {
  try {
    if (strName.empty()) return false;
    if (std::any_of(m_collNames.begin(), m_collNames.end(),
                    [strName](const std::string& n) { return EqualsFolded(n, strName); }))
      return false;
    m_collNames.emplace_back(strName);
    return true;
  } catch (...) {
    return false;
  }
}

void CIgnoreList::Load() noexcept {
  // A value that cannot be read counts as absent: the defaults apply.
  std::string names(kDefaultIgnoreList);
  Ignore([&names] {
    if (std::optional<std::string> v =
            TheSettings().GetSetting(kSettingsApp, kSettingsSection, kSettingIgnoreList))
      names = std::move(*v);
  });
  Ignore([this, &names] { FromString(names); });

  std::string sysHiden = "1";
  Ignore([&sysHiden] {
    if (std::optional<std::string> v =
            TheSettings().GetSetting(kSettingsApp, kSettingsSection, kSettingIgnoreSysHiden))
      sysHiden = std::move(*v);
  });
  m_bIgnoreSysHiden = sysHiden == "1";
}

void CIgnoreList::Save() const noexcept {
  Ignore([this] {
    TheSettings().SaveSetting(kSettingsApp, kSettingsSection, kSettingIgnoreList, ToString());
  });
  Ignore([this] {
    TheSettings().SaveSetting(kSettingsApp, kSettingsSection, kSettingIgnoreSysHiden,
                              m_bIgnoreSysHiden ? "1" : "0");
  });
}

}  // namespace velmora
