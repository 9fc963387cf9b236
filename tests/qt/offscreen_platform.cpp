// Every window of these tests is drawn off screen, whatever display the machine has.
#include <QByteArray>
#include <QtGlobal>

namespace {

const bool offscreen = qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));

}  // namespace
