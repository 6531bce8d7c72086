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
#include "platform/AtomicFile.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/Resources.h"

namespace ombra {

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
    : QDialog(parent), m_journal(journal), m_write(std::move(write)) {
    setWindowTitle(platform::ResQString(kStrTitle));
    m_table = new QTableWidget(0, ColumnCount, this);
    m_table->setObjectName("measurements");
    QStringList headers;
    for (int id : kColumnTitles) headers << platform::ResQString(id);
    m_table->setHorizontalHeaderLabels(headers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(ValuesColumn, QHeaderView::Stretch);

    m_writeButton = Button(this, kStrWrite, "writeButton");
    m_copyButton = Button(this, kStrCopy, "copyButton");
    m_exportButton = Button(this, kStrExport, "exportButton");
    m_deleteButton = Button(this, kStrDelete, "deleteButton");
    QPushButton *close = Button(this, kStrClose, "closeButton");
    connect(m_writeButton, &QPushButton::clicked, this, [this] { WriteSelected(); });
    connect(m_copyButton, &QPushButton::clicked, this, [this] { CopySelected(); });
    connect(m_exportButton, &QPushButton::clicked, this, [this] { ExportSelected(); });
    connect(m_deleteButton, &QPushButton::clicked, this, [this] { DeleteSelected(); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdateButtons(); });

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {m_writeButton, m_copyButton, m_exportButton, m_deleteButton}) buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
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
        m_table->setItem(row, column, cell);
    }
}

void MeasurementsDlg::Reload() {
    std::set<qint64> selected;
    for (const JournalEntry &e : SelectedEntries()) selected.insert(e.id);
    m_entries = m_journal.List();
    m_table->clearSelection();
    m_table->setRowCount(static_cast<int>(m_entries.size()));
    for (int row = 0; row < static_cast<int>(m_entries.size()); ++row) FillRow(row, m_entries[row]);
    SelectIds({selected.begin(), selected.end()});
    UpdateButtons();
}

void MeasurementsDlg::SelectIds(const std::vector<qint64> &ids) {
    const std::set<qint64> wanted(ids.begin(), ids.end());
    QItemSelection selection;
    for (int row = 0; row < static_cast<int>(m_entries.size()); ++row) {
        if (wanted.count(m_entries[row].id))
            selection.select(m_table->model()->index(row, 0), m_table->model()->index(row, ColumnCount - 1));
    }
    m_table->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    UpdateButtons();
}

std::vector<JournalEntry> MeasurementsDlg::SelectedEntries() const {
    std::vector<JournalEntry> entries;
    if (!m_table) return entries;
    for (const QModelIndex &index : m_table->selectionModel()->selectedRows())
        entries.push_back(m_entries.at(static_cast<size_t>(index.row())));
    std::sort(entries.begin(), entries.end(), [](const JournalEntry &a, const JournalEntry &b) { return a.id < b.id; });
    return entries;
}

void MeasurementsDlg::UpdateButtons() {
    const bool any = m_table->selectionModel()->hasSelection();
    for (QPushButton *b : {m_writeButton, m_copyButton, m_exportButton, m_deleteButton}) b->setEnabled(any);
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
    if (entries.empty() || !m_write) return 0;
    int written = 0;
    bool noWorkbook = false;
    RunRows(static_cast<int>(entries.size()), kStrWriting, [&](int i) {
        const TransferOutcome outcome = m_write(entries[static_cast<size_t>(i)]);
        m_journal.SetOutcome(entries[static_cast<size_t>(i)].id, JournalOutcomeOf(outcome));
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
    const int removed = m_journal.Delete(ids);
    Reload();
    return removed;
}

void RunMeasurementsWindow(QWidget *parent, MeasurementJournal &journal, WriteEntryFunction write) {
    MeasurementsDlg dlg(journal, std::move(write), parent);
    dlg.exec();
}

}  // namespace ombra
