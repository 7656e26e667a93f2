#pragma once
// Trusting a server's certificate by its fingerprint: the account's section keeps the trusted
// one (SSL_PIN) and the last one the user refused (SSL_PIN_DECLINED), so that each
// certificate is asked about once.

#include <optional>
#include <string>

#include "net/tls_check.h"
#include "settings/accounts.h"

enum class TrustQuestion {
    None,          // asked before and declined: not again
    New,           // a certificate not asked about yet
    Changed,       // another certificate than the trusted one
    MalformedPin,  // the stored pin is no fingerprint at all, so nothing could match it
};

// Whether to ask the user about the certificate that failed for this account (the settings
// as they are now: not when it was declined, nor when it is the trusted one by now).
TrustQuestion TrustQuestionFor(const AccountSettings& account, const CertificateProblem& problem);
// The question when the user asks to trust the server: a declined certificate counts as new.
TrustQuestion AskedTrustQuestion(const AccountSettings& account, const CertificateProblem& problem);

// A question waiting for a moment when the user can be asked.
struct TrustRequest {
    AccountSettings account;
    CertificateProblem problem;
};
// The question a check's certificate failure asks, if any.
std::optional<TrustRequest> TrustRequestFor(const AccountSettings& account,
                                            const std::optional<CertificateProblem>& failure);
// Stores the user's answer: the pin for yes, the declined fingerprint for no.
void AnswerTrustQuestion(const TrustRequest& request, bool trusted);

// SSL_PIN=<fingerprint>: from now on this certificate is accepted for the account.
void TrustCertificate(const AccountSettings& account, const std::string& fingerprint);
// SSL_PIN_DECLINED=<fingerprint>: this certificate is not asked about again.
void DeclineCertificate(const AccountSettings& account, const std::string& fingerprint);

// The details the user decides by, one per line: server, reason, subject, issuer, validity
// and fingerprint (language texts as labels).
std::string CertificateDetailsText(const std::string& host, const CertificateProblem& problem);
// The whole question: what happened (a new or a changed certificate), the details and whether
// to trust the certificate for the account.
std::string TrustQuestionText(const AccountSettings& account, const CertificateProblem& problem,
                              TrustQuestion kind);
