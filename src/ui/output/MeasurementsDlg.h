// The Measurements window: the journal as a table, newest first, with date, time, instrument,
// the first values and how each transfer ended (measurements that did not reach a sheet stand
// out). Selected measurements can be written to the spreadsheet again, copied as
// tab-separated text, exported as a CSV file or deleted. Every command works in small steps with
// the event loop turning between them (a file is written on a worker thread), whatever the number
// of measurements: the window keeps repainting, long work shows its progress and can be
// cancelled between measurements.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

#include "output/JournalTransfer.h"
#include "output/MeasurementJournal.h"
#include "UiLayer.h"

class QHBoxLayout;
class QPushButton;
class QTableWidget;

namespace ombra::core {
class ReferenceStore;
}

namespace ombra::ui {

class MeasurementsDlg : public QDialog {
    Q_OBJECT
public:
    enum Column { DateColumn, TimeColumn, InstrumentColumn, ValuesColumn, OutcomeColumn, ColumnCount };

    MeasurementsDlg(MeasurementJournal &journal, WriteEntryFunction write, QWidget *parent = nullptr);

    void Reload();
    QTableWidget *Table() const { return table_; }
    // The entry shown in a row.
    const JournalEntry &EntryAt(int row) const { return *entries_.at(static_cast<size_t>(row)); }
    // Selects the rows of these entries (and only those).
    void SelectIds(const std::vector<qint64> &ids);
    // The selected entries, oldest first: the order they were measured in.
    std::vector<JournalEntry> SelectedEntries() const;

    // The commands of the buttons. Each works on the selection.
    int WriteSelected();       // the number written completely
    QString CopySelected();    // the text also goes to the clipboard
    bool ExportSelected();     // asks for the file; false when cancelled or failed
    int DeleteSelected();      // after confirmation; the number deleted

    // Adds the "Use as reference" button: the one selected reflection measurement becomes a
    // reference of `store`, under a name the user gives.
    void OfferUseAsReference(ReferenceStore &store);
    bool UseSelectedAsReference();

protected:
    void reject() override;  // not while a command runs: its progress has the Cancel button

private:
    // Runs step(i) for every i below count, a few milliseconds of steps at a time with the
    // event loop turning in between; progress with `labelId` ("%1 of %2") shows when it takes
    // long. Then runs `aside` on a worker thread, the event loop turning until it is done.
    // False when the user cancelled (checked before every step), a step or `aside` returned false.
    bool RunRows(int count, int labelId, const std::function<bool(int)> &step,
                 const std::function<bool()> &aside = {});
    // The rows of the selected entries, oldest first.
    std::vector<int> SelectedRows() const;
    // Selects the rows marked (and only those).
    void SelectMarked(const std::vector<char> &marked);
    // Takes rows out of the table and the list (and `marks`), highest first, contiguous runs in one go.
    void RemoveRows(const std::vector<int> &highestFirst, std::vector<char> &marks);
    // Entries recorded since the list was read go on top.
    void ShowNewer();
    void UpdateButtons();
    void FillRow(int row, const JournalEntry &entry);

    bool busy_ = false;  // a command runs: the others wait for it

    MeasurementJournal &journal_;
    WriteEntryFunction write_;
    // One per row; held by pointer, so that taking rows out moves no entries.
    std::vector<std::unique_ptr<JournalEntry>> entries_;
    QTableWidget *table_ = nullptr;
    QPushButton *writeButton_ = nullptr;
    QPushButton *copyButton_ = nullptr;
    QPushButton *exportButton_ = nullptr;
    QPushButton *deleteButton_ = nullptr;
    QHBoxLayout *buttons_ = nullptr;
    ReferenceStore *references_ = nullptr;
    QPushButton *referenceButton_ = nullptr;
};

// Shows the window modally over `parent`; returns when the user closes it.
// With `references`, the window offers "Use as reference".
void RunMeasurementsWindow(QWidget *parent, MeasurementJournal &journal, WriteEntryFunction write,
                           ReferenceStore *references = nullptr);

}  // namespace ombra::ui
