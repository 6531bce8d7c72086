#include "colorset/CColorDataEditScreenDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/AppSettings.h"
#include "colorset/ColorSetFieldEdits.h"
#include "colorset/Configuration.h"
#include "platform/MessageBox.h"
#include "platform/Resources.h"
#include "corvexres/ResourceIds.h"
#include "UiLayer.h"

namespace ombra::ui {
namespace {

bool validSlot(int slot) { return slot >= 0 && slot < kColorSetSlots; }

}  // namespace

CColorDataEditScreenDlg::CColorDataEditScreenDlg(CConfiguration &configuration, int slot, int colorIndex, QWidget *parent)
    : QDialog(parent), configuration_(configuration), slot_(slot), colorIndex_(colorIndex) {
    setObjectName(QStringLiteral("dlg_%1").arg(res::kDlgColorEntry));
    CreateControls();
    InitDialog();
}

CColorDataEditScreenDlg::~CColorDataEditScreenDlg() = default;

void CColorDataEditScreenDlg::CreateControls() {
    setWindowTitle(platform::ResWindowTitle(res::kStrColour));
    caption_ = new QLabel(this);
    caption_->setObjectName(ColorSetControlName(res::kCtlColorEntryCaption));
    name_ = new NameEdit(res::kCtlColorEntryName, kColorNameLimit, this);
    const NumericFieldRule labRules[3] = {fields::Lightness(), fields::ColorAxis(), fields::ColorAxis()};
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(platform::ResQString(res::kStrName), this), 0, 0);
    grid->addWidget(name_, 0, 1, 1, 2);
    for (int i = 0; i < 3; ++i) {
        lab_[i] = new NumericEdit(kLabIds[i], labRules[i], this);
        grid->addWidget(new QLabel(platform::ResQString(res::kStrLabelLStar + i), this), 1 + i, 0);
        grid->addWidget(lab_[i], 1 + i, 1, 1, 2);
    }
    auto *measure = new QPushButton(platform::ResQString(res::kStrMeasure), this);
    measure->setObjectName(ColorSetControlName(res::kCtlColorEntryMeasure));
    measure->setAutoDefault(false);
    grid->addWidget(measure, 1, 3);
    connect(measure, &QPushButton::clicked, this, &CColorDataEditScreenDlg::OnMeasure);
    for (int t = 0; t < kColorTolerances; ++t) {
        checks_[t] = new QCheckBox(this);
        checks_[t]->setObjectName(ColorSetControlName(kCheckIds[t]));
        labels_[t] = new QLabel(platform::ResQString(res::kStrFirstDifferenceLabel + t) + QStringLiteral(" :"), this);
        labels_[t]->setObjectName(ColorSetControlName(kLabelIds[t]));
        tolerances_[t] = new NumericEdit(kToleranceIds[t], fields::ColorTolerance(), this);
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
    errorMng_.Init(platform::NoticeSinkFor(this));
    const ColorSet *set = validSlot(slot_) ? configuration_.Slot(slot_) : nullptr;
    if (set && colorIndex_ >= 0 && colorIndex_ < kColorSetColors) {
        labels_[3]->setText(platform::ResQString(colordata::FourthToleranceHeader(set->differenceFormula)) +
                            QStringLiteral(" :"));
        form_ = colordata::LoadColorEntry(*set, colorIndex_);
    }
    caption_->setText(platform::ResQString(res::kStrColour) + QStringLiteral(" %1").arg(colorIndex_ + 1));
    name_->SetName(form_.name);
    const double labValues[3] = {form_.L, form_.a, form_.b};
    for (int i = 0; i < 3; ++i) lab_[i]->SetValue(labValues[i]);
    for (int t = 0; t < kColorTolerances; ++t) {
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
    if (platform::ShowNotice(this, MakeNotice(res::kStrMeasureColourQuestion, res::kStrMessageCaption,
                                              platform::mb::OKCANCEL | platform::mb::ICONASTERISK)) != platform::mb::IDOK)
        return;
    std::array<double, 3> lab{form_.L, form_.a, form_.b};
    int32_t status = colordata::MeasureColorLab(adapter_, static_cast<uint32_t>(Settings().measurement.MeasurementType()), lab);
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
    for (int t = 0; t < kColorTolerances; ++t)
        if (form_.inUse[t] && !tolerances_[t]->Commit()) return;
    ColorSet *set = validSlot(slot_) ? configuration_.Slot(slot_) : nullptr;
    if (!set || colorIndex_ < 0 || colorIndex_ >= kColorSetColors) return;
    form_.name = name_->Name();
    form_.L = lab_[0]->Value();
    form_.a = lab_[1]->Value();
    form_.b = lab_[2]->Value();
    for (int t = 0; t < kColorTolerances; ++t) form_.tolerances[t] = tolerances_[t]->Value();
    colordata::StoreColorEntry(form_, *set, colorIndex_);
    QDialog::accept();
}

void CColorDataEditScreenDlg::keyPressEvent(QKeyEvent *event) {
    if (!SwallowEnterAndEscape(event)) QDialog::keyPressEvent(event);
}

}  // namespace ombra::ui
