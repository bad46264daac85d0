#include "platform/net/curl_http_client.h"

#include <curl/curl.h>

#include <mutex>

namespace kovrel::platform {
namespace {

// A feed is a few hundred bytes; anything far larger is not one.
constexpr size_t kMaxBody = 16u << 20;
constexpr long kConnectSeconds = 10;
constexpr long kTotalSeconds = 30;
constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 6.1)";

size_t appendBody(char* data, size_t size, size_t count, void* user) {
    auto* body = static_cast<std::string*>(user);
    size_t bytes = size * count;
    if (body->size() + bytes > kMaxBody) return 0;  // aborts the transfer; what arrived stays
    body->append(data, bytes);
    return bytes;
}

}  // namespace

void initialiseCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::optional<std::string> CurlHttpClient::get(const std::string& url) {
    initialiseCurl();
    CURL* curl = curl_easy_init();
    if (!curl) return std::nullopt;
    std::string body;
    curl_slist* headers = curl_slist_append(nullptr, "Accept: */*");
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, kTotalSeconds);
    // The loopback is never reached through a proxy.
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, appendBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_perform(curl);  // a broken transfer still hands back the bytes that came
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    if (body.empty()) return std::nullopt;
    return body;
}

}  // namespace kovrel::platform
