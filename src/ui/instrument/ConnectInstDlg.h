// The choice among several usable instruments: one row per instrument with its number,
// model and serial number. OK stores the marked row in the settings' selectedInstrument.
#pragma once

#include <QDialog>

#include "core/instrument/DeviceEnumeration.h"

class QTableWidget;

namespace ombra::ui {

class CConnectInstDlg : public QDialog {
    Q_OBJECT
public:
    explicit CConnectInstDlg(const core::DeviceList &devices, QWidget *parent = nullptr);

    // The row that OK would store (-1 when the list is empty).
    int SelectionMark() const { return mark_; }

    void accept() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillList();
    void moveMark(int step);

    QTableWidget *list_;
    core::DeviceList devices_;
    int mark_ = -1;
};

// Shows the dialog modally; true on OK.
bool RunConnectInstDlg(const core::DeviceList &devices, QWidget *parent);

}  // namespace ombra::ui
