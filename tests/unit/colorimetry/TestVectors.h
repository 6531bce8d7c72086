// Reference values shared by the colorimetry tests (tests/data/colorimetry/test_vectors.json).
#pragma once

#include <QJsonArray>
#include <QJsonObject>

#include "colorimetry/Colorimetry.h"

namespace colorimetry_test {

const QJsonObject &Vectors();
ombra::colorimetry::Reflectance SampleSpectrum(const QString &name);
ombra::colorimetry::Triple ToTriple(const QJsonValue &array);

}  // namespace colorimetry_test
