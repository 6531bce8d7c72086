#include "core/output/JournalModel.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QTimeZone>
#include <algorithm>
#include <cstdlib>
#include <unordered_map>
#include <unordered_set>

#include "core/output/JournalTransfer.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {

namespace {

constexpr int kColumnTitles[] = {res::kStrDate, res::kStrTime, res::kStrInstrument, res::kStrValues, res::kStrOutcome};
constexpr int kValuesShown = 4;
// How many of the newest measurements tell which values can be given a column.
constexpr int kValueColumnSources = 20;

bool IsStamp(int identifier) { return identifier == 1035 || identifier == 1036; }

// The instant a local day begins, as the journal writes its recording instants.
QString DayStartUtc(const QDate &day) {
    return QDateTime(day, QTime(0, 0), QTimeZone::systemTimeZone()).toUTC().toString(Qt::ISODateWithMs);
}

QString LikePattern(const QString &text) {
    QString escaped = text;
    escaped.replace('\\', "\\\\").replace('%', "\\%").replace('_', "\\_");
    return '%' + escaped + '%';
}

}  // namespace

QString FirstValuesText(const OutputItemList &valueItems) {
    QStringList parts;
    int shown = 0;
    for (const OutputItem &item : valueItems) {
        if (IsStamp(item.identifier)) continue;
        if (shown++ == kValuesShown) {
            parts << QStringLiteral("…");
            break;
        }
        parts << QString::fromStdString(item.label + " " + item.valueText);
    }
    return parts.join(QStringLiteral("   "));
}

JournalModel::JournalModel(MeasurementJournal &journal, QObject *parent) : QAbstractTableModel(parent), journal_(journal) {
    count_ = Count();
}

int JournalModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : count_; }

int JournalModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : FixedColumns + static_cast<int>(valueColumns_.size());
}

QVariant JournalModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0) return {};
    if (section < FixedColumns) return platform::ResQString(kColumnTitles[section]);
    const size_t value = static_cast<size_t>(section - FixedColumns);
    return value < valueColumns_.size() ? QVariant(QString::fromStdString(valueColumns_[value].label)) : QVariant();
}

QVariant JournalModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != UnwrittenRole && role != IdRole && role != WithdrawnRole))
        return {};
    const Row *row = RowAt(index.row());
    if (!row) return {};
    if (role == UnwrittenRole) return row->outcome.unwritten();
    if (role == WithdrawnRole) return row->withdrawn;
    if (role == IdRole) return row->id;
    switch (index.column()) {
    case DateColumn: return row->date;
    case TimeColumn: return row->time;
    case InstrumentColumn: return row->instrument;
    case ValuesColumn: return FirstValuesText(row->values);
    case OutcomeColumn: return QString::fromStdString(OutcomeText(row->outcome));
    default: break;
    }
    const size_t value = static_cast<size_t>(index.column() - FixedColumns);
    return value < valueColumns_.size() ? QVariant(ValueText(*row, valueColumns_[value].identifier)) : QVariant();
}

QString JournalModel::ValueText(const Row &row, int identifier) const {
    for (const OutputItem &item : row.values)
        if (item.identifier == identifier) return QString::fromStdString(item.valueText);
    return {};
}

void JournalModel::sort(int column, Qt::SortOrder order) {
    if (!IsSortable(column)) return;
    if (column == TimeColumn) column = DateColumn;  // the same order: the instant of recording
    if (column == sortColumn_ && order == order_) return;
    sortColumn_ = column;
    order_ = order;
    Reload();
}

void JournalModel::SetFilter(const JournalFilter &filter) {
    if (filter == filter_) return;
    filter_ = filter;
    Reload();
}

void JournalModel::SetValueColumns(std::vector<JournalValueColumn> columns) {
    if (columns == valueColumns_) return;
    beginResetModel();
    valueColumns_ = std::move(columns);
    endResetModel();
}

