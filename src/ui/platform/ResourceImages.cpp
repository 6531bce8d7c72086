#include "platform/ResourceImages.h"

#include <QByteArray>

#include "platform/Resources.h"
#include "UiLayer.h"

namespace ombra::ui::platform {

QPixmap ResPixmap(int id) {
    QPixmap pixmap;
    const QByteArray data = ResImageData(id);
    if (!data.isEmpty()) pixmap.loadFromData(data);
    return pixmap;
}

}  // namespace ombra::ui::platform
