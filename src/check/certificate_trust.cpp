#include "check/certificate_trust.h"

#include "settings/language.h"
#include "settings/settings.h"
#include "settings/text_utils.h"

namespace {

constexpr const char* kPinKey = "SSL_PIN";
constexpr const char* kDeclinedKey = "SSL_PIN_DECLINED";

std::string StoredFingerprint(const AccountSettings& account, const char* key) {
    return OpenSettings()->ReadString(AccountSection(account), key, "");
}

std::string Line(const char* key, const std::string& value) {
    return GetLangText(key) + " " + value + "\n";
}

}  // namespace

TrustQuestion AskedTrustQuestion(const AccountSettings& account,
                                 const CertificateProblem& problem) {
    const std::string pin = StoredFingerprint(account, kPinKey);
    switch (PinFormOf(pin)) {
        case PinForm::Absent:
            return TrustQuestion::New;
        case PinForm::Malformed:
            return TrustQuestion::MalformedPin;
        case PinForm::WellFormed:
            break;
    }
    return SameFingerprint(pin, problem.certificate.fingerprint) ? TrustQuestion::None
                                                                 : TrustQuestion::Changed;
}

TrustQuestion TrustQuestionFor(const AccountSettings& account, const CertificateProblem& problem) {
    const std::string& fingerprint = problem.certificate.fingerprint;
    if (fingerprint.empty() ||
        SameFingerprint(StoredFingerprint(account, kDeclinedKey), fingerprint))
        return TrustQuestion::None;
    return AskedTrustQuestion(account, problem);
}

std::optional<TrustRequest> TrustRequestFor(const AccountSettings& account,
                                            const std::optional<CertificateProblem>& failure) {
    if (!failure || TrustQuestionFor(account, *failure) == TrustQuestion::None) return {};
    return TrustRequest{account, *failure};
}

void AnswerTrustQuestion(const TrustRequest& request, bool trusted) {
    const std::string& fingerprint = request.problem.certificate.fingerprint;
    if (trusted)
        TrustCertificate(request.account, fingerprint);
    else
        DeclineCertificate(request.account, fingerprint);
}

void TrustCertificate(const AccountSettings& account, const std::string& fingerprint) {
    OpenSettings()->WriteString(AccountSection(account), kPinKey, fingerprint);
}

void DeclineCertificate(const AccountSettings& account, const std::string& fingerprint) {
    OpenSettings()->WriteString(AccountSection(account), kDeclinedKey, fingerprint);
}

std::string CertificateDetailsText(const std::string& host, const CertificateProblem& problem) {
    const CertificateDetails& certificate = problem.certificate;
    return Line("certificate_server", host) + Line("certificate_reason", problem.reason) +
           Line("certificate_subject", certificate.subject) +
           Line("certificate_issuer", certificate.issuer) +
           Line("certificate_valid_from", certificate.notBefore) +
           Line("certificate_valid_until", certificate.notAfter) +
           Line("certificate_fingerprint", certificate.fingerprint);
}

std::string TrustQuestionText(const AccountSettings& account, const CertificateProblem& problem,
                              TrustQuestion kind) {
    const char* opening = "certificate_untrusted_dialog";
    if (kind == TrustQuestion::Changed) opening = "certificate_changed_dialog";
    if (kind == TrustQuestion::MalformedPin) opening = "certificate_pin_malformed_dialog";
    return GetLangText(opening) + "\n\n" +
           CertificateDetailsText(problem.host.empty() ? account.host : problem.host, problem) +
           "\n" + GetLangText("trust_certificate_dialog") + " " + account.email + "?";
}
