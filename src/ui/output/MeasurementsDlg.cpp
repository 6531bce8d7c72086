#include "output/MeasurementsDlg.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QElapsedTimer>
#include <algorithm>
#include <chrono>
#include <future>
#include <set>

#include "output/JournalTransfer.h"
#include "platform/AtomicFile.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/Resources.h"
#include "quality/ReferencesDlg.h"
#include "UiLayer.h"

namespace ombra::ui {

namespace {

constexpr int kStrCaption = 1200;
constexpr int kStrTitle = 1424;
constexpr int kColumnTitles[] = {1425, 1426, 1427, 1428, 1429};
constexpr int kStrWrite = 1435;
constexpr int kStrCopy = 1436;
constexpr int kStrExport = 1437;
constexpr int kStrDelete = 1438;
constexpr int kStrClose = 1439;
constexpr int kStrUseAsReference = 1974;
constexpr int kStrConfirmDelete = 1440;
constexpr int kStrWriting = 1441;
constexpr int kStrExporting = 1442;
constexpr int kStrCancel = 1443;
constexpr int kStrCsvFilter = 1444;
constexpr int kStrFileNotWritten = 1445;
constexpr int kStrNoWorkbook = 1446;
constexpr int kStrDeleting = 1920;
constexpr int kStrCopying = 1921;

constexpr int kValuesShown = 4;
// The work done between two turns of the event loop, and how soon the progress shows.
constexpr qint64 kSliceMs = 10;
constexpr int kProgressDelayMs = 400;
// Measurements deleted from the journal in one transaction, and the separate runs of rows
// taken out of the table with them (each run costs the table about 10 ms at 50,000 rows).
constexpr size_t kDeleteBatch = 100;
constexpr int kDeleteRuns = 1;

class BusyFlag {
public:
    explicit BusyFlag(bool &flag) : flag_(flag) { flag_ = true; }
    ~BusyFlag() { flag_ = false; }
    BusyFlag(const BusyFlag &) = delete;
    BusyFlag &operator=(const BusyFlag &) = delete;

private:
    bool &flag_;
};

// Appends an entry's record as `line` makes it, after a header record where the items change.
void AppendRecord(std::string &out, std::vector<std::string> &lastHeader, const JournalEntry &entry,
                  std::string (*line)(const std::vector<std::string> &)) {
    std::vector<std::string> header = JournalTableHeader(entry);
    if (header != lastHeader) {
        out += line(header);
        lastHeader = std::move(header);
    }
    out += line(JournalTableRow(entry));
}

QString Filled(int id, const QStringList &args) {
    QString text = platform::ResQString(id);
    for (int i = args.size(); i-- > 0;) text.replace(QStringLiteral("%%1").arg(i + 1), args[i]);
    return text;
}

// "L* 95.12   a* -0.41   ..." of the first values that are not the time stamp.
QString FirstValues(const JournalEntry &entry) {
    QStringList parts;
    int shown = 0;
    for (const OutputItem &item : entry.valueItems) {
        if (item.identifier == 1035 || item.identifier == 1036) continue;
        if (shown++ == kValuesShown) {
            parts << QStringLiteral("…");
            break;
        }
        parts << QString::fromStdString(item.label + " " + item.valueText);
    }
    return parts.join(QStringLiteral("   "));
}

QPushButton *Button(QWidget *parent, int textId, const char *name) {
    auto *button = new QPushButton(platform::ResQString(textId), parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

}  // namespace

MeasurementsDlg::MeasurementsDlg(MeasurementJournal &journal, WriteEntryFunction write, QWidget *parent)
    : QDialog(parent), journal_(journal), write_(std::move(write)) {
    setWindowTitle(platform::ResQString(kStrTitle));
    table_ = new QTableWidget(0, ColumnCount, this);
    table_->setObjectName("measurements");
    QStringList headers;
    for (int id : kColumnTitles) headers << platform::ResQString(id);
    table_->setHorizontalHeaderLabels(headers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(ValuesColumn, QHeaderView::Stretch);

    writeButton_ = Button(this, kStrWrite, "writeButton");
    copyButton_ = Button(this, kStrCopy, "copyButton");
    exportButton_ = Button(this, kStrExport, "exportButton");
    deleteButton_ = Button(this, kStrDelete, "deleteButton");
    QPushButton *close = Button(this, kStrClose, "closeButton");
    connect(writeButton_, &QPushButton::clicked, this, [this] { WriteSelected(); });
    connect(copyButton_, &QPushButton::clicked, this, [this] { CopySelected(); });
    connect(exportButton_, &QPushButton::clicked, this, [this] { ExportSelected(); });
    connect(deleteButton_, &QPushButton::clicked, this, [this] { DeleteSelected(); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdateButtons(); });

    auto *buttons = buttons_ = new QHBoxLayout;
    for (QPushButton *b : {writeButton_, copyButton_, exportButton_, deleteButton_}) buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addLayout(buttons);
    resize(820, 460);
    Reload();
}

void MeasurementsDlg::FillRow(int row, const JournalEntry &entry) {
    const QString texts[ColumnCount] = {
        QString::fromStdString(entry.date), QString::fromStdString(entry.time),
        QString::fromStdString(entry.model + " " + entry.serial), FirstValues(entry),
        QString::fromStdString(OutcomeText(entry.outcome))};
    const bool unwritten = entry.outcome.kind != JournalOutcome::Written;
    for (int column = 0; column < ColumnCount; ++column) {
        auto *cell = new QTableWidgetItem(texts[column]);
        if (unwritten) {
            // Readings that never reached a sheet are what the user comes here for.
            QFont font = cell->font();
            font.setBold(true);
            cell->setFont(font);
            cell->setBackground(QColor(255, 229, 204));
            cell->setForeground(QColor(140, 30, 0));
        }
        table_->setItem(row, column, cell);
    }
}

void MeasurementsDlg::Reload() {
    std::set<qint64> selected;
    for (const JournalEntry &e : SelectedEntries()) selected.insert(e.id);
    entries_.clear();
    for (JournalEntry &entry : journal_.List()) entries_.push_back(std::make_unique<JournalEntry>(std::move(entry)));
    table_->clearSelection();
    table_->setRowCount(static_cast<int>(entries_.size()));
    for (int row = 0; row < static_cast<int>(entries_.size()); ++row) FillRow(row, *entries_[static_cast<size_t>(row)]);
    SelectIds({selected.begin(), selected.end()});
    UpdateButtons();
}

void MeasurementsDlg::SelectIds(const std::vector<qint64> &ids) {
    std::vector<qint64> wanted = ids;
    std::sort(wanted.begin(), wanted.end());
    std::vector<char> marked(entries_.size(), 0);
    for (size_t row = 0; row < entries_.size(); ++row)
        marked[row] = std::binary_search(wanted.begin(), wanted.end(), entries_[row]->id);
    SelectMarked(marked);
}

// Neighbouring rows go in as one range: a selection of many single rows is slow to change.
void MeasurementsDlg::SelectMarked(const std::vector<char> &marked) {
    QItemSelection selection;
    const int rows = static_cast<int>(std::min(marked.size(), entries_.size()));
    for (int row = 0; row < rows; ++row) {
        if (!marked[static_cast<size_t>(row)]) continue;
        const int first = row;
        while (row + 1 < rows && marked[static_cast<size_t>(row + 1)]) ++row;
        selection.select(table_->model()->index(first, 0), table_->model()->index(row, ColumnCount - 1));
    }
    table_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    UpdateButtons();
}

// The rows hold the entries newest first (the list is read that way and newer ones go on top):
// the oldest selected is the lowest row.
std::vector<int> MeasurementsDlg::SelectedRows() const {
    std::vector<int> rows;
    if (!table_) return rows;
    std::vector<char> marked(entries_.size(), 0);
    for (const QItemSelectionRange &range : table_->selectionModel()->selection())
        for (int row = std::max(range.top(), 0); row <= range.bottom() && row < static_cast<int>(marked.size()); ++row)
            marked[static_cast<size_t>(row)] = 1;
    for (size_t row = marked.size(); row-- > 0;)
        if (marked[row]) rows.push_back(static_cast<int>(row));
    return rows;
}

std::vector<JournalEntry> MeasurementsDlg::SelectedEntries() const {
    std::vector<JournalEntry> entries;
    for (int row : SelectedRows()) entries.push_back(EntryAt(row));
    return entries;
}

void MeasurementsDlg::reject() {
    if (!busy_) QDialog::reject();
}

void MeasurementsDlg::RemoveRows(const std::vector<int> &highestFirst, std::vector<char> &marks) {
    for (size_t i = 0; i < highestFirst.size();) {
        size_t end = i + 1;
        while (end < highestFirst.size() && highestFirst[end] == highestFirst[end - 1] - 1) ++end;
        const int top = highestFirst[end - 1], count = static_cast<int>(end - i);
        table_->model()->removeRows(top, count);
        entries_.erase(entries_.begin() + top, entries_.begin() + top + count);
        marks.erase(marks.begin() + top, marks.begin() + top + count);
        i = end;
    }
}

void MeasurementsDlg::ShowNewer() {
    const qint64 newest = entries_.empty() ? 0 : entries_.front()->id;
    std::vector<JournalEntry> newer;
    for (int limit = 16;; limit *= 4) {
        newer = journal_.List(limit);
        if (static_cast<int>(newer.size()) < limit || newer.back().id <= newest) break;
    }
    newer.erase(std::find_if(newer.begin(), newer.end(), [&](const JournalEntry &e) { return e.id <= newest; }),
                newer.end());
    if (newer.empty()) return;
    const int count = static_cast<int>(newer.size());
    table_->model()->insertRows(0, count);
    std::vector<std::unique_ptr<JournalEntry>> rows;
    for (JournalEntry &entry : newer) rows.push_back(std::make_unique<JournalEntry>(std::move(entry)));
    entries_.insert(entries_.begin(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    for (int row = 0; row < count; ++row) FillRow(row, *entries_[static_cast<size_t>(row)]);
}

void MeasurementsDlg::UpdateButtons() {
    const bool any = table_->selectionModel()->hasSelection();
    for (QPushButton *b : {writeButton_, copyButton_, exportButton_, deleteButton_}) b->setEnabled(any);
    if (referenceButton_) referenceButton_->setEnabled(SelectedRows().size() == 1);
}

void MeasurementsDlg::OfferUseAsReference(ReferenceStore &store) {
    references_ = &store;
    if (referenceButton_) return;
    referenceButton_ = Button(this, kStrUseAsReference, "referenceButton");
    connect(referenceButton_, &QPushButton::clicked, this, [this] { UseSelectedAsReference(); });
    buttons_->insertWidget(4, referenceButton_);
    UpdateButtons();
}

bool MeasurementsDlg::UseSelectedAsReference() {
    const std::vector<JournalEntry> selected = SelectedEntries();
    if (!references_ || selected.size() != 1) return false;
    const JournalEntry &entry = selected.front();
    const std::optional<Reference> reference = ReferenceOfJournalEntry({}, entry);
    if (!reference) {
        QApplication::beep();  // an irradiance measurement, or one without L*a*b*
        return false;
    }
    return UseAsReference(this, *references_, *reference, entry.date + " " + entry.time);
}

bool MeasurementsDlg::RunRows(int count, int labelId, const std::function<bool(int)> &step,
                              const std::function<bool()> &aside) {
    QProgressDialog progress(Filled(labelId, {QStringLiteral("1"), QString::number(count)}),
                             platform::ResQString(kStrCancel), 0, count, this);
    progress.setObjectName("progress");
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(kProgressDelayMs);
    progress.setAutoReset(false);
    progress.setValue(0);
    QElapsedTimer slice;
    slice.start();
    for (int i = 0; i < count; ++i) {
        if (progress.wasCanceled()) return false;
        if (slice.elapsed() >= kSliceMs) {
            progress.setLabelText(Filled(labelId, {QString::number(i + 1), QString::number(count)}));
            progress.setValue(i);  // shows the progress once the work has taken a while
            QCoreApplication::processEvents();
            if (progress.wasCanceled()) return false;
            slice.restart();
        }
        if (!step(i)) return false;
    }
    progress.setValue(count);
    if (progress.wasCanceled()) return false;
    if (!aside) return true;
    std::future<bool> done = std::async(std::launch::async, aside);
    while (done.wait_for(std::chrono::milliseconds(kSliceMs)) != std::future_status::ready)
        QCoreApplication::processEvents();
    return done.get();
}

int MeasurementsDlg::WriteSelected() {
    if (busy_ || !write_) return 0;
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) return 0;
    BusyFlag busy(busy_);
    int written = 0;
    bool noWorkbook = false;
    RunRows(static_cast<int>(rows.size()), kStrWriting, [&](int i) {
        const int row = rows[static_cast<size_t>(i)];
        JournalEntry &entry = *entries_[static_cast<size_t>(row)];
        const TransferOutcome outcome = write_(entry);
        entry.outcome = JournalOutcomeOf(outcome);
        journal_.SetOutcome(entry.id, entry.outcome);
        FillRow(row, entry);
        // The next measurement starts where this one ended: after a failure there is no such place.
        if (outcome.result != TransferResult::Written) {
            noWorkbook = outcome.result == TransferResult::NoWorkbook;
            return false;
        }
        ++written;
        return true;
    });
    ShowNewer();
    if (noWorkbook)
        platform::ShowMessageBox(this, platform::ResString(kStrNoWorkbook), platform::ResString(kStrCaption),
                                 platform::mb::ICONINFORMATION);
    return written;
}

QString MeasurementsDlg::CopySelected() {
    if (busy_) return {};
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) return {};
    BusyFlag busy(busy_);
    std::string text;
    std::vector<std::string> lastHeader;
    const bool complete = RunRows(static_cast<int>(rows.size()), kStrCopying, [&](int i) {
        AppendRecord(text, lastHeader, EntryAt(rows[static_cast<size_t>(i)]), TsvLine);
        return true;
    });
    if (!complete) return {};
    const QString copied = QString::fromStdString(text);
    if (!copied.isEmpty()) QApplication::clipboard()->setText(copied);
    return copied;
}

bool MeasurementsDlg::ExportSelected() {
    if (busy_) return false;
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) return false;
    BusyFlag busy(busy_);
    platform::FileDialogRequest request;
    request.save = true;
    request.filter = platform::ResString(kStrCsvFilter);
    request.defaultExtension = "csv";
    request.fileName = "measurements.csv";
    const std::optional<std::string> path = platform::ShowFileDialog(this, request);
    if (!path) return false;
    std::string csv, error;
    std::vector<std::string> lastHeader;
    bool writing = false;
    const bool complete = RunRows(
        static_cast<int>(rows.size()), kStrExporting,
        [&](int i) {
            AppendRecord(csv, lastHeader, EntryAt(rows[static_cast<size_t>(i)]), CsvLine);
            return true;
        },
        [&] {
            writing = true;
            return platform::WriteFileAtomically(*path, csv, &error);
        });
    if (!complete && !writing) return false;  // cancelled
    if (!complete) {
        platform::ShowMessageBox(this, Filled(kStrFileNotWritten, {QString::fromStdString(*path), QString::fromStdString(error)}).toStdString(),
                                 platform::ResString(kStrCaption), platform::mb::ICONERROR);
        return false;
    }
    return true;
}

int MeasurementsDlg::DeleteSelected() {
    if (busy_) return 0;
    std::vector<int> rows = SelectedRows();
    if (rows.empty()) return 0;
    const std::string question = Filled(kStrConfirmDelete, {QString::number(rows.size())}).toStdString();
    if (platform::ShowMessageBox(this, question, platform::ResString(kStrCaption),
                                 platform::mb::ICONQUESTION | platform::mb::YESNO) != platform::mb::IDYES)
        return 0;
    BusyFlag busy(busy_);
    // Highest row first (the oldest first): taking rows out of the table then moves none of
    // those still to go.
    std::vector<char> selected(entries_.size(), 0);
    for (int row : rows) selected[static_cast<size_t>(row)] = 1;
    table_->clearSelection();
    std::vector<qint64> batch;
    std::vector<int> batchRows;
    int runs = 0, removed = 0;
    RunRows(static_cast<int>(rows.size()), kStrDeleting, [&](int i) {
        const int row = rows[static_cast<size_t>(i)];
        runs += batchRows.empty() || batchRows.back() != row + 1;
        batch.push_back(EntryAt(row).id);
        batchRows.push_back(row);
        if (batch.size() < kDeleteBatch && runs < kDeleteRuns && static_cast<size_t>(i) + 1 < rows.size()) return true;
        const int deleted = journal_.Delete(batch);
        if (deleted == 0) return false;  // the journal failed and said so
        removed += deleted;
        RemoveRows(batchRows, selected);
        batch.clear();
        batchRows.clear();
        runs = 0;
        return true;
    });
    // What a cancel left stays selected.
    if (std::find(selected.begin(), selected.end(), 1) != selected.end()) SelectMarked(selected);
    ShowNewer();
    return removed;
}

void RunMeasurementsWindow(QWidget *parent, MeasurementJournal &journal, WriteEntryFunction write,
                           ReferenceStore *references) {
    MeasurementsDlg dlg(journal, std::move(write), parent);
    if (references) dlg.OfferUseAsReference(*references);
    dlg.exec();
}

}  // namespace ombra::ui
