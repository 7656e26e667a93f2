#include "auth/pkce.h"

#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <vector>

#include "auth/http_client.h"
#include "settings/errors.h"

std::string Base64Url(std::string_view bytes) {
    std::string encoded(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()),
                                       reinterpret_cast<const unsigned char*>(bytes.data()),
                                       static_cast<int>(bytes.size()));
    encoded.resize(static_cast<std::size_t>(length));
    while (!encoded.empty() && encoded.back() == '=') encoded.pop_back();
    for (char& c : encoded) {
        if (c == '+') c = '-';
        if (c == '/') c = '_';
    }
    return encoded;
}

std::string RandomText(std::size_t bytes) {
    std::vector<unsigned char> random(bytes);
    if (RAND_bytes(random.data(), static_cast<int>(random.size())) != 1)
        throw TarnwickError("No random numbers for the sign-in.");
    return Base64Url(std::string_view(reinterpret_cast<const char*>(random.data()), bytes));
}

std::string PkceChallenge(std::string_view verifier) {
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(verifier.data()), verifier.size(), digest);
    return Base64Url(std::string_view(reinterpret_cast<const char*>(digest), sizeof digest));
}

AuthorizationRequest NewAuthorizationRequest(const OAuthConfig& config,
                                             const std::string& redirectUri,
                                             const std::string& loginHint) {
    AuthorizationRequest request;
    request.verifier = RandomText(48);  // 64 characters
    request.state = RandomText(18);
    FormFields fields{
        {"response_type", "code"},        {"client_id", config.clientId},
        {"redirect_uri", redirectUri},    {"scope", config.scope},
        {"state", request.state},         {"code_challenge", PkceChallenge(request.verifier)},
        {"code_challenge_method", "S256"}};
    if (!loginHint.empty()) fields.emplace_back("login_hint", loginHint);
    if (config.provider == OAuthProvider::Google) {
        // Without these Google gives no refresh token on a second sign-in.
        fields.emplace_back("access_type", "offline");
        fields.emplace_back("prompt", "consent");
    }
    const char separator = config.authorizeUrl.find('?') == std::string::npos ? '?' : '&';
    request.url = config.authorizeUrl + separator + FormEncode(fields);
    return request;
}
