#include "net/tls_layer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>

#include <cstdlib>
#include <ctime>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>
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

// The check notes of the connection whose chain is being checked, and of the connection a new
// session belongs to.
int NotesIndex() {
    static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

PeerCertificateSeen* NotesOf(const SSL* ssl) {
    return static_cast<PeerCertificateSeen*>(SSL_get_ex_data(ssl, NotesIndex()));
}

// Replaces the chain check: the pinned certificate is accepted as it is, any other is checked
// as usual. Notes the server's certificate either way.
int CheckChainOrPin(X509_STORE_CTX* store, void*) {
    const auto* ssl = static_cast<const SSL*>(
        X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    PeerCertificateSeen* notes = ssl != nullptr ? NotesOf(ssl) : nullptr;
    if (notes == nullptr) return X509_verify_cert(store);
    auto& seen = *notes;
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

struct SessionDeleter {
    void operator()(SSL_SESSION* session) const { SSL_SESSION_free(session); }
};
using SessionHandle = std::unique_ptr<SSL_SESSION, SessionDeleter>;

// One client context per trust setting, shared by every connection of the process, and the
// latest TLS session of every server it has spoken to, so that the next connection resumes.
struct SharedContext {
    ContextHandle context;
    std::mutex mutex;  // guards sessions
    std::map<std::string, SessionHandle> sessions;
};

SharedContext* SharedOf(const SSL* ssl) {
    return static_cast<SharedContext*>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(ssl)));
}

// Keeps a session the server has just handed out (a TLS 1.3 ticket, or a TLS 1.2 session)
// under the connection's key; takes the reference.
int KeepSession(SSL* ssl, SSL_SESSION* session) {
    const PeerCertificateSeen* notes = NotesOf(ssl);
    SharedContext* shared = SharedOf(ssl);
    if (notes == nullptr || shared == nullptr || notes->sessionKey.empty() ||
        SSL_SESSION_is_resumable(session) != 1)
        return 0;
    const std::lock_guard lock(shared->mutex);
    shared->sessions[notes->sessionKey] = SessionHandle(session);
    return 1;
}

SessionHandle KeptSession(SharedContext& shared, const std::string& key) {
    const std::lock_guard lock(shared.mutex);
    const auto found = shared.sessions.find(key);
    if (found == shared.sessions.end()) return nullptr;
    SSL_SESSION_up_ref(found->second.get());
    return SessionHandle(found->second.get());
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
    SSL_CTX_set_cert_verify_callback(context.get(), CheckChainOrPin, nullptr);
    SSL_CTX_set_session_cache_mode(context.get(),
                                   SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(context.get(), KeepSession);
    return context;
}

// The context for `verifyPeer` and the authorities named now; made once and kept for the life
// of the process (a changed TARNWICK_CA_FILE makes another).
SharedContext& ContextFor(bool verifyPeer) {
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<SharedContext>> contexts;
    const char* extra = std::getenv("TARNWICK_CA_FILE");
    const std::string key = std::string(verifyPeer ? "verify " : "any ") + (extra ? extra : "");
    const std::lock_guard lock(mutex);
    std::unique_ptr<SharedContext>& shared = contexts[key];
    if (!shared) {
        auto made = std::make_unique<SharedContext>();
        made->context = NewClientContext(verifyPeer);
        SSL_CTX_set_app_data(made->context.get(), made.get());
        shared = std::move(made);
    }
    return *shared;
}

// The key a server's sessions are kept under: whatever decided the trust in it, the name the
// certificate was checked for and the peer's port.
std::string SessionKey(int fd, const TlsCheck& check) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    int port = 0;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        if (address.ss_family == AF_INET)
            port = ntohs(reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
        else if (address.ss_family == AF_INET6)
            port = ntohs(reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port);
    }
    if (port == 0) return "";  // not a network socket: nothing to resume
    return check.host + ":" + std::to_string(port) + (check.verifyPeer ? " verify " : " any ") +
           check.pin;
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
    SharedContext& shared = ContextFor(check.verifyPeer);
    seen = PeerCertificateSeen{check.pin, false, {}, SessionKey(fd, check)};
    SslHandle ssl(SSL_new(shared.context.get()));  // holds its own reference to the context
    if (!ssl || SSL_set_fd(ssl.get(), fd) != 1 ||
        SSL_set_ex_data(ssl.get(), NotesIndex(), &seen) != 1)
        throw TarnwickError("Could not load SSL library.");
    if (!IsIpAddress(host))
        SSL_ctrl(ssl.get(), SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name,
                 const_cast<char*>(host.c_str()));
    if (check.verifyPeer) ExpectPeerName(ssl.get(), host);
    if (!seen.sessionKey.empty()) {
        if (const SessionHandle kept = KeptSession(shared, seen.sessionKey))
            SSL_set_session(ssl.get(), kept.get());  // takes a reference of its own
    }
    return ssl;
}

std::string TlsSummaryOf(SSL* ssl) {
    return std::string(SSL_get_version(ssl)) + " " + SSL_get_cipher_name(ssl) +
           (SSL_session_reused(ssl) == 1 ? ", session resumed" : ", new session");
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
