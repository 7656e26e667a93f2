#pragma once
// The TLS client layer on OpenSSL: TLS 1.2 or later, the server's chain checked against the
// system's trusted authorities and the host name checked, unless verification is switched off
// for the account (SSL_VERIFY=0 in its section). The environment variable TARNWICK_CA_FILE
// names one more PEM file of trusted authorities (a private or test authority).

#include <openssl/ssl.h>

#include <memory>
#include <string>

#include "net/tls_check.h"

// Initialises the TLS library; false when it reports a fault.
bool LoadTlsLibrary();

// Tries the TLS library once at start; returns whether TLS is available: false only when the
// attempt throws. A library that loads but reports a fault still counts as available, so that an
// account set to TLS fails at its handshake instead of logging in unencrypted.
bool SetUpTls();

struct SslDeleter {
    void operator()(SSL* ssl) const { SSL_free(ssl); }
};
using SslHandle = std::unique_ptr<SSL, SslDeleter>;

// What the certificate check of one handshake saw: the server's own certificate (none until
// the server has sent it). The TLS connection refers to it until the handshake ends.
struct PeerCertificateSeen {
    std::string pin;  // accepted without further checks when it matches
    bool seen = false;
    CertificateDetails certificate;
    // The key the server's TLS sessions are kept under for resumption; "" keeps none.
    std::string sessionKey;
};

// A client connection object on the connected socket `fd`, ready for SSL_connect, checking the
// server as `check` says and noting its certificate in `seen`, which must outlive it. Every
// connection of the process with the same trust setting shares one TLS context (authorities
// loaded once), and resumes the latest session kept for the same server, host name, port and
// trust setting.
// Throws TarnwickError("Could not load SSL library.") when no context can be made.
SslHandle NewTlsConnection(int fd, const TlsCheck& check, PeerCertificateSeen& seen);

// "TLSv1.3 TLS_AES_256_GCM_SHA384, session resumed" (or ", new session") after a handshake.
std::string TlsSummaryOf(SSL* ssl);

// Fingerprint, names and validity of a certificate.
CertificateDetails DescribeCertificate(X509* certificate);

// The reason a handshake failed, for the line after "Error connecting with SSL.".
std::string TlsFailureReason(SSL* ssl);
// The reason of the most recent TLS error on this thread: a sentence for a server that does not
// speak TLS or only an old version of it, the library's text otherwise.
std::string TlsErrorText();
