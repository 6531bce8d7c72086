#include "ui/instrument/ConnectInstDlg.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "corvexres/ResourceIds.h"
#include "ui/platform/MessageBox.h"

namespace ombra::ui {
namespace {

QString controlName(int id) { return QStringLiteral("ctl_%1").arg(id); }

QTableWidgetItem *centred(const QString &text) {
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

}  // namespace

CConnectInstDlg::CConnectInstDlg(const core::DeviceList &devices, QWidget *parent)
    : QDialog(parent), list_(new QTableWidget(this)), devices_(devices) {
    setObjectName(QStringLiteral("dlg_%1").arg(res::kDlgChooseInstrument));
    setWindowTitle(core::platform::ResWindowTitle(res::kStrChooseInstrumentTitle));
    list_->setObjectName(controlName(res::kCtlChooseInstrumentList));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    platform::NameStandardButtons(*buttons);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(controlName(1));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(controlName(2));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(buttons);
    fillList();
    resize(380, 260);
}

void CConnectInstDlg::fillList() {
    list_->setColumnCount(3);
    const int widths[] = {60, 120, 160};
    const QString headings[] = {QString(), core::platform::ResQString(res::kStrModel), core::platform::ResQString(res::kStrSerialNumber)};
    for (int column = 0; column < 3; ++column) {
        list_->setHorizontalHeaderItem(column, centred(headings[column]));
        list_->setColumnWidth(column, widths[column]);
    }
    list_->verticalHeader()->hide();
    list_->setShowGrid(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setRowCount(static_cast<int>(devices_.size()));
    int row = 0;
    for (const auto &[index, device] : devices_) {
        list_->setItem(row, 0, centred(QString::number(row + 1)));
        list_->setItem(row, 1, centred(QString::fromStdString(device.first)));
        list_->setItem(row, 2, centred(QString::fromStdString(device.second)));
        ++row;
    }
    list_->installEventFilter(this);
    // A click moves the mark too (the row the user sees selected is the one OK takes).
    connect(list_, &QTableWidget::currentCellChanged, this, [this](int current) {
        if (current >= 0) mark_ = current;
    });
    list_->setFocus();
    if (row > 0) {
        mark_ = -1;
        moveMark(1);
    }
}

// The mark stays inside the list, so OK can only name a listed instrument.
void CConnectInstDlg::moveMark(int step) {
    int rows = list_->rowCount();
    if (rows == 0) return;
    int next = std::clamp(mark_ + step, 0, rows - 1);
    mark_ = next;
    list_->setCurrentCell(next, 0);
    list_->selectRow(next);
}

bool CConnectInstDlg::eventFilter(QObject *watched, QEvent *event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            moveMark(key == Qt::Key_Up ? -1 : 1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CConnectInstDlg::accept() {
    core::Settings().identity.SetSelectedInstrument(mark_ >= 0 ? mark_ : 0);
    QDialog::accept();
}

bool RunConnectInstDlg(const core::DeviceList &devices, QWidget *parent) {
    CConnectInstDlg dialog(devices, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace ombra::ui
