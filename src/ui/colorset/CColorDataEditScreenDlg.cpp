#include "ui/colorset/CColorDataEditScreenDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/colorset/Configuration.h"
#include "core/instrument/DialogInstrument.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "corvexres/ResourceIds.h"
#include "fxapi/fxapi.h"
#include "ui/colorset/ColorSetFieldEdits.h"
#include "ui/platform/MessageBox.h"

namespace ombra::ui {
namespace {

bool validSlot(int slot) { return slot >= 0 && slot < core::kColorSetSlots; }

}  // namespace

CColorDataEditScreenDlg::CColorDataEditScreenDlg(core::CConfiguration &configuration, int slot, int colorIndex, QWidget *parent)
    : QDialog(parent), configuration_(configuration), slot_(slot), colorIndex_(colorIndex) {
    setObjectName(QStringLiteral("dlg_%1").arg(res::kDlgColorEntry));
    CreateControls();
    InitDialog();
}

CColorDataEditScreenDlg::~CColorDataEditScreenDlg() = default;

void CColorDataEditScreenDlg::CreateControls() {
    setWindowTitle(core::platform::ResWindowTitle(res::kStrColour));
    caption_ = new QLabel(this);
    caption_->setObjectName(ColorSetControlName(res::kCtlColorEntryCaption));
    name_ = new NameEdit(res::kCtlColorEntryName, core::kColorNameLimit, this);
    const core::NumericFieldRule labRules[3] = {core::fields::Lightness(), core::fields::ColorAxis(), core::fields::ColorAxis()};
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(core::platform::ResQString(res::kStrName), this), 0, 0);
    grid->addWidget(name_, 0, 1, 1, 2);
    for (int i = 0; i < 3; ++i) {
        lab_[i] = new NumericEdit(kLabIds[i], labRules[i], this);
        grid->addWidget(new QLabel(core::platform::ResQString(res::kStrLabelLStar + i), this), 1 + i, 0);
        grid->addWidget(lab_[i], 1 + i, 1, 1, 2);
    }
    auto *measure = new QPushButton(core::platform::ResQString(res::kStrMeasure), this);
    measure->setObjectName(ColorSetControlName(res::kCtlColorEntryMeasure));
    measure->setAutoDefault(false);
    grid->addWidget(measure, 1, 3);
    connect(measure, &QPushButton::clicked, this, &CColorDataEditScreenDlg::OnMeasure);
    for (int t = 0; t < core::kColorTolerances; ++t) {
        checks_[t] = new QCheckBox(this);
        checks_[t]->setObjectName(ColorSetControlName(kCheckIds[t]));
        labels_[t] = new QLabel(core::platform::ResQString(res::kStrFirstDifferenceLabel + t) + QStringLiteral(" :"), this);
        labels_[t]->setObjectName(ColorSetControlName(kLabelIds[t]));
        tolerances_[t] = new NumericEdit(kToleranceIds[t], core::fields::ColorTolerance(), this);
        grid->addWidget(checks_[t], 4 + t, 0);
        grid->addWidget(labels_[t], 4 + t, 1);
        grid->addWidget(tolerances_[t], 4 + t, 2);
        connect(checks_[t], &QCheckBox::toggled, this, [this, t] { OnToleranceChecked(t); });
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    platform::NameStandardButtons(*buttons);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(ColorSetControlName(1));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(ColorSetControlName(2));
    for (QAbstractButton *b : buttons->buttons()) static_cast<QPushButton *>(b)->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &CColorDataEditScreenDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(caption_);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

void CColorDataEditScreenDlg::InitDialog() {
    core::DialogInstrument *instrument = configuration_.Instrument();
    errorMng_.Init(platform::NoticeSinkFor(this), instrument ? instrument->Judge() : core::LossJudge{});
    const core::ColorSet *set = validSlot(slot_) ? configuration_.Slot(slot_) : nullptr;
    if (set && colorIndex_ >= 0 && colorIndex_ < core::kColorSetColors) {
        labels_[3]->setText(core::platform::ResQString(core::colordata::FourthToleranceHeader(set->differenceFormula)) +
                            QStringLiteral(" :"));
        form_ = core::colordata::LoadColorEntry(*set, colorIndex_);
    }
    caption_->setText(core::platform::ResQString(res::kStrColour) + QStringLiteral(" %1").arg(colorIndex_ + 1));
    name_->SetName(form_.name);
    const double labValues[3] = {form_.L, form_.a, form_.b};
    for (int i = 0; i < 3; ++i) lab_[i]->SetValue(labValues[i]);
    for (int t = 0; t < core::kColorTolerances; ++t) {
        tolerances_[t]->SetValue(form_.tolerances[t]);
        checks_[t]->setChecked(form_.inUse[t]);
        OnToleranceChecked(t);
    }
}

void CColorDataEditScreenDlg::OnToleranceChecked(int t) {
    form_.inUse[t] = checks_[t]->isChecked();
    tolerances_[t]->setEnabled(form_.inUse[t]);
    labels_[t]->setEnabled(form_.inUse[t]);
}

void CColorDataEditScreenDlg::OnMeasure() {
    if (platform::ShowNotice(this, core::MakeNotice(res::kStrMeasureColourQuestion, res::kStrMessageCaption,
                                              core::platform::mb::OKCANCEL | core::platform::mb::ICONASTERISK)) != core::platform::mb::IDOK)
        return;
    std::array<double, 3> lab{form_.L, form_.a, form_.b};
    // Through the instrument the session opened; without one, as the library answers a call
    // without an open instrument.
    core::DialogInstrument *instrument = configuration_.Instrument();
    const auto storedType = static_cast<uint32_t>(core::Settings().measurement.MeasurementType());
    const int32_t status = instrument ? instrument->MeasureColorLab(storedType, lab) : DI_ERR_BAD_HANDLE;
    if (status != 0) {
        errorMng_.Report(status);
        return;
    }
    // Checked like typed values when the dialog stores: a value the instrument did not
    // deliver shows as missing and never reaches the slot.
    for (int i = 0; i < 3; ++i) lab_[i]->SetMeasured(lab[i]);
}

void CColorDataEditScreenDlg::accept() {
    // The same checks as leaving each field: a value typed without leaving its field is
    // checked here before it can reach the slot.
    if (!name_->Commit()) return;
    for (NumericEdit *edit : lab_)
        if (!edit->Commit()) return;
    for (int t = 0; t < core::kColorTolerances; ++t)
        if (form_.inUse[t] && !tolerances_[t]->Commit()) return;
    core::ColorSet *set = validSlot(slot_) ? configuration_.Slot(slot_) : nullptr;
    if (!set || colorIndex_ < 0 || colorIndex_ >= core::kColorSetColors) return;
    form_.name = name_->Name();
    form_.L = lab_[0]->Value();
    form_.a = lab_[1]->Value();
    form_.b = lab_[2]->Value();
    for (int t = 0; t < core::kColorTolerances; ++t) form_.tolerances[t] = tolerances_[t]->Value();
    core::colordata::StoreColorEntry(form_, *set, colorIndex_);
    QDialog::accept();
}

void CColorDataEditScreenDlg::keyPressEvent(QKeyEvent *event) {
    if (!SwallowEnterAndEscape(event)) QDialog::keyPressEvent(event);
}

}  // namespace ombra::ui
