// The banner across the top of the main window's client area that tells why the last
// measurement did not reach the sheet. It stays until the user dismisses it or a later
// measurement is written, and offers what mends the miss: setting LibreOffice up for the
// program (when that is the reason), the Measurements window to resend, and the switch of the
// sound a miss makes.
//
// Object names: "missBanner", its texts "missBannerText" and "missBannerCount", its controls
// "missBannerSetup", "missBannerMeasurements", "missBannerSound" and "missBannerDismiss".
#pragma once

#include <QFrame>
#include <QString>

#include "core/output/MissNotice.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace ombra::ui {

class MissBanner : public QFrame {
    Q_OBJECT
public:
    explicit MissBanner(QWidget *parent);

    // Shows the notice over the top of the parent, `width` wide from (x, y).
    void ShowNotice(const core::MissNotice &notice, bool soundOn, int x, int y, int width);
    // The count of unwritten measurements changed; an empty text removes the count line.
    void SetCountText(const QString &countText);
    core::MissReason Reason() const { return reason_; }
    // Everything the banner says, reason first.
    QString Text() const;

    QPushButton *SetupButton() const { return setup_; }
    QPushButton *MeasurementsButton() const { return measurements_; }
    QPushButton *DismissButton() const { return dismiss_; }
    QCheckBox *SoundSwitch() const { return sound_; }

signals:
    void setupRequested();
    void measurementsRequested();
    void soundSwitched(bool on);

private:
    void FitHeight(int width);

    core::MissReason reason_ = core::MissReason::None;
    QLabel *text_ = nullptr;
    QLabel *count_ = nullptr;
    QPushButton *setup_ = nullptr;
    QPushButton *measurements_ = nullptr;
    QPushButton *dismiss_ = nullptr;
    QCheckBox *sound_ = nullptr;
};

}  // namespace ombra::ui
