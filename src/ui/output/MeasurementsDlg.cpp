#include "ui/output/MeasurementsDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QHelpEvent>
#include <QToolTip>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QElapsedTimer>
#include <algorithm>
#include <chrono>
#include <future>
#include <set>

#include "core/output/CgatsExport.h"
#include "core/output/JournalTransfer.h"
#include "core/output/ResultSummary.h"
#include "core/platform/AtomicFile.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"
#include "ui/output/ResultPanel.h"
#include "ui/platform/FileDialog.h"
#include "ui/platform/MessageBox.h"
#include "ui/quality/ReferencesDlg.h"

namespace ombra::ui {

namespace {

// The work done between two turns of the event loop, and how soon the progress shows.
constexpr qint64 kSliceMs = 10;
constexpr int kProgressDelayMs = 400;
// Measurements deleted from the journal in one transaction; entries read from it in one go.
constexpr size_t kDeleteBatch = 100;
constexpr size_t kEntriesRead = 64;
// An export goes to its file whenever this much of it is made.
constexpr size_t kExportChunk = 1 << 20;
constexpr int kSearchPauseMs = 300;

class BusyFlag {
public:
    explicit BusyFlag(bool &flag) : flag_(flag) { flag_ = true; }
    ~BusyFlag() { flag_ = false; }
    BusyFlag(const BusyFlag &) = delete;
    BusyFlag &operator=(const BusyFlag &) = delete;

private:
    bool &flag_;
};

// The labels of an entry's values in order: where they change, a table needs a header record.
bool SameLabels(const std::vector<std::string> &labels, const core::JournalEntry &entry) {
    size_t i = 0;
    for (const core::OutputItem &item : entry.valueItems)
        if (item.identifier != 1035 && item.identifier != 1036 && (i >= labels.size() || labels[i++] != item.label))
            return false;
    return i == labels.size();
}

// Appends an entry's record as `line` makes it, after a header record where the items change.
void AppendRecord(std::string &out, std::vector<std::string> &lastLabels, const core::JournalEntry &entry,
                  std::string (*line)(const std::vector<std::string> &)) {
    if (lastLabels.empty() || !SameLabels(lastLabels, entry)) {
        const std::vector<std::string> header = core::JournalTableHeader(entry);
        out += line(header);
        lastLabels.assign(header.begin() + 4, header.end());  // after date, time, instrument, serial
    }
    out += line(core::JournalTableRow(entry));
}

QString Filled(int id, const QStringList &args) {
    QString text = core::platform::ResQString(id);
    for (int i = args.size(); i-- > 0;) text.replace(QStringLiteral("%%1").arg(i + 1), args[i]);
    return text;
}

// The entries of a list of ids (ascending), read from the journal a few hundred at a time as
// they are asked for, in order.
class EntryFeed {
public:
    EntryFeed(core::MeasurementJournal &journal, const std::vector<qint64> &ids, bool asTable = false)
        : journal_(journal), ids_(ids), asTable_(asTable) {}
    // The entry of ids[i]; null when the journal no longer has it.
    const core::JournalEntry *At(size_t i) {
        if (i < first_ || i >= end_) {
            first_ = i;
            end_ = std::min(ids_.size(), i + kEntriesRead);
            read_ = journal_.Entries({ids_.begin() + static_cast<std::ptrdiff_t>(first_),
                                      ids_.begin() + static_cast<std::ptrdiff_t>(end_)},
                                     asTable_);
        }
        auto it = std::lower_bound(read_.begin(), read_.end(), ids_[i],
                                   [](const core::JournalEntry &e, qint64 id) { return e.id < id; });
        return it != read_.end() && it->id == ids_[i] ? &*it : nullptr;
    }

private:
    core::MeasurementJournal &journal_;
    const std::vector<qint64> &ids_;
    bool asTable_;
    std::vector<core::JournalEntry> read_;
    size_t first_ = 0, end_ = 0;
};

// Measurements that did not reach a sheet stand out: they are what the user comes here for.
// Measurements taken back from the sheet are struck out.
class UnwrittenDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // A value its column cuts shows whole in a tooltip.
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        const QString whole = CutCellText(index.data().toString(), option.fontMetrics, option.rect.width());
        if (whole.isEmpty()) QToolTip::hideText();
        else QToolTip::showText(event->globalPos(), whole, view, option.rect);
        return true;
    }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.data(core::JournalModel::WithdrawnRole).toBool()) option->font.setStrikeOut(true);
        if (!index.data(core::JournalModel::UnwrittenRole).toBool()) return;
        option->font.setBold(true);
        option->backgroundBrush = QColor(255, 229, 204);
        option->palette.setColor(QPalette::Text, QColor(140, 30, 0));
        option->palette.setColor(QPalette::HighlightedText, QColor(255, 229, 204));
    }
};

}  // namespace

