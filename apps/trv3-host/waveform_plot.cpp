#include "waveform_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string_view>

#include <QBuffer>
#include <QByteArray>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygonF>

#include "plot_axes.h"

namespace trv3::host {

namespace {

constexpr int ImageWidth = 1000;
constexpr int ImageHeight = 600;
constexpr int MarginLeft = 90;
constexpr int MarginRight = 30;
constexpr int MarginTop = 40;
constexpr int MarginBottom = 70;

// Text needs a GUI application object. A host that already runs one (the add-in's Qt dialogs may
// have created it) keeps it; otherwise one on the offscreen platform lives while the plot is drawn,
// which works with or without a display.
class GuiApplicationScope {
 public:
  GuiApplicationScope() {
    if (QCoreApplication::instance()) return;
    // Qt's start-up remarks (a missing XDG_RUNTIME_DIR, say) are not the host's business.
    previousHandler_ = qInstallMessageHandler(quietHandler);
    application_ = std::make_unique<QGuiApplication>(argc_, argv_);
  }
  ~GuiApplicationScope() {
    if (!application_) return;
    application_.reset();
    qInstallMessageHandler(previousHandler_);
  }
  GuiApplicationScope(const GuiApplicationScope&) = delete;
  GuiApplicationScope& operator=(const GuiApplicationScope&) = delete;

 private:
  static void quietHandler(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
      std::fprintf(stderr, "trv3-host: %s\n", text.toLocal8Bit().constData());
  }

  char name_[10] = "trv3-host";
  char platformOption_[10] = "-platform";
  char platform_[10] = "offscreen";
  char* argv_[4] = {name_, platformOption_, platform_, nullptr};
  int argc_ = 3;
  QtMessageHandler previousHandler_ = nullptr;
  std::unique_ptr<QGuiApplication> application_;
};

QString tickLabel(double value) { return QString::number(value, 'g', 6); }

}  // namespace

void plotWaveform(const FetchOutcome& outcome, OutputFile& file) {
  GuiApplicationScope application;

  const size_t count = outcome.codes.size();
  const TimeUnit unit = timeUnitFor(outcome.wTime);
  const AxisTicks timeAxis = niceAxis(0.0, outcome.wTime * unit.perSecond, 11);
  int32_t lowest = 0;
  int32_t highest = 0;
  if (count > 0) {
    auto [low, high] = std::minmax_element(outcome.codes.begin(), outcome.codes.end());
    lowest = *low;
    highest = *high;
  }
  const AxisTicks codeAxis = niceAxis(lowest, highest, 9);

  QImage image(ImageWidth, ImageHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(13);
  painter.setFont(font);
  const QFontMetrics metrics(font);

  const QRectF area(MarginLeft, MarginTop, ImageWidth - MarginLeft - MarginRight,
                    ImageHeight - MarginTop - MarginBottom);
  auto xOf = [&](double t) {
    return area.left() + (t - timeAxis.low) / (timeAxis.high - timeAxis.low) * area.width();
  };
  auto yOf = [&](double code) {
    return area.bottom() - (code - codeAxis.low) / (codeAxis.high - codeAxis.low) * area.height();
  };

  // Grid, ticks and their labels.
  const QPen gridPen(QColor(225, 225, 225), 1);
  const QPen axisPen(Qt::black, 1);
  for (double t : timeAxis.ticks) {
    const double x = xOf(t);
    painter.setPen(gridPen);
    painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    painter.setPen(axisPen);
    painter.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + 5));
    const QString label = tickLabel(t);
    painter.drawText(
        QPointF(x - metrics.horizontalAdvance(label) / 2.0, area.bottom() + 8 + metrics.ascent()),
        label);
  }
  for (double code : codeAxis.ticks) {
    const double y = yOf(code);
    painter.setPen(gridPen);
    painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    painter.setPen(axisPen);
    painter.drawLine(QPointF(area.left() - 5, y), QPointF(area.left(), y));
    const QString label = tickLabel(code);
    painter.drawText(
        QPointF(area.left() - 8 - metrics.horizontalAdvance(label), y + metrics.ascent() / 2.0 - 1),
        label);
  }
  painter.setPen(axisPen);
  painter.drawRect(area);

  // Axis titles and caption.
  const QString timeTitle = QStringLiteral("Time (%1)").arg(QString::fromStdString(unit.name));
  painter.drawText(
      QPointF(area.center().x() - metrics.horizontalAdvance(timeTitle) / 2.0, ImageHeight - 16),
      timeTitle);
  const QString codeTitle = QStringLiteral("Sample code");
  painter.save();
  painter.translate(22, area.center().y() + metrics.horizontalAdvance(codeTitle) / 2.0);
  painter.rotate(-90);
  painter.drawText(QPointF(0, 0), codeTitle);
  painter.restore();
  const QString caption =
      QStringLiteral("%1 samples, wTime %2 s").arg(count).arg(outcome.wTime, 0, 'g', 10);
  painter.drawText(QPointF(area.left(), MarginTop - 14), caption);

  // The trace: sample i at wTime * i / (count - 1).
  QPolygonF trace;
  trace.reserve(static_cast<qsizetype>(count));
  const double lastTime = std::isfinite(outcome.wTime) ? outcome.wTime * unit.perSecond : 0.0;
  for (size_t i = 0; i < count; ++i) {
    const double t =
        count > 1 ? lastTime * static_cast<double>(i) / static_cast<double>(count - 1) : 0.0;
    trace.append(QPointF(xOf(t), yOf(outcome.codes[i])));
  }
  painter.setClipRect(area);
  painter.setPen(QPen(QColor(0, 90, 200), 1.2));
  painter.drawPolyline(trace);
  painter.end();

  // Encoded in memory and written here, so that a failing file is our one message rather than the
  // PNG library's own line on stderr.
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) throw std::runtime_error("cannot encode the plot");
  file.write(std::string_view(png.constData(), static_cast<size_t>(png.size())));
}

}  // namespace trv3::host
