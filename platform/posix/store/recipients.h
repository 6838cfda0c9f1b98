// Recipient lists as users type them ("Ann <ann@example.com>; bob@example.com,
// \"Lee, Sam\" <sam@example.com>"): splitting into recipients, and a sane check
// that an address is one a mail can be delivered to.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmora::posix {

struct Recipient {
  std::string name;     // display name, unquoted; may be empty
  std::string address;  // what stands in angle brackets, or the whole entry
};

// The entries of a list separated by ";" or ",", outside quotes and angle
// brackets; blank entries are dropped.
std::vector<Recipient> SplitRecipients(std::string_view list);

// local@domain: a dot-atom local part, and a domain of at least two labels
// (letters, digits, hyphens, or UTF-8) or "localhost". No spaces, quotes or
// control characters anywhere.
bool IsValidAddress(std::string_view address);

}  // namespace velmora::posix
