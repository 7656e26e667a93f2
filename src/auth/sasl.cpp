#include "auth/sasl.h"

#include <openssl/evp.h>

namespace {

// The authorization identity of the GS2 header: "," and "=" escaped (RFC 5801).
std::string Gs2Name(std::string_view user) {
    std::string name;
    for (const char c : user) {
        if (c == ',')
            name += "=2C";
        else if (c == '=')
            name += "=3D";
        else
            name += c;
    }
    return name;
}

}  // namespace

std::string Base64(std::string_view bytes) {
    std::string encoded(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()),
                                       reinterpret_cast<const unsigned char*>(bytes.data()),
                                       static_cast<int>(bytes.size()));
    encoded.resize(static_cast<std::size_t>(length));
    return encoded;
}

const char* SaslMechanismName(OAuthMechanism mechanism) {
    return mechanism == OAuthMechanism::OAuthBearer ? "OAUTHBEARER" : "XOAUTH2";
}

std::string OAuthSaslPayload(OAuthMechanism mechanism, std::string_view user,
                             std::string_view token) {
    const std::string bearer = "auth=Bearer " + std::string(token) + "\x01\x01";
    if (mechanism == OAuthMechanism::OAuthBearer)
        return Base64("n,a=" + Gs2Name(user) + ",\x01" + bearer);
    return Base64("user=" + std::string(user) + "\x01" + bearer);
}

const char* SaslRefusalAnswer(OAuthMechanism mechanism) {
    return mechanism == OAuthMechanism::OAuthBearer ? "AQ==" : "";
}
