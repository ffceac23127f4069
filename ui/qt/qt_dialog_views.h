// The Qt Widgets back end of DialogViews, registered for hosts whose windowing mode is Qt.
#pragma once

#include <memory>

#include "module_api/import_module.h"
#include "platform/runtime/windowing.h"
#include "ui/dialog_views.h"

namespace kestrel::qtui {

// Shows every dialog as a modal Qt dialog over the host's main window; null without a running
// QApplication, when there is nothing to show windows on.
std::unique_ptr<DialogViews> makeQtDialogViews(ovwin::WindowingSystem& windowing,
                                               module::Conversation& conversation);

}  // namespace kestrel::qtui

namespace kestrel {

// Registers the Qt views for DialogMode::Qt (the module calls it when it starts).
void registerQtDialogViews();

}  // namespace kestrel
