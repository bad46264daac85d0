// XmlDocument over pugixml.
#pragma once

#include <pugixml.hpp>

#include "platform/network.h"

namespace kovrel::platform {

// Bytes pass through unchanged: the update check hands over GBK text, and element and
// attribute names are compared byte for byte with the names it asks for.
class PugiXmlDocument : public XmlDocument {
public:
    // A document that is not well formed leaves an empty one: every attribute reads "".
    void load(std::string_view bytes) override;
    std::string attribute(std::string_view path, std::string_view name) const override;

private:
    pugi::xml_document document_;
};

// Decodes "&lt;", "&gt;", "&amp;", "&apos;", "&quot;" (and "&quote;", read like "&quot;");
// every other entity or character reference stays as written.
std::string decodeFeedEntities(std::string_view raw);

}  // namespace kovrel::platform
