// Images of the resource library, decoded for the screen.
#pragma once

#include <QPixmap>

namespace ombra::ui::platform {

// Image `id` decoded; a null pixmap when missing.
QPixmap ResPixmap(int id);

}  // namespace ombra::ui::platform