QString CutCellText(const QString &text, const QFontMetrics &metrics, int columnWidth) {
    constexpr int kCellMargins = 8;
    return metrics.horizontalAdvance(text) + kCellMargins > columnWidth ? text : QString();
}

namespace {

QPushButton *Button(QWidget *parent, int textId, const char *name) {
    auto *button = new QPushButton(core::platform::ResQString(textId), parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

}  // namespace

MeasurementsDlg::MeasurementsDlg(core::MeasurementJournal &journal, core::WriteEntryFunction write, QWidget *parent)
    : QDialog(parent), journal_(journal), write_(std::move(write)) {
    setWindowTitle(core::platform::ResWindowTitle(res::kStrMeasurementsTitle));
    model_ = ownModel_ = new core::JournalModel(journal_, this);
    table_ = new QTableView(this);
    table_->setObjectName("measurements");
    table_->setModel(model_);
    table_->setItemDelegate(new UnwrittenDelegate(table_));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    // Rows of one height: the view never asks every row for its size.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->horizontalHeader()->setSectionResizeMode(ValuesColumn, QHeaderView::Stretch);
    FitOutcomeColumnToItsHeading();
    table_->horizontalHeader()->setSortIndicator(DateColumn, Qt::DescendingOrder);
    table_->setSortingEnabled(true);
    connect(table_->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this, [this] { KeepSortIndicator(); });

    writeButton_ = Button(this, res::kStrWrite, "writeButton");
    copyButton_ = Button(this, res::kStrCopy, "copyButton");
    exportButton_ = Button(this, res::kStrExport, "exportButton");
    cgatsButton_ = Button(this, res::kStrExportCgats, "cgatsButton");
    deleteButton_ = Button(this, res::kStrDelete, "deleteButton");
    QPushButton *close = Button(this, res::kStrClose, "closeButton");
    connect(writeButton_, &QPushButton::clicked, this, [this] { WriteSelected(); });
    connect(copyButton_, &QPushButton::clicked, this, [this] { CopySelected(); });
    connect(exportButton_, &QPushButton::clicked, this, [this] { ExportSelected(); });
    connect(cgatsButton_, &QPushButton::clicked, this, [this] { ExportSelectedCgats(); });
    connect(deleteButton_, &QPushButton::clicked, this, [this] { DeleteSelected(); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    ConnectModel();
    panel_ = new ResultPanel(this);
    secondPanel_ = new ResultPanel(this);
    secondPanel_->setObjectName("resultPanel2");
    secondPanel_->hide();

    auto *buttons = buttons_ = new QHBoxLayout;
    for (QPushButton *b : {writeButton_, copyButton_, exportButton_, cgatsButton_, deleteButton_}) buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(MakeFilterBar());
    layout->addWidget(table_, 1);
    auto *panels = new QHBoxLayout;
    panels->addWidget(panel_);
    panels->addWidget(secondPanel_);
    layout->addLayout(panels);
    layout->addLayout(buttons);
    resize(900, 700);
    shown_->setText(Filled(res::kStrShown, {QString::number(model_->rowCount())}));
    UpdateButtons();
}

// The selection and the rows of the model shown keep the buttons, the panels and the count up
// to date.
void MeasurementsDlg::ConnectModel() {
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        UpdateButtons();
        ShowSelectedInPanels();
    });
    connect(model_, &QAbstractItemModel::modelReset, this, &MeasurementsDlg::ShowRowCount);
}

void MeasurementsDlg::ShowRowCount() {
    shown_->setText(Filled(res::kStrShown, {QString::number(model_->rowCount())}));
    UpdateButtons();
    ShowSelectedInPanels();
}

// The first two selected rows from the top, the older one first: read from the selection's
// ranges, so that a selection of every row of a large journal costs no more than one of two.
std::vector<core::JournalEntry> MeasurementsDlg::FirstSelectedEntries() const {
    std::set<int> rows;
    for (const QItemSelectionRange &range : table_->selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom() && row < range.top() + 2; ++row) rows.insert(row);
    std::vector<core::JournalEntry> entries;
    for (int row : rows) {
        if (entries.size() == 2) break;
        if (std::optional<core::JournalEntry> entry = Shown().Entry(model_->IdAt(row))) entries.push_back(std::move(*entry));
    }
    std::sort(entries.begin(), entries.end(), [](const core::JournalEntry &a, const core::JournalEntry &b) { return a.id < b.id; });
    return entries;
}

void MeasurementsDlg::ShowSelectedInPanels() {
    const std::vector<core::JournalEntry> selected = FirstSelectedEntries();
    secondPanel_->setVisible(selected.size() >= 2);
    if (selected.empty()) {
        panel_->Clear();
        return;
    }
    const core::ResultSummary first = core::SummariseEntry(selected[0]);
    if (selected.size() == 1) {
        panel_->Show(first);
        return;
    }
    const core::ResultSummary second = core::SummariseEntry(selected[1]);
    panel_->Show(first, &second.spectrum);
    secondPanel_->Show(second, &first.spectrum);
}

// Search, recorded days, outcome and the value columns, above the table.
QLayout *MeasurementsDlg::MakeFilterBar() {
    search_ = new QLineEdit(this);
    search_->setObjectName("search");
    search_->setPlaceholderText(core::platform::ResQString(res::kStrSearch));
    search_->setClearButtonEnabled(true);
    searchPause_ = new QTimer(this);
    searchPause_->setSingleShot(true);
    searchPause_->setInterval(kSearchPauseMs);
    connect(searchPause_, &QTimer::timeout, this, &MeasurementsDlg::ApplyFilter);
    connect(search_, &QLineEdit::textChanged, searchPause_, qOverload<>(&QTimer::start));
    connect(search_, &QLineEdit::returnPressed, this, &MeasurementsDlg::ApplyFilter);
    auto dateFilter = [this](QCheckBox *&check, QDateEdit *&edit, int textId, const char *name) {
        check = new QCheckBox(core::platform::ResQString(textId), this);
        check->setObjectName(QString::fromLatin1(name) + "Check");
        edit = new QDateEdit(QDate::currentDate(), this);
        edit->setObjectName(QString::fromLatin1(name) + "Date");
        edit->setCalendarPopup(true);
        edit->setEnabled(false);
        connect(check, &QCheckBox::toggled, edit, &QWidget::setEnabled);
        connect(check, &QCheckBox::toggled, this, &MeasurementsDlg::ApplyFilter);
        connect(edit, &QDateEdit::dateChanged, this, &MeasurementsDlg::ApplyFilter);
    };
    dateFilter(fromCheck_, from_, res::kStrFrom, "from");
    dateFilter(toCheck_, to_, res::kStrTo, "to");
    outcome_ = new QComboBox(this);
    outcome_->setObjectName("outcomeFilter");
    using K = core::TransferResult;
    const std::pair<int, std::vector<K>> choices[] = {
        {res::kStrEveryOutcome, {}},
        {res::kStrUnwritten, {K::Pending, K::NotWritten, K::PartlyWritten, K::OutsideSheet}},
        {res::kStrWrittenFilter, {K::Written}},
        {res::kStrNotWritten, {K::NotWritten}},
        {res::kStrPartlyWrittenFilter, {K::PartlyWritten}},
        {res::kStrRefused, {K::OutsideSheet}},
        {res::kStrPending, {K::Pending}}};
    for (const auto &[textId, kinds] : choices) {
        QVariantList list;
        for (K kind : kinds) list << static_cast<int>(kind);
        outcome_->addItem(core::platform::ResQString(textId), list);
    }
    connect(outcome_, &QComboBox::currentIndexChanged, this, &MeasurementsDlg::ApplyFilter);
    columnsButton_ = new QToolButton(this);
    columnsButton_->setObjectName("columnsButton");
    columnsButton_->setText(core::platform::ResQString(res::kStrColumns));
    columnsButton_->setPopupMode(QToolButton::InstantPopup);
    columnsButton_->setMenu(new QMenu(columnsButton_));
    connect(columnsButton_->menu(), &QMenu::aboutToShow, this, &MeasurementsDlg::ShowColumnsMenu);
    shown_ = new QLabel(this);
    shown_->setObjectName("shownCount");

    auto *bar = filterBar_ = new QHBoxLayout;
    bar->addWidget(search_, 1);
    for (QWidget *w : std::initializer_list<QWidget *>{fromCheck_, from_, toCheck_, to_, outcome_, columnsButton_, shown_})
        bar->addWidget(w);
    return bar;
}

void MeasurementsDlg::ApplyFilter() {
    searchPause_->stop();
    // Every station's measurements come from the server, read again for the new filter.
    if (allStations_) {
        LoadAllStations();
        return;
    }
    model_->SetFilter(CurrentFilter());
}

core::JournalFilter MeasurementsDlg::CurrentFilter() const {
    core::JournalFilter filter;
    filter.text = search_->text().trimmed();
    if (fromCheck_->isChecked()) filter.from = from_->date();
    if (toCheck_->isChecked()) filter.to = to_->date();
    for (const QVariant &kind : outcome_->currentData().toList())
        filter.outcomes.push_back(static_cast<core::TransferResult>(kind.toInt()));
    return filter;
}

// The values of the newest measurements, each with a check mark when it has a column.
void MeasurementsDlg::ShowColumnsMenu() {
    QMenu *menu = columnsButton_->menu();
    menu->clear();
    const std::vector<core::JournalValueColumn> shown = model_->ValueColumns();
    for (const core::JournalValueColumn &column : model_->AvailableValueColumns()) {
        QAction *action = menu->addAction(QString::fromStdString(column.label));
        action->setCheckable(true);
        action->setChecked(std::find(shown.begin(), shown.end(), column) != shown.end());
        connect(action, &QAction::toggled, this, [this, column](bool on) {
            std::vector<core::JournalValueColumn> columns = model_->ValueColumns();
            std::erase(columns, column);
            if (on) columns.push_back(column);
            model_->SetValueColumns(columns);
        });
    }
}

// The outcome's heading (with room for the sort arrow) is never cut; the values column stretches.
void MeasurementsDlg::FitOutcomeColumnToItsHeading() {
    constexpr int kHeadingMargins = 32;
    QHeaderView *header = table_->horizontalHeader();
    const QString heading = model_->headerData(OutcomeColumn, Qt::Horizontal).toString();
    const int needed = header->fontMetrics().horizontalAdvance(heading) + kHeadingMargins;
    if (header->sectionSize(OutcomeColumn) < needed) header->resizeSection(OutcomeColumn, needed);
}

// The value columns keep the order there is: the header's arrow goes back to the column sorted.
void MeasurementsDlg::KeepSortIndicator() {
    QHeaderView *header = table_->horizontalHeader();
    if (header->sortIndicatorSection() == model_->SortColumn() && header->sortIndicatorOrder() == model_->SortOrder())
        return;
    if (core::JournalModel::IsSortable(header->sortIndicatorSection()) && header->sortIndicatorSection() != TimeColumn) return;
    const QSignalBlocker block(header);
    header->setSortIndicator(model_->SortColumn(), model_->SortOrder());
}

core::JournalEntry MeasurementsDlg::EntryAt(int row) const { return Shown().Entry(model_->IdAt(row)).value_or(core::JournalEntry{}); }

void MeasurementsDlg::Reload() {
    const std::vector<qint64> selected = SelectedIds();
    model_->Reload();
    SelectIds(selected);
}

// Neighbouring rows go in as one range: a selection of many single rows is slow to change.
void MeasurementsDlg::SelectIds(const std::vector<qint64> &ids) {
    const std::vector<int> rows = model_->RowsOfIds(ids);
    QItemSelection selection;
    const int last = model_->columnCount() - 1;
    for (size_t i = 0; i < rows.size(); ++i) {
        const int first = rows[i];
        while (i + 1 < rows.size() && rows[i + 1] == rows[i] + 1) ++i;
        selection.select(model_->index(first, 0), model_->index(rows[i], last));
    }
    table_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    UpdateButtons();
}

std::vector<qint64> MeasurementsDlg::SelectedIds() const {
    std::vector<std::pair<int, int>> ranges;
    if (!table_) return {};
    for (const QItemSelectionRange &range : table_->selectionModel()->selection())
        ranges.emplace_back(range.top(), range.bottom());
    std::vector<qint64> ids = model_->IdsOfRows(std::move(ranges));
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

std::vector<core::JournalEntry> MeasurementsDlg::SelectedEntries(size_t limit) const {
    std::vector<qint64> ids = SelectedIds();
    if (ids.size() > limit) ids.resize(limit);
    return Shown().Entries(ids);
}

void MeasurementsDlg::reject() {
    if (!busy_) QDialog::reject();
}

void MeasurementsDlg::UpdateButtons() {
    const bool any = table_->selectionModel()->hasSelection();
    for (QPushButton *b : {writeButton_, copyButton_, exportButton_, cgatsButton_, deleteButton_}) b->setEnabled(any);
    // Another station's measurements are its own to write or delete.
    for (QPushButton *b : {writeButton_, deleteButton_}) b->setEnabled(any && !allStations_);
    if (referenceButton_) referenceButton_->setEnabled(OneRowSelected());
}

void MeasurementsDlg::OfferUseAsReference(core::ReferenceStore &store) {
    references_ = &store;
    if (referenceButton_) return;
    referenceButton_ = Button(this, res::kStrUseAsReference, "referenceButton");
    connect(referenceButton_, &QPushButton::clicked, this, [this] { UseSelectedAsReference(); });
    buttons_->insertWidget(5, referenceButton_);
    UpdateButtons();
}

// Exactly one row, told from the selection's ranges without listing the rows of a large one.
bool MeasurementsDlg::OneRowSelected() const {
    const QItemSelection selection = table_->selectionModel()->selection();
    if (selection.isEmpty()) return false;
    const int row = selection.first().top();
    return std::all_of(selection.begin(), selection.end(),
                       [row](const QItemSelectionRange &r) { return r.top() == row && r.bottom() == row; });
}

bool MeasurementsDlg::UseSelectedAsReference() {
    const std::vector<core::JournalEntry> selected = SelectedEntries(2);
    if (!references_ || selected.size() != 1) return false;
    const core::JournalEntry &entry = selected.front();
    const std::optional<core::Reference> reference = core::ReferenceOfJournalEntry({}, entry);
    if (!reference) {
        QApplication::beep();  // an irradiance measurement, or one without L*a*b*
        return false;
    }
    return UseAsReference(this, *references_, *reference, entry.date + " " + entry.time);
}

bool MeasurementsDlg::RunRows(int count, int labelId, const std::function<bool(int)> &step,
                              const std::function<bool()> &aside) {
    QProgressDialog progress(Filled(labelId, {QStringLiteral("1"), QString::number(count)}),
                             core::platform::ResQString(res::kStrCancel), 0, count, this);
    progress.setObjectName("progress");
    progress.setWindowTitle(core::platform::ResWindowTitle(res::kStrMeasurementsTitle));
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
    if (busy_ || !write_ || allStations_) return 0;
    const std::vector<qint64> ids = SelectedIds();
    if (ids.empty()) return 0;
    BusyFlag busy(busy_);
    EntryFeed feed(journal_, ids);
    int written = 0;
    bool noWorkbook = false;
    RunRows(static_cast<int>(ids.size()), res::kStrWriting, [&](int i) {
        const core::JournalEntry *entry = feed.At(static_cast<size_t>(i));
        if (!entry) return true;  // deleted meanwhile
        const core::TransferOutcome outcome = write_(*entry);
        journal_.SetOutcome(entry->id, outcome);
        // The next measurement starts where this one ended: after a failure there is no such place.
        if (!outcome.written()) {
            noWorkbook = outcome.foundNoWorkbook();
            return false;
        }
        ++written;
        return true;
    });
    // The rows stay where they are unless the filter or the order sends some elsewhere.
    if (model_->RowsChanged())
        Reload();
    else
        model_->RefreshShown();
    if (noWorkbook)
        platform::ShowMessageBox(this, core::platform::ResString(res::kStrNoWorkbook), core::platform::ResString(res::kStrMessageCaption),
                                 core::platform::mb::ICONINFORMATION);
    return written;
}

QString MeasurementsDlg::CopySelected() {
    if (busy_) return {};
    const std::vector<qint64> ids = SelectedIds();
    if (ids.empty()) return {};
    BusyFlag busy(busy_);
    EntryFeed feed(Shown(), ids, true);
    std::string text;
    std::vector<std::string> lastHeader;
    const bool complete = RunRows(static_cast<int>(ids.size()), res::kStrCopying, [&](int i) {
        if (const core::JournalEntry *entry = feed.At(static_cast<size_t>(i))) AppendRecord(text, lastHeader, *entry, core::TsvLine);
        return true;
    });
    if (!complete) return {};
    const QString copied = QString::fromStdString(text);
    if (!copied.isEmpty()) QApplication::clipboard()->setText(copied);
    return copied;
}

bool MeasurementsDlg::ExportSelected() {
    if (busy_) return false;
    const std::vector<qint64> ids = SelectedIds();
    if (ids.empty()) return false;
    BusyFlag busy(busy_);
    platform::FileDialogRequest request;
    request.save = true;
    request.filter = core::platform::ResString(res::kStrCsvFilter);
    request.defaultExtension = "csv";
    request.fileName = core::platform::ResString(res::kStrExportName) + ".csv";
    const std::optional<std::string> path = platform::ShowFileDialog(this, request);
    if (!path) return false;
    // The records stream into the file a chunk at a time; the file replaces the old one only
    // once all of it is on the disk (on a worker thread).
    core::platform::AtomicFileWriter file(*path);
    std::string csv, error;
    std::vector<std::string> lastHeader;
    EntryFeed feed(Shown(), ids, true);
    bool failed = !file.Open(&error);
    const bool complete = !failed && RunRows(
        static_cast<int>(ids.size()), res::kStrExporting,
        [&](int i) {
            if (const core::JournalEntry *entry = feed.At(static_cast<size_t>(i))) AppendRecord(csv, lastHeader, *entry, core::CsvLine);
            if (csv.size() < kExportChunk) return true;
            failed = !file.Append(csv, &error);
            csv.clear();
            return !failed;
        },
        [&] {
            failed = !file.Append(csv, &error) || !file.Commit(&error);
            return !failed;
        });
    if (!complete && !failed) return false;  // cancelled
    if (!complete) {
        platform::ShowMessageBox(this, Filled(res::kStrFileNotWrittenBecause, {QString::fromStdString(*path), QString::fromStdString(error)}).toStdString(),
                                 core::platform::ResString(res::kStrMessageCaption), core::platform::mb::ICONERROR);
        return false;
    }
    return true;
}

// The entries are gathered in steps; the text is made and written on the worker thread.
bool MeasurementsDlg::ExportSelectedCgats() {
    if (busy_) return false;
    const std::vector<qint64> ids = SelectedIds();
    if (ids.empty()) return false;
    BusyFlag busy(busy_);
    platform::FileDialogRequest request;
    request.save = true;
    request.filter = core::platform::ResString(res::kStrCgatsFilter);
    request.defaultExtension = "txt";
    request.fileName = core::platform::ResString(res::kStrExportName) + ".txt";
    const std::optional<std::string> path = platform::ShowFileDialog(this, request);
    if (!path) return false;
    std::vector<core::JournalEntry> entries;
    EntryFeed feed(Shown(), ids);
    std::string error;
    bool writing = false;
    const bool complete = RunRows(
        static_cast<int>(ids.size()), res::kStrExporting,
        [&](int i) {
            if (const core::JournalEntry *entry = feed.At(static_cast<size_t>(i))) entries.push_back(*entry);
            return true;
        },
        [&] {
            writing = true;
            return core::platform::WriteFileAtomically(*path, core::CgatsOfEntries(entries, core::CgatsCreatedNow()), &error);
        });
    if (!complete && writing)
        platform::ShowMessageBox(this, Filled(res::kStrFileNotWrittenBecause, {QString::fromStdString(*path), QString::fromStdString(error)}).toStdString(),
                                 core::platform::ResString(res::kStrMessageCaption), core::platform::mb::ICONERROR);
    return complete;
}

int MeasurementsDlg::DeleteSelected() {
    if (busy_ || allStations_) return 0;
    const std::vector<qint64> ids = SelectedIds();
    if (ids.empty()) return 0;
    const std::string question = Filled(res::kStrConfirmDelete, {QString::number(ids.size())}).toStdString();
    if (platform::ShowMessageBox(this, question, core::platform::ResString(res::kStrMessageCaption),
                                 core::platform::mb::ICONQUESTION | core::platform::mb::YESNO) != core::platform::mb::IDYES)
        return 0;
    BusyFlag busy(busy_);
    table_->clearSelection();
    size_t done = 0;
    int removed = 0;
    RunRows(static_cast<int>(ids.size()), res::kStrDeleting, [&](int i) {
        const size_t end = static_cast<size_t>(i) + 1;
        if (end - done < kDeleteBatch && end < ids.size()) return true;
        const int deleted = journal_.Delete({ids.begin() + static_cast<std::ptrdiff_t>(done),
                                             ids.begin() + static_cast<std::ptrdiff_t>(end)});
        if (deleted == 0) return false;  // the journal failed and said so
        removed += deleted;
        done = end;
        return true;
    });
    model_->Reload();
    // What a cancel left stays selected.
    SelectIds({ids.begin() + static_cast<std::ptrdiff_t>(done), ids.end()});
    return removed;
}

void RunMeasurementsWindow(QWidget *parent, core::MeasurementJournal &journal, core::WriteEntryFunction write,
                           core::ReferenceStore *references, const core::ServerAddress *server) {
    MeasurementsDlg dlg(journal, std::move(write), parent);
    if (references) dlg.OfferUseAsReference(*references);
    if (server) dlg.OfferAllStations(*server);
    dlg.exec();
}

}  // namespace ombra::ui
