// Header of the report list. It can carry a check box for "all rows" when the list runs in
// check-box mode; the program never switches that mode on, so it behaves as a plain header.
#pragma once

#include <QHeaderView>

namespace ombra::ui {

class CCheckHeadCtrl : public QHeaderView {
    Q_OBJECT
public:
    explicit CCheckHeadCtrl(QWidget *parent = nullptr);
};

}  // namespace ombra::ui
