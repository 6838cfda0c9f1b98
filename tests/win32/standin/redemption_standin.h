// A stand-in for the safe-send library: "Redemption.SafeMailItem" served by
// this process's class factory, so the add-in's CLSIDFromProgID +
// CoCreateInstance reach it. Sending through it records the mail in the
// stand-in store as sent "via Redemption".
#pragma once

#include <windows.h>

namespace standin {

class RedemptionRegistration {
 public:
  RedemptionRegistration();  // registers; ok() tells whether it worked
  ~RedemptionRegistration();
  RedemptionRegistration(const RedemptionRegistration&) = delete;
  RedemptionRegistration& operator=(const RedemptionRegistration&) = delete;
  bool ok() const { return cookie_ != 0 && keyWritten_; }
  // Safe mail items created so far.
  static int Created();

 private:
  DWORD cookie_ = 0;
  bool keyWritten_ = false;
};

// Removes a ProgID key a failed run may have left, so "without Redemption"
// really is without.
void RemoveRedemptionProgId();

}  // namespace standin
