// Case folding of registry key and value names, so that names differing only
// in letter case address one key or value, as in the Windows registry.
#pragma once

#include <string>
#include <string_view>

namespace velmora::posix {

// Upper-cases ASCII, Latin-1, basic Greek and basic Cyrillic letters of UTF-8
// text; every other byte stays as it is. Folded names also give the sort order
// of enumeration (Windows sorts subkeys by their upper-case form too).
std::string FoldRegistryName(std::string_view name);

}  // namespace velmora::posix
