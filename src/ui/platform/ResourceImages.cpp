#include "platform/ResourceImages.h"

#include <QByteArray>

#include "platform/Resources.h"

namespace ombra::platform {

QPixmap ResPixmap(int id) {
    QPixmap pixmap;
    const QByteArray data = ResImageData(id);
    if (!data.isEmpty()) pixmap.loadFromData(data);
    return pixmap;
}

}  // namespace ombra::platform
