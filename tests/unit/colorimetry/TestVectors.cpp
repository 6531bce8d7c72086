#include "TestVectors.h"

#include <QFile>
#include <QJsonDocument>
#include <stdexcept>

namespace colorimetry_test {

const QJsonObject &Vectors() {
    static const QJsonObject root = [] {
        QFile file(QStringLiteral(COLORIMETRY_TEST_DATA "/test_vectors.json"));
        if (!file.open(QIODevice::ReadOnly))
            throw std::runtime_error("test_vectors.json not found");
        return QJsonDocument::fromJson(file.readAll()).object();
    }();
    return root;
}

ombra::colorimetry::Reflectance SampleSpectrum(const QString &name) {
    QJsonArray values = Vectors()["reflectance_spectra"].toObject()["samples"].toObject()[name].toArray();
    ombra::colorimetry::Reflectance r{};
    if (values.size() != static_cast<int>(r.size()))
        throw std::runtime_error("unknown sample " + name.toStdString());
    for (size_t i = 0; i < r.size(); ++i)
        r[i] = values[static_cast<int>(i)].toDouble();
    return r;
}

ombra::colorimetry::Triple ToTriple(const QJsonValue &array) {
    QJsonArray a = array.toArray();
    return {a[0].toDouble(), a[1].toDouble(), a[2].toDouble()};
}

}  // namespace colorimetry_test