std::vector<JournalValueColumn> JournalModel::AvailableValueColumns() const {
    std::vector<JournalValueColumn> columns;
    const QString connection = journal_.Connection();
    if (connection.isEmpty()) return columns;
    QSqlQuery q(QSqlDatabase::database(connection, false));
    q.setForwardOnly(true);
    if (!q.exec(QString("SELECT value_items FROM measurements ORDER BY id DESC LIMIT %1").arg(kValueColumnSources)))
        return columns;
    std::unordered_set<int> seen;
    while (q.next()) {
        for (const OutputItem &item : JournalItemsFromJson(q.value(0).toString()))
            if (!IsStamp(item.identifier) && seen.insert(item.identifier).second)
                columns.push_back({item.identifier, item.label});
    }
    return columns;
}

void JournalModel::Reload() {
    beginResetModel();
    pages_.clear();
    count_ = Count();
    endResetModel();
}

void JournalModel::RefreshShown() {
    pages_.clear();
    if (count_ > 0) emit dataChanged(index(0, 0), index(count_ - 1, columnCount() - 1));
}

// Each order has a covering index whose columns come in the order's own order: the database
// walks it and finds a page by its neighbour's key without reading the rows before it.
const JournalModel::Order &JournalModel::CurrentOrder() const {
    static const Order byTime{"measurements_by_time", {"recorded_utc", "id"}};
    static const Order byInstrument{"measurements_by_instrument", {"model", "serial", "recorded_utc", "id"}};
    static const Order byOutcome{"measurements_by_outcome", {"outcome", "recorded_utc", "id"}};
    if (sortColumn_ == InstrumentColumn) return byInstrument;
    if (sortColumn_ == OutcomeColumn) return byOutcome;
    return byTime;
}

QString JournalModel::Where(const QString &extra) const {
    QStringList conditions;
    if (!filter_.outcomes.empty()) {
        QStringList kinds;
        for (TransferResult kind : filter_.outcomes) kinds << QString::number(static_cast<int>(kind));
        conditions << QString("outcome IN (%1)").arg(kinds.join(','));
    }
    if (filter_.from) conditions << "recorded_utc >= ?";
    if (filter_.to) conditions << "recorded_utc < ?";
    if (!filter_.text.isEmpty())
        conditions << "id IN (SELECT id FROM measurement_text WHERE text LIKE ? ESCAPE '\\')";
    if (!extra.isEmpty()) conditions << extra;
    return conditions.isEmpty() ? QString() : " WHERE " + conditions.join(" AND ");
}

void JournalModel::BindFilter(QSqlQuery &query) const {
    if (filter_.from) query.addBindValue(DayStartUtc(*filter_.from));
    if (filter_.to) query.addBindValue(DayStartUtc(filter_.to->addDays(1)));
    if (!filter_.text.isEmpty()) query.addBindValue(LikePattern(filter_.text));
}

QString JournalModel::OrderBy(bool reversed) const {
    const bool descending = (order_ == Qt::DescendingOrder) != reversed;
    QStringList keys;
    for (const char *key : CurrentOrder().keys) keys << QString("%1 %2").arg(key, descending ? "DESC" : "ASC");
    return " ORDER BY " + keys.join(", ");
}

int JournalModel::Count() const {
    const QString connection = journal_.Connection();
    if (connection.isEmpty()) return 0;
    QSqlQuery q(QSqlDatabase::database(connection, false));
    q.prepare("SELECT count(*) FROM measurements" + Where());
    BindFilter(q);
    return q.exec() && q.next() ? q.value(0).toInt() : 0;
}

const JournalModel::Row *JournalModel::RowAt(int row) const {
    if (row < 0 || row >= count_) return nullptr;
    const Page &page = PageAt(row / kPageRows);
    const size_t at = static_cast<size_t>(row % kPageRows);
    return at < page.rows.size() ? &page.rows[at] : nullptr;
}

