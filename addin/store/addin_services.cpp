#include "addin/store/addin_services.h"

#include <string>

#include "common/host_error.h"

namespace velmora {

AddinServices& GetAddinServices() noexcept {
  static AddinServices services;
  return services;
}

namespace {
template <class T>
T& Port(T* p, const char* name) {
  if (!p) Raise(err::kObjectNotSet, std::string("Object variable not set (") + name + ")");
  return *p;
}
}  // namespace

host::ObjectFactory& TheObjects() {
  return Port(GetAddinServices().objects, "objects");
}
MessageBoxPort& TheMessageBox() {
  return Port(GetAddinServices().messageBox, "message box");
}
KeystrokePort& TheKeys() {
  return Port(GetAddinServices().keys, "keystrokes");
}
ShellPort& TheShell() {
  return Port(GetAddinServices().shell, "shell");
}
TimerFactory& TheTimers() {
  return Port(GetAddinServices().timers, "timers");
}
XmlFactory& TheXml() {
  return Port(GetAddinServices().xml, "XML documents");
}

host::ApplicationPtr TheApp() {
  auto app = GetAddinServices().app;
  if (!app) Raise(err::kObjectNotSet, "Object variable not set (application)");
  return app;
}

host::NameSpacePtr TheNamespace() {
  auto ns = TheApp()->GetNamespace("MAPI");
  if (!ns) Raise(err::kObjectNotSet, "Object variable not set (namespace)");
  return ns;
}

}  // namespace velmora
