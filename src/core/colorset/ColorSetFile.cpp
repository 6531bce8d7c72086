#include "core/colorset/ColorSetFile.h"

#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

#include "core/platform/Numbers.h"

namespace ombra::core {
namespace {

// ---- reading numbers: the longest leading part that forms one, "." whatever the locale ----

bool isDigit(char c) { return c >= '0' && c <= '9'; }

size_t skipBlanks(std::string_view field) {
    size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || field[i] == '\t' || field[i] == '\r' || field[i] == '\v' ||
                                field[i] == '\f'))
        ++i;
    return i;
}

size_t skipDigits(std::string_view field, size_t i) {
    while (i < field.size() && isDigit(field[i])) ++i;
    return i;
}

// Beyond the int range the value stops at its ends; the range checks refuse it then.
int readInt(std::string_view field) {
    size_t i = skipBlanks(field);
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
    int64_t value = 0;
    for (; i < field.size() && isDigit(field[i]); ++i)
        value = std::min<int64_t>(value * 10 + (field[i] - '0'), int64_t{1} << 40);
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

locale_t cLocale() {
    static locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

}  // namespace

double ReadLeadingDecimal(std::string_view field) {
    size_t start = skipBlanks(field), i = start;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) ++i;
    size_t intEnd = skipDigits(field, i);
    size_t end = intEnd;
    if (end < field.size() && field[end] == '.') end = skipDigits(field, end + 1);
    if (end - i == 0 || (end - i == 1 && intEnd == i)) return 0.0;  // no digit at all
    if (end < field.size() && (field[end] == 'e' || field[end] == 'E')) {
        size_t e = end + 1;
        if (e < field.size() && (field[e] == '+' || field[e] == '-')) ++e;
        if (size_t expEnd = skipDigits(field, e); expEnd > e) end = expEnd;
    }
    std::string number(field.substr(start, end - start));
    return strtod_l(number.c_str(), nullptr, cLocale());
}

namespace {

double readDouble(std::string_view field) { return ReadLeadingDecimal(field); }

// ---- reading lines ----

class LineReader {
public:
    explicit LineReader(std::string_view bytes) : rest_(bytes) {}

    bool ok() const { return ok_; }

    // A text line of at most `limit` bytes.
    void text(std::string &out, size_t limit) {
        std::string_view line;
        if (!next(line) || !fail(line.size() > limit)) return;
        out.assign(line);
    }
    void keyword(std::string &out, std::string_view keyword) { text(out, keyword.size()); }
    void number(int &out) {
        std::string_view line;
        if (next(line) && fail(line.empty())) out = readInt(line);
    }
    void number(double &out) {
        std::string_view line;
        if (next(line) && fail(line.empty())) out = readDouble(line);
    }
    // A comma line: the fields in order, the last one taking the rest of the line.
    template <class... Out>
    void fields(Out &...out) {
        std::string_view line;
        if (!next(line)) return;
        size_t left = sizeof...(Out);
        (field(line, out, --left == 0), ...);
    }

private:
    bool next(std::string_view &line) {
        if (!ok_) return false;
        if (rest_.empty()) return fail(true);
        size_t end = rest_.find('\n');
        line = rest_.substr(0, end);
        rest_ = end == std::string_view::npos ? std::string_view{} : rest_.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return true;
    }
    // Notes a failure; true while reading may go on.
    bool fail(bool failed) {
        if (failed) ok_ = false;
        return ok_;
    }
    template <class T>
    void field(std::string_view &line, T &out, bool last) {
        size_t comma = last ? std::string_view::npos : line.find(',');
        std::string_view value = line.substr(0, comma);
        line = comma == std::string_view::npos ? std::string_view{} : line.substr(comma + 1);
        if (!fail(value.empty())) return;
        if constexpr (std::is_same_v<T, int>) out = readInt(value);
        else out = readDouble(value);
    }

