#include "net/tls_layer.h"

#include <arpa/inet.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/x509v3.h>

#include <cstdlib>
#include <ctime>
#include <exception>
#include <filesystem>
#include <optional>

#include "net/tls_check.h"
#include "settings/errors.h"
#include "settings/language.h"
#include "settings/text_utils.h"

namespace {

struct ContextDeleter {
    void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
};
using ContextHandle = std::unique_ptr<SSL_CTX, ContextDeleter>;

bool IsIpAddress(const std::string& host) {
    unsigned char address[16];
    return inet_pton(AF_INET, host.c_str(), address) == 1 ||
           inet_pton(AF_INET6, host.c_str(), address) == 1;
}

// True when `folder` holds certificates under their subject hash ("1a2b3c4d.0"), where
// OpenSSL finds the one it needs without reading the others.
bool HasHashedCertificates(const char* folder) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() == 10 && name.compare(8, 2, ".0") == 0 &&
            name.find_first_not_of("0123456789abcdef") == 8)
            return true;
    }
    return false;
}

// The system's authorities: looked up by hash in the certificate folder where it is hashed,
// otherwise (or when the environment names other places) OpenSSL's default file and folder,
// which reads the whole bundle for every connection.
void TrustSystemAuthorities(SSL_CTX* context) {
    const bool placesGiven = std::getenv(X509_get_default_cert_file_env()) != nullptr ||
                             std::getenv(X509_get_default_cert_dir_env()) != nullptr;
    const char* folder = X509_get_default_cert_dir();
    if (!placesGiven && HasHashedCertificates(folder) &&
        SSL_CTX_load_verify_locations(context, nullptr, folder) == 1)
        return;
    SSL_CTX_set_default_verify_paths(context);
}

void TrustAuthorities(SSL_CTX* context) {
    TrustSystemAuthorities(context);
    const char* extra = std::getenv("TARNWICK_CA_FILE");
    if (extra != nullptr && *extra != '\0') SSL_CTX_load_verify_locations(context, extra, nullptr);
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
}

std::string HexDigits(const unsigned char* bytes, unsigned size) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (unsigned i = 0; i < size; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0f];
    }
    return text;
}

std::string NameText(const X509_NAME* name) {
    if (name == nullptr) return "";
    BIO* bio = BIO_new(BIO_s_mem());
    if (bio == nullptr) return "";
    X509_NAME_print_ex(bio, name, 0, XN_FLAG_ONELINE & ~ASN1_STRFLGS_ESC_MSB);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    std::string text(data != nullptr && size > 0 ? std::string(data, static_cast<std::size_t>(size))
                                                 : std::string());
    BIO_free(bio);
    return text;
}

std::string TimeText(const ASN1_TIME* time) {
    tm parts{};
    if (time == nullptr || ASN1_TIME_to_tm(time, &parts) != 1) return "";
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts);
    return text;
}

// Replaces the chain check: the pinned certificate is accepted as it is, any other is checked
// as usual. Notes the server's certificate either way.
int CheckChainOrPin(X509_STORE_CTX* store, void* argument) {
    auto& seen = *static_cast<PeerCertificateSeen*>(argument);
    X509* leaf = X509_STORE_CTX_get0_cert(store);
    if (leaf != nullptr) {
        seen.seen = true;
        seen.certificate = DescribeCertificate(leaf);
        if (!seen.pin.empty() && SameFingerprint(seen.pin, seen.certificate.fingerprint)) {
            X509_STORE_CTX_set_error(store, X509_V_OK);
            return 1;
        }
    }
    return X509_verify_cert(store);
}

ContextHandle NewClientContext(bool verifyPeer) {
    ContextHandle context(SSL_CTX_new(TLS_client_method()));
    if (!context) throw TarnwickError("Could not load SSL library.");
    SSL_CTX_set_min_proto_version(context.get(), TLS1_2_VERSION);
    // A server that drops the connection without close_notify ends the stream like a plain
    // socket does.
    SSL_CTX_set_options(context.get(), SSL_OP_IGNORE_UNEXPECTED_EOF);
    if (verifyPeer)
        TrustAuthorities(context.get());
    else
        SSL_CTX_set_verify(context.get(), SSL_VERIFY_NONE, nullptr);
    return context;
}

void ExpectPeerName(SSL* ssl, const std::string& host) {
    if (IsIpAddress(host))
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str());
    else
        SSL_set1_host(ssl, host.c_str());
}

// The failures a person meets most, in words; null for the others.
const char* TlsErrorSentence(unsigned long error) {
    if (ERR_GET_LIB(error) != ERR_LIB_SSL) return nullptr;
    switch (ERR_GET_REASON(error)) {
        case SSL_R_WRONG_VERSION_NUMBER:
        case SSL_R_PACKET_LENGTH_TOO_LONG:
        case SSL_R_HTTP_REQUEST:
        case SSL_R_HTTPS_PROXY_REQUEST:
            return "The server did not answer with TLS (wrong port?).";
        case SSL_R_TLSV1_ALERT_PROTOCOL_VERSION:
        case SSL_R_UNSUPPORTED_PROTOCOL:
            return "The server offers only an old TLS version that is not safe.";
        default:
            return nullptr;
    }
}

}  // namespace

bool LoadTlsLibrary() {
    return OPENSSL_init_ssl(0, nullptr) == 1;
}

bool SetUpTls() {
    try {
        LoadTlsLibrary();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

CertificateDetails DescribeCertificate(X509* certificate) {
    CertificateDetails details;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned size = 0;
    if (X509_digest(certificate, EVP_sha256(), digest, &size) == 1)
        details.fingerprint = "sha256:" + HexDigits(digest, size);
    details.subject = NameText(X509_get_subject_name(certificate));
    details.issuer = NameText(X509_get_issuer_name(certificate));
    details.notBefore = TimeText(X509_get0_notBefore(certificate));
    details.notAfter = TimeText(X509_get0_notAfter(certificate));
    return details;
}

SslHandle NewTlsConnection(int fd, const TlsCheck& check, PeerCertificateSeen& seen) {
    ERR_clear_error();
    const std::string& host = check.host;
    const bool verifyPeer = check.verifyPeer;
    const ContextHandle context = NewClientContext(verifyPeer);
    seen = PeerCertificateSeen{check.pin, false, {}};
    SSL_CTX_set_cert_verify_callback(context.get(), CheckChainOrPin, &seen);
    SslHandle ssl(SSL_new(context.get()));  // holds its own reference to the context
    if (!ssl || SSL_set_fd(ssl.get(), fd) != 1) throw TarnwickError("Could not load SSL library.");
    if (!IsIpAddress(host))
        SSL_ctrl(ssl.get(), SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name,
                 const_cast<char*>(host.c_str()));
    if (verifyPeer) ExpectPeerName(ssl.get(), host);
    return ssl;
}

std::string TlsErrorText() {
    const unsigned long error = ERR_get_error();
    ERR_clear_error();
    if (error == 0) return "The connection was closed during the TLS handshake.";
    if (const char* sentence = TlsErrorSentence(error)) return sentence;
    char text[256];
    ERR_error_string_n(error, text, sizeof text);
    return text;
}

std::string TlsFailureReason(SSL* ssl) {
    const long verify = SSL_get_verify_result(ssl);
    if (verify != X509_V_OK) {
        ERR_clear_error();
        const char* key = CertificateFailureKey(verify);
        if (const auto text = key != nullptr ? FindLangText(key) : std::nullopt) return *text;
        return std::string("Certificate verification failed: ") +
               X509_verify_cert_error_string(verify);
    }
    return TlsErrorText();
}
