#include "ui/mainwindow/MissBanner.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"

namespace ombra::ui {

namespace {

QPushButton *Button(int stringId, const char *name, QWidget *parent) {
    auto *button = new QPushButton(core::platform::ResQString(stringId), parent);
    button->setObjectName(name);
    button->setAutoDefault(false);  // Enter in the window must not press it
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

}  // namespace

MissBanner::MissBanner(QWidget *parent) : QFrame(parent) {
    setObjectName("missBanner");
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setAutoFillBackground(true);
    // Dark text on a warm yellow whatever the desktop's colours, so that it stands out from
    // the window's picture.
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(0xFF, 0xF1, 0xB8));
    colours.setColor(QPalette::WindowText, QColor(0x5A, 0x3C, 0x00));
    setPalette(colours);

    auto *icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    text_ = new QLabel(this);
    text_->setObjectName("missBannerText");
    text_->setWordWrap(true);
    QFont bold = text_->font();
    bold.setBold(true);
    text_->setFont(bold);
    count_ = new QLabel(this);
    count_->setObjectName("missBannerCount");
    setup_ = Button(res::kStrSetUpMenu, "missBannerSetup", this);
    measurements_ = Button(res::kStrMeasurements, "missBannerMeasurements", this);
    dismiss_ = Button(res::kStrDismiss, "missBannerDismiss", this);
    sound_ = new QCheckBox(core::platform::ResQString(res::kStrSound), this);
    sound_->setObjectName("missBannerSound");
    sound_->setFocusPolicy(Qt::TabFocus);

    auto *controls = new QHBoxLayout;
    controls->addWidget(count_, 1);
    controls->addWidget(setup_);
    controls->addWidget(measurements_);
    controls->addWidget(sound_);
    controls->addWidget(dismiss_);
    auto *words = new QVBoxLayout;
    words->addWidget(text_);
    words->addLayout(controls);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->addWidget(icon);
    layout->addLayout(words, 1);

    connect(setup_, &QPushButton::clicked, this, &MissBanner::setupRequested);
    connect(measurements_, &QPushButton::clicked, this, &MissBanner::measurementsRequested);
    connect(sound_, &QCheckBox::toggled, this, &MissBanner::soundSwitched);
    connect(dismiss_, &QPushButton::clicked, this, &QWidget::hide);
    hide();
}

void MissBanner::ShowNotice(const core::MissNotice &notice, bool soundOn, int x, int y, int width) {
    reason_ = notice.reason;
    text_->setText(QString::fromStdString(notice.text));
    setup_->setVisible(notice.offersSetup);
    {
        const QSignalBlocker quiet(sound_);  // showing the setting is no change of it
        sound_->setChecked(soundOn);
    }
    SetCountText(QString::fromStdString(notice.countText));
    move(x, y);
    FitHeight(width);
    show();
    raise();
}

void MissBanner::SetCountText(const QString &countText) {
    count_->setText(countText);
    // Without a journal there is nothing to resend.
    measurements_->setVisible(!countText.isEmpty());
    if (!isHidden()) FitHeight(width());
}

QString MissBanner::Text() const {
    return count_->text().isEmpty() ? text_->text() : text_->text() + '\n' + count_->text();
}

void MissBanner::FitHeight(int width) {
    resize(width, layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width) : sizeHint().height());
}

}  // namespace ombra::ui
