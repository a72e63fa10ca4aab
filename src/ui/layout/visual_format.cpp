// LayoutConstraint::constraints: the visual format language.
//
// clang-format off
//   format      ::= (('H' | 'V') ':')? (superview connection)? view (connection view)*
//                   (connection superview)?
//   superview   ::= '|'
//   view        ::= '[' name ('(' predicates ')')? ']'
//   connection  ::= ''                                  flush: spacing 0
//                 | '-'                                 standard spacing
//                 | '-' number '-' | '-' name '-' | '-' '(' predicates ')' '-'
//   predicates  ::= predicate (',' predicate)*
//   predicate   ::= ('==' | '<=' | '>=')? object ('@' priority)?
//   object      ::= '-'? number | name                  a metric, or (in a view's own list) another view
//   priority    ::= number | name                       from 1 to 1000
//   name        ::= [A-Za-z_][A-Za-z0-9_]*
//   number      ::= digits with an optional fraction ("8", "8.5", ".5")
// clang-format on
//
// A name in a view's own list is a metric if there is a metric of that name, otherwise a view; in a
// spacing it must be a metric. No view may appear twice.
//
// Blanks are not allowed anywhere. The format is read whole into a small description first, and only
// once it has been read and every name resolved are the constraints made, so that a bad format never
// yields some of its constraints.

#include <ui/foundation/number_reader.h>
#include <ui/layout/layout_constraint.h>
#include <ui/views/view.h>

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ui {

namespace {

// Standard spacing between two sibling views, and between a view and the edge of its superview.
constexpr double kSiblingSpacing = 8.0;
constexpr double kSuperviewSpacing = 20.0;

bool isDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

bool isNameStart(char ch) {
    return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || ch == '_';
}

bool isNameChar(char ch) {
    return isNameStart(ch) || isDigit(ch);
}

// Text with control characters and bytes outside ASCII written as \xNN, so that a message shows
// exactly which bytes were given, whatever the terminal makes of them.
std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x20 || byte >= 0x7f) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(byte));
            out += escaped;
        } else {
            out += ch;
        }
    }
    return out;
}

std::string formatNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string quoted(std::string_view name) {
    return '"' + printable(name) + '"';
}

// One `relation object @priority`. Without a view it relates to `constant`; with one, to that view's
// size along the format's axis.
struct Predicate {
    LayoutRelation relation = LayoutRelation::equal;
    double constant = 0.0;
    std::shared_ptr<View> view;
    std::optional<LayoutPriority> priority;
};

// The spacing between two neighbours. A standard connection ('-' alone) has no predicates yet: its
// spacing depends on whether one of the neighbours is the superview.
struct Connection {
    bool standard = false;
    std::vector<Predicate> predicates;
};

struct ViewItem {
    std::shared_ptr<View> view;
    std::vector<Predicate> predicates;
};

// What a format says, with every name resolved. connections[i] joins views[i - 1] and views[i];
// leading and trailing join the first and last view to the superview, when there is one there.
struct Description {
    bool vertical = false;
    std::optional<Connection> leading;
    std::vector<ViewItem> views;
    std::vector<Connection> connections;
    std::optional<Connection> trailing;
    std::size_t firstBarPosition = 0;
    std::string firstViewName;
};

class VisualFormatParser {
public:
    VisualFormatParser(std::string_view format, const std::map<std::string, double>& metrics,
                       const std::map<std::string, std::shared_ptr<View>>& views)
        : text_(format), metrics_(metrics), views_(views) {}

    Description parse() {
        if (text_.empty()) {
            failWith("the format is empty");
        }
        Description description;
        if (text_.size() >= 2 && (text_[0] == 'H' || text_[0] == 'V') && text_[1] == ':') {
            description.vertical = text_[0] == 'V';
            pos_ = 2;
        }

        if (peek() == '|') {
            description.firstBarPosition = pos_;
            ++pos_;
            description.leading = parseConnection();
            if (peek() != '[') {
                unexpected("'['");
            }
        } else if (peek() != '[') {
            unexpected(pos_ == 0 ? "'H:', 'V:', '|' or '['" : "'|' or '['");
        }

        description.views.push_back(parseView(description));
        while (!atEnd()) {
            const char next = peek();
            if (next != '-' && next != '[' && next != '|') {
                unexpected("'-', '[', '|' or the end of the format");
            }
            Connection connection = parseConnection();
            if (peek() == '|') {
                if (!description.leading) {
                    description.firstBarPosition = pos_;
                }
                ++pos_;
                description.trailing = std::move(connection);
                if (!atEnd()) {
                    unexpected("");
                }
                break;
            }
            if (peek() != '[') {
                unexpected("'[' or '|'");
            }
            description.connections.push_back(std::move(connection));
            description.views.push_back(parseView(description));
        }
        return description;
    }

