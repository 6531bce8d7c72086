// How long one simulated measurement and one colour calculation take.
#include <benchmark/benchmark.h>

#include <array>

#include "calcolor/calcolor.h"
#include "colorimetry/Instrument.h"

using namespace ombra::colorimetry;

static void MeasureReflection(benchmark::State &state) {
    Sample s = *FindSample("cc_orange");
    MeasurementProperties p;
    for (auto _ : state)
        benchmark::DoNotOptimize(Measure(s, p));
}
BENCHMARK(MeasureReflection);

static void MeasureWithUserIlluminant(benchmark::State &state) {
    Sample s = *FindSample("paper_white");
    MeasurementProperties p;
    p.illuminant = kIlluminantUser;
    p.userIlluminant = *IlluminantSpd(kIlluminantD65);
    for (auto _ : state)
        benchmark::DoNotOptimize(Measure(s, p));
}
BENCHMARK(MeasureWithUserIlluminant);

static void SpectrumToColorCall(benchmark::State &state) {
    auto light = *MakeLightSource("F11", 1000);
    std::array<float, 75> spectrum{};
    for (int k = 0; k < 75; ++k)
        spectrum[k] = static_cast<float>(light.irradiance[k]);
    struct {
        int code = 6, reserved = 0, kind = 241;
        float values[3];
    } request;
    for (auto _ : state)
        benchmark::DoNotOptimize(SpectrumToColor(spectrum.data(), 75, &request));
}
BENCHMARK(SpectrumToColorCall);

BENCHMARK_MAIN();
