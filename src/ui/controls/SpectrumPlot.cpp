#include "ui/controls/SpectrumPlot.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace ombra::ui {
namespace {

struct Range {
    double lo = 0, hi = 1;
};

// The value range of all curves, widened to whole tick steps; a flat curve gets room.
Range ValueRange(const std::vector<SpectrumPlot::Curve> &curves, double &step) {
    double lo = 0, hi = 0;
    bool any = false;
    for (const auto &curve : curves)
        for (const core::SpectrumPoint &p : curve.points) {
            lo = any ? std::min(lo, p.value) : std::min(0.0, p.value);
            hi = any ? std::max(hi, p.value) : p.value;
            any = true;
        }
    if (!(hi > lo)) hi = lo + 1;
    step = NiceStep(hi - lo, 5);
    return {std::floor(lo / step) * step, std::ceil(hi / step) * step};
}

Range WavelengthRange(const std::vector<SpectrumPlot::Curve> &curves) {
    Range r{380, 730};
    bool any = false;
    for (const auto &curve : curves)
        for (const core::SpectrumPoint &p : curve.points) {
            r.lo = any ? std::min(r.lo, p.nm) : p.nm;
            r.hi = any ? std::max(r.hi, p.nm) : p.nm;
            any = true;
        }
    if (!(r.hi > r.lo)) r.hi = r.lo + 10;
    return r;
}

QString TickText(double value, double step) {
    const int decimals = step >= 1 ? 0 : std::min(6, int(std::ceil(-std::log10(step))));
    return QString::number(value, 'f', decimals);  // always a "." whatever the locale
}

}  // namespace

double NiceStep(double span, int maxTicks) {
    if (!(span > 0) || maxTicks < 1) return 1;
    const double raw = span / maxTicks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw * (1 - 1e-9)) return m * power;
    return 10 * power;
}

SpectrumPlot::SpectrumPlot(QWidget *parent) : QWidget(parent) {
    setObjectName("spectrumPlot");
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAutoFillBackground(false);
}

void SpectrumPlot::SetAxisTitles(const QString &x, const QString &y) {
    xTitle_ = x;
    yTitle_ = y;
    update();
}

void SpectrumPlot::SetCurves(std::vector<Curve> curves) {
    curves_ = std::move(curves);
    update();
}

void SpectrumPlot::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    const QFontMetrics metrics(font());
    double valueStep = 1;
    const Range values = ValueRange(curves_, valueStep);
    const Range nm = WavelengthRange(curves_);
    const double nmStep = NiceStep(nm.hi - nm.lo, std::max(2, width() / 70));
    // Room for the tick texts and the titles on the left and below.
    int tickWidth = 0;
    for (double v = values.lo; v <= values.hi + valueStep / 2; v += valueStep)
        tickWidth = std::max(tickWidth, metrics.horizontalAdvance(TickText(v, valueStep)));
    const QRectF area(metrics.height() + tickWidth + 10, metrics.height() / 2.0 + 4,
                      width() - (metrics.height() + tickWidth + 10) - 12, height() - 2.5 * metrics.height() - 14);
    if (area.width() < 20 || area.height() < 20) return;
    auto x = [&](double v) { return area.left() + (v - nm.lo) / (nm.hi - nm.lo) * area.width(); };
    auto y = [&](double v) { return area.bottom() - (v - values.lo) / (values.hi - values.lo) * area.height(); };

    const QColor text = palette().color(QPalette::Text);
    QColor grid = text;
    grid.setAlphaF(0.15);
    painter.setPen(QPen(grid, 1));
    for (double v = values.lo; v <= values.hi + valueStep / 2; v += valueStep) {
        painter.drawLine(QPointF(area.left(), y(v)), QPointF(area.right(), y(v)));
        painter.setPen(text);
        painter.drawText(QRectF(area.left() - tickWidth - 6, y(v) - metrics.height() / 2.0, tickWidth, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, TickText(v, valueStep));
        painter.setPen(QPen(grid, 1));
    }
    for (double v = std::ceil(nm.lo / nmStep) * nmStep; v <= nm.hi + nmStep / 100; v += nmStep) {
        painter.drawLine(QPointF(x(v), area.top()), QPointF(x(v), area.bottom()));
        painter.setPen(text);
        painter.drawText(QRectF(x(v) - 30, area.bottom() + 3, 60, metrics.height()), Qt::AlignHCenter | Qt::AlignTop,
                         TickText(v, nmStep));
        painter.setPen(QPen(grid, 1));
    }
    painter.setPen(QPen(text, 1));
    painter.drawRect(area);
    painter.drawText(QRectF(area.left(), height() - metrics.height() - 2, area.width(), metrics.height()),
                     Qt::AlignHCenter, xTitle_);
    painter.save();
    painter.translate(2, area.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-area.height() / 2, 0, area.height(), metrics.height()), Qt::AlignHCenter, yTitle_);
    painter.restore();

    painter.setClipRect(area.adjusted(-2, -2, 2, 2));
    for (const Curve &curve : curves_) {
        if (curve.points.empty()) continue;
        QPainterPath path(QPointF(x(curve.points.front().nm), y(curve.points.front().value)));
        for (const core::SpectrumPoint &p : curve.points) path.lineTo(x(p.nm), y(p.value));
        QColor colour = curve.colour.isValid() ? curve.colour : text;
        if (curve.faint) colour.setAlphaF(0.35);
        painter.setPen(QPen(colour, curve.faint ? 1.2 : 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(path);
    }
}

}  // namespace ombra::ui
