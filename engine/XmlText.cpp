// SPDX-License-Identifier: MIT
#include "engine/XmlText.h"

#include <tinyxml2.h>

namespace engine {

std::string ElementWithTooManyAttributes(std::string_view xml, int maxAttributes)
{
    const std::size_t n = xml.size();
    std::size_t i = 0;
    // Jumps past the end of a construct that may hold '<', '>' or '=' without meaning markup.
    auto skipTo = [&](std::string_view end) {
        const std::size_t at = xml.find(end, i);
        i = at == std::string_view::npos ? n : at + end.size();
    };
    while (i < n) {
        i = xml.find('<', i);
        if (i == std::string_view::npos) break;
        const std::string_view rest = xml.substr(i);
        if (rest.starts_with("<!--")) {
            i += 4;
            skipTo("-->");
        } else if (rest.starts_with("<![CDATA[")) {
            i += 9;
            skipTo("]]>");
        } else if (rest.starts_with("<?")) {
            i += 2;
            skipTo("?>");
        } else if (rest.starts_with("<!") || rest.starts_with("</")) {
            i += 2;
            skipTo(">");
        } else {
            // A start tag: each attribute has one '=' outside the quoted values.
            const std::size_t nameAt = i + 1;
            std::size_t j = nameAt;
            int attributes = 0;
            char quote = 0;
            for (; j < n; ++j) {
                const char c = xml[j];
                if (quote) {
                    if (c == quote) quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '=') {
                    ++attributes;
                } else if (c == '>') {
                    break;
                }
            }
            if (attributes > maxAttributes) {
                std::size_t nameEnd = nameAt;
                while (nameEnd < j && nameEnd - nameAt < 64 && xml[nameEnd] != ' ' && xml[nameEnd] != '\t' &&
                       xml[nameEnd] != '\r' && xml[nameEnd] != '\n' && xml[nameEnd] != '/')
                    ++nameEnd;
                return std::string(xml.substr(nameAt, nameEnd - nameAt));
            }
            i = j + 1;
        }
    }
    return {};
}

bool ParseXml(tinyxml2::XMLDocument& doc, std::string_view xml, std::string* error)
{
    doc.Clear();
    if (const std::string name = ElementWithTooManyAttributes(xml); !name.empty()) {
        if (error) *error = "the element <" + name + "> has more than " + std::to_string(kMaxXmlAttributes) + " attributes";
        return false;
    }
    if (doc.Parse(xml.data(), xml.size()) != tinyxml2::XML_SUCCESS) {
        if (error) *error = doc.ErrorStr();
        return false;
    }
    return true;
}

}  // namespace engine
