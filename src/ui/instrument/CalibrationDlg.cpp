#include "ui/instrument/CalibrationDlg.h"

#include <QCoreApplication>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/instrument/WorkThread.h"
#include "core/platform/Executable.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "corvexres/ResourceIds.h"
#include "ui/platform/MessageBox.h"
#include "ui/platform/WaitCursor.h"

namespace ombra::ui {
namespace {

CCalibrationDlg *currentDialog = nullptr;
bool calibrationRunning = false;

QString controlName(int id) { return QStringLiteral("ctl_%1").arg(id); }

// The instruction is shown 4 pixels taller and bold.
QFont enlargedBold(const QFont &base) {
    QFont font = base;
    font.setPixelSize(QFontInfo(base).pixelSize() + 4);
    font.setWeight(QFont::Bold);
    return font;
}

}  // namespace

CCalibrationDlg::CCalibrationDlg(const core::CalibrationStep &step, core::DialogInstrument &instrument, QWidget *parent)
    : QDialog(parent),
      title_(core::platform::ResWindowTitle(step.titleId).toStdString()),
      picturePath_(step.picturePath),
      message_(core::platform::ResString(step.messageId)),
      skipAllowed_(step.skipAllowed),
      zeroMode_(step.zeroMode),
      instrument_(instrument) {
    setObjectName(QStringLiteral("dlg_%1").arg(res::kDlgCalibration));
    picture_ = new QLabel(this);
    picture_->setObjectName(controlName(res::kCtlCalibrationPicture));
    picture_->setFixedSize(kPictureWidth, kPictureHeight);
    messageLabel_ = new QLabel(this);
    messageLabel_->setObjectName(controlName(res::kCtlCalibrationMessage));
    messageLabel_->setWordWrap(true);
    calibrateButton_ = new QPushButton(core::platform::ResQString(res::kStrCalibrate), this);
    calibrateButton_->setObjectName(controlName(res::kCtlCalibrationCalibrate));
    calibrateButton_->setDefault(true);
    skipButton_ = new QPushButton(core::platform::ResQString(res::kStrSkip), this);
    skipButton_->setObjectName(controlName(res::kCtlCalibrationSkip));
    auto *cancel = new QPushButton(core::platform::ResQString(res::kStrCancel), this);
    cancel->setObjectName(controlName(2));

    auto *text = new QVBoxLayout;
    text->addWidget(messageLabel_, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(calibrateButton_);
    buttons->addWidget(skipButton_);
    buttons->addWidget(cancel);
    text->addLayout(buttons);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(picture_);
    layout->addLayout(text, 1);

    connect(calibrateButton_, &QPushButton::clicked, this, &CCalibrationDlg::OnCalibrate);
    connect(skipButton_, &QPushButton::clicked, this, &CCalibrationDlg::OnSkip);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    InitDialog();
    currentDialog = this;
}

CCalibrationDlg::~CCalibrationDlg() {
    if (currentDialog == this) currentDialog = nullptr;
}

CCalibrationDlg *CCalibrationDlg::Current() { return currentDialog; }

void CCalibrationDlg::InitDialog() {
    errorMng_.Init(platform::NoticeSinkFor(this), instrument_.Judge());
    setWindowTitle(QString::fromStdString(title_));
    messageLabel_->setText(QString::fromStdString(message_));
    QImage image(QString::fromStdString(picturePath_));
    if (!image.isNull())
        picture_->setPixmap(QPixmap::fromImage(
            image.scaled(kPictureWidth, kPictureHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    skipButton_->setVisible(zeroMode_);
    skipButton_->setEnabled(zeroMode_ && skipAllowed_);
    calibrateButton_->setFocus();
    messageLabel_->setFont(enlargedBold(messageLabel_->font()));
}

void CCalibrationDlg::OnCalibrate() {
    platform::WaitCursor wait;
    int32_t rc = zeroMode_ ? instrument_.CalibrateZero() : instrument_.CalibrateWhite(calibrationKind_);
    wait.End();
    if (rc != 0) {
        errorMng_.Report(rc);
        return;
    }
    if (!zeroMode_)
        platform::ShowMessageBox(this, core::platform::ResString(res::kStrWhiteCalibrationDone),
                                 core::platform::ResString(res::kStrMessageCaption), core::platform::mb::ICONASTERISK);
    if (!ended_) done(core::calib::kOkResult);
}

void CCalibrationDlg::EndLost() {
    ended_ = true;
    done(0);
}

void CCalibrationDlg::OnSkip() { done(core::calib::kSkipResult); }

core::CalibrationOutcome RunCalibration(QWidget *parent, core::CWorkThread *watcher, core::DialogInstrument &instrument) {
    return RunCalibration(parent, watcher, core::Settings().measurement.Polarization(), core::platform::ExecutableDirectory(),
                          instrument);
}

core::CalibrationOutcome RunCalibration(QWidget *parent, core::CWorkThread *watcher, int polarization,
                                  const std::string &programDir, core::DialogInstrument &instrument) {
    calibrationRunning = true;
    if (watcher) watcher->Pause();
    core::CalibrationOutcome outcome = core::RunCalibrationSequence(polarization, programDir, [&](const core::CalibrationStep &step) {
        // A loss of the instrument during the previous step ends the run.
        if (!calibrationRunning) return 0;
        CCalibrationDlg dialog(step, instrument, parent);
        return dialog.exec();
    });
    calibrationRunning = false;
    if (watcher) watcher->Resume();
    return outcome;
}

bool IsCalibrationDialogOpen() { return calibrationRunning; }

bool EndCalibrationDialog() {
    bool wasRunning = calibrationRunning;
    calibrationRunning = false;
    if (currentDialog && currentDialog->isVisible()) currentDialog->EndLost();
    return wasRunning;
}

}  // namespace ombra::ui
