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
#include <algorithm>
#include <set>

#include "output/JournalTransfer.h"
#include "output/ResultPanel.h"
#include "output/ResultSummary.h"
#include "platform/AtomicFile.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/Resources.h"
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
constexpr int kStrConfirmDelete = 1440;
constexpr int kStrWriting = 1441;
constexpr int kStrExporting = 1442;
constexpr int kStrCancel = 1443;
constexpr int kStrCsvFilter = 1444;
constexpr int kStrFileNotWritten = 1445;
constexpr int kStrNoWorkbook = 1446;

constexpr int kValuesShown = 4;

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
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        UpdateButtons();
        ShowSelectedInPanels();
    });
    panel_ = new ResultPanel(this);
    secondPanel_ = new ResultPanel(this);
    secondPanel_->setObjectName("resultPanel2");
    secondPanel_->hide();

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {writeButton_, copyButton_, exportButton_, deleteButton_}) buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(table_, 1);
    auto *panels = new QHBoxLayout;
    panels->addWidget(panel_);
    panels->addWidget(secondPanel_);
    layout->addLayout(panels);
    layout->addLayout(buttons);
    resize(900, 700);
    Reload();
}

void MeasurementsDlg::ShowSelectedInPanels() {
    const std::vector<JournalEntry> selected = SelectedEntries();
    secondPanel_->setVisible(selected.size() >= 2);
    if (selected.empty()) {
        panel_->Clear();
        return;
    }
    const ResultSummary first = SummariseEntry(selected[0]);
    if (selected.size() == 1) {
        panel_->Show(first);
        return;
    }
    const ResultSummary second = SummariseEntry(selected[1]);
    panel_->Show(first, &second.spectrum);
    secondPanel_->Show(second, &first.spectrum);
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
    entries_ = journal_.List();
    table_->clearSelection();
    table_->setRowCount(static_cast<int>(entries_.size()));
    for (int row = 0; row < static_cast<int>(entries_.size()); ++row) FillRow(row, entries_[row]);
    SelectIds({selected.begin(), selected.end()});
    UpdateButtons();
}

void MeasurementsDlg::SelectIds(const std::vector<qint64> &ids) {
    const std::set<qint64> wanted(ids.begin(), ids.end());
    QItemSelection selection;
    for (int row = 0; row < static_cast<int>(entries_.size()); ++row) {
        if (wanted.count(entries_[row].id))
            selection.select(table_->model()->index(row, 0), table_->model()->index(row, ColumnCount - 1));
    }
    table_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    UpdateButtons();
}

std::vector<JournalEntry> MeasurementsDlg::SelectedEntries() const {
    std::vector<JournalEntry> entries;
    if (!table_) return entries;
    for (const QModelIndex &index : table_->selectionModel()->selectedRows())
        entries.push_back(entries_.at(static_cast<size_t>(index.row())));
    std::sort(entries.begin(), entries.end(), [](const JournalEntry &a, const JournalEntry &b) { return a.id < b.id; });
    return entries;
}

void MeasurementsDlg::UpdateButtons() {
    const bool any = table_->selectionModel()->hasSelection();
    for (QPushButton *b : {writeButton_, copyButton_, exportButton_, deleteButton_}) b->setEnabled(any);
}

bool MeasurementsDlg::RunRows(int count, int labelId, const std::function<bool(int)> &step) {
    QProgressDialog progress(QString(), platform::ResQString(kStrCancel), 0, count, this);
    progress.setObjectName("progress");
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(400);
    progress.setAutoReset(false);
    for (int i = 0; i < count; ++i) {
        if (progress.wasCanceled()) return false;
        progress.setLabelText(Filled(labelId, {QString::number(i + 1), QString::number(count)}));
        progress.setValue(i);
        if (!step(i)) return false;
    }
    progress.setValue(count);
    return !progress.wasCanceled();
}

int MeasurementsDlg::WriteSelected() {
    const std::vector<JournalEntry> entries = SelectedEntries();
    if (entries.empty() || !write_) return 0;
    int written = 0;
    bool noWorkbook = false;
    RunRows(static_cast<int>(entries.size()), kStrWriting, [&](int i) {
        const TransferOutcome outcome = write_(entries[static_cast<size_t>(i)]);
        journal_.SetOutcome(entries[static_cast<size_t>(i)].id, JournalOutcomeOf(outcome));
        // The next measurement starts where this one ended: after a failure there is no such place.
        if (outcome.result != TransferResult::Written) {
            noWorkbook = outcome.result == TransferResult::NoWorkbook;
            return false;
        }
        ++written;
        return true;
    });
    Reload();
    if (noWorkbook)
        platform::ShowMessageBox(this, platform::ResString(kStrNoWorkbook), platform::ResString(kStrCaption),
                                 platform::mb::ICONINFORMATION);
    return written;
}

QString MeasurementsDlg::CopySelected() {
    std::string text;
    for (const std::vector<std::string> &row : JournalTable(SelectedEntries())) text += TsvLine(row);
    const QString copied = QString::fromStdString(text);
    if (!copied.isEmpty()) QApplication::clipboard()->setText(copied);
    return copied;
}

bool MeasurementsDlg::ExportSelected() {
    const std::vector<JournalEntry> entries = SelectedEntries();
    if (entries.empty()) return false;
    platform::FileDialogRequest request;
    request.save = true;
    request.filter = platform::ResString(kStrCsvFilter);
    request.defaultExtension = "csv";
    request.fileName = "measurements.csv";
    const std::optional<std::string> path = platform::ShowFileDialog(this, request);
    if (!path) return false;
    std::string csv;
    std::vector<std::string> lastHeader;
    const bool complete = RunRows(static_cast<int>(entries.size()), kStrExporting, [&](int i) {
        const JournalEntry &entry = entries[static_cast<size_t>(i)];
        std::vector<std::string> header = JournalTableHeader(entry);
        if (header != lastHeader) csv += CsvLine(header);
        lastHeader = std::move(header);
        csv += CsvLine(JournalTableRow(entry));
        return true;
    });
    if (!complete) return false;
    std::string error;
    if (!platform::WriteFileAtomically(*path, csv, &error)) {
        platform::ShowMessageBox(this, Filled(kStrFileNotWritten, {QString::fromStdString(*path), QString::fromStdString(error)}).toStdString(),
                                 platform::ResString(kStrCaption), platform::mb::ICONERROR);
        return false;
    }
    return true;
}

int MeasurementsDlg::DeleteSelected() {
    const std::vector<JournalEntry> entries = SelectedEntries();
    if (entries.empty()) return 0;
    const std::string question = Filled(kStrConfirmDelete, {QString::number(entries.size())}).toStdString();
    if (platform::ShowMessageBox(this, question, platform::ResString(kStrCaption),
                                 platform::mb::ICONQUESTION | platform::mb::YESNO) != platform::mb::IDYES)
        return 0;
    std::vector<qint64> ids;
    for (const JournalEntry &e : entries) ids.push_back(e.id);
    const int removed = journal_.Delete(ids);
    Reload();
    return removed;
}

void RunMeasurementsWindow(QWidget *parent, MeasurementJournal &journal, WriteEntryFunction write) {
    MeasurementsDlg dlg(journal, std::move(write), parent);
    dlg.exec();
}

}  // namespace ombra::ui
