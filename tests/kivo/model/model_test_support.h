#pragma once

// Helpers shared by the document model tests: markup text to nodes, nodes to elements through the real tag
// dispatch, and checks of thrown errors by case, payload and message.

#include <kivo/base/errors.h>
#include <kivo/markup/xml_node.h>
#include <kivo/markup/xml_parser_helper.h>
#include <kivo/model/badge_element.h>
#include <kivo/model/body_elements.h>
#include <kivo/model/element_parser.h>
#include <kivo/model/meta_elements.h>
#include <kivo/model/source_elements.h>
#include <kivo/model/style_elements.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

namespace kivo::test {

inline std::shared_ptr<XMLNode> parseMarkup(std::string_view xml) {
    XMLParserHelper helper{std::string(xml)};
    const std::optional<Error> error = helper.start();
    EXPECT_FALSE(error.has_value()) << xml << ": " << (error ? error->message() : "");
    return helper.documentNode();
}

template <class>
inline constexpr bool isVariant = false;
template <class... Ts>
inline constexpr bool isVariant<std::variant<Ts...>> = true;

// The element of type T inside a (possibly nested) parsed variant, or null.
template <class T, class Variant>
std::shared_ptr<T> elementAs(const Variant& parsed) {
    return std::visit(
        [](const auto& alternative) -> std::shared_ptr<T> {
            using A = std::decay_t<decltype(alternative)>;
            if constexpr (std::is_same_v<A, std::shared_ptr<T>>) {
                return alternative;
            } else if constexpr (isVariant<A>) {
                return elementAs<T>(alternative);
            } else {
                return nullptr;
            }
        },
        parsed);
}

// The markup parsed as one element by `parser`.
inline ParsedKIVOElement parseWith(ElementParser& parser, std::string_view xml) {
    return parser.parseElement(*parseMarkup(xml));
}

// The markup parsed by a fresh dispatch for `version`, as a T; fails the test when it is something else.
template <class T>
std::shared_ptr<T> build(std::string_view xml, std::optional<KIVOVersion> version = KIVOVersion::v1) {
    ElementParser parser;
    parser.setKivoVersion(version);
    auto element = elementAs<T>(parseWith(parser, xml));
    EXPECT_NE(element, nullptr) << xml;
    return element;
}

// The error `f` throws; fails the test when it throws none.
template <class F>
Error thrownBy(F&& f) {
    try {
        f();
    } catch (const Error& e) {
        return e;
    }
    ADD_FAILURE() << "no error was thrown";
    return Error(KIVOError::general("<nothing thrown>"));
}

// The error the markup gives when parsed as one element.
inline Error errorOf(std::string_view xml, std::optional<KIVOVersion> version = KIVOVersion::v1) {
    const auto node = parseMarkup(xml);
    ElementParser parser;
    parser.setKivoVersion(version);
    return thrownBy([&] { parser.parseElement(*node); });
}

inline void expectError(const Error& e, const KIVOError& expected, const std::string& message) {
    ASSERT_NE(e.kivoError(), nullptr) << e.message();
    EXPECT_EQ(e.domain(), "KIVOError");
    EXPECT_EQ(e.caseName(), expected.caseName());
    EXPECT_EQ(e.payload(), expected.payload());
    EXPECT_EQ(e.message(), message);
}

inline void expectMissing(const Error& e, const std::string& element, const std::string& attribute) {
    expectError(e, KIVOError::missingRequiredAttribute(element, attribute),
                element + ": Missing required attribute: " + attribute);
}

inline void expectTag(const Error& e, const std::string& parent, const std::string& tag) {
    expectError(e, KIVOError::unsupportedElementTag(parent, tag),
                parent + ": Unsupported element tag: " + tag);
}

inline void expectChildCount(const Error& e, const std::string& element, std::int64_t count) {
    expectError(e, KIVOError::unsupportedNumberOfChildren(element, count),
                "Unsupported number of children of " + element + ": " + std::to_string(count));
}

// Markup snippets used across the tests.
inline constexpr const char* urlSource = R"(<url-source url="a.png" width="10" height="10"/>)";
inline constexpr const char* badge = R"(<badge url="b.png" width="5" height="6" h-pos="0.5" v-pos="1"/>)";

} // namespace kivo::test
