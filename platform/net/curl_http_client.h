// HttpClient over libcurl.
#pragma once

#include "platform/network.h"

namespace kovrel::platform {

class CurlHttpClient : public HttpClient {
public:
    // An HTTP/1.0 GET with "Accept: */*" and a browser-like user agent, never answered from
    // a cache. Redirects are followed (HTTP only). The body is returned whatever the status;
    // nullopt when no byte of a body arrives (no server, refused, timed out, empty reply).
    std::optional<std::string> get(const std::string& url) override;
};

// libcurl's process-wide set-up, done once before the first transfer from any thread.
void initialiseCurl();

}  // namespace kovrel::platform
