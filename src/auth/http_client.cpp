#include "auth/http_client.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

#include "settings/errors.h"
#include "settings/text_utils.h"

namespace {

constexpr std::size_t kMaxReplyBytes = 1 << 20;

struct Transfer {
    std::string body;
    const InterruptSignal* interrupt = nullptr;
};

std::size_t Collect(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    if (transfer->body.size() + bytes > kMaxReplyBytes) return 0;  // ends the transfer
    transfer->body.append(data, bytes);
    return bytes;
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* transfer = static_cast<const Transfer*>(user);
    return transfer->interrupt && transfer->interrupt->Raised() ? 1 : 0;
}

bool StartsWithHost(std::string_view rest, std::string_view host) {
    if (!rest.starts_with(host)) return false;
    rest.remove_prefix(host.size());
    return rest.empty() || rest[0] == ':' || rest[0] == '/' || rest[0] == '?';
}

void InitialiseCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

bool HttpAddressAllowed(std::string_view url) {
    if (url.size() > 8 && SameTextAscii(url.substr(0, 8), "https://")) return true;
    if (url.size() <= 7 || !SameTextAscii(url.substr(0, 7), "http://")) return false;
    const std::string_view rest = url.substr(7);
    return StartsWithHost(rest, "127.0.0.1") || StartsWithHost(rest, "localhost");
}

std::string UrlEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
            (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' || c == '~') {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 15];
        }
    }
    return encoded;
}

std::string FormEncode(const FormFields& fields) {
    std::string body;
    for (const auto& [name, value] : fields) {
        if (!body.empty()) body += '&';
        body += UrlEncode(name) + '=' + UrlEncode(value);
    }
    return body;
}

HttpReply PostForm(const std::string& url, const FormFields& fields, const HttpOptions& options) {
    if (!HttpAddressAllowed(url)) throw TarnwickError("The sign-in address is not HTTPS: " + url);
    InitialiseCurl();
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(),
                                                                   curl_easy_cleanup);
    if (!curl) throw TarnwickError("The HTTP library could not start.");
    const std::string body = FormEncode(fields);
    Transfer transfer;
    transfer.interrupt = options.interrupt;
    char error[CURL_ERROR_SIZE] = {};
    CURL* handle = curl.get();
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(options.timeLimit.count()));
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, error);
    const std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(
        curl_slist_append(nullptr, "Accept: application/json"), curl_slist_free_all);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
    const CURLcode code = curl_easy_perform(handle);
    if (code == CURLE_ABORTED_BY_CALLBACK) throw Cancelled();
    if (code != CURLE_OK)
        throw TarnwickError("The sign-in server could not be reached: " +
                            std::string(error[0] ? error : curl_easy_strerror(code)));
    HttpReply reply;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &reply.status);
    reply.body = std::move(transfer.body);
    return reply;
}
