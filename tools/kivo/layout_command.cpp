#include "kivo/layout_command.h"

#include "kivo/json_report.h"
#include "kivo/rejection_text.h"
#include "kivo/view_loader.h"

#include <kivo/markup/xml_node.h>
#include <kivo/markup/xml_parser_helper.h>
#include <kivo/model/body_elements.h>
#include <kivo/model/parsed_element.h>
#include <ui/views/view.h>

#include <CLI/CLI.hpp>
#include <array>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace kivo::cli {

namespace {

using nlohmann::ordered_json;

// One body element as the tree shows it.
struct ElementEntry {
    std::string_view kind;
    std::optional<std::int64_t> line;
    std::optional<ui::Rect> frame;
    std::optional<std::string> styleID;
    std::vector<ElementEntry> children;
};

bool isBodyTag(std::string_view name) {
    return name == "linear-layout" || name == "flexbox" || name == "image" || name == "item-atom" ||
           name == "collapsible-layout";
}

// The markup tag of an element.
std::string_view kindOf(const UIElement& element) {
    return std::visit(
        [](const auto& e) -> std::string_view {
            using T = typename std::decay_t<decltype(e)>::element_type;
            if constexpr (std::is_same_v<T, FlexboxElement>) {
                return "flexbox";
            } else if constexpr (std::is_same_v<T, LinearLayoutElement>) {
                return "linear-layout";
            } else if constexpr (std::is_same_v<T, ImageElement>) {
                return "image";
            } else if constexpr (std::is_same_v<T, CollapsibleLayoutElement>) {
                return "collapsible-layout";
            } else {
                return "item-atom";
            }
        },
        element);
}

// The body elements among an element's children, in document order.
std::vector<UIElement> childElements(const UIElement& element) {
    return std::visit(
        [](const auto& e) -> std::vector<UIElement> {
            using T = typename std::decay_t<decltype(e)>::element_type;
            if constexpr (std::is_base_of_v<LinearLayoutElement, T>) {
                return e->content();
            } else if constexpr (std::is_same_v<T, CollapsibleLayoutElement>) {
                return {e->content()};
            } else {
                return {};
            }
        },
        element);
}

// The nodes of the body elements among a node's children. Badges, texts, actions, sources and the like
// become no element of their own, so skipping them pairs the nodes one to one with the element's children.
std::vector<const XMLNode*> childBodyNodes(const XMLNode* node) {
    std::vector<const XMLNode*> nodes;
    if (node != nullptr) {
        for (const auto& child : node->children()) {
            if (isBodyTag(child->name())) {
                nodes.push_back(child.get());
            }
        }
    }
    return nodes;
}

// The node of the body's content element: the single child of the root's "body".
const XMLNode* contentNode(const XMLNode& root) {
    for (const auto& child : root.children()) {
        if (child->name() == "body") {
            return child->children().empty() ? nullptr : child->children().front().get();
        }
    }
    return nullptr;
}

// The element's view's bounds in the content element's view, when both views exist in one tree.
std::optional<ui::Rect> frameIn(const UIElement& element, const ui::View* contentView) {
    const std::shared_ptr<ui::View>& view = baseElement(element)->view();
    if (!view || contentView == nullptr ||
        (view.get() != contentView && !view->isDescendantOf(*contentView))) {
        return std::nullopt;
    }
    return view->convertRectTo(view->bounds(), contentView);
}

ElementEntry describe(const UIElement& element, const XMLNode* node, const ui::View* contentView) {
    ElementEntry entry;
    entry.kind = kindOf(element);
    if (node != nullptr) {
        entry.line = node->position().line;
    }
    entry.frame = frameIn(element, contentView);
    entry.styleID = baseElement(element)->styleID();
    const std::vector<UIElement> children = childElements(element);
    const std::vector<const XMLNode*> nodes = childBodyNodes(node);
    const bool paired = nodes.size() == children.size();
    for (std::size_t i = 0; i < children.size(); ++i) {
        entry.children.push_back(describe(children[i], paired ? nodes[i] : nullptr, contentView));
    }
    return entry;
}

ordered_json jsonEntry(const ElementEntry& entry) {
    ordered_json object = ordered_json::object();
    object["kind"] = std::string(entry.kind);
    object["line"] = entry.line ? ordered_json(*entry.line) : ordered_json(nullptr);
    object["frame"] = entry.frame ? ordered_json::array({entry.frame->origin.x, entry.frame->origin.y,
                                                         entry.frame->size.width, entry.frame->size.height})
                                  : ordered_json(nullptr);
    object["styleID"] = entry.styleID ? ordered_json(*entry.styleID) : ordered_json(nullptr);
    ordered_json children = ordered_json::array();
    for (const ElementEntry& child : entry.children) {
        children.push_back(jsonEntry(child));
    }
    object["children"] = std::move(children);
    return object;
}

// `KIND (line N) frame X Y W H style ID`, indented two spaces per level.
void printEntry(std::ostream& out, const ElementEntry& entry, int depth) {
    out << std::string(static_cast<std::size_t>(depth) * 2, ' ') << entry.kind;
    if (entry.line) {
        out << " (line " << *entry.line << ")";
    }
    if (entry.frame) {
        out << " frame " << formatNumber(entry.frame->origin.x) << ' ' << formatNumber(entry.frame->origin.y)
            << ' ' << formatNumber(entry.frame->size.width) << ' ' << formatNumber(entry.frame->size.height);
    } else {
        out << " frame none";
    }
    if (entry.styleID) {
        out << " style " << *entry.styleID;
    }
    out << '\n';
    for (const ElementEntry& child : entry.children) {
        printEntry(out, child, depth + 1);
    }
}

class LayoutCommand final : public Command {
public:
    explicit LayoutCommand(CLI::App& app) {
        parser_ = app.add_subcommand("layout", "Load a KIVO document and print its element tree with frames");
        parser_->add_flag("--json", json_, "Report as one JSON object");
        parser_->add_option("FILE", file_, "The markup file to lay out")->required();
        addImageOptions(*parser_, viewport_.images);
        parser_->add_option("--width", viewport_.width, "Width of the window, in points")
            ->check(CLI::PositiveNumber)
            ->capture_default_str();
    }

