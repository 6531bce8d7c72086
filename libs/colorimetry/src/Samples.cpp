// The library of named reflection samples and light sources, and sample files.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>

#include "Tables.h"
#include "colorimetry/Instrument.h"

namespace ombra::colorimetry {
namespace {

double Rise(double nm, double centre, double width) {
    return 1.0 / (1.0 + std::exp(-(nm - centre) / width));
}
double Bell(double nm, double centre, double width) {
    double z = (nm - centre) / width;
    return std::exp(-0.5 * z * z);
}

Reflectance Tabulate(const std::function<double(double)> &f) {
    Reflectance r{};
    for (int i = 0; i < kReflectanceCount; ++i)
        r[i] = f(kReflectanceFirstNm + 10.0 * i);
    return r;
}

double PaperBody(double nm) { return 0.88 - 0.10 * (1 - Rise(nm, 425, 12)); }
double CyanSolid(double nm) { return 0.025 + 0.58 * Rise(nm, 405, 10) * (1 - Rise(nm, 555, 14)); }
double MagentaSolid(double nm) {
    return 0.035 + 0.32 * (1 - Rise(nm, 485, 12)) + 0.80 * Rise(nm, 600, 11);
}
double YellowSolid(double nm) { return 0.04 + 0.83 * Rise(nm, 500, 10); }
double BlackSolid(double nm) { return 0.012 + 0.004 * Rise(nm, 600, 50); }

constexpr double kPaperBrightener = 0.12;

// A 50 % tint on paper: 15 % dot gain, Yule-Nielsen n = 1.7.
Reflectance Tint(const Reflectance &solid, const Reflectance &paper) {
    constexpr double kArea = 0.65, kN = 1.7;
    Reflectance r{};
    for (int i = 0; i < kReflectanceCount; ++i)
        r[i] = std::pow(kArea * std::pow(solid[i], 1 / kN) + (1 - kArea) * std::pow(paper[i], 1 / kN),
                        kN);
    return r;
}

std::vector<Sample> BuildLibrary() {
    std::vector<Sample> lib;
    Reflectance paper = Tabulate(PaperBody);
    lib.push_back({"paper_white", paper, 0, kPaperBrightener});
    lib.push_back({"white_tile", Tabulate([](double) { return 0.88; }), 0, 0});
    lib.push_back({"grey_18", Tabulate([](double) { return 0.18; }), 0, 0});
    const std::pair<const char *, double (*)(double)> process[] = {
        {"cyan", CyanSolid}, {"magenta", MagentaSolid}, {"yellow", YellowSolid}, {"black", BlackSolid}};
    for (const auto &[ink, f] : process) {
        Reflectance solid = Tabulate(f);
        lib.push_back({std::string("solid_") + ink, solid, 0, 0});
        lib.push_back({std::string("tint50_") + ink, Tint(solid, paper), 0, kPaperBrightener * 0.35});
        lib.push_back({std::string("solid_") + ink + "_gloss", solid, 0.012, 0});
        lib.push_back({std::string("solid_") + ink + "_wet", solid, 0.025, 0});
    }
    lib.push_back({"spot_orange", Tabulate([](double nm) { return 0.05 + 0.83 * Rise(nm, 575, 12); }), 0, 0});
    lib.push_back({"spot_red", Tabulate([](double nm) { return 0.04 + 0.80 * Rise(nm, 610, 9); }), 0, 0});
    lib.push_back({"spot_green", Tabulate([](double nm) { return 0.04 + 0.45 * Bell(nm, 520, 35); }), 0, 0});
    lib.push_back({"spot_blue", Tabulate([](double nm) {
                       return 0.03 + 0.35 * Bell(nm, 440, 30) + 0.25 * Rise(nm, 690, 15);
                   }), 0, 0});
    lib.push_back({"spot_violet", Tabulate([](double nm) {
                       return 0.04 + 0.40 * Bell(nm, 420, 30) + 0.55 * Rise(nm, 640, 15);
                   }), 0, 0});
    const auto &cc = tables::ColorChecker();
    for (size_t col = 1; col < cc.columns.size(); ++col) {
        Sample s{"cc_" + cc.columns[col], {}, 0, 0};
        for (int i = 0; i < kReflectanceCount; ++i)
            s.body[i] = cc.rows[i][col];
        lib.push_back(s);
    }
    return lib;
}

// A white LED: blue pump plus a broad phosphor band, the pump share set for 4000 K.
Irradiance LedSpectrum(double pumpShare) {
    Irradiance e{};
    for (int k = 0; k < kIrradianceCount; ++k) {
        double nm = kIrradianceFirstNm + 5.0 * k;
        e[k] = pumpShare * Bell(nm, 450, 10) + 0.55 * Bell(nm, 560, 45) + 0.45 * Bell(nm, 620, 45);
    }
    return e;
}

Irradiance Led4000K() {
    double lo = 0.01, hi = 2.0;  // CCT rises with the pump share
    for (int i = 0; i < 60; ++i) {
        double mid = (lo + hi) / 2;
        auto v = AnalyseLight(LedSpectrum(mid));
        (v && v->cct < 4000 ? lo : hi) = mid;
    }
    return LedSpectrum((lo + hi) / 2);
}

bool ParseNumberToken(const std::string &token, double &value) {
    const char *end = token.data() + token.size();
    auto res = std::from_chars(token.data(), end, value);
    return res.ec == std::errc() && res.ptr == end && std::isfinite(value);
}

std::vector<std::string> Tokens(std::string line) {
    std::replace_if(line.begin(), line.end(), [](char c) { return c == ',' || c == ';' || c == '\t'; }, ' ');
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string t; in >> t;)
        out.push_back(t);
    return out;
}

bool Fail(std::string *error, const std::string &text) {
    if (error)
        *error = text;
    return false;
}

// Resamples (nm, value) pairs to the 10 nm grid by linear interpolation.
bool Resample(const std::vector<std::pair<double, double>> &pairs, Reflectance &out, std::string *error) {
    for (size_t i = 1; i < pairs.size(); ++i)
        if (!(pairs[i].first > pairs[i - 1].first))
            return Fail(error, "wavelengths must increase");
    if (pairs.size() < 2 || pairs.front().first > kReflectanceFirstNm || pairs.back().first < kReflectanceLastNm)
        return Fail(error, "the wavelengths must cover 380 to 730 nm");
    size_t j = 0;
    for (int i = 0; i < kReflectanceCount; ++i) {
        double nm = kReflectanceFirstNm + 10.0 * i;
        while (pairs[j + 1].first < nm)
            ++j;
        double f = (nm - pairs[j].first) / (pairs[j + 1].first - pairs[j].first);
        out[i] = pairs[j].second * (1 - f) + pairs[j + 1].second * f;
    }
    return true;
}

}  // namespace

