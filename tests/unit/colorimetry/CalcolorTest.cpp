// The colour calculation library's call, its results and each failure code.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>

#include "calcolor/calcolor.h"
#include "colorimetry/Instrument.h"

using namespace ombra::colorimetry;

namespace {

struct Request {
    int code = 6, reserved = 0, kind = 241;
    float values[3] = {-1, -1, -1};
};

std::array<float, 75> ToFloats(const Irradiance &e) {
    std::array<float, 75> out{};
    for (int k = 0; k < 75; ++k)
        out[k] = static_cast<float>(e[k]);
    return out;
}

int Call(const std::array<float, 75> &spectrum, Request &req) {
    return SpectrumToColor(spectrum.data(), 75, &req);
}

}  // namespace

TEST(Calcolor, PublishedLightSources) {
    struct Expect {
        const char *name;
        double cct, tolerance;
    };
    for (auto e : {Expect{"A", 2856, 1}, Expect{"D65", 6504, 2}, Expect{"F2", 4230, 5},
                   Expect{"F11", 4000, 5}, Expect{"LED4000K", 4000, 1}}) {
        Request req;
        ASSERT_EQ(Call(ToFloats(MakeLightSource(e.name, 1000)->irradiance), req), CALCOLOR_OK) << e.name;
        EXPECT_NEAR(req.values[0], 1000.0f, 1.0f) << e.name;
        EXPECT_NEAR(req.values[1], e.cct, e.tolerance) << e.name;
        EXPECT_EQ(req.code, 6);
        EXPECT_EQ(req.kind, 241);
    }
    Request d65;
    Call(ToFloats(MakeLightSource("D65", 1000)->irradiance), d65);
    EXPECT_NEAR(d65.values[2], 0.0032f, 0.0002f);
    Request led;
    Call(ToFloats(MakeLightSource("LED4000K", 1000)->irradiance), led);
    EXPECT_LT(led.values[2], -0.005f);  // below the locus
}

TEST(Calcolor, ArgumentFailures) {
    auto spectrum = ToFloats(MakeLightSource("D65", 500)->irradiance);
    Request req;
    EXPECT_EQ(SpectrumToColor(nullptr, 75, &req), CALCOLOR_NO_SPECTRUM);
    EXPECT_EQ(SpectrumToColor(spectrum.data(), 74, &req), CALCOLOR_BAD_COUNT);
    EXPECT_EQ(SpectrumToColor(spectrum.data(), 97, &req), CALCOLOR_BAD_COUNT);
    EXPECT_EQ(SpectrumToColor(spectrum.data(), 75, nullptr), CALCOLOR_NO_REQUEST);
    for (int field = 0; field < 3; ++field) {
        Request bad;
        (&bad.code)[field] += 1;
        EXPECT_EQ(Call(spectrum, bad), CALCOLOR_BAD_REQUEST);
        EXPECT_EQ(bad.values[0], -1.0f);  // not touched
    }
    // An unaligned request buffer is accepted.
    alignas(8) unsigned char raw[25] = {};
    Request ok;
    std::memcpy(raw + 1, &ok, sizeof ok);
    EXPECT_EQ(SpectrumToColor(spectrum.data(), 75, raw + 1), CALCOLOR_OK);
}

TEST(Calcolor, SpectrumFailures) {
    auto base = ToFloats(MakeLightSource("D65", 500)->irradiance);
    auto expectCode = [](std::array<float, 75> s, int code) {
        Request req;
        EXPECT_EQ(Call(s, req), code);
        EXPECT_EQ(req.values[0], FLT_MAX);
        EXPECT_EQ(req.values[1], FLT_MAX);
    };
    auto nan = base;
    nan[20] = std::nanf("");
    expectCode(nan, CALCOLOR_NOT_A_NUMBER);
    auto inf = base;
    inf[0] = INFINITY;
    expectCode(inf, CALCOLOR_NOT_A_NUMBER);
    auto negative = base;
    negative[40] = -0.001f;
    expectCode(negative, CALCOLOR_NEGATIVE);
    expectCode(std::array<float, 75>{}, CALCOLOR_NO_LIGHT);
    std::array<float, 75> huge;
    huge.fill(FLT_MAX / 2);
    expectCode(huge, CALCOLOR_OVERFLOW);

    std::array<float, 75> deepRed{}, deepBlue{}, green{}, purple{};
    deepRed[74] = 1;   // 730 nm only: far below 1000 K
    deepBlue[10] = 1;  // 410 nm
    deepBlue[11] = 1;
    expectCode(deepRed, CALCOLOR_CCT_TOO_LOW);
    expectCode(deepBlue, CALCOLOR_CCT_TOO_HIGH);
    for (int k = 0; k < 75; ++k) {
        double nm = 360 + 5 * k;
        green[k] = static_cast<float>(std::exp(-0.5 * std::pow((nm - 540) / 25, 2)));
        purple[k] = static_cast<float>(std::exp(-0.5 * std::pow((nm - 450) / 20, 2)) +
                                       std::exp(-0.5 * std::pow((nm - 640) / 25, 2)));
    }
    expectCode(green, CALCOLOR_TOO_GREEN);
    expectCode(purple, CALCOLOR_TOO_PINK);
}