    // Throws for `problem`, found at `position` of the format.
    [[noreturn]] void fail(const std::string& problem, std::size_t position) const {
        failWith(problem + " at position " + std::to_string(position));
    }

    [[noreturn]] void failWith(const std::string& problem) const {
        throw VisualFormatError("Unable to parse visual format " + quoted(text_) + ": " + problem);
    }

private:
    bool atEnd() const { return pos_ >= text_.size(); }
    char peek(std::size_t ahead = 0) const {
        return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
    }

    // Reports whatever is at the current position; `expected` lists what would have been accepted.
    [[noreturn]] void unexpected(std::string_view expected) const {
        std::string problem;
        if (atEnd()) {
            problem = "unexpected end of the format";
        } else {
            problem = "unexpected '" + printable(text_.substr(pos_, 1)) + "'";
        }
        problem += " at position " + std::to_string(pos_);
        if (!expected.empty()) {
            problem += "; expected ";
            problem += expected;
        }
        failWith(problem);
    }

    void expect(char ch) {
        if (peek() != ch) {
            unexpected(std::string("'") + ch + "'");
        }
        ++pos_;
    }

    std::string_view readName() {
        if (!isNameStart(peek())) {
            unexpected("a name");
        }
        const std::size_t start = pos_;
        while (isNameChar(peek())) {
            ++pos_;
        }
        return text_.substr(start, pos_ - start);
    }

    // Digits and dots, with a '-' before them when `allowSign` is set.
    double readNumber(bool allowSign) {
        const std::size_t start = pos_;
        if (allowSign && peek() == '-') {
            ++pos_;
        }
        if (!isDigit(peek()) && peek() != '.') {
            unexpected("a number");
        }
        while (isDigit(peek()) || peek() == '.') {
            ++pos_;
        }
        const std::string_view lexeme = text_.substr(start, pos_ - start);
        const std::optional<double> value = parseFiniteDouble(lexeme);
        if (!value) {
            fail("bad number " + quoted(lexeme), start);
        }
        return *value;
    }

    double metric(std::string_view name, std::size_t position) const {
        const auto found = metrics_.find(std::string(name));
        if (found == metrics_.end()) {
            fail("unknown metric " + quoted(name), position);
        }
        if (!std::isfinite(found->second)) {
            fail("metric " + quoted(name) + " is not a finite number", position);
        }
        return found->second;
    }

    std::shared_ptr<View> view(std::string_view name, std::size_t position) const {
        const auto found = views_.find(std::string(name));
        if (found == views_.end()) {
            fail("unknown view " + quoted(name), position);
        }
        if (!found->second) {
            fail("view " + quoted(name) + " is null", position);
        }
        return found->second;
    }

    // Reads what follows a view or the leading bar, up to the next '[' or '|': nothing (flush), a
    // lone '-' (standard spacing) or '-' spacing '-'.
    Connection parseConnection() {
        Connection connection;
        if (peek() != '-') {
            connection.predicates.push_back(Predicate{});
            return connection;
        }
        ++pos_;
        const char next = peek();
        if (next == '[' || next == '|') {
            connection.standard = true;
            return connection;
        }
        if (isDigit(next) || next == '.') {
            Predicate predicate;
            predicate.constant = readNumber(false);
            connection.predicates.push_back(predicate);
        } else if (isNameStart(next)) {
            const std::size_t position = pos_;
            Predicate predicate;
            predicate.constant = metric(readName(), position);
            connection.predicates.push_back(predicate);
        } else if (next == '(') {
            connection.predicates = parsePredicateList(nullptr, {});
        } else {
            unexpected("a number, a metric name, '(', '[' or '|'");
        }
        expect('-');
        return connection;
    }

