#include "platform/net/feed_document.h"

namespace kovrel::platform {
namespace {

// entity (between "&" and ";")  character
struct FeedEntity {
    std::string_view name;
    char character;
};
constexpr FeedEntity kFeedEntities[] = {
    // clang-format off
    {"lt",    '<'},
    {"gt",    '>'},
    {"amp",   '&'},
    {"apos",  '\''},
    {"quot",  '"'},
    {"quote", '"'},
    // clang-format on
};

// Entity decoding is ours (pugixml would also decode character references); declarations,
// comments, processing instructions and the doctype are skipped. Parsed as a fragment so
// that text beside the root stays visible and can be refused.
constexpr unsigned kParseOptions =
    pugi::parse_cdata | pugi::parse_wconv_attribute | pugi::parse_eol | pugi::parse_fragment;

bool isBlank(const char* text) {
    for (; *text; ++text)
        if (*text != ' ' && *text != '\t' && *text != '\r' && *text != '\n') return false;
    return true;
}

// pugixml forgives what a well-formed document may not have: one root element and
// nothing but blanks, comments and declarations around it.
bool hasOneRoot(const pugi::xml_document& document) {
    int elements = 0;
    for (pugi::xml_node node : document.children()) {
        if (node.type() == pugi::node_element) ++elements;
        if ((node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) && !isBlank(node.value()))
            return false;
    }
    return elements == 1;
}

}  // namespace

std::string decodeFeedEntities(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    size_t i = 0;
    while (i < raw.size()) {
        if (raw[i] == '&') {
            size_t end = raw.find(';', i + 1);
            if (end != std::string_view::npos) {
                std::string_view name = raw.substr(i + 1, end - i - 1);
                const FeedEntity* found = nullptr;
                for (const FeedEntity& entity : kFeedEntities)
                    if (entity.name == name) found = &entity;
                if (found) {
                    out += found->character;
                    i = end + 1;
                    continue;
                }
            }
        }
        out += raw[i++];
    }
    return out;
}

void PugiXmlDocument::load(std::string_view bytes) {
    document_.reset();
    pugi::xml_parse_result result =
        document_.load_buffer(bytes.data(), bytes.size(), kParseOptions, pugi::encoding_utf8);
    if (!result || !hasOneRoot(document_)) document_.reset();
}

std::string PugiXmlDocument::attribute(std::string_view path, std::string_view name) const {
    pugi::xml_node node = document_.document_element();
    size_t start = 0;
    bool first = true;
    while (node) {
        size_t slash = path.find('/', start);
        std::string step(path.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start));
        if (first) {
            if (step != node.name()) return {};
            first = false;
        } else {
            node = node.child(step.c_str());
        }
        if (slash == std::string_view::npos) break;
        start = slash + 1;
    }
    if (!node) return {};
    pugi::xml_attribute value = node.attribute(std::string(name).c_str());
    if (!value) return {};
    return decodeFeedEntities(value.value());
}

}  // namespace kovrel::platform
