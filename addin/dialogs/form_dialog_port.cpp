#include "addin/dialogs/form_dialog_port.h"

#include "addin/dialogs/dialog_services.h"

namespace velmora {

void FormDialogPort::ShowOnce() { ShowSendTimeDialog(); }
void FormDialogPort::ShowRecurrence() { ShowRecurrenceDialog(); }
// Modal too: the box is small, and a modal loop keeps a second box from
// opening while the first one is up.
void FormDialogPort::ShowAbout() { ShowAboutBox(); }

}  // namespace velmora
