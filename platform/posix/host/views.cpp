#include "platform/posix/host/views.h"

#include <pugixml.hpp>

#include "common/host_error.h"
#include "platform/posix/store/default_view.h"
#include "platform/posix/store/store_error.h"

namespace velmora::posix {

int HostViews::Count() {
  return static_cast<int>(ctx_->Store().Views(folderId_).size());
}

host::ViewPtr HostViews::Item(const std::string& name) {
  const auto v = ctx_->Store().FindView(folderId_, name);
  if (!v) return nullptr;
  return std::make_shared<HostView>(ctx_, v->id, v->name);
}

host::ViewPtr HostViews::Add(const std::string& name, int viewType, int saveOption) {
  if (name.empty()) Raise(store_err::kInvalidArgument, "The view name is empty.");
  if (viewType != host::ol::kTableView)
    Raise(store_err::kInvalidArgument,
          "The view type " + std::to_string(viewType) + " is not supported by this host.");
  if (saveOption < 0 || saveOption > 2)
    Raise(store_err::kInvalidArgument, "The parameter is incorrect. (save option)");
  const auto v =
      ctx_->Store().AddView(folderId_, name, viewType, saveOption, DefaultTableViewXml(name));
  return std::make_shared<HostView>(ctx_, v.id, v.name);
}

std::string HostView::Xml() {
  if (pending_) return *pending_;
  const auto v = ctx_->Store().ViewById(id_);
  if (!v) Raise(store_err::kNotFound, "The view has been deleted.");
  return v->xml;
}

void HostView::SetXml(const std::string& xml) {
  pugi::xml_document doc;
  const auto parsed = doc.load_buffer(xml.data(), xml.size());
  if (!parsed || !doc.document_element())
    Raise(store_err::kInvalidArgument,
          std::string("The view definition is not valid XML: ") + parsed.description());
  pending_ = xml;
}

void HostView::Save() {
  if (!pending_) return;
  ctx_->Store().SetViewXml(id_, *pending_);
  pending_.reset();
}

void HostView::Apply() {
  ctx_->Store().NoteViewApplied(id_);
}

int HostView::AppliedCount() {
  const auto v = ctx_->Store().ViewById(id_);
  return v ? v->applied : 0;
}

}  // namespace velmora::posix
