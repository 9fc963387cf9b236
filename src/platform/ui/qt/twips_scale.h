// Design geometry in twips (1440 per inch) turned into pixels at the screen's logical resolution.
#pragma once

#include <QRect>
#include <QSize>

#include "platform/ui/control.h"

namespace trv3::ui::qt {

class TwipsScale {
 public:
  TwipsScale(double dotsPerInchX, double dotsPerInchY) : perTwipX_(dotsPerInchX / 1440.0), perTwipY_(dotsPerInchY / 1440.0) {}
  // The primary screen's logical resolution.
  static TwipsScale ofPrimaryScreen();

  int x(int32_t twips) const;
  int y(int32_t twips) const;
  // A control without a designed height takes `naturalHeight` (in pixels).
  QRect rect(const Twips& geometry, int naturalHeight) const;
  QSize size(int32_t width, int32_t height) const { return {x(width), y(height)}; }

 private:
  double perTwipX_;
  double perTwipY_;
};

}  // namespace trv3::ui::qt
