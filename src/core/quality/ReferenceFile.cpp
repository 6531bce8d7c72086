#include "core/quality/ReferenceFile.h"

namespace ombra::core {
namespace {

ReferenceFileReader &Installed() {
    static ReferenceFileReader reader;
    return reader;
}

}  // namespace

const ReferenceFileReader &InstalledReferenceFileReader() { return Installed(); }

ReferenceFileReader InstallReferenceFileReader(ReferenceFileReader reader) {
    ReferenceFileReader previous = std::move(Installed());
    Installed() = std::move(reader);
    return previous;
}

}  // namespace ombra::core
