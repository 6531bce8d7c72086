// A spectrum over wavelength, drawn with QPainter: axes with their units, nice tick steps, the
// current curve and up to one faint curve behind it (the measurement before, or a second one
// to compare). Everything is drawn in the widget's logical coordinates, so it stays sharp at
// any device pixel ratio and in offscreen renderings.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <vector>

#include "core/output/ResultSummary.h"

namespace ombra::ui {

class SpectrumPlot : public QWidget {
    Q_OBJECT
public:
    struct Curve {
        std::vector<core::SpectrumPoint> points;
        QColor colour;
        bool faint = false;
    };

    explicit SpectrumPlot(QWidget *parent = nullptr);

    void SetAxisTitles(const QString &x, const QString &y);
    // The curves in drawing order (the first is drawn first, behind the others).
    void SetCurves(std::vector<Curve> curves);
    const std::vector<Curve> &Curves() const { return curves_; }
    const QString &XTitle() const { return xTitle_; }
    const QString &YTitle() const { return yTitle_; }

    QSize sizeHint() const override { return {360, 200}; }
    QSize minimumSizeHint() const override { return {200, 120}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::vector<Curve> curves_;
    QString xTitle_;
    QString yTitle_;
};

// A step of 1, 2 or 5 times a power of ten that cuts `span` into at most `maxTicks` parts.
double NiceStep(double span, int maxTicks);

}  // namespace ombra::ui
