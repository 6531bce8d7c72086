// libFuzzer target for the virtual instrument's scenario and state files (JSON): any bytes give
// devices or an error text, never a crash; a state that is accepted is written and read back
// to the same bytes.
#include <QByteArray>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray json(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    std::string error;
    auto devices = fxsim::ParseScenario(json, error);
    if (!devices && error.empty()) std::abort();  // a refusal always says why
    error.clear();
    auto state = fxsim::ParseState(json, error);
    if (!state) {
        if (error.empty()) std::abort();
        return 0;
    }
    const QByteArray written = fxsim::SerializeState(*state);
    auto again = fxsim::ParseState(written, error);
    if (!again || fxsim::SerializeState(*again) != written) std::abort();
    return 0;
}
