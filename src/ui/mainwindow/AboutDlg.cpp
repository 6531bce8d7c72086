#include "mainwindow/AboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/MessageBox.h"
#include "platform/Resources.h"
#include "platform/ResourceImages.h"
#include "UiLayer.h"

namespace ombra::ui {
namespace {

constexpr int kIconMain = 128;
constexpr int kStrTitle = 2205;
constexpr int kStrProductName = 1200;  // the program's name, also the caption of its messages
constexpr int kStrVersion = 2270;
constexpr int kStrCopyright = 2271;
constexpr int kStrLicence = 2272;
constexpr int kStrQtVersion = 2273;
constexpr int kStrOffice = 2274;
constexpr int kStrNoOffice = 2275;
constexpr int kStrInstrument = 2276;  // model, serial number, firmware
constexpr int kStrNoInstrument = 2277;

QString InstrumentLine(const std::optional<ConnectedDevice> &device) {
    if (!device) return platform::ResQString(kStrNoInstrument);
    return platform::ResQString(kStrInstrument)
        .arg(QString::fromStdString(device->model), QString::fromStdString(device->serial),
             QString::fromStdString(device->firmware));
}

QString OfficeLine(const std::string &version) {
    return version.empty() ? platform::ResQString(kStrNoOffice)
                           : platform::ResQString(kStrOffice).arg(QString::fromStdString(version));
}

QLabel *FactLabel(const QString &text, const char *name, QWidget *parent) {
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

}  // namespace

CAboutDlg::CAboutDlg(const QString &productVersion, QWidget *parent, const AboutFacts &facts) : QDialog(parent) {
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
    QLabel *version = FactLabel(platform::ResQString(kStrVersion).arg(productVersion), "aboutVersion", this);
    const QList<QLabel *> factLabels = {
        FactLabel(platform::ResQString(kStrCopyright), "aboutCopyright", this),
        FactLabel(platform::ResQString(kStrLicence), "aboutLicence", this),
        FactLabel(platform::ResQString(kStrQtVersion).arg(QString::fromLatin1(qVersion())), "aboutQt", this),
        FactLabel(OfficeLine(facts.officeVersion), "aboutOffice", this),
        FactLabel(InstrumentLine(facts.instrument), "aboutInstrument", this)};

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    platform::NameStandardButtons(*buttons);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("ctl_1");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *texts = new QVBoxLayout;
    texts->addWidget(product);
    texts->addWidget(version);
    texts->addSpacing(6);
    for (QLabel *fact : factLabels) texts->addWidget(fact);
    auto *row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addLayout(texts, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace ombra::ui
