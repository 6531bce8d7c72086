#include "ui/controls/OmbraImageButton.h"

#include <QEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "core/platform/Resources.h"
#include "ui/platform/ResourceImages.h"

namespace ombra::ui {
namespace {

int FloorHalf(int v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); }

}  // namespace

OmbraImageButton::OmbraImageButton(QWidget *parent) : QPushButton(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    hoverTimer_.setSingleShot(true);
    hoverTimer_.setInterval(kHoverTimeMs);
    connect(&hoverTimer_, &QTimer::timeout, this, &OmbraImageButton::OnMouseHover);
}

OmbraImageButton::Face OmbraImageButton::ChooseFace(bool pressed, bool disabled, bool hover) {
    if (pressed) return Face::Pressed;
    if (disabled) return Face::Disabled;
    if (hover) return Face::Hover;
    return Face::Normal;
}

int OmbraImageButton::PlaceOnAxis(int pos, int clientExtent, int itemExtent) {
    return pos == kCentred ? FloorHalf(clientExtent - itemExtent) : pos;
}

int OmbraImageButton::PlaceCaptionY(int pos, int clientHeight, int textHeight) {
    return pos == kCentred ? FloorHalf(clientHeight - textHeight) - 1 : pos;
}

QPixmap OmbraImageButton::PrepareImage(const QPixmap &source, const QColor &blackBecomes) {
    if (source.isNull()) return {};
    QImage image = source.toImage().convertToFormat(QImage::Format_ARGB32);
    const QRgb black = qRgb(0, 0, 0);
    const QRgb replacement = blackBecomes.rgb();
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (line[x] == black) line[x] = replacement;
    }
    return QPixmap::fromImage(
        image.scaled(kImageWidth, kImageHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

QColor OmbraImageButton::ButtonFaceColor() const { return palette().color(QPalette::Button); }

bool OmbraImageButton::SetImages(int normalId, int pressedId, int hoverId, int disabledId) {
    return SetPixmaps(platform::ResPixmap(normalId), platform::ResPixmap(pressedId),
                      platform::ResPixmap(hoverId), platform::ResPixmap(disabledId));
}

bool OmbraImageButton::SetPixmaps(const QPixmap &normal, const QPixmap &pressed, const QPixmap &hover,
                                  const QPixmap &disabled) {
    // Black is the transparent colour of the artwork: the normal image blends into the face,
    // the other three sit on white.
    const QColor white(0xFF, 0xFF, 0xFF);
    images_[int(Face::Normal)] = PrepareImage(normal, ButtonFaceColor());
    images_[int(Face::Pressed)] = PrepareImage(pressed, white);
    images_[int(Face::Hover)] = PrepareImage(hover, white);
    images_[int(Face::Disabled)] = PrepareImage(disabled, white);
    for (const QPixmap &image : images_)
        if (image.isNull()) return false;
    imageSize_ = QSize(kImageWidth, kImageHeight);
    update();
    return true;
}

const QPixmap &OmbraImageButton::Image(Face face) const { return images_[int(face)]; }

void OmbraImageButton::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    const Face face = ChooseFace(isDown(), !isEnabled(), hover_);
    const QPixmap &image = images_[int(face)];
    if (!image.isNull()) {
        painter.drawPixmap(PlaceOnAxis(imagePos_.x(), width(), image.width()),
                           PlaceOnAxis(imagePos_.y(), height(), image.height()), image);
    } else {
        // Without artwork the button still looks and reacts like a button.
        QStyleOptionButton option;
        initStyleOption(&option);
        option.text.clear();
        option.icon = QIcon();
        if (hover_) option.state |= QStyle::State_MouseOver;
        style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
    }
    if (hasFocus()) DrawFocusFrame(painter);
    QString caption = text();
    if (caption.isEmpty()) return;
    // A caption wider than the button is drawn in a smaller type, and shortened with an ellipsis
    // only when even the smallest type does not fit, rather than cut off at the edges.
    QFont captionFont = font();
    while (QFontMetrics(captionFont).horizontalAdvance(caption) > width() - 4 && captionFont.pointSizeF() > 6.0)
        captionFont.setPointSizeF(captionFont.pointSizeF() - 0.5);
    painter.setFont(captionFont);
    const QFontMetrics metrics(captionFont);
    caption = metrics.elidedText(caption, Qt::ElideRight, width() - 4);
    const int textWidth = metrics.horizontalAdvance(caption);
    const int textHeight = metrics.height();
    const int x = PlaceOnAxis(captionPos_.x(), width(), textWidth);
    const int y = PlaceCaptionY(captionPos_.y(), height(), textHeight);
    painter.setPen(isEnabled() ? captionColor_ : disabledCaptionColor_);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.drawText(QRect(x, y, textWidth + 1, textHeight), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     caption);
}

// A dashed frame inside the edge in the highlight colour: visible on every face of the artwork.
void OmbraImageButton::DrawFocusFrame(QPainter &painter) const {
    painter.save();
    QPen pen(palette().color(QPalette::Highlight), 2, Qt::DashLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(3, 3, -4, -4));
    painter.restore();
}

void OmbraImageButton::mouseMoveEvent(QMouseEvent *event) {
    // One hover notice after the mouse rests 1 ms, one leave notice when it goes.
    hoverTimer_.start();
    leaveArmed_ = true;
    setFocus(Qt::MouseFocusReason);
    QPushButton::mouseMoveEvent(event);
}

void OmbraImageButton::leaveEvent(QEvent *event) {
    hoverTimer_.stop();
    if (leaveArmed_) OnMouseLeave();
    QPushButton::leaveEvent(event);
}

void OmbraImageButton::changeEvent(QEvent *event) {
    // A disabled button gets no mouse input, so no leave notice would ever end its hover.
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        hoverTimer_.stop();
        leaveArmed_ = false;
        hover_ = false;
    }
    QPushButton::changeEvent(event);
}

void OmbraImageButton::OnMouseHover() {
    if (!isEnabled()) return;
    hover_ = true;
    update();
    emit MouseHovered();
}

void OmbraImageButton::OnMouseLeave() {
    leaveArmed_ = false;
    hover_ = false;
    update();
    emit MouseLeft();
}

}  // namespace ombra::ui
