// Light-source values for the user illuminant dialog.
#include "calcolor/calcolor.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "colorimetry/Colorimetry.h"

static_assert(sizeof(CalColorRequest) == 24, "the request is 24 bytes");

namespace {

using namespace ombra::colorimetry;

constexpr double kMaxDuv = 0.05;

int CheckSpectrum(const float *spectrum, Irradiance &e) {
    bool anyLight = false;
    for (int k = 0; k < kIrradianceCount; ++k) {
        float v = spectrum[k];
        if (!std::isfinite(v))
            return CALCOLOR_NOT_A_NUMBER;
        if (v < 0)
            return CALCOLOR_NEGATIVE;
        anyLight = anyLight || v > 0;
        e[k] = v;
    }
    return anyLight ? CALCOLOR_OK : CALCOLOR_NO_LIGHT;
}

int Compute(const Irradiance &e, CalColorRequest &out) {
    auto light = AnalyseLight(e);
    if (!light)
        return CALCOLOR_NO_LIGHT;
    if (!std::isfinite(light->lux) || light->lux > FLT_MAX)
        return CALCOLOR_OVERFLOW;
    CctResult cct = CctOhno(light->u, light->v);
    switch (cct.status) {
    case CctResult::kBelowRange:
        return CALCOLOR_CCT_TOO_LOW;
    case CctResult::kAboveRange:
        return CALCOLOR_CCT_TOO_HIGH;
    case CctResult::kInvalid:
        return CALCOLOR_NO_TEMPERATURE;
    case CctResult::kOk:
        break;
    }
    if (cct.duv > kMaxDuv)
        return CALCOLOR_TOO_GREEN;
    if (cct.duv < -kMaxDuv)
        return CALCOLOR_TOO_PINK;
    out.illuminance = static_cast<float>(light->lux);
    out.cct = static_cast<float>(cct.cct);
    out.duv = static_cast<float>(cct.duv);
    return CALCOLOR_OK;
}

}  // namespace

extern "C" int SpectrumToColor(const float *spectrum, int count, void *request) {
    if (!spectrum)
        return CALCOLOR_NO_SPECTRUM;
    if (count != CALCOLOR_SPECTRUM_COUNT)
        return CALCOLOR_BAD_COUNT;
    if (!request)
        return CALCOLOR_NO_REQUEST;
    CalColorRequest req;
    std::memcpy(&req, request, sizeof req);  // the caller's buffer need not be aligned
    if (req.code != CALCOLOR_REQUEST_CODE || req.reserved != CALCOLOR_REQUEST_RESERVED ||
        req.kind != CALCOLOR_REQUEST_KIND)
        return CALCOLOR_BAD_REQUEST;
    Irradiance e{};
    int rc = CheckSpectrum(spectrum, e);
    if (rc == CALCOLOR_OK)
        rc = Compute(e, req);
    if (rc != CALCOLOR_OK)
        req.illuminance = req.cct = req.duv = FLT_MAX;
    std::memcpy(request, &req, sizeof req);
    return rc;
}
