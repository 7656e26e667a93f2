#pragma once
// What a TLS handshake checks about the server, and what it reports about a certificate it
// refused. Kept apart from the TLS layer so that the client and its tests need no OpenSSL.

#include <string>
#include <string_view>

#include "settings/errors.h"

struct TlsCheck {
    std::string host;        // the name the certificate must carry
    bool verifyPeer = true;  // false: any certificate (SSL_VERIFY=0)
    // "sha256:<64 hex digits>": exactly this certificate is accepted without checking its
    // chain and name (SSL_PIN); any other is checked as usual.
    std::string pin;
};

struct CertificateDetails {
    std::string fingerprint;  // "sha256:" and 64 lower-case hexadecimal digits
    std::string subject;
    std::string issuer;
    std::string notBefore;  // "2026-12-07 11:46:00 UTC"
    std::string notAfter;
};

// A certificate that failed verification, and the reason.
struct CertificateProblem {
    std::string reason;
    CertificateDetails certificate;
    // The server name the certificate was checked for: the one connected to, which for an
    // account whose server comes from elsewhere at each session is not in its settings.
    std::string host;
};

// The handshake failed because the server's certificate did not verify.
class CertificateError : public TarnwickError {
public:
    CertificateError(const std::string& message, CertificateProblem problem)
        : TarnwickError(message), problem_(std::move(problem)) {}
    const CertificateProblem& Problem() const { return problem_; }

private:
    CertificateProblem problem_;
};

// The language key of a common certificate verification failure (self-signed, expired, not yet
// valid, issued for another name, unknown issuer) by OpenSSL's verification result; none for the
// rarer ones, which keep OpenSSL's own text.
const char* CertificateFailureKey(long verifyResult);

// "sha256:<hex>" as stored, compared without regard to case and blanks around it.
bool SameFingerprint(const std::string& a, const std::string& b);

// A stored SSL_PIN: none (blank), or "sha256:" and 64 hexadecimal digits (letter case and blanks
// around it ignored); anything else (another digest, colons between the bytes, a digit too many
// or too few) is malformed and never matches a certificate.
enum class PinForm { Absent, WellFormed, Malformed };
PinForm PinFormOf(std::string_view stored);
