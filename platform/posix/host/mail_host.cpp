#include "platform/posix/host/mail_host.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

#include "common/host_error.h"
#include "platform/posix/host/application.h"
#include "platform/posix/host/com_addins.h"
#include "platform/posix/host/folder.h"
#include "platform/posix/host/mail_item.h"
#include "platform/posix/store/recipients.h"
#include "platform/posix/store/store_error.h"

namespace velmora::posix {

MailHost::MailHost(std::unique_ptr<MailStore> store, HostPorts ports)
    : ctx_(std::make_shared<HostContext>(std::move(store), ports)),
      app_(std::make_shared<HostApplication>(ctx_)),
      objects_(std::make_unique<HostObjectFactory>(ctx_)) {}

MailHost::~MailHost() {
  ctx_->Shutdown();
}

std::unique_ptr<MailHost> MailHost::OpenInMemory(HostPorts ports) {
  return std::unique_ptr<MailHost>(new MailHost(MailStore::OpenInMemory(), ports));
}

namespace {

bool IsEmptyFile(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) == 0 &&
         !ec;
}

// Empty, and not a store another velmora is making right now: in WAL mode its
// first pages wait in the "-wal" file until a checkpoint.
bool LooksTruncated(const std::filesystem::path& path) {
  std::error_code ec;
  return IsEmptyFile(path) && !std::filesystem::exists(path.string() + "-wal", ec);
}

// Asked again for a while, never judged on a look taken after the last wait:
// a store that did not exist yet may be made empty between two looks.
bool StaysEmpty(const std::filesystem::path& path) {
  for (int i = 0; i < 100; ++i) {
    if (!LooksTruncated(path)) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace

std::unique_ptr<MailHost> MailHost::Open(const std::filesystem::path& storePath, HostPorts ports,
                                         bool readOnly) {
  constexpr const char* kRemedy =
      " Restore it from a backup, or move it aside to start with an empty store.";
  // SQLite takes an empty file for a new database: a store a full disk or an
  // interrupted copy truncated would silently become an empty one.
  if (StaysEmpty(storePath))
    Raise(store_err::kFailed, "The store " + storePath.string() +
                                  " is empty (0 bytes); it was not replaced by a new one." +
                                  kRemedy);
  std::error_code ec;
  if (readOnly && !std::filesystem::exists(storePath, ec)) return OpenInMemory(ports);
  try {
    return std::unique_ptr<MailHost>(new MailHost(MailStore::Open(storePath, readOnly), ports));
  } catch (const HostError& e) {
    const std::string& why = e.Description();
    if (why.find("not a database") != std::string::npos ||
        why.find("malformed") != std::string::npos)
      Raise(store_err::kFailed,
            "The store " + storePath.string() + " is damaged (" + why + ")." + kRemedy);
    throw;
  }
}

std::filesystem::path MailHost::DefaultStorePath() {
  return MailStore::DefaultPath();
}

void MailHost::SetVersion(const std::string& version) {
  ctx_->Store().SetSetting("Version", version);
}

void MailHost::SetDefaultFrom(const std::string& address) {
  if (!address.empty() && !IsValidAddress(address))
    Raise(store_err::kInvalidArgument, "\"" + address + "\" is not a valid e-mail address.");
  ctx_->Store().SetSetting(HostContext::kSettingFrom, address);
}

std::shared_ptr<HostExplorer> MailHost::OpenExplorer(const ExplorerOptions& options) {
  return ctx_->OpenExplorer(options);
}

std::shared_ptr<HostInspector> MailHost::OpenInspector(host::MailItemPtr item) {
  return OpenInspector(std::move(item), ctx_->InspectorDefaults());
}

std::shared_ptr<HostInspector> MailHost::OpenInspector(host::MailItemPtr item,
                                                       const InspectorOptions& options) {
  Need(item, "Object variable not set (item)");
  auto ours = std::dynamic_pointer_cast<HostMailItem>(item);
  if (!ours) Raise(err::kTypeMismatch, "Type mismatch (not an item of this host)");
  return ctx_->OpenInspector(std::move(ours), options);
}

host::COMAddInPtr MailHost::RegisterAddIn(const std::string& progId, const std::string& description,
                                          bool connected) {
  auto addIn = std::make_shared<HostComAddIn>(progId, description, connected);
  ctx_->AddIns().push_back(addIn);
  return addIn;
}

int MailHost::ViewAppliedCount(const host::FolderPtr& folder, const std::string& name) {
  auto* ours = dynamic_cast<HostFolder*>(&Need(folder, "Object variable not set (folder)"));
  if (!ours) Raise(err::kTypeMismatch, "Type mismatch (not a folder of this host)");
  const auto view = ctx_->Store().FindView(ours->Id(), name);
  return view ? view->applied : 0;
}

}  // namespace velmora::posix
