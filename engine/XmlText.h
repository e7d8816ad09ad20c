// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file XmlText.h
 * @brief Parsing the program's XML files (definitions, library files) in linear time.
 *
 * tinyxml2 compares each attribute it reads with every attribute of the element before it,
 * so one element with n attributes costs n * n / 2 string comparisons: a 0.9 MB definition
 * with 80,000 attributes took half a minute. No file of ours needs more than a few dozen
 * attributes on one element, so a single pass over the text refuses an element with more than
 * kMaxXmlAttributes before tinyxml2 sees it; the parse then costs at most kMaxXmlAttributes
 * comparisons per attribute, linear in the file's size.
 */
#include <string>
#include <string_view>

namespace tinyxml2 {
class XMLDocument;
}

namespace engine {

/** No element of the program's XML files may carry more attributes than this. */
inline constexpr int kMaxXmlAttributes = 64;

/**
 * @brief Finds the first start tag with more than maxAttributes attributes, in one pass.
 * @return its element name, or an empty string when every element is within the limit.
 */
std::string ElementWithTooManyAttributes(std::string_view xml, int maxAttributes = kMaxXmlAttributes);

/**
 * @brief Parses XML text into doc. False, with a reason in error, when an element has more
 * than kMaxXmlAttributes attributes or the text is not well-formed XML.
 */
bool ParseXml(tinyxml2::XMLDocument& doc, std::string_view xml, std::string* error = nullptr);

}  // namespace engine
