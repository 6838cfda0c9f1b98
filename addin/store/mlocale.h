// The user's regional settings as the dialogs need them: locale entries as
// text, and the time format without its seconds for the time pickers.
#pragma once

#include <cstdint>
#include <string>

namespace velmora::mLocale {

// The user's time format (such as "h:mm:ss tt") with the seconds and their
// separator taken out. False, with the error logged, when it could not be read.
bool GetTimeFormat(std::string& format);

// A locale entry of the user's default locale; empty text when unknown.
std::string GetLocaleString(std::uint32_t kind);

}  // namespace velmora::mLocale
