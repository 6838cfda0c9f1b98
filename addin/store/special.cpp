#include "addin/store/special.h"

#include <string>
#include <vector>

#include "addin/store/addin_services.h"
#include "addin/store/folder.h"
#include "common/host_error.h"
#include "common/trap.h"

namespace velmora::mSpecial {

namespace {
const std::string kMark(kPropMoveToVelmora);
}  // namespace

void SpecialAdd(const host::MailItemPtr& oItem) {
  Trap("mSpecial.SpecialAdd", [&] {
    auto props = Need(oItem).UserProperties();
    if (!Need(props).Find(kMark)) props->Add(kMark, host::ol::kText);
  });
}

void SpecialDo() {
  Trap("mSpecial.SpecialDo", [] {
    // Collected first: a moved item leaves the live collection, which would
    // then skip the item after it. A mail written while no explorer was open
    // is saved to Drafts, not the Inbox: looking only in the Inbox would
    // leave it marked there, scheduled and never sent.
    std::vector<host::MailItemPtr> marked;
    for (const int where : {host::ol::kFolderInbox, host::ol::kFolderDrafts}) {
      auto items = Need(TheNamespace()->GetDefaultFolder(where)).Items();
      const int count = Need(items).Count();
      for (int i = 1; i <= count; ++i) {
        auto item = items->Item(i);
        if (!item || item->Class() != host::ol::kClassMail) continue;
        auto props = item->UserProperties();
        if (props && props->Find(kMark)) marked.push_back(std::move(item));
      }
    }

    for (auto& item : marked) {
      // The folder first: when there is none, the mail keeps its mark and is
      // moved on a later try.
      auto folder = Main::GetVelmoraFolder(true);
      if (!folder) Raise(err::kObjectNotSet, "There is no Velmora folder to move the mail to");
      auto prop = Need(item->UserProperties()).Find(kMark);
      if (prop) prop->Delete();
      item->Move(folder);
      item.reset();
    }
  });
}

}  // namespace velmora::mSpecial
