// The data-items dialog: edits the selection of the current measurement type, the label and
// direction options and the three separators, and previews the cells two measurements would
// fill with what the controls show (LayoutPreviewPane). Every control is named "ctl_<id>".
#pragma once

#include <QDialog>

#include "core/output/OutputItem.h"
#include "core/output/Transfer.h"
#include "core/settings/AppSettings.h"

class QListWidget;
class QTabBar;
class QCheckBox;
class QRadioButton;
class QComboBox;
class QTimer;

namespace ombra::ui {

class LayoutPreviewPane;

class CDataItemsDlg : public QDialog {
    Q_OBJECT
public:
    explicit CDataItemsDlg(QWidget *parent = nullptr, core::AppSettings &settings = core::Settings());
    ~CDataItemsDlg() override;

    // Identifiers of the entries of the selection list, in order (for callers and tests).
    std::vector<int> ChosenIdentifiers() const;
    // The layout the controls show now (not the stored settings).
    core::TransferLayout CurrentLayout() const;

private:
    void BuildLayout();
    void BuildLists();
    void LoadTabs();
    void FillSeparators();
    void ShowTab(int index);
    void ConnectPreview();
    void UpdatePreview();
    int ChosenLabel() const;  // the Label setting the controls show

    bool IsPresent(int id) const;
    void AddItems(const core::OutputItemList &items);
    void OnAdd();
    void OnAddAll();
    void OnRemove();
    void OnClear();
    void MoveToTop();
    void MoveUp();
    void MoveDown();
    void MoveToBottom();
    void OnOk();

    struct Entry {
        core::OutputItem item;
        bool selected;
    };
    std::vector<Entry> Entries() const;
    void SetEntries(const std::vector<Entry> &entries);
    void InsertChosen(int row, const core::OutputItem &item);
    int ChosenId(int row) const;

    QListWidget *selectedList_ = nullptr;  // 1014
    QTabBar *tabs_ = nullptr;              // 1017
    core::OutputItemList generalList_, colourList_, spectralList_, chosenList_;
    int label_ = 1;
    int row_ = 0;
    core::AppSettings &settings_;
    core::OutputItemList densityList_;
    core::OutputItemList densityWavelengthList_;
    core::OutputItemList comparisonList_;  // the comparison with the reference (reflection)
    QStringList separatorTexts_;

    QListWidget *offeredList_ = nullptr;   // 1019
    QCheckBox *labelCheck_ = nullptr;      // 1025
    QCheckBox *headerCheck_ = nullptr;     // 2020: the labels once, above a table (Label 2)
    QRadioButton *rowDown_ = nullptr;      // 1026
    QRadioButton *rowRight_ = nullptr;     // 1027
    QComboBox *blockSep_ = nullptr;        // 1072
    QComboBox *valSep_ = nullptr;          // 1073
    QComboBox *funcSep_ = nullptr;         // 1074
    std::vector<const core::OutputItemList *> tabLists_;
    LayoutPreviewPane *preview_ = nullptr;
    QTimer *previewTimer_ = nullptr;  // gathers the changes of one event-loop turn
};

}  // namespace ombra::ui
