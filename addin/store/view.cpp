#include "addin/store/view.h"

#include <string>

#include "addin/model/mail_props.h"
#include "addin/store/versions.h"
#include "addin/store/xml.h"
#include "common/host_error.h"
#include "common/trap.h"

namespace velmora::Main {

namespace {

const std::string kDisplayTo(Xml::kPropDisplayTo);
const std::string kFromName(Xml::kPropFromName);
const std::string kScheduleProp =
    std::string(Xml::kUserPropPrefix) + std::string(kPropScheduleTime);

constexpr std::int16_t kRecipientsWidth = 40;
constexpr std::int16_t kScheduleWidth = 100;

void AddRecipientsColumn(const host::ViewPtr& view, const std::string& before) {
  Xml::AddTableViewUserColumn(view, "To", kDisplayTo, "string", "", before, kRecipientsWidth);
}

void AddScheduleColumn(const host::ViewPtr& view) {
  Xml::AddUserPropColumn(view, std::string(kPropScheduleTime), "datetime", "Next Occurrence", "",
                         kScheduleWidth);
}

}  // namespace

void CustomizeView(const host::FolderPtr& oFolder) {
  Trap("Main.CustomizeView", [&] {
    if (!IsOutlook2002OrLater()) return;
    auto views = Need(oFolder).Views();
    auto view = Need(views).Add(std::string(kVelmoraViewName), host::ol::kTableView,
                                host::ol::kViewSaveThisFolderEveryone);
    Need(view);
    AddRecipientsColumn(view, kFromName);
    Xml::RemoveColumn(view, kFromName);
    AddScheduleColumn(view);
    view->Apply();
  });
}

void UpdateView(const host::FolderPtr& oFolder) {
  Trap("Main.UpdateView", [&] {
    if (!IsOutlook2002OrLater()) return;
    host::ViewPtr view;
    Ignore([&] { view = Need(Need(oFolder).Views()).Item(std::string(kVelmoraViewName)); });
    if (!view) {
      CustomizeView(oFolder);
      return;
    }
    const bool hasRecipients = Xml::ColumnExists(view, kDisplayTo);
    const bool hasSender = Xml::ColumnExists(view, kFromName);
    const bool hasSchedule = Xml::ColumnExists(view, kScheduleProp);
    if (!hasRecipients) AddRecipientsColumn(view, hasSender ? kFromName : "");
    if (hasSender) Xml::RemoveColumn(view, kFromName);
    if (!hasSchedule) AddScheduleColumn(view);
    if (!hasRecipients || hasSender || !hasSchedule) view->Apply();
  });
}

}  // namespace velmora::Main
