#include "platform/ui/qt/twips_scale.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace trv3::ui::qt {

TwipsScale TwipsScale::ofPrimaryScreen() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return {screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY()};
}

int TwipsScale::x(int32_t twips) const { return static_cast<int>(std::lround(twips * perTwipX_)); }

int TwipsScale::y(int32_t twips) const { return static_cast<int>(std::lround(twips * perTwipY_)); }

QRect TwipsScale::rect(const Twips& geometry, int naturalHeight) const {
  const int height = geometry.height ? y(*geometry.height) : naturalHeight;
  return {x(geometry.left), y(geometry.top), x(geometry.width), height};
}

}  // namespace trv3::ui::qt
