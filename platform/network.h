// HTTP reads and XML documents, as the update check uses them.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kovrel::platform {

class HttpClient {
public:
    virtual ~HttpClient() = default;
    // GET without any cache; the body whatever the status; nullopt when nothing arrives.
    virtual std::optional<std::string> get(const std::string& url) = 0;
};

class XmlDocument {
public:
    virtual ~XmlDocument() = default;
    // Parses UTF-8 bytes, replacing the previous document.
    virtual void load(std::string_view bytes) = 0;
    // path: element names joined by "/", the first the root's, each further one the first
    // child of that name. The attribute's value with entities decoded, or "".
    virtual std::string attribute(std::string_view path, std::string_view name) const = 0;
};

}  // namespace kovrel::platform