const JournalModel::Page &JournalModel::PageAt(int number) const {
    for (auto it = pages_.begin(); it != pages_.end(); ++it) {
        if (it->number != number) continue;
        pages_.splice(pages_.begin(), pages_, it);
        return pages_.front();
    }
    Page page;
    page.number = number;
    const int first = number * kPageRows;
    ReadRows(page, ReadKeys(first, std::min(kPageRows, count_ - first)));
    ++pagesRead_;
    pages_.push_front(std::move(page));
    if (pages_.size() > kCachedPages) pages_.pop_back();
    return pages_.front();
}

// The ids and sort keys of `count` rows from `first`: after the last key of the page before or
// before the first key of the page after when one is held, else counted from the nearer end.
std::vector<std::pair<qint64, QVariantList>> JournalModel::ReadKeys(int first, int count) const {
    std::vector<std::pair<qint64, QVariantList>> keys;
    const QString connection = journal_.Connection();
    if (connection.isEmpty() || count <= 0) return keys;
    const Page *before = nullptr, *after = nullptr;
    for (const Page &page : pages_) {
        if (page.rows.empty()) continue;
        if (page.number * kPageRows + static_cast<int>(page.rows.size()) == first) before = &page;
        if (page.number * kPageRows == first + count) after = &page;
    }
    const bool reversed = !before && (after || first - 0 > count_ - (first + count));
    const QVariantList *seek = before ? &before->rows.back().key : after ? &after->rows.front().key : nullptr;
    QString condition;
    if (seek) {
        QStringList names, marks;
        for (const char *key : CurrentOrder().keys) {
            names << key;
            marks << "?";
        }
        const bool descending = (order_ == Qt::DescendingOrder) != reversed;
        condition = QString("(%1) %2 (%3)").arg(names.join(", "), descending ? "<" : ">", marks.join(", "));
    }
    QStringList columns{"id"};
    for (const char *key : CurrentOrder().keys) columns << key;
    QSqlQuery q(QSqlDatabase::database(connection, false));
    q.setForwardOnly(true);
    q.prepare(QString("SELECT %1 FROM measurements INDEXED BY %2").arg(columns.join(", "), CurrentOrder().index) +
              Where(condition) + OrderBy(reversed) + " LIMIT ? OFFSET ?");
    BindFilter(q);
    if (seek)
        for (const QVariant &value : *seek) q.addBindValue(value);
    q.addBindValue(count);
    q.addBindValue(seek ? 0 : reversed ? count_ - (first + count) : first);
    if (!q.exec()) return keys;
    const int width = static_cast<int>(CurrentOrder().keys.size());
    while (q.next()) {
        QVariantList key;
        for (int c = 1; c <= width; ++c) key << q.value(c);
        keys.emplace_back(q.value(0).toLongLong(), std::move(key));
    }
    if (reversed) std::reverse(keys.begin(), keys.end());
    return keys;
}

void JournalModel::ReadRows(Page &page, const std::vector<std::pair<qint64, QVariantList>> &keys) const {
    const QString connection = journal_.Connection();
    if (connection.isEmpty() || keys.empty()) return;
    QStringList ids;
    for (const auto &key : keys) ids << QString::number(key.first);
    QSqlQuery q(QSqlDatabase::database(connection, false));
    q.setForwardOnly(true);
    if (!q.exec(QString("SELECT id, date_text, time_text, model, serial, outcome, workbook, sheet, first_cell, last_cell,"
                        " value_items, withdrawn FROM measurements WHERE id IN (%1)")
                    .arg(ids.join(','))))
        return;
    std::unordered_map<qint64, Row> read;
    while (q.next()) {
        Row row;
        row.id = q.value(0).toLongLong();
        row.date = q.value(1).toString();
        row.time = q.value(2).toString();
        row.instrument = q.value(3).toString() + ' ' + q.value(4).toString();
        row.outcome = KeptOutcome(q.value(5).toInt(), q.value(6).toString().toStdString(),
                                  q.value(7).toString().toStdString(), q.value(8).toString().toStdString(),
                                  q.value(9).toString().toStdString());
        row.values = JournalItemsFromJson(q.value(10).toString());
        row.withdrawn = q.value(11).toInt() != 0;
        const qint64 id = row.id;
        read.emplace(id, std::move(row));
    }
    // A row deleted since the count was made leaves the page short; the next reload counts again.
    for (const auto &[id, key] : keys) {
        auto it = read.find(id);
        if (it == read.end()) continue;
        it->second.key = key;
        page.rows.push_back(std::move(it->second));
    }
}

