#include "ui/output/LayoutPreviewPane.h"

#include <algorithm>

#include <QAbstractTableModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"

namespace ombra::ui {
namespace {

constexpr int kIsNextRole = Qt::UserRole + 1;
// Like a sheet's corner: never fewer columns and rows than these, and one empty beyond the cells.
constexpr int kMinColumns = 6;
constexpr int kMinRows = 5;
// Columns fit their texts within these widths; only the first ones are measured, so a long
// layout (a full selection across the sheet) costs no more than a short one.
constexpr int kMinColumnWidth = 64;
constexpr int kMaxColumnWidth = 260;
constexpr int kMeasuredColumns = 24;
const QColor kOutline(0x20, 0x20, 0x20);

QString ColumnLetters(int column) {
    QString s;
    for (int c = column; c > 0; c = (c - 1) / 26) s.prepend(QChar('A' + (c - 1) % 26));
    return s;
}

// Draws the outline of the cell where the next measurement begins.
class NextCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        if (!index.data(kIsNextRole).toBool()) return;
        painter->save();
        painter->setPen(QPen(kOutline, 2));
        painter->drawRect(option.rect.adjusted(1, 1, -1, -1));
        painter->restore();
    }
};

QLabel *LegendSwatch(const QColor &colour, QWidget *parent) {
    auto *swatch = new QLabel(parent);
    swatch->setFixedSize(14, 14);
    swatch->setAutoFillBackground(true);
    swatch->setStyleSheet(QStringLiteral("background:%1; border:1px solid #808080;").arg(colour.name()));
    return swatch;
}

}  // namespace

class LayoutPreviewModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void Set(core::LayoutPreview preview) {
        beginResetModel();
        preview_ = std::move(preview);
        columns_ = std::max(preview_.LastColumn() + 1, kMinColumns);
        rows_ = std::max(preview_.LastRow() + 1, kMinRows);
        endResetModel();
    }
    const core::LayoutPreview &Preview() const { return preview_; }

    int rowCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : columns_; }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole) return {};
        return orientation == Qt::Horizontal ? QVariant(ColumnLetters(section + 1)) : QVariant(section + 1);
    }

    QVariant data(const QModelIndex &index, int role) const override {
        const int column = index.column() + 1, row = index.row() + 1;
        if (role == kIsNextRole) return preview_.hasNext && preview_.nextColumn == column && preview_.nextRow == row;
        const core::PreviewCell *cell = preview_.CellAt(column, row);
        if (!cell) return {};
        switch (role) {
        case Qt::DisplayRole: return QString::fromStdString(cell->text);
        case Qt::ToolTipRole: return ColumnLetters(column) + QString::number(row) + ": " + QString::fromStdString(cell->text);
        case Qt::BackgroundRole: return LayoutPreviewPane::Tint(cell->measurement);
        case Qt::ForegroundRole: return QColor(cell->label ? 0x505050 : 0x000000);
        case Qt::FontRole: {
            QFont font;
            font.setItalic(cell->label);
            return font;
        }
        default: return {};
        }
    }

private:
    core::LayoutPreview preview_;
    int columns_ = kMinColumns;
    int rows_ = kMinRows;
};

LayoutPreviewPane::LayoutPreviewPane(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("preview"));
    model_ = new LayoutPreviewModel(this);
    grid_ = new QTableView(this);
    grid_->setObjectName(QStringLiteral("preview_grid"));
    grid_->setModel(model_);
    grid_->setItemDelegate(new NextCellDelegate(grid_));
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::NoSelection);
    grid_->setFocusPolicy(Qt::NoFocus);
    grid_->setWordWrap(false);
    grid_->horizontalHeader()->setDefaultSectionSize(kMinColumnWidth + 16);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->horizontalHeader()->setStretchLastSection(true);
    grid_->verticalHeader()->setDefaultSectionSize(20);
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->setMinimumHeight(7 * 20);

    warning_ = new QLabel(this);
    warning_->setObjectName(QStringLiteral("preview_warning"));
    warning_->setStyleSheet(QStringLiteral("color:#a00000;"));

    auto *legend = new QHBoxLayout;
    for (int measurement : {1, 2}) {
        legend->addWidget(LegendSwatch(Tint(measurement), this));
        legend->addWidget(new QLabel(core::platform::ResQString(res::kStrFirstMeasurementLegend + measurement - 1), this));
        legend->addSpacing(12);
    }
    legend->addWidget(new QLabel(core::platform::ResQString(res::kStrNextMeasurementLegend), this));
    legend->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(core::platform::ResQString(res::kStrPreviewHeading), this));
    layout->addWidget(grid_, 1);
    layout->addLayout(legend);
    layout->addWidget(warning_);
}

void LayoutPreviewPane::Show(core::LayoutPreview preview) {
    warning_->setText(QString::fromStdString(preview.warningText));
    model_->Set(std::move(preview));
    const int measured = std::min(model_->columnCount({}) - 1, kMeasuredColumns);
    for (int c = 0; c < measured; ++c) {
        grid_->resizeColumnToContents(c);
        grid_->setColumnWidth(c, std::clamp(grid_->columnWidth(c), kMinColumnWidth, kMaxColumnWidth));
    }
}

const core::LayoutPreview &LayoutPreviewPane::Preview() const { return model_->Preview(); }

QColor LayoutPreviewPane::Tint(int measurement) {
    return measurement == 1 ? QColor(0xd6, 0xe6, 0xfa) : QColor(0xfc, 0xe2, 0xc4);
}

}  // namespace ombra::ui
