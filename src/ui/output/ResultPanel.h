// The result panel: a colour swatch (with a mark when the colour lies outside what the screen
// can show), the spectrum with the measurement before it drawn faintly behind, the first values
// as they went into the cells, where they went or why they did not, the session's counts and
// the settings in force. For a light: its colour, illuminance, CCT and Δuv.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <optional>
#include <utility>
#include <vector>

#include "core/output/ResultSummary.h"
#include "ui/controls/SpectrumPlot.h"

class QGridLayout;
class QLabel;
class QPushButton;

namespace ombra::ui {

// A square of one colour; a corner triangle marks a colour clipped into the sRGB gamut.
class ColourSwatch : public QWidget {
    Q_OBJECT
public:
    explicit ColourSwatch(QWidget *parent = nullptr);
    void SetColour(std::optional<QColor> colour, bool outOfGamut);
    std::optional<QColor> Colour() const { return colour_; }
    bool OutOfGamutMarked() const { return outOfGamut_; }
    QSize sizeHint() const override { return {72, 72}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::optional<QColor> colour_;
    bool outOfGamut_ = false;
};

class ResultPanel : public QWidget {
    Q_OBJECT
public:
    explicit ResultPanel(QWidget *parent = nullptr);

    // Shows a measurement; `behind`, when given, is drawn faintly behind its curve.
    void Show(const core::ResultSummary &summary, const std::vector<core::SpectrumPoint> *behind = nullptr);
    // Shows the next measurement of a series: the one shown before is drawn behind it (when it
    // was of the same kind).
    void ShowNext(const core::ResultSummary &summary);
    // The session's counts line; hidden until set (the Measurements window has none).
    void SetCounts(int written, int notWritten);
    // How many measurements wait for the shared journal's server ("3 measurements waiting for
    // the server"); hidden when empty.
    void SetServerWaiting(const QString &text);
    // Back to "no measurement".
    void Clear();
    // A sample of several readings: "Reading k of N" and the Discard sample button while it is
    // unfinished (0 < collected < readings); both hidden otherwise.
    void SetSampleProgress(int collected, int readings);

    // What the panel shows, for tests and the manual's pictures.
    ColourSwatch *Swatch() const { return swatch_; }
    SpectrumPlot *Plot() const { return plot_; }
    std::vector<std::pair<QString, QString>> ShownValues() const;
    QString WhereText() const;
    QString CountsText() const;
    QString ServerWaitingText() const;  // empty while none waits
    QString SettingsText() const;
    QString LightText() const;  // empty for a reflection
    QString SampleProgressText() const;  // empty while no sample is unfinished
    QPushButton *DiscardSampleButton() const { return discardSample_; }
    QSize sizeHint() const override { return {700, 220}; }

signals:
    // The user wants the readings of the unfinished sample dropped.
    void discardSampleRequested();

private:
    void ShowValues(const core::ResultSummary &summary);
    void KeepFullestHeight();
    static QString LightLine(const core::ResultSummary &summary);

    ColourSwatch *swatch_ = nullptr;
    QLabel *stamp_ = nullptr;
    QLabel *light_ = nullptr;
    QGridLayout *values_ = nullptr;
    SpectrumPlot *plot_ = nullptr;
    QLabel *where_ = nullptr;
    QLabel *counts_ = nullptr;
    QLabel *server_ = nullptr;
    QLabel *settings_ = nullptr;
    QLabel *sampleProgress_ = nullptr;
    QPushButton *discardSample_ = nullptr;
    std::optional<core::ResultSummary> shown_;
};

}  // namespace ombra::ui
