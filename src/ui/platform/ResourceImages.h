// Images of the resource library, decoded for the screen.
#pragma once

#include <QPixmap>

namespace ombra::platform {

// Image `id` decoded; a null pixmap when missing.
QPixmap ResPixmap(int id);

}  // namespace ombra::platform
