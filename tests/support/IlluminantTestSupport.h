// Helpers of the user illuminant tests: an instrument that keeps a user illuminant, a
// stand-in colour library that records its calls, files in a scratch folder, a comma locale.
#pragma once

#include "support/CommaLocale.h"

#include <QTemporaryDir>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

#include "core/illuminant/ColorCalculation.h"
#include "core/illuminant/UserIlluminantFile.h"
#include "corvexres/ResourceIds.h"
#include "support/FakeInstrument.h"

namespace ombra::core::test {

// The scripted instrument, plus a memory for the user illuminant: DIGetUserIlluminant hands
// out `stored` (on failure it scribbles over the caller's record first, as a careless library
// might), DIRegUserIlluminant keeps what it was given.
class IlluminantInstrument : public FakeInstrument {
public:
    IlluminantInstrument() {
        fakeGet() = Table().DIGetUserIlluminant;
        fakeReg() = Table().DIRegUserIlluminant;
        DIFunctions table = Table();
        table.DIGetUserIlluminant = [](DIHANDLE h, DIUserIlluminant *record) {
            int32_t rc = fakeGet()(h, record);
            if (rc == 0) *record = stored();
            else for (float &v : record->power) v = -7.0f;
            return rc;
        };
        table.DIRegUserIlluminant = [](DIHANDLE h, DIUserIlluminant *record) {
            registered().push_back(*record);
            return fakeReg()(h, record);
        };
        InstallInstrumentFunctions(table);
        stored() = {};
        registered().clear();
    }
    static DIUserIlluminant &stored() {
        static DIUserIlluminant record{};
        return record;
    }
    static std::vector<DIUserIlluminant> &registered() {
        static std::vector<DIUserIlluminant> records;
        return records;
    }

private:
    static decltype(DIFunctions::DIGetUserIlluminant) &fakeGet() {
        static decltype(DIFunctions::DIGetUserIlluminant) f = nullptr;
        return f;
    }
    static decltype(DIFunctions::DIRegUserIlluminant) &fakeReg() {
        static decltype(DIFunctions::DIRegUserIlluminant) f = nullptr;
        return f;
    }
};

// Puts a recording function in place of the colour library while alive.
class FakeColorLibrary {
public:
    struct Call {
        std::vector<float> spectrum;
        int count = 0;
        int32_t header[3] = {0, 0, 0};
    };
    explicit FakeColorLibrary(int result = 0, IlluminantResults values = {1234.9f, 5003.7f, 0.0042f})
        : result_(result), values_(values) {
        previous_ = SetSpectrumToColorForTest([this](const float *spectrum, int count, void *request) {
            Call call;
            call.spectrum.assign(spectrum, spectrum + count);
            call.count = count;
            std::memcpy(call.header, request, sizeof call.header);
            calls_.push_back(call);
            if (result_ == 0) std::memcpy(static_cast<char *>(request) + 12, values_.data(), 12);
            return result_;
        });
    }
    ~FakeColorLibrary() { SetSpectrumToColorForTest(previous_); }
    void SetResult(int result) { result_ = result; }
    const std::vector<Call> &Calls() const { return calls_; }

private:
    int result_;
    IlluminantResults values_;
    std::vector<Call> calls_;
    SpectrumToColorFunction previous_;
};

inline UserIlluminantRecord RampRecord(float start = 0.0f, float step = 1.0f) {
    UserIlluminantRecord record{};
    for (int i = 0; i < kUserIlluminantPoints; ++i) record.power[i] = start + step * static_cast<float>(i);
    return record;
}

inline std::string RampText(int lines) {
    std::ostringstream text;
    for (int i = 0; i < lines; ++i) text << i << ".0000\n";
    return text.str();
}

inline void WriteText(const std::string &path, const std::string &text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadText(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

}  // namespace ombra::core::test
