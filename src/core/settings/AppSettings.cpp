#include "settings/AppSettings.h"

namespace ombra::core {

AppSettings &Settings() {
    static AppSettings settings;
    return settings;
}

}  // namespace ombra::core
