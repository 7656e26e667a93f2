#include "net/tls_check.h"

#include "settings/text_utils.h"

namespace {

constexpr std::string_view kPinPrefix = "sha256:";
constexpr std::size_t kPinDigits = 64;

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

bool SameFingerprint(const std::string& a, const std::string& b) {
    const std::string left = Trim(a);
    return !left.empty() && SameTextAscii(left, Trim(b));
}

PinForm PinFormOf(std::string_view stored) {
    const std::string pin = Trim(stored);
    if (pin.empty()) return PinForm::Absent;
    if (pin.size() != kPinPrefix.size() + kPinDigits ||
        !SameTextAscii(std::string_view(pin).substr(0, kPinPrefix.size()), kPinPrefix))
        return PinForm::Malformed;
    for (std::size_t i = kPinPrefix.size(); i < pin.size(); ++i)
        if (!IsHexDigit(pin[i])) return PinForm::Malformed;
    return PinForm::WellFormed;
}
