#include "ui/colorset/CEditToneDataDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/colorset/Configuration.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"
#include "ui/colorset/ColorSetFieldEdits.h"
#include "ui/platform/MessageBox.h"

namespace ombra::ui {

CEditToneDataDlg::CEditToneDataDlg(core::CConfiguration &configuration, int slot, int entry, QWidget *parent)
    : QDialog(parent), configuration_(configuration), slot_(slot), entry_(entry) {
    setObjectName(QStringLiteral("dlg_%1").arg(res::kDlgToneEntry));
    CreateControls();
    InitDialog();
}

void CEditToneDataDlg::CreateControls() {
    setWindowTitle(core::platform::ResWindowTitle(res::kStrToneEntry));
    caption_ = new QLabel(this);
    caption_->setObjectName(ColorSetControlName(res::kCtlToneEntryCaption));
    color_ = new QComboBox(this);
    color_->setObjectName(ColorSetControlName(res::kCtlToneEntryColour));
    connect(color_, &QComboBox::activated, this, &CEditToneDataDlg::OnColorChosen);
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(core::platform::ResQString(res::kStrColour), this), 0, 0);
    grid->addWidget(color_, 0, 1, 1, 3);
    for (int s = 0; s < core::kToneSteps; ++s) {
        stepChecks_[s] = new QCheckBox(core::platform::ResQString(res::kStrStep).arg(s + 1), this);
        stepChecks_[s]->setObjectName(ColorSetControlName(kStepCheckIds[s]));
        tints_[s] = new NumericEdit(kTintIds[s], core::fields::Tint(), this);
        aims_[s] = new NumericEdit(kAimIds[s], core::fields::Aim(), this);
        tolerances_[s] = new NumericEdit(kToleranceIds[s], core::fields::StepTolerance(), this);
        grid->addWidget(stepChecks_[s], 2 + s, 0);
        grid->addWidget(tints_[s], 2 + s, 1);
        grid->addWidget(aims_[s], 2 + s, 2);
        grid->addWidget(tolerances_[s], 2 + s, 3);
        connect(stepChecks_[s], &QCheckBox::toggled, this, [this, s] { OnStepChecked(s); });
    }
    grid->addWidget(new QLabel(core::platform::ResQString(res::kStrTint), this), 1, 1);
    grid->addWidget(new QLabel(core::platform::ResQString(res::kStrAim), this), 1, 2);
    grid->addWidget(new QLabel(core::platform::ResQString(res::kStrTolerance), this), 1, 3);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    platform::NameStandardButtons(*buttons);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setObjectName(ColorSetControlName(1));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(ColorSetControlName(2));
    for (QAbstractButton *b : buttons->buttons()) static_cast<QPushButton *>(b)->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &CEditToneDataDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(caption_);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

void CEditToneDataDlg::InitDialog() {
    const core::ColorSet *set = slot_ >= 0 && slot_ < core::kColorSetSlots ? configuration_.Slot(slot_) : nullptr;
    if (set) form_ = core::tonedata::LoadToneEntry(*set, entry_);
    caption_->setText(core::platform::ResQString(res::kStrToneEntry) + QStringLiteral(" %1").arg(entry_ + 1));
    core::tonedata::NameList colors = set ? core::tonedata::ToneColorChoices(*set) : core::tonedata::NameList{};
    int shown = 0;
    for (size_t i = 0; i < colors.size(); ++i) {
        color_->addItem(QString::fromStdString(colors[i].second), colors[i].first);
        if (colors[i].first == form_.color) shown = static_cast<int>(i);
    }
    // A new entry takes the first colour offered; an entry whose colour is not offered keeps
    // it until the user chooses another.
    if (form_.color < 0 && !colors.empty()) form_.color = colors.front().first;
    color_->setCurrentIndex(colors.empty() ? -1 : shown);
    for (int s = 0; s < core::kToneSteps; ++s) {
        tints_[s]->SetValue(form_.tints[s]);
        aims_[s]->SetValue(form_.aims[s]);
        tolerances_[s]->SetValue(form_.tolerances[s]);
        stepChecks_[s]->setChecked(form_.on[s]);
        OnStepChecked(s);
    }
    // Without a colour there is nothing a tone entry could measure.
    ok_->setEnabled(form_.color >= 0);
}

void CEditToneDataDlg::OnColorChosen(int position) {
    if (position < 0) return;
    form_.color = color_->itemData(position).toInt();
    ok_->setEnabled(true);
}

void CEditToneDataDlg::OnStepChecked(int s) {
    form_.on[s] = stepChecks_[s]->isChecked();
    for (NumericEdit *edit : {tints_[s], aims_[s], tolerances_[s]}) edit->setEnabled(form_.on[s]);
}

void CEditToneDataDlg::accept() {
    for (int s = 0; s < core::kToneSteps; ++s) {
        if (!form_.on[s]) continue;
        for (NumericEdit *edit : {tints_[s], aims_[s], tolerances_[s]})
            if (!edit->Commit()) return;
    }
    for (int s = 0; s < core::kToneSteps; ++s) {
        form_.tints[s] = tints_[s]->Value();
        form_.aims[s] = aims_[s]->Value();
        form_.tolerances[s] = tolerances_[s]->Value();
    }
    core::ColorSet *set = slot_ >= 0 && slot_ < core::kColorSetSlots ? configuration_.Slot(slot_) : nullptr;
    if (!set || !core::tonedata::StoreToneEntry(form_, *set, entry_)) return;
    QDialog::accept();
}

void CEditToneDataDlg::keyPressEvent(QKeyEvent *event) {
    if (!SwallowEnterAndEscape(event)) QDialog::keyPressEvent(event);
}

}  // namespace ombra::ui
