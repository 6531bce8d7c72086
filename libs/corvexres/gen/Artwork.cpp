#include "Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace corvexres {
namespace {

// Button images are 120 x 112; the caption is drawn by the button at y 80, so the symbol
// stays above it. Pure black is the transparent colour of the button images (it becomes
// the button face or white), so nothing is drawn in pure black.
constexpr int kButtonWidth = 120;
constexpr int kButtonHeight = 112;
const QColor kTransparentKey(0, 0, 0);
const QColor kInk(0x2b, 0x33, 0x3b);

enum class State { Disabled, Normal, Hover, Pressed };

struct Palette {
    QColor accent;
    QColor accentLight;
    QColor ink;
    QColor paper;
};

Palette paletteFor(State state) {
    switch (state) {
        case State::Disabled: return {QColor(0xa8, 0xa8, 0xa8), QColor(0xd4, 0xd4, 0xd4), QColor(0x9a, 0x9a, 0x9a), QColor(0xf2, 0xf2, 0xf2)};
        case State::Hover: return {QColor(0x13, 0x8c, 0xa8), QColor(0x9f, 0xdc, 0xe9), kInk, QColor(0xff, 0xff, 0xfe)};
        case State::Pressed: return {QColor(0x0b, 0x5d, 0x70), QColor(0x7c, 0xbd, 0xcb), kInk, QColor(0xf4, 0xf7, 0xf8)};
        case State::Normal: break;
    }
    return {QColor(0x1a, 0x74, 0x8a), QColor(0x8c, 0xcf, 0xdd), kInk, QColor(0xfb, 0xfb, 0xfb)};
}

using SymbolPainter = void (*)(QPainter &, const Palette &);

QPen pen(const QColor &color, qreal width) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void drawPlug(QPainter &p, const Palette &c, bool connected) {
    // Cable plug coming from the left, socket on the right; joined when connected.
    const qreal gap = connected ? 0 : 12;
    p.setPen(pen(c.ink, 3));
    p.drawLine(QPointF(14, 38), QPointF(34 - gap / 2, 38));
    p.setPen(pen(c.ink, 2));
    p.setBrush(c.accent);
    p.drawRoundedRect(QRectF(34 - gap / 2, 26, 20, 24), 4, 4);
    p.setBrush(c.ink);
    p.drawRect(QRectF(54 - gap / 2, 30, 8, 4));
    p.drawRect(QRectF(54 - gap / 2, 42, 8, 4));
    p.setBrush(connected ? c.accentLight : c.paper);
    p.drawRoundedRect(QRectF(62 + gap / 2, 24, 22, 28), 4, 4);
    p.setPen(pen(c.ink, 3));
    p.drawLine(QPointF(84 + gap / 2, 38), QPointF(106, 38));
    if (connected) {
        p.setPen(pen(c.accent, 2.5));
        p.drawArc(QRectF(46, 12, 28, 28), 40 * 16, 100 * 16);
        p.drawArc(QRectF(38, 4, 44, 44), 50 * 16, 80 * 16);
    }
}

void drawConnect(QPainter &p, const Palette &c) { drawPlug(p, c, false); }
void drawDisconnect(QPainter &p, const Palette &c) { drawPlug(p, c, true); }

void drawCalibration(QPainter &p, const Palette &c) {
    // White tile seen from above with the aperture target centred on it.
    p.setPen(pen(c.ink, 2));
    p.setBrush(c.paper);
    p.drawRoundedRect(QRectF(28, 8, 64, 60), 6, 6);
    p.setBrush(Qt::NoBrush);
    p.setPen(pen(c.accent, 3));
    p.drawEllipse(QPointF(60, 38), 18, 18);
    p.setPen(pen(c.accent, 2));
    p.drawEllipse(QPointF(60, 38), 8, 8);
    p.drawLine(QPointF(60, 14), QPointF(60, 24));
    p.drawLine(QPointF(60, 52), QPointF(60, 62));
    p.drawLine(QPointF(36, 38), QPointF(46, 38));
    p.drawLine(QPointF(74, 38), QPointF(84, 38));
}

void drawSettings(QPainter &p, const Palette &c) {
    // Three sliders.
    const qreal knobs[] = {44, 76, 56};
    for (int i = 0; i < 3; ++i) {
        const qreal y = 18 + i * 20;
        p.setPen(pen(c.ink, 3));
        p.drawLine(QPointF(26, y), QPointF(94, y));
        p.setPen(pen(c.ink, 2));
        p.setBrush(i == 1 ? c.accent : c.accentLight);
        p.drawEllipse(QPointF(knobs[i], y), 7, 7);
    }
}

void drawDataItems(QPainter &p, const Palette &c) {
    // A worksheet: header row, three columns, rows of cells.
    const QRectF sheet(26, 8, 68, 60);
    p.setPen(Qt::NoPen);
    p.setBrush(c.paper);
    p.drawRect(sheet);
    p.setBrush(c.accent);
    p.drawRect(QRectF(sheet.left(), sheet.top(), sheet.width(), 12));
    p.setBrush(c.accentLight);
    p.drawRect(QRectF(sheet.left() + 1, sheet.top() + 24, sheet.width() - 2, 12));
    p.setPen(pen(c.ink, 1.5));
    p.setBrush(Qt::NoBrush);
    for (int row = 1; row < 5; ++row) p.drawLine(QPointF(sheet.left(), sheet.top() + 12 * row), QPointF(sheet.right(), sheet.top() + 12 * row));
    for (int col = 1; col < 3; ++col) {
        const qreal x = sheet.left() + col * sheet.width() / 3;
        p.drawLine(QPointF(x, sheet.top()), QPointF(x, sheet.bottom()));
    }
    p.setPen(pen(c.ink, 2));
    p.drawRect(sheet);
}

void drawColourSets(QPainter &p, const Palette &c, bool disabled) {
    // A fan of three colour swatches (cyan, magenta, yellow).
    const QColor swatches[] = {disabled ? QColor(0xb8, 0xb8, 0xb8) : QColor(0x00, 0x9f, 0xe3),
                               disabled ? QColor(0xc8, 0xc8, 0xc8) : QColor(0xe5, 0x00, 0x7e),
                               disabled ? QColor(0xdc, 0xdc, 0xdc) : QColor(0xff, 0xd9, 0x00)};
    const qreal angles[] = {-24, 0, 24};
    for (int i = 0; i < 3; ++i) {
        p.save();
        p.translate(60, 66);
        p.rotate(angles[i]);
        p.setPen(pen(c.ink, 2));
        p.setBrush(c.paper);
        p.drawRoundedRect(QRectF(-10, -58, 20, 58), 3, 3);
        p.setPen(Qt::NoPen);
        p.setBrush(swatches[i]);
        p.drawRect(QRectF(-8, -56, 16, 30));
        p.restore();
    }
    p.setPen(pen(c.ink, 2));
    p.setBrush(c.accent);
    p.drawEllipse(QPointF(60, 62), 4, 4);
}

void drawColourSetsNormal(QPainter &p, const Palette &c) { drawColourSets(p, c, false); }
void drawColourSetsDisabled(QPainter &p, const Palette &c) { drawColourSets(p, c, true); }

QImage buttonImage(SymbolPainter symbol, State state) {
    QImage image(kButtonWidth, kButtonHeight, QImage::Format_RGB32);
    image.fill(kTransparentKey);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const Palette colours = paletteFor(state);
    if (state == State::Hover || state == State::Pressed) {
        // A soft frame so the hovered or pressed button stands out from its neighbours.
        p.setPen(pen(colours.accentLight, 2));
        p.setBrush(state == State::Pressed ? QColor(0xe3, 0xee, 0xf1) : QColor(0xf1, 0xf8, 0xfa));
        p.drawRoundedRect(QRectF(3, 2, kButtonWidth - 6, kButtonHeight - 5), 10, 10);
    }
    if (state == State::Pressed) p.translate(1, 2);
    symbol(p, colours);
    return image;
}

// The program's icon on a 128 x 128 canvas; the painter's transform scales it to any size.
void paintIcon(QPainter &p) {
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient face(0, 0, 0, 128);
    face.setColorAt(0, QColor(0x22, 0x86, 0x9c));
    face.setColorAt(1, QColor(0x0f, 0x4f, 0x5f));
    p.setPen(Qt::NoPen);
    p.setBrush(face);
    p.drawRoundedRect(QRectF(6, 6, 116, 116), 24, 24);
    // Spectrum band under a measuring aperture.
    QLinearGradient spectrum(20, 0, 108, 0);
    const QColor bands[] = {QColor(0x6a, 0x3d, 0xc8), QColor(0x1e, 0x6f, 0xe8), QColor(0x12, 0xb5, 0x6a),
                            QColor(0xf2, 0xd0, 0x1c), QColor(0xf2, 0x83, 0x1c), QColor(0xd8, 0x2a, 0x2a)};
    for (int i = 0; i < 6; ++i) spectrum.setColorAt(i / 5.0, bands[i]);
    p.setBrush(spectrum);
    p.drawRoundedRect(QRectF(20, 82, 88, 18), 5, 5);
    p.setBrush(QColor(0xf7, 0xf7, 0xf7));
    p.drawEllipse(QPointF(64, 50), 26, 26);
    p.setBrush(QColor(0x0f, 0x4f, 0x5f));
    p.drawEllipse(QPointF(64, 50), 12, 12);
    p.setBrush(QColor(0xf7, 0xf7, 0xf7));
    p.drawEllipse(QPointF(64, 50), 4, 4);
}

QImage background() {
    // Large enough to cover the whole client area of the main window (it is drawn at its own
    // size at the top-left corner).
    QImage image(800, 600, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient wash(0, 0, 0, 420);
    wash.setColorAt(0, QColor(0xf6, 0xf9, 0xfa));
    wash.setColorAt(1, QColor(0xdf, 0xe9, 0xec));
    p.fillRect(image.rect(), wash);
    // A thin spectrum line along the top edge.
    QLinearGradient spectrum(0, 0, 800, 0);
    const QColor bands[] = {QColor(0x6a, 0x3d, 0xc8), QColor(0x1e, 0x6f, 0xe8), QColor(0x12, 0xb5, 0x6a),
                            QColor(0xf2, 0xd0, 0x1c), QColor(0xf2, 0x83, 0x1c), QColor(0xd8, 0x2a, 0x2a)};
    for (int i = 0; i < 6; ++i) spectrum.setColorAt(i / 5.0, bands[i]);
    p.fillRect(QRect(0, 0, 800, 4), spectrum);
    // Faint concentric rings at the right, the shape of a measuring aperture.
    p.setPen(QPen(QColor(0xd2, 0xde, 0xe2), 2));
    for (int r = 40; r <= 160; r += 30) p.drawEllipse(QPointF(760, 300), r, r);
    return image;
}

}  // namespace

std::map<int, QImage> DrawAllImages() {
    std::map<int, QImage> images;
    images[128] = DrawIcon(128);
    images[145] = background();
    struct Button {
        int base;
        SymbolPainter symbol;
        SymbolPainter disabledSymbol;
    };
    const Button buttons[] = {
        {146, drawConnect, drawConnect},          {150, drawDisconnect, drawDisconnect},
        {154, drawCalibration, drawCalibration},  {158, drawSettings, drawSettings},
        {162, drawDataItems, drawDataItems},      {166, drawColourSetsNormal, drawColourSetsDisabled},
    };
    for (const Button &b : buttons) {
        images[b.base + 0] = buttonImage(b.disabledSymbol, State::Disabled);
        images[b.base + 1] = buttonImage(b.symbol, State::Normal);
        images[b.base + 2] = buttonImage(b.symbol, State::Hover);
        images[b.base + 3] = buttonImage(b.symbol, State::Pressed);
    }
    return images;
}

QImage DrawCalibrationPicture(bool white) {
    QImage image(230, 240, QImage::Format_RGB32);
    image.fill(QColor(0xf4, 0xf7, 0xf8));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // Calibration holder seen from the side, with the zero cavity or the white tile.
    p.setPen(pen(kInk, 2));
    p.setBrush(QColor(0x9a, 0xa5, 0xad));
    p.drawRoundedRect(QRectF(20, 178, 190, 40), 6, 6);
    if (white) {
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(70, 168, 90, 14), 3, 3);
    } else {
        p.setBrush(QColor(0x20, 0x24, 0x28));
        p.drawRoundedRect(QRectF(80, 174, 70, 30), 4, 4);
        p.setPen(pen(QColor(0x55, 0x5e, 0x66), 1.5));
        for (int i = 0; i < 3; ++i) p.drawLine(QPointF(90 + i * 20, 200), QPointF(102 + i * 20, 178));
        p.setPen(pen(kInk, 2));
    }

