#include "addin/store/addin_services.h"

#include <string>

#include "common/host_error.h"

namespace velmora {

AddinServices& GetAddinServices() noexcept {
  static AddinServices services;
  return services;
}

host::ObjectFactory& TheObjects() {
  return NeedPort(GetAddinServices().objects, "objects");
}
MessageBoxPort& TheMessageBox() {
  return NeedPort(GetAddinServices().messageBox, "message box");
}
KeystrokePort& TheKeys() {
  return NeedPort(GetAddinServices().keys, "keystrokes");
}
ShellPort& TheShell() {
  return NeedPort(GetAddinServices().shell, "shell");
}
TimerFactory& TheTimers() {
  return NeedPort(GetAddinServices().timers, "timers");
}
XmlFactory& TheXml() {
  return NeedPort(GetAddinServices().xml, "XML documents");
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
