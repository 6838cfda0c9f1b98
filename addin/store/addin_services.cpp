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
  return NeedPtr(GetAddinServices().app, "Object variable not set (application)");
}

host::NameSpacePtr TheNamespace() {
  return NeedPtr(TheApp()->GetNamespace("MAPI"), "Object variable not set (namespace)");
}

}  // namespace velmora
