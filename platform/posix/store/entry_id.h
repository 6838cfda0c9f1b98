// Entry ids of the standalone store: random, stable hex text that names an
// item or folder for as long as it exists, across moves and restarts.
#pragma once

#include <string>

namespace velmora::posix {

// 48 upper-case hex digits from the system's random source.
std::string NewEntryId();

}  // namespace velmora::posix
