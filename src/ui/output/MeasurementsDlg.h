// The Measurements window: the journal as a table, newest first, with date, time, instrument,
// the first values, how each transfer ended (measurements that did not reach a sheet stand
// out) and the values the user gives columns of their own. The table reads only the rows it
// shows from the journal (JournalModel): searched, filtered by recorded days and outcome and
// sorted by the database, whatever the journal's size. Selected measurements can be written to
// the spreadsheet again, copied as tab-separated text, exported as a CSV file or deleted. Every
// command works in small steps with the event loop turning between them (an export streams
// into its file, which is finished on a worker thread), whatever the number of measurements:
// the window keeps repainting, long work shows its progress and can be cancelled between
// measurements.
#pragma once

#include <QDialog>
#include <QFontMetrics>
#include <QTemporaryDir>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/journalserver/ServerConnection.h"
#include "core/output/JournalModel.h"
#include "core/output/JournalTransfer.h"
#include "core/output/MeasurementJournal.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLayout;
class QLineEdit;
class QHBoxLayout;
class QPushButton;
class QTableView;

class QTimer;
class QToolButton;

namespace ombra::core {
class ReferenceStore;
}

namespace ombra::ui {

// `text` when a column `columnWidth` pixels wide cuts it (the tooltip that shows it whole),
// else empty.
QString CutCellText(const QString &text, const QFontMetrics &metrics, int columnWidth);

class ResultPanel;

class MeasurementsDlg : public QDialog {
    Q_OBJECT
public:
    enum Column {
        DateColumn = core::JournalModel::DateColumn,
        TimeColumn = core::JournalModel::TimeColumn,
        InstrumentColumn = core::JournalModel::InstrumentColumn,
        ValuesColumn = core::JournalModel::ValuesColumn,
        OutcomeColumn = core::JournalModel::OutcomeColumn,
        ColumnCount = core::JournalModel::FixedColumns
    };

    MeasurementsDlg(core::MeasurementJournal &journal, core::WriteEntryFunction write, QWidget *parent = nullptr);
    ~MeasurementsDlg() override;

    // Reads the journal again; the measurements selected stay selected.
    void Reload();
    QTableView *Table() const { return table_; }
    core::JournalModel *Model() const { return model_; }
    // The entry shown in a row, read from the journal.
    core::JournalEntry EntryAt(int row) const;
    // Selects the rows of these entries (and only those).
    void SelectIds(const std::vector<qint64> &ids);
    // The ids of the selected entries, oldest first: the order they were measured in.
    std::vector<qint64> SelectedIds() const;
    // The first `limit` of them, read from the journal.
    std::vector<core::JournalEntry> SelectedEntries(size_t limit = SIZE_MAX) const;
    // The search text, the days and the outcome chosen above the table, in force at once
    // (typing is taken after a short pause).
    void ApplyFilter();

    // The commands of the buttons. Each works on the selection.
    int WriteSelected();       // the number written completely
    QString CopySelected();    // the text also goes to the clipboard
    bool ExportSelected();     // asks for the file; false when cancelled or failed
    bool ExportSelectedCgats();  // the same as CGATS.17 text
    int DeleteSelected();      // after confirmation; the number deleted

    // The result panels below the table: the selected measurement, or the first two selected
    // side by side, each with the other's curve faintly behind its own.
    ResultPanel *Panel(int index) const { return index == 0 ? panel_ : secondPanel_; }

    // Adds the "Use as reference" button: the one selected reflection measurement becomes a
    // reference of `store`, under a name the user gives.
    void OfferUseAsReference(core::ReferenceStore &store);
    bool UseSelectedAsReference();

    // Adds the choice of "This station" or "All stations": every station's measurements are read
    // from the shared journal's server when chosen and whenever the filter changes, into a copy
    // the table shows with the same search, filter and order; they can be copied and exported
    // (each instrument with its station), but only this station's are written or deleted.
    void OfferAllStations(const core::ServerAddress &server);
    // Shows every station's measurements (true) or this station's; false when the server
    // could not be read (the user is told; this station's stay shown).
    bool ShowAllStations(bool all);
    bool ShowsAllStations() const { return allStations_ != nullptr; }
    // The most measurements read from the server at a time, newest first.
    static constexpr int kAllStationsRows = 10000;

protected:
    void reject() override;  // not while a command runs: its progress has the Cancel button

private:
    // Runs step(i) for every i below count, a few milliseconds of steps at a time with the
    // event loop turning in between; progress with `labelId` ("%1 of %2") shows when it takes
    // long. Then runs `aside` on a worker thread, the event loop turning until it is done.
    // False when the user cancelled (checked before every step), a step or `aside` returned false.
    bool RunRows(int count, int labelId, const std::function<bool(int)> &step,
                 const std::function<bool()> &aside = {});
    QLayout *MakeFilterBar();
    void ConnectModel();
    void ShowRowCount();
    void DropCopy(std::unique_ptr<core::MeasurementJournal> next);
    core::JournalFilter CurrentFilter() const;
    bool LoadAllStations();
    void ShowModel(core::JournalModel *model);
    // The journal the table shows: this station's, or the copy of every station's.
    core::MeasurementJournal &Shown() const { return allStations_ ? *allStations_ : journal_; }
    void ShowColumnsMenu();
    void KeepSortIndicator();
    void FitOutcomeColumnToItsHeading();
    void UpdateButtons();
    void ShowSelectedInPanels();
    bool OneRowSelected() const;
    std::vector<core::JournalEntry> FirstSelectedEntries() const;

    bool busy_ = false;  // a command runs: the others wait for it

    core::MeasurementJournal &journal_;
    core::WriteEntryFunction write_;
    core::JournalModel *model_ = nullptr;
    QTableView *table_ = nullptr;
    QLineEdit *search_ = nullptr;
    QCheckBox *fromCheck_ = nullptr;
    QCheckBox *toCheck_ = nullptr;
    QDateEdit *from_ = nullptr;
    QDateEdit *to_ = nullptr;
    QComboBox *outcome_ = nullptr;
    QToolButton *columnsButton_ = nullptr;
    QLabel *shown_ = nullptr;
    QTimer *searchPause_ = nullptr;
    QPushButton *writeButton_ = nullptr;
    QPushButton *copyButton_ = nullptr;
    QPushButton *exportButton_ = nullptr;
    QPushButton *cgatsButton_ = nullptr;
    QPushButton *deleteButton_ = nullptr;
    ResultPanel *panel_ = nullptr;
    ResultPanel *secondPanel_ = nullptr;
    QHBoxLayout *buttons_ = nullptr;
    core::ReferenceStore *references_ = nullptr;
    QPushButton *referenceButton_ = nullptr;
    QHBoxLayout *filterBar_ = nullptr;
    std::optional<core::ServerAddress> server_;
    QComboBox *stations_ = nullptr;
    core::JournalModel *ownModel_ = nullptr;
    std::unique_ptr<QTemporaryDir> copyFolder_;
    std::unique_ptr<core::MeasurementJournal> allStations_;
    int copies_ = 0;
};

// Shows the window modally over `parent`; returns when the user closes it.
// With `references`, the window offers "Use as reference".
// With `server`, the window offers every station's measurements too.
void RunMeasurementsWindow(QWidget *parent, core::MeasurementJournal &journal, core::WriteEntryFunction write,
                           core::ReferenceStore *references = nullptr, const core::ServerAddress *server = nullptr);

}  // namespace ombra::ui
