#include "net/tls_check.h"

#include <openssl/x509_vfy.h>

#include "settings/text_utils.h"

namespace {

constexpr std::string_view kPinPrefix = "sha256:";
constexpr std::size_t kPinDigits = 64;

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

const char* CertificateFailureKey(long verifyResult) {
    switch (verifyResult) {
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
            return "certificate_self_signed";
        case X509_V_ERR_CERT_HAS_EXPIRED:
            return "certificate_expired";
        case X509_V_ERR_CERT_NOT_YET_VALID:
            return "certificate_not_yet_valid";
        case X509_V_ERR_HOSTNAME_MISMATCH:
        case X509_V_ERR_IP_ADDRESS_MISMATCH:
            return "certificate_host_mismatch";
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
            return "certificate_unknown_issuer";
        default:
            return nullptr;
    }
}

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
