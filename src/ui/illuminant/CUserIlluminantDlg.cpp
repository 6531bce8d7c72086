#include "ui/illuminant/CUserIlluminantDlg.h"

#include "core/output/Values.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "core/instrument/WorkThread.h"
#include "core/platform/Resources.h"
#include "core/platform/UserFolders.h"
#include "core/settings/AppSettings.h"
#include "corvexres/ResourceIds.h"
#include "ui/platform/FileDialog.h"
#include "ui/platform/MessageBox.h"

namespace ombra::ui {
namespace {

QString controlName(int id) { return QStringLiteral("ctl_%1").arg(id); }

bool isMissing(float value) { return value == core::kNoValue || !std::isfinite(value); }

}  // namespace

CUserIlluminantDlg::CUserIlluminantDlg(core::DialogInstrument &instrument, QWidget *parent)
    : QDialog(parent),
      instrument_(instrument),
      settings_(core::Settings()) {
    setObjectName(QStringLiteral("dlg_%1").arg(res::kDlgUserIlluminant));
    CreateControls();
    InitDialog();
}

CUserIlluminantDlg::~CUserIlluminantDlg() = default;

QPushButton *CUserIlluminantDlg::addButton(int id, const QString &text) {
    auto *button = new QPushButton(text, this);
    button->setObjectName(controlName(id));
    button->setAutoDefault(false);
    return button;
}

void CUserIlluminantDlg::CreateControls() {
    setWindowTitle(core::platform::ResWindowTitle(res::kStrUserIlluminantTitle));
    auto *fileRow = new QHBoxLayout;
    auto *open = addButton(res::kCtlUserIlluminantOpen, core::platform::ResQString(res::kStrOpen));
    auto *save = addButton(res::kCtlUserIlluminantSave, core::platform::ResQString(res::kStrSave));
    fileRow->addWidget(open);
    fileRow->addWidget(save);
    auto *instrumentRow = new QHBoxLayout;
    auto *read = addButton(res::kCtlUserIlluminantRead, core::platform::ResQString(res::kStrRead));
    auto *reg = addButton(res::kCtlUserIlluminantRegister, core::platform::ResQString(res::kStrRegister));
    auto *measure = addButton(res::kCtlUserIlluminantMeasure, core::platform::ResQString(res::kStrMeasureLightSource));
    instrumentRow->addWidget(read);
    instrumentRow->addWidget(reg);
    instrumentRow->addWidget(measure);
    connect(open, &QPushButton::clicked, this, &CUserIlluminantDlg::OnOpen);
    connect(save, &QPushButton::clicked, this, &CUserIlluminantDlg::OnSave);
    connect(read, &QPushButton::clicked, this, &CUserIlluminantDlg::OnReadFromInstrument);
    connect(reg, &QPushButton::clicked, this, &CUserIlluminantDlg::OnRegister);
    connect(measure, &QPushButton::clicked, this, &CUserIlluminantDlg::OnMeasure);

    auto *results = new QGridLayout;
    const QString labels[] = {core::platform::ResQString(res::kStrIlluminance), core::platform::ResQString(res::kStrTemperature),
                              core::platform::ResQString(res::kStrDeltaUv)};
    for (int row = 0; row < 3; ++row) {
        auto *label = new QLabel(labels[row], this);
        auto *value = new QLabel(this);
        value->setMinimumWidth(120);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setObjectName(controlName(res::kCtlUserIlluminantIlluminanceLabel + row));
        value->setObjectName(controlName(res::kCtlUserIlluminantIlluminance + row));
        resultControls_[row] = label;
        resultControls_[row + 3] = value;
        results->addWidget(label, row, 0);
        results->addWidget(value, row, 1);
    }

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    platform::NameStandardButtons(*buttons);
    buttons->button(QDialogButtonBox::Close)->setObjectName(controlName(2));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    plot_ = new SpectrumPlot(this);
    plot_->setObjectName("illuminantPlot");
    plot_->setMinimumSize(320, 200);
    plot_->SetAxisTitles(core::platform::ResQString(res::kStrWavelengthAxis), core::platform::ResQString(res::kStrRelativePowerAxis));

    auto *controls = new QVBoxLayout;
    controls->addLayout(fileRow);
    controls->addLayout(instrumentRow);
    controls->addLayout(results);
    controls->addStretch(1);
    auto *sideBySide = new QHBoxLayout;
    sideBySide->addLayout(controls);
    sideBySide->addWidget(plot_, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(sideBySide, 1);
    layout->addWidget(buttons);
}

// The record as it stands, point for point; places without a value are left out.
void CUserIlluminantDlg::PlotRecord() {
    std::vector<core::SpectrumPoint> points;
    for (int k = 0; k < DI_USER_ILLUMINANT_POINTS; ++k)
        if (!isMissing(record_.power[k]))
            points.push_back({300.0 + 5.0 * k, double(record_.power[k])});
    plot_->SetCurves({{std::move(points), QColor(0x1f, 0x5f, 0xbf), false}});
}

void CUserIlluminantDlg::InitDialog() {
    errorMng_.Init(platform::NoticeSinkFor(this), instrument_.Judge());
    caption_ = core::platform::ResString(res::kStrMessageCaption);
    findChild<QPushButton *>(controlName(res::kCtlUserIlluminantMeasure))
        ->setEnabled(settings_.identity.ModelName() == core::platform::ResString(res::kStrModelNameType100));
    findChild<QPushButton *>(controlName(res::kCtlUserIlluminantSave))->setEnabled(false);
    findChild<QPushButton *>(controlName(res::kCtlUserIlluminantRegister))->setEnabled(false);
    HideResults();
}

// ---- commands ----

void CUserIlluminantDlg::OnOpen() {
    platform::FileDialogRequest request;
    request.filter = core::platform::ResString(res::kStrFileFilter);
    request.startFolder = core::platform::UserFilesFolder(core::platform::UserFiles::Illuminants);
    request.createStartFolder = true;
    std::optional<std::string> path = platform::ShowFileDialog(this, request);
    if (!path) return;
    core::UserIlluminantRecord scratch{};
    bool ok = core::ReadUserIlluminantFile(*path, scratch);
    if (ok) {
        record_ = scratch;
        ok = ComputeResults();
    }
    if (!ok) {
        Message(MessageWithFile(res::kStrFileUnreadable, *path), core::platform::mb::ICONHAND);
        return;
    }
    ShowResults();
}

void CUserIlluminantDlg::OnSave() {
    platform::FileDialogRequest request;
    request.save = true;
    request.filter = core::platform::ResString(res::kStrFileFilter);
    request.startFolder = core::platform::UserFilesFolder(core::platform::UserFiles::Illuminants);
    request.createStartFolder = true;
    request.fileName = core::platform::ResString(res::kStrUserIlluminantFileName);
    request.defaultExtension = kDefaultExtension;
    std::optional<std::string> path = platform::ShowFileDialog(this, request);
    if (!path) return;
    core::UserIlluminantRecord scratch{};
    if (core::PrepareUserIlluminantForSave(record_, scratch) && core::WriteUserIlluminantFile(*path, scratch))
        Message(core::platform::ResString(res::kStrFileSaved), core::platform::mb::ICONASTERISK);
    else
        Message(MessageWithFile(res::kStrFileNotWritten, *path), core::platform::mb::ICONHAND);
}

void CUserIlluminantDlg::OnReadFromInstrument() {
    // Read into a scratch record: a failed read must not leave part of an answer behind.
    core::UserIlluminantRecord scratch = record_;
    int32_t rc = instrument_.ReadUserIlluminant(scratch);
    // Nothing registered is said as such, not as a failure of the colour calculation.
    if (rc == 0 && !core::HoldsUserIlluminant(scratch)) rc = core::kNoUserIlluminantCode;
    if (rc != 0) {
        errorMng_.Report(rc);
        return;
    }
    record_ = scratch;
    if (ComputeResults()) ShowResults();
}

void CUserIlluminantDlg::OnRegister() {
    core::UserIlluminantRecord sent = record_;
    if (int32_t rc = instrument_.RegisterUserIlluminant(sent)) {
        errorMng_.Report(rc);
        return;
    }
    Message(core::platform::ResString(res::kStrUserIlluminantRegistered), core::platform::mb::ICONASTERISK);
}

void CUserIlluminantDlg::OnMeasure() {
    if (settings_.measurement.Polarization() == 1) {
        Message(core::platform::ResString(res::kStrLightSourceNeedsPolarisationOff), core::platform::mb::ICONHAND);
        return;
    }
    if (Message(core::platform::ResString(res::kStrMeasureLightSourceQuestion), core::platform::mb::OKCANCEL | core::platform::mb::ICONASTERISK) !=
        core::platform::mb::IDOK)
        return;
    core::LightSourceMeasurement outcome =
        instrument_.MeasureLightSource(static_cast<uint32_t>(settings_.measurement.MeasurementType()),
                                       static_cast<uint32_t>(settings_.measurement.Observer()), record_, results_);
    if (outcome.code != 0) errorMng_.Report(outcome.code);
    // Once the new spectrum is in the record its values are shown, so that what is shown (and
    // then saved or registered) always belongs together.
    if (outcome.recordChanged) ShowResults();
}

// ---- results ----

bool CUserIlluminantDlg::ComputeResults() {
    core::IlluminantResults computed{};
    int result = core::ComputeIlluminantResults(record_, computed);
    if (result == 0) {
        results_ = computed;
        return true;
    }
    // The record has changed but has no values: the old ones must not stay on show, nor may
    // the record be saved or registered as if it had been computed.
    HideResults();
    Message(core::platform::ResString(core::ColorResultMessageId(result)), core::platform::mb::ICONHAND);
    return false;
}

std::string CUserIlluminantDlg::IntegerText(float value, const char *unit) {
    if (isMissing(value)) return core::platform::ResString(res::kStrMissingValue);
    // Truncated towards zero like an integer conversion, without its range limit.
    return core::FormatFixed(std::trunc(static_cast<double>(value)) + 0.0, 0) + unit;
}

std::string CUserIlluminantDlg::DuvText(float value) {
    if (isMissing(value)) return core::platform::ResString(res::kStrMissingValue);
    return core::FormatFixed(value, 3);
}

void CUserIlluminantDlg::ShowResults() {
    findChild<QPushButton *>(controlName(res::kCtlUserIlluminantSave))->setEnabled(true);
    findChild<QPushButton *>(controlName(res::kCtlUserIlluminantRegister))->setEnabled(true);
    for (QLabel *control : resultControls_) control->setVisible(true);
    PlotRecord();
    resultControls_[3]->setText(QString::fromStdString(IntegerText(results_[0], " [lx]")));
    resultControls_[4]->setText(QString::fromStdString(IntegerText(results_[1], " [K]")));
    resultControls_[5]->setText(QString::fromStdString(DuvText(results_[2])));
}

void CUserIlluminantDlg::HideResults() {
    findChild<QPushButton *>(controlName(res::kCtlUserIlluminantSave))->setEnabled(false);
    findChild<QPushButton *>(controlName(res::kCtlUserIlluminantRegister))->setEnabled(false);
    for (QLabel *control : resultControls_) control->setVisible(false);
    PlotRecord();
}

// ---- messages ----

int CUserIlluminantDlg::Message(const std::string &text, unsigned flags) {
    return platform::ShowMessageBox(this, text, caption_, flags);
}

std::string CUserIlluminantDlg::MessageWithFile(int stringId, const std::string &path) const {
    QString name = QFileInfo(QString::fromStdString(path)).fileName();
    return core::platform::ResQString(stringId).arg(name).toStdString();
}

int RunUserIlluminantDlg(QWidget *parent, core::CWorkThread *watcher, core::DialogInstrument &instrument) {
    struct PausedWatcher {
        core::CWorkThread *watcher;
        explicit PausedWatcher(core::CWorkThread *w) : watcher(w) {
            if (watcher) watcher->Pause();
        }
        ~PausedWatcher() {
            if (watcher) watcher->Resume();
        }
    } paused(watcher);
    CUserIlluminantDlg dialog(instrument, parent);
    return dialog.exec();
}

}  // namespace ombra::ui
