// The References window: the user's references as a list (name, L*a*b*, tolerance) with the
// active one in bold; references are added by typing their values or imported from a file, and
// deleted; one is made the active reference, or the nearest of the list is used for every
// measurement. Every change is saved at once; a save that fails is told.
#pragma once

#include <QDialog>
#include <optional>

#include "core/quality/ReferenceStore.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace ombra::ui {

// The typed values of a new reference: name, L*a*b*, illuminant and observer, a ΔE limit with
// its formula, ± limits on ΔL*, Δa*, Δb* and the warning band.
class ReferenceEntryDlg : public QDialog {
    Q_OBJECT
public:
    explicit ReferenceEntryDlg(QWidget *parent = nullptr);
    // The reference the fields describe; nullopt while it is not valid (no name).
    std::optional<core::Reference> Entered() const;

private:
    void UpdateOk();

    QLineEdit *name_ = nullptr;
    std::array<QDoubleSpinBox *, 3> lab_{};
    QComboBox *illuminant_ = nullptr;
    QComboBox *observer_ = nullptr;
    QComboBox *formula_ = nullptr;
    QDoubleSpinBox *limit_ = nullptr;
    std::array<QDoubleSpinBox *, 3> components_{};  // ± ΔL*, Δa*, Δb*
    QDoubleSpinBox *warn_ = nullptr;                // percent of the limit; 0: no band
    QPushButton *ok_ = nullptr;
};

class ReferencesDlg : public QDialog {
    Q_OBJECT
public:
    enum Column { NameColumn, LColumn, AColumn, BColumn, ToleranceColumn, ColumnCount };

    explicit ReferencesDlg(core::ReferenceStore &store, QWidget *parent = nullptr);

    QTableWidget *Table() const { return table_; }
    void Reload();

    // The commands of the buttons.
    void AddTyped();           // asks for the values
    bool Add(const core::Reference &reference);
    // Every defined colour of a certification colour set read from the instrument, with its
    // tolerances; false when one could not be saved.
    bool AddColorSet(const core::ColorSet &set);
    void ImportFile();         // asks for the file; only with a file reader installed
    bool DeleteSelected();
    bool MakeSelectedActive();
    bool SetNearest(bool on);

private:
    std::string SelectedName() const;
    bool Saved(bool ok);  // tells a failed save
    void UpdateButtons();

    core::ReferenceStore &store_;
    QTableWidget *table_ = nullptr;
    QPushButton *addButton_ = nullptr;
    QPushButton *importButton_ = nullptr;
    QPushButton *deleteButton_ = nullptr;
    QPushButton *activeButton_ = nullptr;
    QCheckBox *nearest_ = nullptr;
};

// The text of a tolerance for the list: "ΔE00 ≤ 2.00", "ΔL* ±1.00", joined by "; ", with the
// warning band in percent; the missing-value text when none is in use.
std::string ToleranceText(const core::ColourTolerance &tolerance);

void RunReferencesWindow(QWidget *parent, core::ReferenceStore &store);

// "Use as reference": asks for a name (proposing `proposed`) and puts `reference` under it;
// false when cancelled or not saved.
bool UseAsReference(QWidget *parent, core::ReferenceStore &store, core::Reference reference, const std::string &proposed);

}  // namespace ombra::ui
