// The data-items dialog's preview: a small read-only grid like the top-left corner of a sheet
// with the cells two measurements would fill, the first measurement's cells tinted apart from
// the second's, the cell where the next one begins outlined, and a one-line warning below.
#pragma once

#include <QWidget>

#include "core/output/LayoutPreview.h"

class QLabel;
class QTableView;

namespace ombra::ui {

class LayoutPreviewModel;

class LayoutPreviewPane : public QWidget {
    Q_OBJECT
public:
    explicit LayoutPreviewPane(QWidget *parent = nullptr);

    void Show(core::LayoutPreview preview);
    const core::LayoutPreview &Preview() const;

    // The tints of the first and the second measurement's cells.
    static QColor Tint(int measurement);

private:
    LayoutPreviewModel *model_ = nullptr;
    QTableView *grid_ = nullptr;
    QLabel *warning_ = nullptr;
};

}  // namespace ombra::ui
