// The Qt application that the dialogs' widgets need: the host's own when it runs one, otherwise
// one created on the calling thread at the first need.
#pragma once

class QApplication;
class QCoreApplication;

namespace trv3::ui::qt {

// The process's Qt application, or nullptr while there is none; never one that another apartment
// of the host is still making.
QCoreApplication* existingApplication();

// Raises a run-time error when the host's Qt application cannot carry widgets (it is not a
// QApplication, or it runs on another thread).
QApplication& widgetApplication();

}  // namespace trv3::ui::qt
