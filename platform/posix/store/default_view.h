// The table view definition the standalone host gives a new mail folder and a
// view added by name: the host's usual columns, the sender among them.
#pragma once

#include <string>

namespace velmora::posix {

// The name of the view every new mail folder starts with.
inline constexpr const char* kDefaultViewName = "Messages";

// A table view named `name` with the columns Importance, Icon, From
// (urn:schemas:httpmail:fromname), Subject and Received, newest first.
std::string DefaultTableViewXml(const std::string& name);

}  // namespace velmora::posix
