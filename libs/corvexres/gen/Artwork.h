// The library's artwork, drawn with QPainter: flat shapes, no text except the icon-free
// product line on the background.
#pragma once

#include <QImage>
#include <map>

namespace corvexres {

// Icon 128, background 145 and the 24 button images 146..169 (per button: base + 0
// disabled, + 1 normal, + 2 hover, + 3 pressed), keyed by id.
std::map<int, QImage> DrawAllImages();

// 230 x 240 picture showing the instrument on its zero position or its white tile.
QImage DrawCalibrationPicture(bool white);

}  // namespace corvexres
