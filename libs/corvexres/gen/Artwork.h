// The library's artwork, drawn with QPainter: flat shapes, no text except the icon-free
// product line on the background.
#pragma once

#include <QImage>
#include <map>

class QPainter;

namespace corvexres {

// Icon 128, background 145 and the 24 button images 146..169 (per button: base + 0
// disabled, + 1 normal, + 2 hover, + 3 pressed), keyed by id.
std::map<int, QImage> DrawAllImages();

// The program's icon, square, at the given size in pixels (128 is the library's image 128).
QImage DrawIcon(int size);

// Paints the icon on a 128 x 128 canvas of any device, e.g. a vector one for the scalable icon.
void PaintIcon(QPainter &painter);

// 230 x 240 picture showing the instrument on its zero position or its white tile.
QImage DrawCalibrationPicture(bool white);

}  // namespace corvexres