    // The instrument body above it, aperture facing down, lowered along the arrow.
    QPainterPath body;
    body.moveTo(46, 128);
    body.lineTo(46, 78);
    body.cubicTo(46, 52, 80, 40, 122, 40);
    body.lineTo(170, 40);
    body.cubicTo(190, 40, 194, 58, 194, 78);
    body.lineTo(194, 128);
    body.closeSubpath();
    p.setBrush(QColor(0x1a, 0x74, 0x8a));
    p.drawPath(body);
    p.setBrush(QColor(0x3b, 0x44, 0x4c));
    p.drawRoundedRect(QRectF(90, 128, 50, 12), 3, 3);
    p.setBrush(QColor(0xe8, 0xee, 0xf0));
    p.drawRoundedRect(QRectF(120, 56, 54, 30), 4, 4);
    p.setBrush(QColor(0xf2, 0x83, 0x1c));
    p.drawEllipse(QPointF(70, 70), 8, 8);

    // Arrow: place the aperture onto the tile or the zero position.
    p.setPen(pen(QColor(0xd8, 0x2a, 0x2a), 4));
    p.drawLine(QPointF(115, 146), QPointF(115, 162));
    p.setBrush(QColor(0xd8, 0x2a, 0x2a));
    p.setPen(Qt::NoPen);
    QPolygonF head;
    head << QPointF(107, 158) << QPointF(123, 158) << QPointF(115, 168);
    p.drawPolygon(head);
    // Alignment marks on the holder and the instrument.
    p.setPen(pen(QColor(0xd8, 0x2a, 0x2a), 2));
    p.drawLine(QPointF(115, 210), QPointF(115, 218));
    p.drawLine(QPointF(115, 20), QPointF(115, 34));
    return image;
}

QImage DrawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.scale(size / 128.0, size / 128.0);
    paintIcon(p);
    return image;
}

void PaintIcon(QPainter &painter) { paintIcon(painter); }

}  // namespace corvexres
