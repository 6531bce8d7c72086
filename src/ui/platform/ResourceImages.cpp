#include "ui/platform/ResourceImages.h"

#include <QByteArray>

#include "core/platform/Resources.h"

namespace ombra::ui::platform {

QPixmap ResPixmap(int id) {
    QPixmap pixmap;
    const QByteArray data = core::platform::ResImageData(id);
    if (!data.isEmpty()) pixmap.loadFromData(data);
    return pixmap;
}

}  // namespace ombra::ui::platform