    std::string_view rest_;
    bool ok_ = true;
};

void readColor(LineReader &in, ColorSetFileImage::Color &c) {
    in.number(c.valid);
    in.text(c.name, kColorNameLimit);
    if (c.name == kUndefinedColorName) c.name.clear();
    in.fields(c.L, c.a, c.b);
    in.number(c.toleranceCheck);
    in.fields(c.tolerances[0], c.tolerances[1], c.tolerances[2], c.tolerances[3]);
}

void readTone(LineReader &in, ColorSetFileImage::Tone &t) {
    in.number(t.enabled);
    in.number(t.color);
    for (ColorSetFileImage::Step &s : t.steps) {
        in.number(s.on);
        in.fields(s.tint, s.aim, s.tolerance);
    }
}

// ---- checking ----

bool within(double value, double minimum, double maximum) { return value >= minimum && value <= maximum; }
bool within(int value, int minimum, int maximum) { return value >= minimum && value <= maximum; }
bool isFlag(int value) { return value == 0 || value == 1; }

bool headerAcceptable(const ColorSetFileImage &f) {
    for (size_t i = 0; i < kColorSetFileKeywords.size(); ++i)
        if (f.keywords[i] != kColorSetFileKeywords[i]) return false;
    bool polarised = f.conditionIndex == 3;
    return f.version == kColorSetFileVersion && IsValidColorSetText(f.name, kColorSetNameLimit) &&
           within(f.conditionIndex, 0, 4) && within(f.illuminant, 0, 14) && isFlag(f.observer) &&
           within(f.differenceFormula, 0, 4) && within(f.factors[0], 0.01, 9.99) &&
           within(f.factors[1], 0.01, 9.99) && within(f.factors[2], 0.01, 9.99) && within(f.conditionMode, 0, 2) &&
           isFlag(f.polarization) && f.polarization == (polarised ? 1 : 0) && within(f.paperColor, -1, 14) &&
           within(f.toneConditionIndex, 0, 2) && within(f.toneSetting, 0, 4) && within(f.toneFactor, 0.5, 9.9);
}

bool colorAcceptable(const ColorSetFileImage::Color &c) {
    if (!IsValidColorSetText(c.name, kColorNameLimit) || !within(c.L, 0.0, 999.99) || !within(c.a, -999.99, 999.99) ||
        !within(c.b, -999.99, 999.99) || !isFlag(c.valid) || !isFlag(c.toleranceCheck))
        return false;
    for (double t : c.tolerances)
        if (!within(t, 0.0, 9.99)) return false;
    return true;
}

bool tonesAcceptable(const ColorSetFileImage &f) {
    if (!isFlag(f.midEnabled) || !within(f.midStepIndex, 0, 2) || !within(f.midTolerance, 0.1, 99.9)) return false;
    for (int index : f.midToneIndexes)
        if (!within(index, 0, kColorSetTones - 1)) return false;
    for (const ColorSetFileImage::Tone &t : f.tones) {
        if (!isFlag(t.enabled) || !within(t.color, 0, kColorSetColors - 1)) return false;
        for (const ColorSetFileImage::Step &s : t.steps)
            if (!isFlag(s.on) || !within(s.aim, -99.9, 99.9) || !within(s.tolerance, 0.1, 99.9)) return false;
    }
    return true;
}

// ---- writing ----

class LineWriter {
public:
    void line(std::string_view text) {
        out_.append(text);
        out_.append("\r\n");
    }
    void number(int value) { line(std::to_string(value)); }
    void number(double value, int decimals) { line(platform::FormatNumber(value, decimals)); }
    // A comma line of numbers with `decimals` digits each.
    template <size_t N>
    void numbers(const std::array<float, N> &values, int decimals) {
        std::string text;
        for (size_t i = 0; i < N; ++i) text += (i ? "," : "") + platform::FormatNumber(values[i], decimals);
        line(text);
    }
    std::string take() { return std::move(out_); }

private:
    std::string out_;
};

void writeColor(LineWriter &out, const ColorEntry &c) {
    out.number(c.valid);
    out.line(c.valid == 0 ? kUndefinedColorName : std::string_view(c.name));
    out.numbers(std::array<float, 3>{c.L, c.a, c.b}, 2);
    out.number(c.toleranceCheck);
    std::array<float, kColorTolerances> tolerances{};
    for (int i = 0; i < kColorTolerances; ++i) tolerances[i] = c.tolerances[i].inUse ? c.tolerances[i].value : 0.0f;
    out.numbers(tolerances, 2);
}

void writeTone(LineWriter &out, const ToneEntry &t) {
    out.number(t.enabled);
    out.number(t.color);
    for (const ToneStep &s : t.steps) {
        out.number(s.on ? 1 : 0);
        out.line(std::to_string(WholeTint(s.tint)) + "," + platform::FormatNumber(s.aim, 1) + "," +
                 platform::FormatNumber(s.tolerance, 1));
    }
}

bool definedColor(const ColorSet &set, int index) {
    return index >= 0 && index < kColorSetColors && set.colors[index].valid == 1;
}

int paperColorToWrite(const ColorSet &set) {
    bool undefined = set.paperColor >= 0 && set.paperColor < kColorSetColors && !definedColor(set, set.paperColor);
    return undefined ? kNoPaperColor : set.paperColor;
}

bool allFinite(const ColorSet &set) {
    auto finite = [](float v) { return std::isfinite(v); };
    for (float f : set.factors)
        if (!finite(f)) return false;
    for (const ColorEntry &c : set.colors) {
        if (!finite(c.L) || !finite(c.a) || !finite(c.b)) return false;
        for (const Tolerance &t : c.tolerances)
            if (!finite(t.value)) return false;
    }
    for (const ToneEntry &t : set.tones)
        for (const ToneStep &s : t.steps)
            if (!finite(s.tint) || !finite(s.aim) || !finite(s.tolerance)) return false;
    return finite(set.toneFactor) && finite(set.midToneSpread.tolerance);
}

// Names go into the file as lines of their own: one with a line break in it would move
// every later line.
bool namesWritable(const ColorSet &set) {
    if (!IsValidColorSetText(set.name, kColorSetNameLimit)) return false;
    for (const ColorEntry &c : set.colors)
        if (c.valid != 0 && !IsValidColorSetText(c.name, kColorNameLimit)) return false;
    return true;
}

Tolerance toleranceFromFile(double value) {
    return value != 0.0 ? Tolerance{1, static_cast<float>(value)} : Tolerance{0, 5.0f};
}

}  // namespace

