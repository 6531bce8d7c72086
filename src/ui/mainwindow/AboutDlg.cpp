#include "mainwindow/AboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Resources.h"
#include "platform/ResourceImages.h"
#include "UiLayer.h"

namespace ombra::ui {
namespace {

constexpr int kIconMain = 128;
constexpr int kStrTitle = 2205;
constexpr int kStrProductName = 1200;  // the program's name, also the caption of its messages

}  // namespace

CAboutDlg::CAboutDlg(const QString &productVersion, QWidget *parent) : QDialog(parent) {
    setObjectName("dlg_100");
    setWindowTitle(platform::ResWindowTitle(kStrTitle));
    versionText_ = productVersion;

    auto *icon = new QLabel(this);
    icon->setObjectName("aboutIcon");
    const QPixmap pixmap = platform::ResPixmap(kIconMain);
    if (!pixmap.isNull()) icon->setPixmap(pixmap.scaled(48, 48, Qt::KeepAspectRatio, Qt::SmoothTransformation));

    auto *product = new QLabel(platform::ResQString(kStrProductName), this);
    product->setObjectName("aboutProduct");
    QFont bold = product->font();
    bold.setBold(true);
    product->setFont(bold);
    auto *version = new QLabel(productVersion, this);
    version->setObjectName("aboutVersion");
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("ctl_1");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *texts = new QVBoxLayout;
    texts->addWidget(product);
    texts->addWidget(version);
    auto *row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addLayout(texts, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace ombra::ui
