// User property values between the host's variant form and the stored form,
// converting as the host does when a value of another kind is assigned (a
// date written as text for a date-time property; error 13 when it is none).
#pragma once

#include "addin/store/host.h"
#include "common/locale.h"
#include "platform/posix/store/records.h"

namespace velmora::posix {

bool IsPropType(int type) noexcept;
// What a property holds right after Add: "", 0, the host's "none" date
// (1 January 4501), False.
PropValue DefaultPropValue(int type);
// Raises error 13 when the value cannot be one of the property's type.
PropValue ToPropValue(int type, const host::Value& value, const Locale& locale);
host::Value FromPropValue(const PropValue& value);

}  // namespace velmora::posix