std::optional<ColorSetFileImage> ParseColorSetFile(std::string_view bytes) {
    ColorSetFileImage f;
    LineReader in(bytes);
    const auto &keys = kColorSetFileKeywords;
    in.keyword(f.keywords[0], keys[0]);
    in.number(f.version);
    in.keyword(f.keywords[1], keys[1]);
    in.text(f.name, kColorSetNameLimit);
    in.number(f.illuminant);
    in.number(f.observer);
    in.number(f.conditionIndex);
    in.number(f.differenceFormula);
    in.fields(f.factors[0], f.factors[1], f.factors[2]);
    in.number(f.conditionMode);
    in.number(f.polarization);
    in.keyword(f.keywords[2], keys[2]);
    in.number(f.paperColor);
    in.keyword(f.keywords[3], keys[3]);
    for (ColorSetFileImage::Color &c : f.colors) readColor(in, c);
    in.keyword(f.keywords[4], keys[4]);
    in.number(f.midEnabled);
    in.number(f.midStepIndex);
    in.fields(f.midToneIndexes[0], f.midToneIndexes[1], f.midToneIndexes[2]);
    in.number(f.midTolerance);
    in.keyword(f.keywords[5], keys[5]);
    in.number(f.toneSetting);
    in.number(f.toneConditionIndex);
    in.number(f.toneFactor);
    for (ColorSetFileImage::Tone &t : f.tones) readTone(in, t);
    if (!in.ok()) return std::nullopt;
    return f;
}

bool IsAcceptableColorSetFile(const ColorSetFileImage &image) {
    if (!headerAcceptable(image) || !tonesAcceptable(image)) return false;
    for (const ColorSetFileImage::Color &c : image.colors)
        if (!colorAcceptable(c)) return false;
    return image.paperColor == kNoPaperColor || image.colors[image.paperColor].valid == 1;
}

