#pragma once

// Builds the node tree of a markup document with expat.

#include <kivo/base/errors.h>
#include <kivo/markup/xml_node.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kivo {

class XMLParserHelper {
public:
    // Documents nested deeper than this many elements are refused before any node past the limit is made,
    // so that no later recursion over the tree can exhaust the stack.
    static constexpr int maximumDepth = 256;

    // Keeps its own copy of the bytes.
    explicit XMLParserHelper(std::string data);
    // Reads `data` in place: the bytes must stay valid and unchanged until start() has returned.
    static XMLParserHelper borrowing(std::string_view data);

    // The helper may read its own bytes through a view, so it stays where it was made.
    XMLParserHelper(const XMLParserHelper&) = delete;
    XMLParserHelper& operator=(const XMLParserHelper&) = delete;

    // Parses the whole input on the calling thread. Returns nothing on success; otherwise the parser's
    // error (an XMLParserError with its line and column), or KIVOError::general for a document nested
    // deeper than maximumDepth. After a failure no document node is kept.
    std::optional<Error> start();

    // Before start(): an empty synthetic node. After a successful start(): the document's root element.
    const std::shared_ptr<XMLNode>& documentNode() const { return documentNode_; }

private:
    struct Borrow {};
    XMLParserHelper(Borrow, std::string_view data);

    std::string owned_;
    std::string_view data_;
    std::shared_ptr<XMLNode> documentNode_;
    bool started_ = false;
};

} // namespace kivo
