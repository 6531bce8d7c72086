// The measurement journal as a table model that reads only what is shown: the row count and
// the order come from the database, rows are fetched a page at a time into a small cache, and a
// page next to one already held is found from its neighbour's sort key (no counting from the
// start). Filters (text, recorded dates, outcomes) and the sort are the database's; any number
// of measurements costs the same to open and to scroll through.
#pragma once

#include <QAbstractTableModel>
#include <QSqlQuery>
#include <QDate>
#include <QString>
#include <QVariant>
#include <list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/output/MeasurementJournal.h"

namespace ombra::core {

struct JournalFilter {
    QString text;                         // found in the date, time, instrument or a value's text
    std::optional<QDate> from, to;        // recorded on these local days (both included)
    std::vector<TransferResult> outcomes;  // empty: every outcome
    bool operator==(const JournalFilter &) const = default;
};

// A value shown in a column of its own: the item's identifier and its label.
struct JournalValueColumn {
    int identifier = 0;
    std::string label;
    bool operator==(const JournalValueColumn &) const = default;
};

class JournalModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { DateColumn, TimeColumn, InstrumentColumn, ValuesColumn, OutcomeColumn, FixedColumns };
    // True for a measurement that did not reach a sheet completely (the view makes it stand out).
    static constexpr int UnwrittenRole = Qt::UserRole + 1;
    static constexpr int IdRole = Qt::UserRole + 2;
    static constexpr int WithdrawnRole = Qt::UserRole + 3;  // its cells were taken back from the sheet
    static constexpr int kPageRows = 100;
    static constexpr size_t kCachedPages = 8;

    explicit JournalModel(MeasurementJournal &journal, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Date and time sort by the instant of recording, the instrument by model and serial
    // number, the outcome by its kind; the value columns keep the order they have.
    void sort(int column, Qt::SortOrder order) override;
    static bool IsSortable(int column) { return column <= InstrumentColumn || column == OutcomeColumn; }
    int SortColumn() const { return sortColumn_; }
    Qt::SortOrder SortOrder() const { return order_; }

    void SetFilter(const JournalFilter &filter);
    const JournalFilter &Filter() const { return filter_; }
    void SetValueColumns(std::vector<JournalValueColumn> columns);
    const std::vector<JournalValueColumn> &ValueColumns() const { return valueColumns_; }
    // The values the newest measurements have, in their order: what can be given a column.
    std::vector<JournalValueColumn> AvailableValueColumns() const;

    // Counts and reads again (rows came or went); the view's selection ends.
    void Reload();
    // Reads the rows again where only what they show changed (an outcome): same rows, same places.
    void RefreshShown();

    // True when the journal holds other rows for the filter than those counted (or, sorted by
    // outcome, when outcomes changed: rows may have moved).
    bool RowsChanged() const { return sortColumn_ == OutcomeColumn || Count() != count_; }

    // The id of the measurement in a row (0 outside the rows).
    qint64 IdAt(int row) const;
    // The ids of the rows in these ranges (first, last; both included), in row order.
    std::vector<qint64> IdsOfRows(std::vector<std::pair<int, int>> ranges) const;
    // The rows of these ids, where they are shown (ids not shown are left out), lowest first.
    std::vector<int> RowsOfIds(const std::vector<qint64> &ids) const;
    // Database statements made for rows since the model was made (the pages read).
    int PagesRead() const { return pagesRead_; }

private:
    struct Row {
        qint64 id = 0;
        QVariantList key;  // the sort key's values
        QString date, time, instrument;
        TransferOutcome outcome;
        OutputItemList values;
        bool withdrawn = false;
    };
    struct Page {
        int number = 0;
        std::vector<Row> rows;
    };
    struct Order {
        const char *index;
        std::vector<const char *> keys;
    };

    const Order &CurrentOrder() const;
    // "WHERE ..." of the filter (empty when there is none), with `extra` added; binds in order.
    QString Where(const QString &extra = {}) const;
    void BindFilter(QSqlQuery &query) const;
    QString OrderBy(bool reversed) const;
    int Count() const;
    const Row *RowAt(int row) const;
    const Page &PageAt(int number) const;
    std::vector<std::pair<qint64, QVariantList>> ReadKeys(int first, int count) const;
    void ReadRows(Page &page, const std::vector<std::pair<qint64, QVariantList>> &keys) const;
    QString ValueText(const Row &row, int identifier) const;
    std::vector<qint64> IdsInOrder(int first, int count) const;

    MeasurementJournal &journal_;
    JournalFilter filter_;
    int sortColumn_ = DateColumn;
    Qt::SortOrder order_ = Qt::DescendingOrder;
    std::vector<JournalValueColumn> valueColumns_;
    int count_ = 0;
    mutable std::list<Page> pages_;  // most recently used first
    mutable int pagesRead_ = 0;
};

// The first values of an entry that are not its time stamp, "L* 95.12   a* -0.41   ...".
QString FirstValuesText(const OutputItemList &valueItems);

}  // namespace ombra::core