void ApplyColorSetFile(const ColorSetFileImage &f, ColorSet &set) {
    set.name = f.name;
    set.illuminant = f.illuminant;
    set.observer = f.observer == 1 ? 1 : 0;
    set.measurementCondition = MeasurementConditionFromIndex(f.conditionIndex);
    set.differenceFormula = f.differenceFormula;
    for (int i = 0; i < 3; ++i) set.factors[i] = static_cast<float>(f.factors[i]);
    set.conditionMode = f.conditionMode;
    set.polarization = f.polarization == 1 ? 1 : 0;
    set.paperColor = f.paperColor;
    for (int i = 0; i < kColorSetColors; ++i) {
        const ColorSetFileImage::Color &from = f.colors[i];
        ColorEntry &c = set.colors[i];
        c = ColorEntry{from.name, static_cast<float>(from.L), static_cast<float>(from.a), static_cast<float>(from.b),
                       from.valid, from.toleranceCheck};
        for (int t = 0; t < kColorTolerances; ++t) c.tolerances[t] = toleranceFromFile(from.tolerances[t]);
    }
    set.midToneSpread = MidToneSpread{f.midEnabled == 1 ? 1 : 0, f.midStepIndex, f.midToneIndexes,
                                      static_cast<float>(f.midTolerance)};
    set.toneSetting = f.toneSetting;
    set.toneMeasurementCondition = ToneMeasurementConditionFromIndex(f.toneConditionIndex);
    set.toneFactor = static_cast<float>(f.toneFactor);
    for (int i = 0; i < kColorSetTones; ++i) {
        const ColorSetFileImage::Tone &from = f.tones[i];
        ToneEntry &t = set.tones[i];
        t.enabled = from.enabled == 1 ? 1 : 0;
        t.color = from.color;
        for (int s = 0; s < kToneSteps; ++s) {
            const ColorSetFileImage::Step &step = from.steps[s];
            t.steps[s] = ToneStep{step.on == 1, static_cast<float>(step.tint), static_cast<float>(step.aim),
                                  static_cast<float>(step.tolerance)};
        }
        if (t.enabled && !definedColor(set, t.color)) t.enabled = 0;
        t.defined = t.enabled;
    }
}

std::string FormatColorSetFile(const ColorSet &set) {
    LineWriter out;
    const auto &keys = kColorSetFileKeywords;
    out.line(keys[0]);
    out.number(kColorSetFileVersion);
    out.line(keys[1]);
    out.line(set.name);
    out.number(set.illuminant);
    out.number(set.observer);
    out.number(MeasurementConditionToIndex(set.measurementCondition));
    out.number(set.differenceFormula);
    out.numbers(set.factors, 2);
    out.number(set.conditionMode);
    out.number(set.polarization);
    out.line(keys[2]);
    out.number(paperColorToWrite(set));
    out.line(keys[3]);
    for (const ColorEntry &c : set.colors) writeColor(out, c);
    out.line(keys[4]);
    const MidToneSpread &mid = set.midToneSpread;
    out.number(mid.enabled);
    out.number(mid.stepIndex);
    out.line(std::to_string(mid.toneIndexes[0]) + "," + std::to_string(mid.toneIndexes[1]) + "," +
             std::to_string(mid.toneIndexes[2]));
    out.number(mid.tolerance, 1);
    out.line(keys[5]);
    out.number(set.toneSetting);
    out.number(ToneMeasurementConditionToIndex(set.toneMeasurementCondition));
    out.number(set.toneFactor, 2);
    for (const ToneEntry &t : set.tones) writeTone(out, t);
    return out.take();
}

std::optional<std::string> ColorSetFileText(const ColorSet &set) {
    if (!allFinite(set) || !namesWritable(set)) return std::nullopt;
    std::string text = FormatColorSetFile(set);
    // Checking what will be read back, not the in-memory values, keeps saving and loading
    // in step (rounding to the written decimals included).
    std::optional<ColorSetFileImage> image = ParseColorSetFile(text);
    if (!image || !IsAcceptableColorSetFile(*image)) return std::nullopt;
    return text;
}

bool ReadColorSetFileText(std::string_view bytes, ColorSet &set) {
    std::optional<ColorSetFileImage> image = ParseColorSetFile(bytes);
    if (!image || !IsAcceptableColorSetFile(*image)) return false;
    ApplyColorSetFile(*image, set);
    return true;
}

}  // namespace ombra::core
