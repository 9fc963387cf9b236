#include "platform/ui/qt/twips_scale.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace trv3::ui::qt {

TwipsScale TwipsScale::ofPrimaryScreen() {
  // A platform may start without any screen; the dialog is then laid out at the usual 96 dpi.
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return {96.0, 96.0};
  return {screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY()};
}

int TwipsScale::x(int32_t twips) const { return static_cast<int>(std::lround(twips * perTwipX_)); }

int TwipsScale::y(int32_t twips) const { return static_cast<int>(std::lround(twips * perTwipY_)); }

QRect TwipsScale::rect(const Twips& geometry, int naturalHeight) const {
  const int height = geometry.height ? y(*geometry.height) : naturalHeight;
  return {x(geometry.left), y(geometry.top), x(geometry.width), height};
}

}  // namespace trv3::ui::qt