    const CLI::App& parser() const override { return *parser_; }

    int run(std::ostream& out, std::ostream& err) override {
        std::string markup;
        std::optional<LoadedView> loadedDocument = loadDocumentFile(file_, viewport_, err, &markup);
        if (!loadedDocument) {
            return exitUsageOrIOError;
        }
        LoadedView& loaded = *loadedDocument;
        if (loaded.error) {
            if (json_) {
                ParsedDocument refused;
                refused.titleReport = loaded.titleReport;
                refused.error = loaded.error;
                out << dumpJSON(jsonReport(file_, refused)) << '\n';
            } else {
                err << rejectionText(file_, *loaded.error) << '\n';
            }
            return exitRejected;
        }
        reportImageProblems(err, file_, loaded);

        // The elements do not keep their nodes, so the markup is read once more for the lines.
        XMLParserHelper helper(std::move(markup));
        const bool markupRead = !helper.start().has_value();

        const std::shared_ptr<KIVODocumentElement>& document = loaded.document;
        if (!document) {
            err << "kivo: internal error while loading " << file_ << ": no document and no error\n";
            return exitUsageOrIOError;
        }
        const UIElement& content = document->content();
        const ui::View* contentView = baseElement(content)->view().get();
        const ElementEntry root =
            describe(content, markupRead ? contentNode(*helper.documentNode()) : nullptr, contentView);
        const ui::Size contentSize = loaded.view->contentSize();

        if (json_) {
            ordered_json report = ordered_json::object();
            report["file"] = file_;
            report["ok"] = true;
            report["contentSize"] = ordered_json::array({contentSize.width, contentSize.height});
            report["elements"] = ordered_json::array({jsonEntry(root)});
            ordered_json failed = ordered_json::array();
            for (const auto& failure : loaded.images->failures()) {
                failed.push_back({{"url", failure.url}, {"message", failure.message}});
            }
            report["images"] = {{"requested", loaded.images->started()},
                                {"loaded", loaded.images->loaded()},
                                {"failed", failed},
                                {"timedOut", loaded.imagesTimedOut}};
            out << dumpJSON(report) << '\n';
        } else {
            out << file_ << ": content " << formatNumber(contentSize.width) << " x "
                << formatNumber(contentSize.height) << '\n';
            printEntry(out, root, 0);
        }
        out.flush();
        return exitSuccess;
    }

private:
    CLI::App* parser_ = nullptr;
    bool json_ = false;
    std::string file_;
    ViewportOptions viewport_;
};

} // namespace

std::unique_ptr<Command> makeLayoutCommand(CLI::App& app) {
    return std::make_unique<LayoutCommand>(app);
}

} // namespace kivo::cli