    // '[' name ('(' predicates ')')? ']'
    ViewItem parseView(Description& description) {
        expect('[');
        const std::size_t position = pos_;
        const std::string_view name = readName();
        ViewItem item;
        item.view = view(name, position);

        for (const auto& [otherName, other] : seenViews_) {
            if (otherName == name) {
                fail("view " + quoted(name) + " appears more than once", position);
            }
            if (other == item.view) {
                fail("views " + quoted(otherName) + " and " + quoted(name) + " are the same view", position);
            }
        }
        seenViews_.emplace_back(std::string(name), item.view);
        if (description.views.empty()) {
            description.firstViewName = std::string(name);
        }

        if (peek() == '(') {
            item.predicates = parsePredicateList(item.view.get(), name);
        }
        expect(']');
        return item;
    }

    // '(' predicate (',' predicate)* ')'. `subject` is the view whose size the predicates constrain, or
    // null for spacing, where only numbers and metrics may appear.
    std::vector<Predicate> parsePredicateList(const View* subject, std::string_view subjectName) {
        expect('(');
        std::vector<Predicate> predicates;
        while (true) {
            predicates.push_back(parsePredicate(subject, subjectName));
            if (peek() == ',') {
                ++pos_;
                continue;
            }
            if (peek() == ')') {
                ++pos_;
                return predicates;
            }
            unexpected("',', ')' or '@'");
        }
    }

    Predicate parsePredicate(const View* subject, std::string_view subjectName) {
        Predicate predicate;
        const char first = peek();
        if (first == '=' || first == '<' || first == '>') {
            if (peek(1) != '=') {
                ++pos_;
                unexpected("'='");
            }
            predicate.relation = first == '='   ? LayoutRelation::equal
                                 : first == '<' ? LayoutRelation::lessThanOrEqual
                                                : LayoutRelation::greaterThanOrEqual;
            pos_ += 2;
        }

        const char next = peek();
        if (next == '-' || isDigit(next) || next == '.') {
            predicate.constant = readNumber(true);
        } else if (isNameStart(next)) {
            const std::size_t position = pos_;
            const std::string_view name = readName();
            const std::string key(name);
            if (metrics_.count(key) != 0) {
                predicate.constant = metric(name, position);
            } else if (subject == nullptr) {
                if (views_.count(key) != 0) {
                    fail("view " + quoted(name) + " cannot be used as a spacing", position);
                }
                fail("unknown metric " + quoted(name), position);
            } else {
                if (views_.count(key) == 0) {
                    fail("unknown view or metric " + quoted(name), position);
                }
                predicate.view = view(name, position);
                if (predicate.view.get() == subject) {
                    fail("view " + quoted(subjectName) + " cannot be sized relative to itself", position);
                }
            }
        } else {
            unexpected(subject != nullptr ? "a number, a metric name or a view name"
                                          : "a number or a metric name");
        }

        if (peek() == '@') {
            ++pos_;
            const std::size_t position = pos_;
            double priority = 0.0;
            if (isNameStart(peek())) {
                priority = metric(readName(), position);
            } else if (isDigit(peek()) || peek() == '.') {
                priority = readNumber(false);
            } else {
                unexpected("a priority (a number or a metric name)");
            }
            if (!(priority >= 1.0 && priority <= 1000.0)) {
                fail("priority " + formatNumber(priority) + " is outside 1...1000", position);
            }
            predicate.priority = static_cast<LayoutPriority>(priority);
            if (peek() != ',' && peek() != ')') {
                unexpected("',' or ')'");
            }
        }
        return predicate;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    const std::map<std::string, double>& metrics_;
    const std::map<std::string, std::shared_ptr<View>>& views_;
    // The views named so far, to refuse one named twice.
    std::vector<std::pair<std::string, std::shared_ptr<View>>> seenViews_;
};

// Turns a parsed description into constraints, in the order their text appears in the format.
class ConstraintBuilder {
public:
    explicit ConstraintBuilder(bool vertical)
        : leading_(vertical ? LayoutAttribute::top : LayoutAttribute::leading),
          trailing_(vertical ? LayoutAttribute::bottom : LayoutAttribute::trailing),
          size_(vertical ? LayoutAttribute::height : LayoutAttribute::width) {}

