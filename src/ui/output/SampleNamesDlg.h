// The sample names dialog: whether the Sample item numbers the samples automatically (prefix
// and next number) or takes the names of a list loaded from a text or CSV file. Nothing is
// stored until OK. Every control is named "ctl_<id>".
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QDialog>

#include "core/settings/AppSettings.h"

class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace ombra::ui {

class SampleNamesDlg : public QDialog {
    Q_OBJECT
public:
    explicit SampleNamesDlg(QWidget *parent = nullptr, core::AppSettings &settings = core::Settings());

private:
    void LoadList();
    void ShowListState();
    void OnOk();

    core::AppSettings &settings_;
    std::optional<std::vector<std::string>> loaded_;  // a list loaded in this dialog, stored at OK
    QRadioButton *automatic_ = nullptr;  // 2024
    QRadioButton *fromList_ = nullptr;   // 2025
    QLineEdit *prefix_ = nullptr;        // 2026
    QSpinBox *nextNumber_ = nullptr;     // 2027
    QLabel *listState_ = nullptr;        // 2029 / 2033
};

}  // namespace ombra::ui
