// Wire format between the instrument library and a virtual instrument.
//
// One stream connection per open device. Every library call is one request followed by one
// response. A request is a fixed header plus an optional payload; the response echoes the
// request's sequence number so that a client that gave up waiting (time-out) can drop the
// late answer when it finally arrives. All fields are little-endian.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fxproto {

inline constexpr uint32_t kRequestMagic = 0x31515846;   // "FXQ1"
inline constexpr uint32_t kResponseMagic = 0x31525846;  // "FXR1"
inline constexpr uint32_t kMaxPayload = 4096;

// One operation per library function, in the order the header lists them.
enum class Op : int32_t {
    EnumDevice = 1,
    CloseDevice,
    SetProperty,
    GetButtonStatus,
    DoMeasurement,
    DoCalibration,
    DoPolarizationCalib,
    GetCalibrateStatus,
    GetSpectrum,
    GetColor,
    GetDensity,
    GetColorIndex,
    GetSpotColorDensity,
    GetDevInfo,
    RegUserIlluminant,
    GetUserIlluminant,
    GetCertificationColorSet,
    SetCertificationColorSet,
    ClearCertificationColorSet,
    SetPolFilterCondition,
    GetPolFilterCondition,
};
inline constexpr int kOpCount = 21;

inline constexpr const char *kOpNames[kOpCount] = {
    "DIEnumDevice",          "DICloseDevice",        "DISetProperty",
    "DIGetButtonStatus",     "DIDoMeasurement",      "DIDoCalibration",
    "DIDoPolarizationCalib", "DIGetCalibrateStatus", "DIGetSpectrum",
    "DIGetColor",            "DIGetDensity",         "DIGetColorIndex",
    "DIGetSpotColorDensity", "DIGetDevInfo",         "DIRegUserIlluminant",
    "DIGetUserIlluminant",   "DIGetCertificationColorSet", "DISetCertificationColorSet",
    "DIClearCertificationColorSet", "DISetPolFilterCondition", "DIGetPolFilterCondition",
};

inline const char *OpName(Op op) {
    int i = static_cast<int>(op);
    return i >= 1 && i <= kOpCount ? kOpNames[i - 1] : "?";
}

inline std::optional<Op> OpFromName(std::string_view name) {
    for (int i = 0; i < kOpCount; ++i)
        if (name == kOpNames[i]) return static_cast<Op>(i + 1);
    return std::nullopt;
}

struct RequestHeader {
    uint32_t magic;
    uint32_t seq;
    int32_t op;
    int32_t arg0;
    int32_t arg1;
    uint32_t payloadSize;
};
static_assert(sizeof(RequestHeader) == 24);

struct ResponseHeader {
    uint32_t magic;
    uint32_t seq;
    int32_t result;
    uint32_t payloadSize;
};
static_assert(sizeof(ResponseHeader) == 16);

struct Request {
    RequestHeader header{};
    std::vector<uint8_t> payload;
};

struct Response {
    ResponseHeader header{};
    std::vector<uint8_t> payload;
};

// Serialised bytes of a whole message.
template <typename Message>
std::vector<uint8_t> Encode(const Message &message) {
    std::vector<uint8_t> bytes(sizeof(message.header) + message.payload.size());
    auto header = message.header;
    header.payloadSize = static_cast<uint32_t>(message.payload.size());
    std::memcpy(bytes.data(), &header, sizeof(header));
    if (!message.payload.empty())
        std::memcpy(bytes.data() + sizeof(header), message.payload.data(), message.payload.size());
    return bytes;
}

// Incremental decoder: feed bytes as they arrive, take complete messages out.
// A bad magic or an oversized payload makes the stream unusable (Broken()).
template <typename Message, uint32_t Magic>
class Decoder {
public:
    void Feed(const uint8_t *data, size_t size) { buffer_.insert(buffer_.end(), data, data + size); }

    std::optional<Message> Next() {
        if (broken_ || buffer_.size() < sizeof(Message{}.header)) return std::nullopt;
        Message message;
        std::memcpy(&message.header, buffer_.data(), sizeof(message.header));
        if (message.header.magic != Magic || message.header.payloadSize > kMaxPayload) {
            broken_ = true;
            return std::nullopt;
        }
        size_t total = sizeof(message.header) + message.header.payloadSize;
        if (buffer_.size() < total) return std::nullopt;
        message.payload.assign(buffer_.begin() + sizeof(message.header), buffer_.begin() + total);
        buffer_.erase(buffer_.begin(), buffer_.begin() + total);
        return message;
    }

    bool Broken() const { return broken_; }
    // Bytes received but not yet taken out as messages.
    size_t Buffered() const { return buffer_.size(); }

private:
    std::vector<uint8_t> buffer_;
    bool broken_ = false;
};

using RequestDecoder = Decoder<Request, kRequestMagic>;
using ResponseDecoder = Decoder<Response, kResponseMagic>;

// Device sockets are named "<anything>.dev" in the device directory; the control socket of
// the virtual instrument sits beside them.
inline constexpr const char *kDeviceSuffix = ".dev";
inline constexpr const char *kControlSocketName = "control.sock";

}  // namespace fxproto
