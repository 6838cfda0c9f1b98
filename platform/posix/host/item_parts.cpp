#include "platform/posix/host/item_parts.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "common/host_error.h"
#include "platform/posix/host/value_convert.h"
#include "platform/posix/store/store_error.h"

namespace velmora::posix {

namespace {

[[noreturn]] void CannotAttach(const std::string& path) {
  Raise(store_err::kFileNotFound, "Cannot add the attachment: " + path);
}

// What one attachment may hold: SQLite's longest value, read whole into memory.
constexpr std::uintmax_t kMaxAttachmentBytes = 1'000'000'000;

std::string ReadWholeFile(const std::string& path) {
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_regular_file(path, ec)) CannotAttach(path);
  const auto size = std::filesystem::file_size(path, ec);
  if (!ec && size > kMaxAttachmentBytes)
    Raise(store_err::kInvalidArgument, "Cannot add the attachment: " + path +
                                           " (the file is larger "
                                           "than 1,000,000,000 bytes)");
  std::ifstream in(path, std::ios::binary);
  if (!in) CannotAttach(path);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) CannotAttach(path);
  return bytes;
}

}  // namespace

int HostAttachments::Count() {
  return static_cast<int>(item_->AttachmentList().size());
}

host::AttachmentPtr HostAttachments::Item(int index) {
  const auto& list = item_->AttachmentList();
  if (index < 1 || index > static_cast<int>(list.size())) RaiseBadIndex(index);
  return std::make_shared<HostAttachment>(item_, list[static_cast<std::size_t>(index - 1)]);
}

host::AttachmentPtr HostAttachments::Add(const std::string& sourcePath,
                                         const std::string& displayName) {
  NewAttachment a;
  a.bytes = ReadWholeFile(sourcePath);
  a.fileName = std::filesystem::path(sourcePath).filename().string();
  a.displayName = displayName.empty() ? a.fileName : displayName;
  item_->AddAttachment(std::move(a));
  return Item(Count());
}

int HostUserProperties::Count() {
  return static_cast<int>(item_->Props().size());
}

host::UserPropertyPtr HostUserProperties::Item(int index) {
  const auto& props = item_->Props();
  if (index < 1 || index > static_cast<int>(props.size())) RaiseBadIndex(index);
  return std::make_shared<HostUserProperty>(item_, props[static_cast<std::size_t>(index - 1)].name);
}

host::UserPropertyPtr HostUserProperties::Find(const std::string& name) {
  if (!item_->FindProp(name)) return nullptr;
  return std::make_shared<HostUserProperty>(item_, name);
}

host::UserPropertyPtr HostUserProperties::Add(const std::string& name, int type) {
  item_->AddProp(name, type);
  return std::make_shared<HostUserProperty>(item_, name);
}

const PropRecord& HostUserProperty::Prop() {
  const auto* p = item_->FindProp(name_);
  if (!p) Raise(store_err::kNotFound, "The property \"" + name_ + "\" has been deleted.");
  return *p;
}

host::Value HostUserProperty::GetValue() {
  return FromPropValue(Prop().value);
}

void HostUserProperty::SetValue(const host::Value& v) {
  const int type = Prop().type;
  item_->SetProp(name_, ToPropValue(type, v, item_->Context()->TheLocale()));
}

void HostUserProperty::Delete() {
  Prop();
  item_->RemoveProp(name_);
}

}  // namespace velmora::posix
