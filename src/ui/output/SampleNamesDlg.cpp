#include "ui/output/SampleNamesDlg.h"

#include <algorithm>
#include <climits>

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/output/SampleNames.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"
#include "ui/platform/FileDialog.h"
#include "ui/platform/MessageBox.h"

namespace ombra::ui {
namespace {

template <typename W>
W *Named(W *widget, int id) {
    widget->setObjectName(QStringLiteral("ctl_%1").arg(id));
    return widget;
}

}  // namespace

SampleNamesDlg::SampleNamesDlg(QWidget *parent, core::AppSettings &settings) : QDialog(parent), settings_(settings) {
    setObjectName(QStringLiteral("dlg_%1").arg(res::kDlgSampleNames));
    setWindowTitle(core::platform::ResWindowTitle(res::kStrSampleNamesTitle));
    const core::SampleSettings &samples = settings_.samples;
    automatic_ = Named(new QRadioButton(core::platform::ResQString(res::kStrNumberAutomatically), this),
                       res::kStrNumberAutomatically);
    fromList_ = Named(new QRadioButton(core::platform::ResQString(res::kStrNamesFromList), this), res::kStrNamesFromList);
    prefix_ = Named(new QLineEdit(QString::fromStdString(samples.Prefix()), this), res::kStrPrefix);
    nextNumber_ = Named(new QSpinBox(this), res::kStrNextNumber);
    nextNumber_->setRange(0, INT_MAX);
    nextNumber_->setValue(samples.NextNumber());
    listState_ = Named(new QLabel(this), res::kStrNamesLoaded);
    auto *load = Named(new QPushButton(core::platform::ResQString(res::kStrLoadList), this), res::kStrLoadList);
    load->setAutoDefault(false);
    connect(load, &QPushButton::clicked, this, &SampleNamesDlg::LoadList);
    (samples.Mode() == core::SampleSettings::Naming::List ? fromList_ : automatic_)->setChecked(true);

    auto *numbering = new QFormLayout;
    numbering->addRow(core::platform::ResQString(res::kStrPrefix), prefix_);
    numbering->addRow(core::platform::ResQString(res::kStrNextNumber), nextNumber_);
    auto *list = new QHBoxLayout;
    list->addWidget(listState_, 1);
    list->addWidget(load);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    platform::NameStandardButtons(*buttons);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ctl_1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("ctl_2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &SampleNamesDlg::OnOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *top = new QVBoxLayout(this);
    top->addWidget(automatic_);
    top->addLayout(numbering);
    top->addWidget(fromList_);
    top->addLayout(list);
    top->addWidget(buttons);
    ShowListState();
}

void SampleNamesDlg::LoadList() {
    platform::FileDialogRequest request;
    request.filter = core::platform::ResString(res::kStrNameListFilter);
    const std::optional<std::string> path = platform::ShowFileDialog(this, request);
    if (!path) return;
    std::optional<std::vector<std::string>> names = core::ReadSampleNameFile(*path);
    if (!names) {
        const QString text = core::platform::ResQString(res::kStrNameListUnreadable).arg(QString::fromStdString(*path));
        platform::ShowMessageBox(this, text.toStdString(),
                                 core::platform::ResString(res::kStrSampleNamesTitle), core::platform::mb::ICONERROR);
        return;
    }
    loaded_ = std::move(names);
    fromList_->setChecked(true);
    ShowListState();
}

// How many names the list holds and how many are still to come; a list loaded here starts anew.
void SampleNamesDlg::ShowListState() {
    const std::vector<std::string> names = loaded_ ? *loaded_ : settings_.samples.List();
    const int position = loaded_ ? 0 : settings_.samples.ListPosition();
    const int left = std::max(0, static_cast<int>(names.size()) - position);
    listState_->setText(names.empty() ? core::platform::ResQString(res::kStrNoNameList)
                                      : core::platform::ResQString(res::kStrNamesLoaded).arg(names.size()).arg(left));
}

void SampleNamesDlg::OnOk() {
    core::SampleSettings &samples = settings_.samples;
    samples.SetMode(fromList_->isChecked() ? core::SampleSettings::Naming::List : core::SampleSettings::Naming::Automatic);
    samples.SetPrefix(prefix_->text().toStdString());
    samples.SetNextNumber(nextNumber_->value());
    if (loaded_) samples.SetList(*loaded_);
    accept();
}

}  // namespace ombra::ui
