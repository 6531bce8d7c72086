#include "controls/CCheckHeadCtrl.h"
#include "UiLayer.h"

namespace ombra::ui {

CCheckHeadCtrl::CCheckHeadCtrl(QWidget *parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setHighlightSections(false);
    setSectionResizeMode(QHeaderView::Interactive);
    setStretchLastSection(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

}  // namespace ombra::ui
