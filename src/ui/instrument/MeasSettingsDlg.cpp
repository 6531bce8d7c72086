#include "ui/instrument/MeasSettingsDlg.h"

#include <algorithm>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QVBoxLayout>

#include "core/platform/Resources.h"
#include "core/quality/SampleAverager.h"
#include "corvexres/ResourceIds.h"
#include "ui/platform/MessageBox.h"

namespace ombra::ui {
namespace {

CMeasSettingsDlg *currentDialog = nullptr;
bool settingsDialogShown = false;

QString controlName(int id) { return QStringLiteral("ctl_%1").arg(id); }

constexpr int kMinListWidth = 220;

// The width that shows the longest entry whole. The box's own size hint measures the entries'
// ink, which can be a pixel narrower than the room the text takes when drawn.
int WidthForEntries(const QComboBox &combo) {
    int widest = 0;
    for (int i = 0; i < combo.count(); ++i) widest = std::max(widest, combo.fontMetrics().horizontalAdvance(combo.itemText(i)));
    QStyleOptionComboBox option;
    option.initFrom(&combo);
    option.editable = combo.isEditable();
    const QSize contents(widest, combo.fontMetrics().height());
    return combo.style()->sizeFromContents(QStyle::CT_ComboBox, &option, contents, &combo).width();
}

}  // namespace

CMeasSettingsDlg::CMeasSettingsDlg(QWidget *parent, core::AppSettings &settings, core::InstrumentLink *link)
    : QDialog(parent), logic_(settings) {
    setObjectName(QStringLiteral("dlg_%1").arg(res::kDlgMeasSettings));
    setWindowTitle(core::platform::ResWindowTitle(res::kStrMeasSettingsTitle));
    BuildLayout(settings.sampling.ReadingsPerSample());
    logic_.Initialise(platform::NoticeSinkFor(this), link ? link->Judge() : core::LossJudge{});
    ShowLists();
    currentDialog = this;
}

CMeasSettingsDlg::~CMeasSettingsDlg() {
    if (currentDialog == this) currentDialog = nullptr;
}

CMeasSettingsDlg *CMeasSettingsDlg::Current() { return currentDialog; }

void CMeasSettingsDlg::BuildLayout(int readingsPerSample) {
    const QString labels[core::kSettingsListCount] = {core::platform::ResQString(res::kStrMeasurementType),       core::platform::ResQString(res::kStrMeasurementCondition),
                                                core::platform::ResQString(res::kStrWhiteReference), core::platform::ResQString(res::kStrObserver),
                                                core::platform::ResQString(res::kStrIlluminant), core::platform::ResQString(res::kStrPolarisationFilter)};
    auto *form = new QFormLayout;
    for (int i = 0; i < core::kSettingsListCount; ++i) {
        auto *combo = new QComboBox(this);
        combo->setObjectName(controlName(core::meas::kListIds[i]));
        combo->setMinimumWidth(kMinListWidth);
        controls_[i] = combo;
        form->addRow(labels[i], combo);
        auto list = static_cast<core::SettingsList>(i);
        // Only the user's choices run the change handlers; refilling the lists does not.
        connect(combo, &QComboBox::activated, this, [this, list](int position) {
            logic_.Select(list, position);
            ShowLists();
        });
    }
    readings_ = new QSpinBox(this);
    readings_->setObjectName("readingsPerSample");
    readings_->setRange(core::kMinReadingsPerSample, core::kMaxReadingsPerSample);
    readings_->setValue(readingsPerSample);
    form->addRow(core::platform::ResQString(res::kStrReadingsPerSample), readings_);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    platform::NameStandardButtons(*buttons);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(controlName(1));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(controlName(2));
    connect(buttons, &QDialogButtonBox::accepted, this, &CMeasSettingsDlg::OnOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

// Mirrors the list states of the logic into the controls.
void CMeasSettingsDlg::ShowLists() {
    for (int i = 0; i < core::kSettingsListCount; ++i) {
        const core::SettingsListState &s = logic_.List(static_cast<core::SettingsList>(i));
        QComboBox *combo = controls_[i];
        QSignalBlocker block(combo);
        QStringList texts;
        for (const std::string &t : s.texts) texts << QString::fromStdString(t);
        bool same = combo->count() == texts.size();
        for (int row = 0; same && row < texts.size(); ++row) same = combo->itemText(row) == texts[row];
        if (!same) {
            combo->clear();
            combo->addItems(texts);
            combo->setMinimumWidth(std::max(kMinListWidth, WidthForEntries(*combo)));
        }
        combo->setCurrentIndex(s.selected);
        combo->setEnabled(s.enabled);
    }
}

int CMeasSettingsDlg::ReadingsPerSample() const { return readings_->value(); }

void CMeasSettingsDlg::OnOk() {
    bool mayClose = logic_.Ok();
    ShowLists();
    if (mayClose && !ended_) done(QDialog::Accepted);
}

void CMeasSettingsDlg::EndAsCancelled() {
    ended_ = true;
    done(QDialog::Rejected);
}

int RunMeasurementSettings(QWidget *parent, core::AppSettings &settings, core::InstrumentLink *link) {
    settingsDialogShown = true;
    CMeasSettingsDlg dialog(parent, settings, link);
    int result = settingsDialogShown ? dialog.exec() : QDialog::Rejected;
    if (result == QDialog::Accepted) {
        dialog.Logic().CopyPositionsTo(settings);
        settings.sampling.SetReadingsPerSample(dialog.ReadingsPerSample());
    }
    settingsDialogShown = false;
    return result;
}

bool IsMeasurementSettingsDialogOpen() { return settingsDialogShown; }

bool EndMeasurementSettingsDialog() {
    bool wasShown = settingsDialogShown;
    settingsDialogShown = false;
    if (currentDialog && currentDialog->isVisible()) currentDialog->EndAsCancelled();
    return wasShown;
}

}  // namespace ombra::ui