    // `after.leading R before.trailing + c`: the spacing from `before` to `after`.
    void spacing(const std::shared_ptr<View>& before, const std::shared_ptr<View>& after,
                 const Connection& connection, double standard) {
        for (const Predicate& predicate : predicatesOf(connection, standard)) {
            add(LayoutConstraint::create(after, leading_, predicate.relation, before, trailing_, 1.0,
                                         predicate.constant),
                predicate);
        }
    }

    // `view.leading R superview.leading + c`
    void leadingEdge(const std::shared_ptr<View>& superview, const std::shared_ptr<View>& view,
                     const Connection& connection) {
        for (const Predicate& predicate : predicatesOf(connection, kSuperviewSpacing)) {
            add(LayoutConstraint::create(view, leading_, predicate.relation, superview, leading_, 1.0,
                                         predicate.constant),
                predicate);
        }
    }

    // `superview.trailing R view.trailing + c`
    void trailingEdge(const std::shared_ptr<View>& view, const std::shared_ptr<View>& superview,
                      const Connection& connection) {
        for (const Predicate& predicate : predicatesOf(connection, kSuperviewSpacing)) {
            add(LayoutConstraint::create(superview, trailing_, predicate.relation, view, trailing_, 1.0,
                                         predicate.constant),
                predicate);
        }
    }

    void size(const ViewItem& item) {
        for (const Predicate& predicate : item.predicates) {
            if (predicate.view) {
                add(LayoutConstraint::create(item.view, size_, predicate.relation, predicate.view, size_, 1.0,
                                             0.0),
                    predicate);
            } else {
                add(LayoutConstraint::create(item.view, size_, predicate.relation, nullptr,
                                             LayoutAttribute::notAnAttribute, 0.0, predicate.constant),
                    predicate);
            }
        }
    }

    std::vector<std::shared_ptr<LayoutConstraint>> take() { return std::move(constraints_); }

private:
    static std::vector<Predicate> predicatesOf(const Connection& connection, double standard) {
        if (connection.standard) {
            Predicate predicate;
            predicate.constant = standard;
            return {predicate};
        }
        return connection.predicates;
    }

    void add(std::shared_ptr<LayoutConstraint> constraint, const Predicate& predicate) {
        if (predicate.priority) {
            constraint->setPriority(*predicate.priority);
        }
        constraints_.push_back(std::move(constraint));
    }

    LayoutAttribute leading_;
    LayoutAttribute trailing_;
    LayoutAttribute size_;
    std::vector<std::shared_ptr<LayoutConstraint>> constraints_;
};

} // namespace

std::vector<std::shared_ptr<LayoutConstraint>>
LayoutConstraint::constraints(std::string_view visualFormat, const std::map<std::string, double>& metrics,
                              const std::map<std::string, std::shared_ptr<View>>& views) {
    VisualFormatParser parser(visualFormat, metrics, views);
    const Description description = parser.parse();

    // The bars stand for the superview of the first view of the format.
    std::shared_ptr<View> superview;
    if (description.leading || description.trailing) {
        superview = description.views.front().view->superview();
        if (!superview) {
            parser.failWith("'|' at position " + std::to_string(description.firstBarPosition) +
                            " stands for the superview of view " + quoted(description.firstViewName) +
                            ", which has none");
        }
    }

    ConstraintBuilder builder(description.vertical);
    if (description.leading) {
        builder.leadingEdge(superview, description.views.front().view, *description.leading);
    }
    builder.size(description.views.front());
    for (std::size_t i = 1; i < description.views.size(); ++i) {
        builder.spacing(description.views[i - 1].view, description.views[i].view,
                        description.connections[i - 1], kSiblingSpacing);
        builder.size(description.views[i]);
    }
    if (description.trailing) {
        builder.trailingEdge(description.views.back().view, superview, *description.trailing);
    }
    return builder.take();
}

} // namespace ui
