#include "ui/controls/CCheckHeadCtrl.h"

namespace ombra::ui {

CCheckHeadCtrl::CCheckHeadCtrl(QWidget *parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setHighlightSections(false);
    setSectionResizeMode(QHeaderView::Interactive);
    setStretchLastSection(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

}  // namespace ombra::ui