qint64 JournalModel::IdAt(int row) const {
    const Row *r = RowAt(row);
    return r ? r->id : 0;
}

// The ids of `count` rows from `first` (all when count < 0) in the order shown. They come as one
// text from the database: stepping through them there costs a small part of stepping through
// them one row at a time here.
std::vector<qint64> JournalModel::IdsInOrder(int first, int count) const {
    std::vector<qint64> ids;
    const QString connection = journal_.Connection();
    if (connection.isEmpty()) return ids;
    QSqlQuery q(QSqlDatabase::database(connection, false));
    q.setForwardOnly(true);
    // One row holding every id, as bytes: a text would be turned into UTF-16 twice over, which
    // for a million rows costs more memory than the window's whole working set.
    q.prepare(QString("SELECT CAST(group_concat(id) AS BLOB) FROM (SELECT id FROM measurements INDEXED BY %1")
                  .arg(CurrentOrder().index) +
              Where() + OrderBy(false) + " LIMIT ? OFFSET ?)");
    BindFilter(q);
    q.addBindValue(count);
    q.addBindValue(first);
    if (!q.exec() || !q.next()) return ids;
    const QByteArray text = q.value(0).toByteArray();
    q.finish();
    ids.reserve(static_cast<size_t>(count >= 0 ? count : std::max(0, count_ - first)));
    const char *at = text.constData(), *end = at + text.size();
    while (at < end) {
        char *next = nullptr;
        ids.push_back(std::strtoll(at, &next, 10));
        at = next + 1;
    }
    return ids;
}

std::vector<qint64> JournalModel::IdsOfRows(std::vector<std::pair<int, int>> ranges) const {
    std::vector<qint64> ids;
    std::erase_if(ranges, [this](const auto &r) { return r.second < r.first || r.first >= count_ || r.second < 0; });
    if (ranges.empty()) return ids;
    std::sort(ranges.begin(), ranges.end());
    const int first = std::max(0, ranges.front().first);
    int last = first;
    for (const auto &r : ranges) last = std::max(last, std::min(r.second, count_ - 1));
    // One walk along the order's index from the first row to the last, keeping the rows asked for.
    std::vector<qint64> walked = IdsInOrder(first, last - first + 1);
    if (ranges.size() == 1) return walked;  // every row walked is asked for
    ids.reserve(walked.size());
    size_t range = 0;
    for (int row = first; row - first < static_cast<int>(walked.size()); ++row) {
        while (range < ranges.size() && ranges[range].second < row) ++range;
        if (range == ranges.size()) break;
        if (row >= ranges[range].first) ids.push_back(walked[static_cast<size_t>(row - first)]);
    }
    return ids;
}

std::vector<int> JournalModel::RowsOfIds(const std::vector<qint64> &ids) const {
    std::vector<int> rows;
    std::unordered_set<qint64> wanted(ids.begin(), ids.end());
    if (wanted.empty()) return rows;
    const std::vector<qint64> walked = IdsInOrder(0, -1);
    for (size_t row = 0; !wanted.empty() && row < walked.size(); ++row)
        if (wanted.erase(walked[row])) rows.push_back(static_cast<int>(row));
    return rows;
}

}  // namespace ombra::core
