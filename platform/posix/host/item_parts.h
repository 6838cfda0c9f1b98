// The parts of an item object: its attachments and user properties. They
// act on the item object they came from, so their changes are buffered with
// the item's and stored by its Save.
#pragma once

#include <memory>
#include <string>

#include "addin/store/host.h"
#include "platform/posix/host/mail_item.h"

namespace velmora::posix {

class HostAttachments final : public host::Attachments {
 public:
  explicit HostAttachments(std::shared_ptr<HostMailItem> item) : item_(std::move(item)) {}
  int Count() override;
  host::AttachmentPtr Item(int index) override;
  // Reads the file's bytes now; a path that is no readable file raises.
  host::AttachmentPtr Add(const std::string& sourcePath, const std::string& displayName) override;

 private:
  std::shared_ptr<HostMailItem> item_;
};

class HostAttachment final : public host::Attachment {
 public:
  HostAttachment(std::shared_ptr<HostMailItem> item, AttachmentRecord record)
      : item_(std::move(item)), record_(std::move(record)) {}
  std::string DisplayName() override { return record_.displayName; }
  std::string FileName() override { return record_.fileName; }
  std::int64_t Size() override { return record_.size; }

 private:
  std::shared_ptr<HostMailItem> item_;
  AttachmentRecord record_;
};

class HostUserProperties final : public host::UserProperties {
 public:
  explicit HostUserProperties(std::shared_ptr<HostMailItem> item) : item_(std::move(item)) {}
  int Count() override;
  host::UserPropertyPtr Item(int index) override;
  host::UserPropertyPtr Find(const std::string& name) override;
  // Raises when the item has a property of that name already.
  host::UserPropertyPtr Add(const std::string& name, int type) override;

 private:
  std::shared_ptr<HostMailItem> item_;
};

class HostUserProperty final : public host::UserProperty {
 public:
  HostUserProperty(std::shared_ptr<HostMailItem> item, std::string name)
      : item_(std::move(item)), name_(std::move(name)) {}
  std::string Name() override { return name_; }
  int Type() override { return Prop().type; }
  host::Value GetValue() override;
  void SetValue(const host::Value& v) override;
  void Delete() override;

 private:
  // Raises once the property has been deleted.
  const PropRecord& Prop();
  std::shared_ptr<HostMailItem> item_;
  std::string name_;
};

}  // namespace velmora::posix
