#include "ui/output/ResultPanel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "core/output/Values.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"

namespace ombra::ui {
namespace {

constexpr int kValueRows = 6;

QString Q(const std::string &text) { return QString::fromStdString(text); }

// A light's value as its cell has it: illuminance and CCT truncated, Δuv with three decimals.
QString CellText(double value, int decimals) {
    if (core::IsMissingValue(value) || !std::isfinite(value)) return QString::fromUtf8("–");
    return Q(decimals == 0 ? core::FormatTruncated(value) : core::FormatFixed(value, decimals));
}

QLabel *NamedLabel(const char *name, QWidget *parent) {
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

}  // namespace

ColourSwatch::ColourSwatch(QWidget *parent) : QWidget(parent) {
    setObjectName("resultSwatch");
    setFixedSize(72, 72);
}

void ColourSwatch::SetColour(std::optional<QColor> colour, bool outOfGamut) {
    colour_ = colour;
    outOfGamut_ = colour && outOfGamut;
    setToolTip(outOfGamut_ ? core::platform::ResQString(res::kStrOutOfGamut) : QString());
    update();
}

void ColourSwatch::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF square = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.setBrush(colour_ ? *colour_ : palette().color(QPalette::Window));
    painter.drawRect(square);
    if (!outOfGamut_) return;
    // A black-and-white corner, visible on any colour.
    const double side = width() / 3.0;
    QPolygonF corner{{square.right() - side, square.top()}, square.topRight(), {square.right(), square.top() + side}};
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(Qt::black);
    painter.drawPolygon(corner);
    painter.setPen(Qt::white);
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.drawText(QRectF(square.right() - side * 0.62, square.top(), side * 0.62, side * 0.62), Qt::AlignCenter, "!");
}

ResultPanel::ResultPanel(QWidget *parent) : QWidget(parent) {
    setObjectName("resultPanel");
    swatch_ = new ColourSwatch(this);
    stamp_ = NamedLabel("resultStamp", this);
    light_ = NamedLabel("resultLight", this);
    plot_ = new SpectrumPlot(this);
    plot_->setMinimumHeight(180);
    where_ = NamedLabel("resultWhere", this);
    counts_ = NamedLabel("resultCounts", this);
    settings_ = NamedLabel("resultSettings", this);
    counts_->hide();
    server_ = NamedLabel("resultServerWaiting", this);
    server_->hide();
    sampleProgress_ = NamedLabel("resultSampleProgress", this);
    discardSample_ = new QPushButton(core::platform::ResQString(res::kStrDiscardSample), this);
    discardSample_->setObjectName("resultDiscardSample");
    connect(discardSample_, &QPushButton::clicked, this, &ResultPanel::discardSampleRequested);
    sampleProgress_->hide();
    discardSample_->hide();
    // A long reason must not widen the window: the line is cut at the panel's edge and its
    // whole text is the tooltip.
    for (QLabel *line : {where_, settings_}) line->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto *left = new QVBoxLayout;
    left->addWidget(swatch_);
    left->addWidget(stamp_);
    left->addWidget(light_);
    left->addStretch();
    values_ = new QGridLayout;
    values_->setHorizontalSpacing(8);
    values_->setVerticalSpacing(1);
    auto *valuesBox = new QVBoxLayout;
    valuesBox->addLayout(values_);
    valuesBox->addStretch();
    auto *top = new QHBoxLayout;
    top->addLayout(left);
    top->addLayout(valuesBox);
    top->addWidget(plot_, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->addLayout(top, 1);
    layout->addWidget(where_);
    auto *sample = new QHBoxLayout;
    sample->addWidget(sampleProgress_);
    sample->addWidget(discardSample_);
    sample->addStretch();
    layout->addLayout(sample);
    auto *counts = new QHBoxLayout;
    counts->addWidget(counts_);
    counts->addStretch();
    counts->addWidget(server_);
    layout->addLayout(counts);
    layout->addWidget(settings_);
    KeepFullestHeight();
    Clear();
}

// The panel is as tall as its fullest state from the start, so the window neither grows nor
// clips its buttons and status bar as measurements fill the panel.
void ResultPanel::KeepFullestHeight() {
    core::ResultSummary fullest;
    fullest.firstValues.assign(core::kPanelValueCount, {"L*", "100.00"});
    ShowValues(fullest);
    for (QLabel *line : {stamp_, light_, where_, counts_, settings_}) {
        line->setText("0");
        line->show();
    }
    setMinimumHeight(sizeHint().height());
    counts_->hide();
}

void ResultPanel::SetSampleProgress(int collected, int readings) {
    const bool unfinished = collected > 0 && collected < readings;
    sampleProgress_->setText(unfinished ? core::platform::ResQString(res::kStrReadingOfSample)
                                              .arg(collected)
                                              .arg(readings)
                                        : QString());
    sampleProgress_->setVisible(unfinished);
    discardSample_->setVisible(unfinished);
}

QString ResultPanel::SampleProgressText() const { return sampleProgress_->text(); }

void ResultPanel::Clear() {
    shown_.reset();
    swatch_->SetColour(std::nullopt, false);
    stamp_->clear();
    light_->clear();
    light_->hide();
    ShowValues(core::ResultSummary{});
    plot_->SetAxisTitles(core::platform::ResQString(res::kStrWavelengthAxis), core::platform::ResQString(res::kStrReflectanceAxis));
    plot_->SetCurves({});
    where_->setText(core::platform::ResQString(res::kStrNoMeasurement));
    settings_->clear();
}

void ResultPanel::Show(const core::ResultSummary &s, const std::vector<core::SpectrumPoint> *behind) {
    const auto &rgb = s.swatch;
    swatch_->SetColour(rgb ? std::optional<QColor>(QColor((*rgb)[0], (*rgb)[1], (*rgb)[2])) : std::nullopt,
                       s.outOfGamut);
    stamp_->setText(Q(s.stamp));
    light_->setVisible(s.irradiance);
    light_->setText(s.irradiance ? LightLine(s) : QString());
    ShowValues(s);
    plot_->SetAxisTitles(core::platform::ResQString(res::kStrWavelengthAxis),
                         core::platform::ResQString(s.irradiance ? res::kStrIrradianceAxis : res::kStrReflectanceAxis));
    std::vector<SpectrumPlot::Curve> curves;
    if (behind && !behind->empty()) curves.push_back({*behind, palette().color(QPalette::Text), true});
    curves.push_back({s.spectrum, QColor(0x1f, 0x5f, 0xbf), false});
    plot_->SetCurves(std::move(curves));
    where_->setText(s.written ? core::platform::ResQString(res::kStrWrittenTo).arg(Q(s.where)) : Q(s.where));
    where_->setToolTip(where_->text());
    settings_->setText(Q(s.settingsLine));
    settings_->setToolTip(settings_->text());
    shown_ = s;
}

void ResultPanel::ShowNext(const core::ResultSummary &s) {
    const bool sameKind = shown_ && shown_->irradiance == s.irradiance;
    const std::vector<core::SpectrumPoint> before = sameKind ? shown_->spectrum : std::vector<core::SpectrumPoint>{};
    Show(s, &before);
}

void ResultPanel::SetCounts(int written, int notWritten) {
    counts_->setText(core::platform::ResQString(res::kStrSessionCounts).arg(written).arg(notWritten));
    counts_->show();
}

QString ResultPanel::LightLine(const core::ResultSummary &s) {
    return core::platform::ResQString(res::kStrIlluminanceLabel) + ' ' + CellText(s.lux, 0) + "\n" +
           core::platform::ResQString(res::kStrCctLabel) + ' ' + CellText(s.cct, 0) + "\n" +
           core::platform::ResQString(res::kStrDeltaUv) + ' ' + CellText(s.duv, 3);
}

void ResultPanel::ShowValues(const core::ResultSummary &s) {
    while (QLayoutItem *item = values_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (size_t i = 0; i < s.firstValues.size(); ++i) {
        const int row = int(i) % kValueRows, column = 2 * (int(i) / kValueRows);
        QLabel *label = NamedLabel("resultValueLabel", this);
        label->setText(Q(s.firstValues[i].first));
        label->setForegroundRole(QPalette::PlaceholderText);
        QLabel *value = NamedLabel("resultValue", this);
        value->setText(Q(s.firstValues[i].second));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        values_->addWidget(label, row, column);
        values_->addWidget(value, row, column + 1);
    }
}

std::vector<std::pair<QString, QString>> ResultPanel::ShownValues() const {
    std::vector<std::pair<QString, QString>> shown;
    const int columns = values_->columnCount();
    for (int column = 0; column + 1 < columns; column += 2)
        for (int row = 0; row < kValueRows; ++row) {
            QLayoutItem *label = values_->itemAtPosition(row, column);
            QLayoutItem *value = values_->itemAtPosition(row, column + 1);
            if (!label || !value) continue;
            shown.emplace_back(static_cast<QLabel *>(label->widget())->text(),
                               static_cast<QLabel *>(value->widget())->text());
        }
    return shown;
}

void ResultPanel::SetServerWaiting(const QString &text) {
    server_->setText(text);
    server_->setVisible(!text.isEmpty());
}

QString ResultPanel::ServerWaitingText() const { return server_->isHidden() ? QString() : server_->text(); }

QString ResultPanel::WhereText() const { return where_->text(); }
QString ResultPanel::CountsText() const { return counts_->isHidden() ? QString() : counts_->text(); }
QString ResultPanel::SettingsText() const { return settings_->text(); }
QString ResultPanel::LightText() const { return light_->text(); }

}  // namespace ombra::ui
