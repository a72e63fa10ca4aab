#include "kivo/markup/xml_parser_helper.h"

#include "kivo/markup/markup_text.h"

#include <expat.h>

#include <climits>

namespace kivo {

namespace {

// The state of one parse, reached from expat's callbacks through the user-data pointer.
struct TreeBuilder {
    XML_Parser parser = nullptr;
    std::shared_ptr<XMLNode> document;
    std::shared_ptr<XMLNode> current;
    int depth = 0;
    bool insideCDATA = false;
    bool tooDeep = false;
    SourcePosition tooDeepAt;

    SourcePosition here() const {
        return {static_cast<std::int64_t>(XML_GetCurrentLineNumber(parser)),
                static_cast<std::int64_t>(XML_GetCurrentColumnNumber(parser))};
    }

    static void onStart(void* userData, const XML_Char* name, const XML_Char** atts) {
        auto& self = *static_cast<TreeBuilder*>(userData);
        if (++self.depth > XMLParserHelper::maximumDepth) {
            self.tooDeep = true;
            self.tooDeepAt = self.here();
            XML_StopParser(self.parser, XML_FALSE);
            return;
        }
        AttributeMap attributes;
        std::size_t count = 0;
        while (atts[count] != nullptr) {
            count += 2;
        }
        attributes.reserve(count / 2);
        // Expat has already refused duplicate names, so every name can simply be appended.
        for (std::size_t i = 0; i < count; i += 2) {
            attributes.appendUnique(atts[i], atts[i + 1]);
        }
        auto node = std::make_shared<XMLNode>(name, std::move(attributes), std::nullopt, self.current);
        node->setPosition(self.here());
        if (self.current) {
            self.current->addChild(node);
        }
        self.current = std::move(node);
    }

    static void onEnd(void* userData, const XML_Char*) {
        auto& self = *static_cast<TreeBuilder*>(userData);
        --self.depth;
        if (self.current) {
            if (auto parent = self.current->parent()) {
                self.current = std::move(parent);
            }
        }
    }

    static void onCharacters(void* userData, const XML_Char* s, int len) {
        auto& self = *static_cast<TreeBuilder*>(userData);
        // Text inside a CDATA section never becomes a value.
        if (self.insideCDATA || !self.current) {
            return;
        }
        // Each chunk replaces the value; expat splits a run of text around references and line breaks, and
        // the last non-blank chunk is the one kept.
        const auto trimmed =
            markup::trimWhitespaceAndNewlines(std::string_view(s, static_cast<std::size_t>(len)));
        if (!trimmed.empty()) {
            self.current->setValue(std::string(trimmed));
        }
    }

    static void onCDATAStart(void* userData) { static_cast<TreeBuilder*>(userData)->insideCDATA = true; }
    static void onCDATAEnd(void* userData) { static_cast<TreeBuilder*>(userData)->insideCDATA = false; }
};

} // namespace

XMLParserHelper::XMLParserHelper(std::string data)
    : owned_(std::move(data)), data_(owned_),
      documentNode_(std::make_shared<XMLNode>("", AttributeMap{}, std::nullopt, nullptr)) {}

XMLParserHelper::XMLParserHelper(Borrow, std::string_view data)
    : data_(data), documentNode_(std::make_shared<XMLNode>("", AttributeMap{}, std::nullopt, nullptr)) {}

XMLParserHelper XMLParserHelper::borrowing(std::string_view data) {
    return XMLParserHelper(Borrow{}, data);
}

std::optional<Error> XMLParserHelper::start() {
    if (started_) {
        return std::nullopt;
    }
    started_ = true;

    XML_Parser parser = XML_ParserCreate(nullptr);
    if (parser == nullptr) {
        return Error(XMLParserError(XML_ERROR_NO_MEMORY, 0, 0));
    }
    TreeBuilder builder;
    builder.parser = parser;
    builder.document = documentNode_;
    builder.current = documentNode_;
    XML_SetUserData(parser, &builder);
    XML_SetElementHandler(parser, &TreeBuilder::onStart, &TreeBuilder::onEnd);
    XML_SetCharacterDataHandler(parser, &TreeBuilder::onCharacters);
    XML_SetCdataSectionHandler(parser, &TreeBuilder::onCDATAStart, &TreeBuilder::onCDATAEnd);

    // Expat takes an int length: feed very large inputs in pieces.
    constexpr std::size_t chunk = std::size_t{1} << 30;
    std::size_t offset = 0;
    XML_Status status = XML_STATUS_OK;
    do {
        const std::size_t n = std::min(chunk, data_.size() - offset);
        const bool last = offset + n == data_.size();
        status = XML_Parse(parser, data_.data() + offset, static_cast<int>(n), last ? XML_TRUE : XML_FALSE);
        offset += n;
    } while (status == XML_STATUS_OK && offset < data_.size());

    std::optional<Error> failure;
    if (builder.tooDeep) {
        Error e(KIVOError::general("Element nesting exceeds 256 levels."));
        e.setPositionIfUnknown(builder.tooDeepAt);
        failure = std::move(e);
    } else if (status != XML_STATUS_OK) {
        failure = Error(XMLParserError(static_cast<int>(XML_GetErrorCode(parser)),
                                       static_cast<std::int64_t>(XML_GetCurrentLineNumber(parser)),
                                       static_cast<std::int64_t>(XML_GetCurrentColumnNumber(parser))));
    }
    XML_ParserFree(parser);
    builder.current.reset();

    if (failure) {
        documentNode_ = std::make_shared<XMLNode>("", AttributeMap{}, std::nullopt, nullptr);
        return failure;
    }
    // The synthetic node is dropped; the root element takes its place and, its parent gone, has none.
    if (!documentNode_->children().empty()) {
        documentNode_ = documentNode_->children().front();
    }
    return std::nullopt;
}

} // namespace kivo
