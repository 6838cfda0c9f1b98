// CWinReg over the registry backend port. Every failure, including one thrown
// by a backend, ends as False, empty text or 0.
#include "common/winreg.h"

#include <utility>
#include <vector>

#include "common/services.h"
#include "common/text.h"

namespace velmora {

namespace {

// Runs a registry step; a backend that throws counts as a failed call.
template <class R, class F>
R Quiet(R neutral, F&& f) noexcept {
  try {
    return std::forward<F>(f)();
  } catch (...) {
    return neutral;
  }
}

}  // namespace

CWinReg::CWinReg() : backend_(GetServices().registry) {}

CWinReg::CWinReg(RegistryBackend& backend) : backend_(&backend) {}

CWinReg::~CWinReg() {
  Close();
}

bool CWinReg::InitForRead(RegKey root, std::string_view subkey) {
  return InitForAccess(root, subkey, reg::kRead, false);
}

bool CWinReg::InitForWrite(RegKey root, std::string_view subkey, bool bCreate) {
  return InitForAccess(root, subkey, reg::kWrite, bCreate);
}

bool CWinReg::InitForAllAccess(RegKey root, std::string_view subkey, bool bCreate) {
  return InitForAccess(root, subkey, reg::kAllAccess, bCreate);
}

bool CWinReg::InitForAccess(RegKey root, std::string_view subkey, std::uint32_t access,
                            bool bCreate) {
  // A key still open would otherwise leak with its handle.
  Close();
  if (!backend_) return false;
  key_ = Quiet<RegKey>(0, [&] { return backend_->Open(root, subkey, access, bCreate); });
  return key_ != 0;
}

bool CWinReg::Close() {
  const RegKey key = std::exchange(key_, 0);
  if (key != 0 && backend_) Quiet(false, [&] { return backend_->Close(key); });
  return true;
}

bool CWinReg::SetString(std::string_view name, std::string_view text) {
  if (!IsOpen()) return false;
  return Quiet(false, [&] {
    RegValue v;
    v.type = RegType::kString;
    v.text = std::string(text);
    return backend_->SetValue(key_, name, v);
  });
}

std::string CWinReg::GetString(std::string_view name) {
  if (!IsOpen()) return {};
  return Quiet(std::string(), [&]() -> std::string {
    std::optional<RegValue> v = backend_->GetValue(key_, name);
    if (!v || (v->type != RegType::kString && v->type != RegType::kExpandString)) return {};
    // The reader offers room for kStringBuffer characters with the terminator.
    if (Utf8Length(v->text) >= kStringBuffer) return {};
    return std::move(v->text);
  });
}

bool CWinReg::SetNumber(std::string_view name, std::int32_t value) {
  if (!IsOpen()) return false;
  return Quiet(false, [&] {
    RegValue v;
    v.type = RegType::kDword;
    v.number = static_cast<std::uint32_t>(value);
    return backend_->SetValue(key_, name, v);
  });
}

std::int32_t CWinReg::GetNumber(std::string_view name) {
  if (!IsOpen()) return 0;
  return Quiet<std::int32_t>(0, [&]() -> std::int32_t {
    const std::optional<RegValue> v = backend_->GetValue(key_, name);
    if (!v || v->type != RegType::kDword) return 0;
    return static_cast<std::int32_t>(v->number);
  });
}

bool CWinReg::SetFlag(std::string_view name, bool value) {
  return SetString(name, value ? "yes" : "no");
}

bool CWinReg::GetFlag(std::string_view name) {
  return EqualsNoCase(GetString(name), "yes");
}

bool CWinReg::DeleteValue(std::string_view name) {
  if (!IsOpen()) return false;
  return Quiet(false, [&] { return backend_->DeleteValue(key_, name); });
}

bool CWinReg::DeleteSubKey(std::string_view name) {
  if (!IsOpen()) return false;
  return Quiet(false, [&] { return backend_->DeleteSubKey(key_, name); });
}

bool CWinReg::Flush() {
  if (!IsOpen()) return false;
  return Quiet(false, [&] { return backend_->Flush(key_); });
}

// Names come back whole: a name cut to a buffer would not find its value or
// key again.
std::string CWinReg::Values(std::uint32_t index) {
  if (!IsOpen()) return {};
  return Quiet(std::string(),
               [&] { return backend_->EnumValue(key_, index).value_or(std::string()); });
}

std::string CWinReg::Keys(std::uint32_t index) {
  if (!IsOpen()) return {};
  return Quiet(std::string(),
               [&] { return backend_->EnumKey(key_, index).value_or(std::string()); });
}

void CWinReg::DeleteAllKeys() {
  if (!IsOpen()) return;
  // Collected first: deleting while enumerating shifts the indexes.
  std::vector<std::string> names;
  try {
    for (std::uint32_t i = 0;; ++i) {
      std::string name = Keys(i);
      if (name.empty()) break;
      names.push_back(std::move(name));
    }
  } catch (...) {
    // Out of memory while collecting: delete what was collected.
  }
  for (const std::string& name : names) {
    {
      CWinReg sub(*backend_);
      if (sub.InitForAllAccess(key_, name, false)) sub.DeleteAllKeys();
    }
    DeleteSubKey(name);
  }
}

bool CWinReg::DeleteKeyRec(std::string_view subkey) {
  // An empty name would open this key itself and strip it of every subkey.
  if (!IsOpen() || subkey.empty()) return false;
  {
    CWinReg sub(*backend_);
    if (sub.InitForAllAccess(key_, subkey, false)) sub.DeleteAllKeys();
  }
  return DeleteSubKey(subkey);
}

}  // namespace velmora
