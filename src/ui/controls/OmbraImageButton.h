// The large picture buttons of the main window: four images (normal, pressed, hover,
// disabled) from the resource library, a caption drawn over them, and a hover state that
// follows the mouse. The button takes the keyboard focus as soon as the mouse moves over it.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QPoint>
#include <QPushButton>
#include <QSize>
#include <QTimer>

class QPainter;

namespace ombra::ui {

class OmbraImageButton : public QPushButton {
    Q_OBJECT
public:
    static constexpr int kImageWidth = 120;
    static constexpr int kImageHeight = 112;
    static constexpr int kCentred = -1;     // position value that centres on its axis
    static constexpr int kHoverTimeMs = 1;  // mouse rest that counts as hovering

    enum class Face { Normal, Pressed, Hover, Disabled };

    explicit OmbraImageButton(QWidget *parent = nullptr);

    // Loads the four images from the resource library. True when all four loaded; the
    // ones that did load are kept either way.
    bool SetImages(int normalId, int pressedId, int hoverId, int disabledId);
    // Same as SetImages with images already at hand (null pixmaps count as missing).
    bool SetPixmaps(const QPixmap &normal, const QPixmap &pressed, const QPixmap &hover, const QPixmap &disabled);

    void SetImagePosition(int x, int y) { imagePos_ = QPoint(x, y); }
    QPoint ImagePosition() const { return imagePos_; }
    void SetCaptionPosition(int x, int y) { captionPos_ = QPoint(x, y); }
    QPoint CaptionPosition() const { return captionPos_; }
    void SetCaptionColor(const QColor &c) { captionColor_ = c; }
    QColor CaptionColor() const { return captionColor_; }
    void SetDisabledCaptionColor(const QColor &c) { disabledCaptionColor_ = c; }
    QColor DisabledCaptionColor() const { return disabledCaptionColor_; }

    QSize ImageSize() const { return imageSize_; }
    bool IsHover() const { return hover_; }
    const QPixmap &Image(Face face) const;

    // Which image a button in this state shows: pressed before disabled before hover.
    static Face ChooseFace(bool pressed, bool disabled, bool hover);
    // Top-left of an item of `itemExtent` inside `clientExtent` at `pos`; kCentred centres.
    static int PlaceOnAxis(int pos, int clientExtent, int itemExtent);
    // Like PlaceOnAxis for a caption's y: a centred caption sits one pixel higher.
    static int PlaceCaptionY(int pos, int clientHeight, int textHeight);
    // The image as stored: opaque black replaced by `blackBecomes`, scaled to 120 x 112.
    static QPixmap PrepareImage(const QPixmap &source, const QColor &blackBecomes);

signals:
    // The mouse rested on the button (hover) or left it.
    void MouseHovered();
    void MouseLeft();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void OnMouseHover();
    void OnMouseLeave();
    QColor ButtonFaceColor() const;
    void DrawFocusFrame(QPainter &painter) const;

    QPixmap images_[4];  // indexed by Face
    QSize imageSize_{0, 0};
    QPoint imagePos_{kCentred, kCentred};
    QPoint captionPos_{kCentred, kCentred};
    QColor captionColor_{0, 0, 0};
    QColor disabledCaptionColor_{0x80, 0x80, 0x80};
    bool hover_ = false;
    bool leaveArmed_ = false;
    QTimer hoverTimer_;
};

}  // namespace ombra::ui
