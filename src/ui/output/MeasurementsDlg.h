// The Measurements window: the journal as a table, newest first, with date, time, instrument,
// the first values and how each transfer ended (measurements that did not reach a sheet stand
// out). Selected measurements can be written to the spreadsheet again, copied as
// tab-separated text, exported as a CSV file or deleted. Long work shows its progress and can
// be cancelled between measurements.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "output/JournalTransfer.h"
#include "output/MeasurementJournal.h"
#include "UiLayer.h"

class QPushButton;
class QTableWidget;

namespace ombra::ui {

class ResultPanel;

class MeasurementsDlg : public QDialog {
    Q_OBJECT
public:
    enum Column { DateColumn, TimeColumn, InstrumentColumn, ValuesColumn, OutcomeColumn, ColumnCount };

    MeasurementsDlg(MeasurementJournal &journal, WriteEntryFunction write, QWidget *parent = nullptr);

    void Reload();
    QTableWidget *Table() const { return table_; }
    // The entry shown in a row.
    const JournalEntry &EntryAt(int row) const { return entries_.at(static_cast<size_t>(row)); }
    // Selects the rows of these entries (and only those).
    void SelectIds(const std::vector<qint64> &ids);
    // The selected entries, oldest first: the order they were measured in.
    std::vector<JournalEntry> SelectedEntries() const;

    // The commands of the buttons. Each works on the selection.
    int WriteSelected();       // the number written completely
    QString CopySelected();    // the text also goes to the clipboard
    bool ExportSelected();     // asks for the file; false when cancelled or failed
    int DeleteSelected();      // after confirmation; the number deleted

    // The result panels below the table: the selected measurement, or the first two selected
    // side by side, each with the other's curve faintly behind its own.
    ResultPanel *Panel(int index) const { return index == 0 ? panel_ : secondPanel_; }

private:
    // Runs step(i) for every i below count, showing progress with `labelId` ("%1 of %2");
    // false when the user cancelled (checked between steps) or a step returned false.
    bool RunRows(int count, int labelId, const std::function<bool(int)> &step);
    void UpdateButtons();
    void FillRow(int row, const JournalEntry &entry);
    void ShowSelectedInPanels();

    MeasurementJournal &journal_;
    WriteEntryFunction write_;
    std::vector<JournalEntry> entries_;
    QTableWidget *table_ = nullptr;
    QPushButton *writeButton_ = nullptr;
    QPushButton *copyButton_ = nullptr;
    QPushButton *exportButton_ = nullptr;
    QPushButton *deleteButton_ = nullptr;
    ResultPanel *panel_ = nullptr;
    ResultPanel *secondPanel_ = nullptr;
};

// Shows the window modally over `parent`; returns when the user closes it.
void RunMeasurementsWindow(QWidget *parent, MeasurementJournal &journal, WriteEntryFunction write);

}  // namespace ombra::ui
