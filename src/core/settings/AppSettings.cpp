#include "settings/AppSettings.h"

namespace ombra {

AppSettings &Settings() {
    static AppSettings settings;
    return settings;
}

}  // namespace ombra