const std::vector<Sample> &SampleLibrary() {
    static const std::vector<Sample> lib = BuildLibrary();
    return lib;
}

std::optional<Sample> FindSample(const std::string &name) {
    for (const auto &s : SampleLibrary())
        if (s.name == name)
            return s;
    return std::nullopt;
}

std::vector<std::string> LightSourceNames() {
    return {"A", "D65", "F2", "F11", "LED4000K"};
}

std::optional<LightSource> MakeLightSource(const std::string &name, double lux) {
    if (!(lux > 0) || !std::isfinite(lux))
        return std::nullopt;
    Irradiance e{};
    if (name == "LED4000K") {
        e = Led4000K();
    } else {
        const auto &t = tables::Illuminants();
        int col = t.Column(name);
        const auto names = LightSourceNames();
        if (col < 0 || std::find(names.begin(), names.end(), name) == names.end())
            return std::nullopt;
        for (const auto &row : t.rows) {
            int k = static_cast<int>(std::lround((row[0] - kIrradianceFirstNm) / 5));
            if (k >= 0 && k < kIrradianceCount)
                e[k] = std::isnan(row[col]) ? 0.0 : row[col];
        }
    }
    auto v = AnalyseLight(e);
    if (!v)
        return std::nullopt;
    for (auto &x : e)
        x *= lux / v->lux;
    return LightSource{name, e};
}

std::optional<Sample> ParseSampleText(const std::string &text, const std::string &name, std::string *error) {
    std::vector<double> values;
    std::vector<std::pair<double, double>> pairs;
    std::istringstream in(text);
    std::string line;
    for (int lineNo = 1; std::getline(in, line); ++lineNo) {
        if (auto hash = line.find('#'); hash != std::string::npos)
            line.erase(hash);
        auto tokens = Tokens(line);
        if (tokens.empty())
            continue;
        double a = 0, b = 0;
        bool ok = tokens.size() <= 2 && ParseNumberToken(tokens[0], a) &&
                  (tokens.size() == 1 || ParseNumberToken(tokens[1], b));
        if (!ok || (tokens.size() == 1 && !pairs.empty()) || (tokens.size() == 2 && !values.empty())) {
            Fail(error, "line " + std::to_string(lineNo) + ": expected a value or a \"nm value\" pair");
            return std::nullopt;
        }
        if (tokens.size() == 1)
            values.push_back(a);
        else
            pairs.emplace_back(a, b);
    }
    Sample s{name, {}, 0, 0};
    if (!values.empty()) {
        if (values.size() != kReflectanceCount) {
            Fail(error, "expected 36 values (380 to 730 nm in 10 nm steps), found " + std::to_string(values.size()));
            return std::nullopt;
        }
        std::copy(values.begin(), values.end(), s.body.begin());
    } else if (!Resample(pairs, s.body, error)) {
        return std::nullopt;
    }
    double peak = *std::max_element(s.body.begin(), s.body.end());
    double lowest = *std::min_element(s.body.begin(), s.body.end());
    if (lowest < 0) {
        Fail(error, "negative reflectance");
        return std::nullopt;
    }
    if (peak > 2.0)  // written in percent
        for (auto &v : s.body)
            v /= 100.0;
    return s;
}

std::optional<Sample> ReadSampleFile(const std::filesystem::path &file, std::string *error) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        Fail(error, "cannot open " + file.string());
        return std::nullopt;
    }
    std::stringstream text;
    text << in.rdbuf();
    return ParseSampleText(text.str(), file.stem().string(), error);
}

}  // namespace ombra::colorimetry
