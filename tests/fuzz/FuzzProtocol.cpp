// libFuzzer target for the instrument protocol: the bytes arrive in pieces of fuzzer-chosen
// sizes at the request decoder (the virtual instrument's side) and the response decoder (the
// library's side). Every message taken out re-encodes to exactly the bytes it came from, a
// broken stream stays broken, and every request is answered by a virtual device without harm.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "Device.h"
#include "ResultEngine.h"
#include "fxproto.h"

namespace {

// Feeds `bytes` in pieces; checks each message against the bytes it was made of.
template <typename Decoder, typename Handle>
void Decode(const std::vector<uint8_t> &bytes, const std::vector<size_t> &pieces, Handle &&handle) {
    Decoder decoder;
    size_t fed = 0, consumed = 0;
    for (size_t i = 0; fed < bytes.size(); ++i) {
        size_t piece = std::min(pieces.empty() ? bytes.size() : pieces[i % pieces.size()], bytes.size() - fed);
        decoder.Feed(bytes.data() + fed, piece);
        fed += piece;
        while (auto message = decoder.Next()) {
            if (message->payload.size() != message->header.payloadSize) std::abort();
            if (message->payload.size() > fxproto::kMaxPayload) std::abort();
            std::vector<uint8_t> encoded = fxproto::Encode(*message);
            if (consumed + encoded.size() > fed || std::memcmp(encoded.data(), bytes.data() + consumed, encoded.size()) != 0)
                std::abort();
            consumed += encoded.size();
            handle(*message);
        }
        if (decoder.Broken() && decoder.Next()) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    // The first byte chooses how many of the following bytes give piece sizes (1..64 each).
    size_t pieceCount = std::min<size_t>(data[0] % 8, size - 1);
    std::vector<size_t> pieces;
    for (size_t i = 0; i < pieceCount; ++i) pieces.push_back(data[1 + i] % 64 + 1);
    const std::vector<uint8_t> bytes(data + 1 + pieceCount, data + size);

    static std::unique_ptr<fxsim::ResultEngine> engine = fxsim::MakeResultEngine();
    fxsim::Device device(fxsim::DeviceConfig{}, *engine);
    Decode<fxproto::RequestDecoder>(bytes, pieces, [&](const fxproto::Request &request) {
        fxproto::Response response = device.Handle(request);
        if (response.payload.size() > fxproto::kMaxPayload) std::abort();
    });
    Decode<fxproto::ResponseDecoder>(bytes, pieces, [](const fxproto::Response &) {});
    return 0;
}
