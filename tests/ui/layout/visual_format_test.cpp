#include <ui/layout/layout_constraint.h>
#include <ui/views/view.h>
#include <ui/views/window.h>

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace ui {
namespace {

using Constraints = std::vector<std::shared_ptr<LayoutConstraint>>;

const char* attributeName(LayoutAttribute attribute) {
    switch (attribute) {
    case LayoutAttribute::notAnAttribute:
        return "notAnAttribute";
    case LayoutAttribute::left:
        return "left";
    case LayoutAttribute::right:
        return "right";
    case LayoutAttribute::top:
        return "top";
    case LayoutAttribute::bottom:
        return "bottom";
    case LayoutAttribute::leading:
        return "leading";
    case LayoutAttribute::trailing:
        return "trailing";
    case LayoutAttribute::width:
        return "width";
    case LayoutAttribute::height:
        return "height";
    case LayoutAttribute::centerX:
        return "centerX";
    case LayoutAttribute::centerY:
        return "centerY";
    }
    return "?";
}

const char* relationName(LayoutRelation relation) {
    switch (relation) {
    case LayoutRelation::lessThanOrEqual:
        return "<=";
    case LayoutRelation::equal:
        return "==";
    case LayoutRelation::greaterThanOrEqual:
        return ">=";
    }
    return "?";
}

// Views a, b and c side by side in `root`; `loner` is in no view at all. Constraints are written out
// as "first.attribute relation second.attribute * multiplier + constant @priority" with the views'
// names (the superview is "root", no view is "nil"), so that a whole list compares at once.
class VisualFormat : public ::testing::Test {
protected:
    VisualFormat() {
        root->addSubview(a);
        root->addSubview(b);
        root->addSubview(c);
    }

    Constraints parse(std::string_view format) const {
        return LayoutConstraint::constraints(format, metrics, views);
    }

    std::vector<std::string> described(std::string_view format) const { return describe(parse(format)); }

    // The message of the VisualFormatError that the format throws, or a note that it threw none.
    std::string errorOf(std::string_view format) const {
        try {
            parse(format);
        } catch (const VisualFormatError& error) {
            return error.what();
        }
        return "(no error)";
    }

    std::string nameOf(const std::shared_ptr<View>& view) const {
        if (!view) {
            return "nil";
        }
        if (view == root) {
            return "root";
        }
        for (const auto& [name, candidate] : views) {
            if (candidate == view) {
                return name;
            }
        }
        return "(unnamed view)";
    }

    std::vector<std::string> describe(const Constraints& constraints) const {
        std::vector<std::string> lines;
        for (const auto& constraint : constraints) {
            std::ostringstream line;
            line << nameOf(constraint->firstItem()) << '.' << attributeName(constraint->firstAttribute())
                 << ' ' << relationName(constraint->relation()) << ' ' << nameOf(constraint->secondItem())
                 << '.' << attributeName(constraint->secondAttribute()) << " * " << constraint->multiplier()
                 << " + " << constraint->constant() << " @" << constraint->priority();
            lines.push_back(line.str());
        }
        return lines;
    }

    std::shared_ptr<View> root = std::make_shared<View>();
    std::shared_ptr<View> a = std::make_shared<View>();
    std::shared_ptr<View> b = std::make_shared<View>();
    std::shared_ptr<View> c = std::make_shared<View>();
    std::shared_ptr<View> loner = std::make_shared<View>();
    std::map<std::string, std::shared_ptr<View>> views{{"a", a}, {"b", b}, {"c", c}, {"loner", loner}};
    std::map<std::string, double> metrics{{"gap", 12}, {"wide", 200}, {"high", 750}, {"low", 250}};
};

using Lines = std::vector<std::string>;

// --- spacing between views and to the superview ---------------------------------------------------

TEST_F(VisualFormat, LoneViewsYieldNoConstraints) {
    EXPECT_TRUE(parse("[a]").empty());
    EXPECT_TRUE(parse("H:[a]").empty());
    EXPECT_TRUE(parse("V:[a]").empty());
    EXPECT_TRUE(parse("[loner]").empty());
}

TEST_F(VisualFormat, StandardSpacingIsEightBetweenViewsAndTwentyToTheSuperview) {
    EXPECT_EQ(described("H:|-[a]-[b]-|"), (Lines{
                                              "a.leading == root.leading * 1 + 20 @1000",
                                              "b.leading == a.trailing * 1 + 8 @1000",
                                              "root.trailing == b.trailing * 1 + 20 @1000",
                                          }));
    EXPECT_EQ(described("[a]-[b]-[c]"), (Lines{
                                            "b.leading == a.trailing * 1 + 8 @1000",
                                            "c.leading == b.trailing * 1 + 8 @1000",
                                        }));
}

TEST_F(VisualFormat, OrientationDefaultsToHorizontal) {
    EXPECT_EQ(described("|-[a]-[b]-|"), described("H:|-[a]-[b]-|"));
    EXPECT_EQ(described("[a(80)]"), described("H:[a(80)]"));
}

TEST_F(VisualFormat, VerticalFormatsUseTopBottomAndHeight) {
    EXPECT_EQ(described("V:|-[a(40)]-[b]-|"), (Lines{
                                                  "a.top == root.top * 1 + 20 @1000",
                                                  "a.height == nil.notAnAttribute * 0 + 40 @1000",
                                                  "b.top == a.bottom * 1 + 8 @1000",
                                                  "root.bottom == b.bottom * 1 + 20 @1000",
                                              }));
    EXPECT_EQ(described("V:[a(==b)]-(>=gap)-[c]"), (Lines{
                                                       "a.height == b.height * 1 + 0 @1000",
                                                       "c.top >= a.bottom * 1 + 12 @1000",
                                                   }));
}

TEST_F(VisualFormat, AdjacentViewsAndBarsAreFlush) {
    EXPECT_EQ(described("[a][b]"), (Lines{"b.leading == a.trailing * 1 + 0 @1000"}));
    EXPECT_EQ(described("|[a]|"), (Lines{
                                      "a.leading == root.leading * 1 + 0 @1000",
                                      "root.trailing == a.trailing * 1 + 0 @1000",
                                  }));
    EXPECT_EQ(described("V:|[a][b]|"), (Lines{
                                           "a.top == root.top * 1 + 0 @1000",
                                           "b.top == a.bottom * 1 + 0 @1000",
                                           "root.bottom == b.bottom * 1 + 0 @1000",
                                       }));
}

TEST_F(VisualFormat, SpacingCanBeANumberOrAMetric) {
    EXPECT_EQ(described("|-10-[a]-gap-[b]-8.5-|"), (Lines{
                                                       "a.leading == root.leading * 1 + 10 @1000",
                                                       "b.leading == a.trailing * 1 + 12 @1000",
                                                       "root.trailing == b.trailing * 1 + 8.5 @1000",
                                                   }));
    EXPECT_EQ(described("[a]-0-[b]-.5-[c]"), (Lines{
                                                 "b.leading == a.trailing * 1 + 0 @1000",
                                                 "c.leading == b.trailing * 1 + 0.5 @1000",
                                             }));
    // Names are C identifiers: a metric may be longer than one letter and hold digits and underscores.
    metrics["side_margin2"] = 3;
    EXPECT_EQ(described("|-side_margin2-[a]"), (Lines{"a.leading == root.leading * 1 + 3 @1000"}));
}

TEST_F(VisualFormat, ParenthesisedSpacingTakesRelationsPrioritiesAndNegativeNumbers) {
    EXPECT_EQ(described("[a]-(>=8)-[b]"), (Lines{"b.leading >= a.trailing * 1 + 8 @1000"}));
    EXPECT_EQ(described("[a]-(<=20@750)-[b]"), (Lines{"b.leading <= a.trailing * 1 + 20 @750"}));
    EXPECT_EQ(described("[a]-(==gap@high)-[b]"), (Lines{"b.leading == a.trailing * 1 + 12 @750"}));
    EXPECT_EQ(described("[a]-(gap)-[b]"), (Lines{"b.leading == a.trailing * 1 + 12 @1000"}));
    EXPECT_EQ(described("[a]-(-4)-[b]"), (Lines{"b.leading == a.trailing * 1 + -4 @1000"}));
    EXPECT_EQ(described("[a]-(>=-4.5)-[b]"), (Lines{"b.leading >= a.trailing * 1 + -4.5 @1000"}));
}

TEST_F(VisualFormat, SeveralSpacingPredicatesYieldOneConstraintEachInOrder) {
    EXPECT_EQ(described("[a]-(>=8,<=gap@low)-[b]"), (Lines{
                                                        "b.leading >= a.trailing * 1 + 8 @1000",
                                                        "b.leading <= a.trailing * 1 + 12 @250",
                                                    }));
    EXPECT_EQ(described("|-(>=20,==30@500)-[a]"), (Lines{
                                                      "a.leading >= root.leading * 1 + 20 @1000",
                                                      "a.leading == root.leading * 1 + 30 @500",
                                                  }));
}

TEST_F(VisualFormat, SpacingToTheSuperviewTakesPredicatesOnEitherSide) {
    EXPECT_EQ(described("|-(>=20)-[a]-(<=gap@250)-|"), (Lines{
                                                           "a.leading >= root.leading * 1 + 20 @1000",
                                                           "root.trailing <= a.trailing * 1 + 12 @250",
                                                       }));
    EXPECT_EQ(described("V:|-gap-[a]-(>=0)-|"), (Lines{
                                                    "a.top == root.top * 1 + 12 @1000",
                                                    "root.bottom >= a.bottom * 1 + 0 @1000",
                                                }));
}

TEST_F(VisualFormat, BarsStandForTheSuperviewOfTheFirstView) {
    auto inner = std::make_shared<View>();
    a->addSubview(inner);
    views["inner"] = inner;
    const Constraints constraints = parse("|-[inner]-5-|");
    ASSERT_EQ(constraints.size(), 2u);
    EXPECT_EQ(constraints[0]->firstItem(), inner);
    EXPECT_EQ(constraints[0]->secondItem(), a);
    EXPECT_EQ(constraints[1]->firstItem(), a);
    EXPECT_EQ(constraints[1]->secondItem(), inner);
    EXPECT_EQ(constraints[1]->constant(), 5.0);
}

// --- sizes ----------------------------------------------------------------------------------------

TEST_F(VisualFormat, SizePredicatesRelateTheWidthToAConstant) {
    EXPECT_EQ(described("[a(80)]"), (Lines{"a.width == nil.notAnAttribute * 0 + 80 @1000"}));
    EXPECT_EQ(described("[a(==80)]"), (Lines{"a.width == nil.notAnAttribute * 0 + 80 @1000"}));
    EXPECT_EQ(described("[a(>=50@750)]"), (Lines{"a.width >= nil.notAnAttribute * 0 + 50 @750"}));
    EXPECT_EQ(described("[a(<=wide)]"), (Lines{"a.width <= nil.notAnAttribute * 0 + 200 @1000"}));
    EXPECT_EQ(described("[a(wide@low)]"), (Lines{"a.width == nil.notAnAttribute * 0 + 200 @250"}));
    EXPECT_EQ(described("[a(12.25)]"), (Lines{"a.width == nil.notAnAttribute * 0 + 12.25 @1000"}));
}

TEST_F(VisualFormat, SizePredicatesRelateTheWidthToAnotherView) {
    EXPECT_EQ(described("[a(==b)]"), (Lines{"a.width == b.width * 1 + 0 @1000"}));
    EXPECT_EQ(described("[a(b)]"), (Lines{"a.width == b.width * 1 + 0 @1000"}));
    EXPECT_EQ(described("[a(>=b@500)]"), (Lines{"a.width >= b.width * 1 + 0 @500"}));
    EXPECT_EQ(described("[a]-[b(<=a)]"), (Lines{
                                             "b.leading == a.trailing * 1 + 8 @1000",
                                             "b.width <= a.width * 1 + 0 @1000",
                                         }));
    // The other view need not be in the same superview, nor appear elsewhere in the format.
    EXPECT_EQ(described("[a(==loner)]"), (Lines{"a.width == loner.width * 1 + 0 @1000"}));
}

TEST_F(VisualFormat, AMetricNamedLikeAViewIsTheMetric) {
    metrics["b"] = 64;
    EXPECT_EQ(described("[a(b)]"), (Lines{"a.width == nil.notAnAttribute * 0 + 64 @1000"}));
}

TEST_F(VisualFormat, SeveralSizePredicatesYieldOneConstraintEachInOrder) {
    EXPECT_EQ(described("[a(>=50,<=wide@high,==c@low)]"), (Lines{
                                                              "a.width >= nil.notAnAttribute * 0 + 50 @1000",
                                                              "a.width <= nil.notAnAttribute * 0 + 200 @750",
                                                              "a.width == c.width * 1 + 0 @250",
                                                          }));
}

// --- order, priorities and the constraints themselves ---------------------------------------------

TEST_F(VisualFormat, ConstraintsComeInTheOrderOfTheirText) {
    EXPECT_EQ(described("H:|-[a(==b)]-gap-[b(>=50)]-(>=0)-[c(80@250)]-|"),
              (Lines{
                  "a.leading == root.leading * 1 + 20 @1000",
                  "a.width == b.width * 1 + 0 @1000",
                  "b.leading == a.trailing * 1 + 12 @1000",
                  "b.width >= nil.notAnAttribute * 0 + 50 @1000",
                  "c.leading >= b.trailing * 1 + 0 @1000",
                  "c.width == nil.notAnAttribute * 0 + 80 @250",
                  "root.trailing == c.trailing * 1 + 20 @1000",
              }));
}

TEST_F(VisualFormat, PrioritiesAreNumbersOrMetricsWithinOneToAThousand) {
    EXPECT_EQ(described("[a(80@1)]"), (Lines{"a.width == nil.notAnAttribute * 0 + 80 @1"}));
    EXPECT_EQ(described("[a(80@1000)]"), (Lines{"a.width == nil.notAnAttribute * 0 + 80 @1000"}));
    EXPECT_EQ(described("[a(80@999.5)]"), (Lines{"a.width == nil.notAnAttribute * 0 + 80 @999.5"}));
    EXPECT_EQ(described("[a(80@high)]"), (Lines{"a.width == nil.notAnAttribute * 0 + 80 @750"}));
}

TEST_F(VisualFormat, ConstraintsAreInactiveAndReadThroughTheirAccessors) {
    const Constraints constraints = parse("|-[a]-(>=gap@high)-[b(80)]");
    ASSERT_EQ(constraints.size(), 3u);
    for (const auto& constraint : constraints) {
        EXPECT_FALSE(constraint->isActive());
    }
    EXPECT_TRUE(a->constraints().empty());
    EXPECT_TRUE(b->constraints().empty());
    EXPECT_TRUE(root->constraints().empty());

    const LayoutConstraint& spacing = *constraints[1];
    EXPECT_EQ(spacing.firstItem(), b);
    EXPECT_EQ(spacing.firstAttribute(), LayoutAttribute::leading);
    EXPECT_EQ(spacing.relation(), LayoutRelation::greaterThanOrEqual);
    EXPECT_EQ(spacing.secondItem(), a);
    EXPECT_EQ(spacing.secondAttribute(), LayoutAttribute::trailing);
    EXPECT_EQ(spacing.multiplier(), 1.0);
    EXPECT_EQ(spacing.constant(), 12.0);
    EXPECT_EQ(spacing.priority(), layoutPriority::defaultHigh);

    const LayoutConstraint& width = *constraints[2];
    EXPECT_EQ(width.firstItem(), b);
    EXPECT_EQ(width.firstAttribute(), LayoutAttribute::width);
    EXPECT_EQ(width.relation(), LayoutRelation::equal);
    EXPECT_EQ(width.secondItem(), nullptr);
    EXPECT_EQ(width.secondAttribute(), LayoutAttribute::notAnAttribute);
    EXPECT_EQ(width.constant(), 80.0);
    EXPECT_EQ(width.priority(), layoutPriority::required);

    // Each call makes new constraints.
    const Constraints again = parse("|-[a]-(>=gap@high)-[b(80)]");
    ASSERT_EQ(again.size(), 3u);
    EXPECT_NE(again[0], constraints[0]);
}

TEST_F(VisualFormat, ViewsAndMetricsNotInTheFormatAreIgnored) {
    metrics["nan"] = std::numeric_limits<double>::quiet_NaN();
    views["nothing"] = nullptr;
    EXPECT_EQ(described("[a]-[b]"), (Lines{"b.leading == a.trailing * 1 + 8 @1000"}));
}

// --- errors ---------------------------------------------------------------------------------------

TEST_F(VisualFormat, ErrorsSayWhatIsWrongAndWhere) {
    EXPECT_EQ(errorOf("H:|-[a]-|x"),
              "Unable to parse visual format \"H:|-[a]-|x\": unexpected 'x' at position 9");
    EXPECT_EQ(errorOf("[a]-[d]"),
              "Unable to parse visual format \"[a]-[d]\": unknown view \"d\" at position 5");
    EXPECT_EQ(errorOf("[a]-spacing-[b]"),
              "Unable to parse visual format \"[a]-spacing-[b]\": unknown metric \"spacing\" at position 4");
    EXPECT_EQ(errorOf(""), "Unable to parse visual format \"\": the format is empty");
    EXPECT_EQ(errorOf("H:"), "Unable to parse visual format \"H:\": unexpected end of the format at position "
                             "2; expected '|' or '['");
    EXPECT_EQ(errorOf("[a]-"),
              "Unable to parse visual format \"[a]-\": unexpected end of the format at position 4; "
              "expected a number, a metric name, '(', '[' or '|'");
    EXPECT_EQ(errorOf("||"),
              "Unable to parse visual format \"||\": unexpected '|' at position 1; expected '['");
    EXPECT_EQ(errorOf("[a]-[a]"),
              "Unable to parse visual format \"[a]-[a]\": view \"a\" appears more than once at position 5");
    EXPECT_EQ(errorOf("[a(1.2.3)]"),
              "Unable to parse visual format \"[a(1.2.3)]\": bad number \"1.2.3\" at position 3");
    EXPECT_EQ(
        errorOf("[a(80@2000)]"),
        "Unable to parse visual format \"[a(80@2000)]\": priority 2000 is outside 1...1000 at position 6");
    EXPECT_EQ(errorOf("[a(==d)]"),
              "Unable to parse visual format \"[a(==d)]\": unknown view or metric \"d\" at position 5");
    EXPECT_EQ(errorOf("[a]-(>=b)-[b]"), "Unable to parse visual format \"[a]-(>=b)-[b]\": view \"b\" cannot "
                                        "be used as a spacing at position 7");
    EXPECT_EQ(errorOf("[a(>80)]"),
              "Unable to parse visual format \"[a(>80)]\": unexpected '8' at position 4; "
              "expected '='");
    EXPECT_EQ(errorOf("[a(80@high@high)]"),
              "Unable to parse visual format \"[a(80@high@high)]\": unexpected '@' at "
              "position 10; expected ',' or ')'");
    EXPECT_EQ(errorOf("[a(80]"), "Unable to parse visual format \"[a(80]\": unexpected ']' at position 5; "
                                 "expected ',', ')' or '@'");
}

TEST_F(VisualFormat, ErrorsShowUnprintableBytesEscaped) {
    EXPECT_EQ(errorOf(std::string_view("[a]\0", 4)),
              "Unable to parse visual format \"[a]\\x00\": unexpected '\\x00' at position 3; "
              "expected '-', '[', '|' or the end of the format");
    EXPECT_EQ(errorOf("[\xC3\xA9]"),
              "Unable to parse visual format \"[\\xC3\\xA9]\": unexpected '\\xC3' at position 1; "
              "expected a name");
}

TEST_F(VisualFormat, MalformedFormatsThrow) {
    const std::string tooLarge = "[a(1" + std::string(400, '0') + ")]";
    const std::string malformed[] = {
        // Orientation and overall shape.
        "H",
        "V",
        "H:",
        "V:",
        "h:[a]",
        "X:[a]",
        "H:V:[a]",
        "H;[a]",
        ":[a]",
        // Bars.
        "|",
        "||",
        "|-|",
        "|-",
        "[a]||",
        "|[a]||",
        "[a]|-[b]",
        "[a]-|-[b]",
        "|[a]|[b]",
        "[a]|x",
        "-[a]",
        // Brackets and names.
        "[",
        "[a",
        "[a]]",
        "[]",
        "[1a]",
        "[a b]",
        " [a]",
        "[a] ",
        "[a]]-[b]",
        "[[a]]",
        "[a-b]",
        "a",
        "[a.b]",
        // Connections.
        "[a]-",
        "[a]-8",
        "[a]-8[b]",
        "[a]--[b]",
        "[a]-8-8-[b]",
        "[a]-8--[b]",
        "[a]-[b]-",
        "[a]-(8-[b]",
        "[a]-()-[b]",
        "[a]-(8)[b]",
        "[a]-8@750-[b]",
        "[a]-(8)",
        "[a]- [b]",
        "[a]-\x01-[b]",
        "[a]-+8-[b]",
        "[a]--8-[b]",
        // Predicates.
        "[a](80)",
        "[a(80)(90)]",
        "[a()]",
        "[a(80,)]",
        "[a(,80)]",
        "[a(=80)]",
        "[a(=>80)]",
        "[a(>80)]",
        "[a(===80)]",
        "[a(80 )]",
        "[a(80@)]",
        "[a(80@0)]",
        "[a(80@0.5)]",
        "[a(80@1001)]",
        "[a(80@-5)]",
        "[a(80@high@high)]",
        "[a(80@nothing)]",
        "[a(..)]",
        "[a(.)]",
        "[a(-)]",
        "[a(--4)]",
        "[a(-gap)]",
        "[a(1e3)]",
        "[a(+4)]",
        "[a(0x10)]",
        tooLarge,
        "[a]@750",
        // Names that do not resolve, or resolve badly.
        "[d]",
        "[a]-[d]",
        "[a(==d)]",
        "[a]-(gap2)-[b]",
        "[a]-(b)-[b]",
        "[a(80@b)]",
        "[a]-[a]",
        "[a(==a)]",
        "[a]-[b]-[a]",
    };
    for (const std::string& format : malformed) {
        const std::string prefix = "Unable to parse visual format \"";
        const std::string message = errorOf(format);
        EXPECT_EQ(message.rfind(prefix, 0), 0u) << "format: " << format << "\nmessage: " << message;
    }
}

TEST_F(VisualFormat, BarsNeedTheFirstViewToHaveASuperview) {
    EXPECT_EQ(errorOf("|-[loner]"),
              "Unable to parse visual format \"|-[loner]\": '|' at position 0 stands for "
              "the superview of view \"loner\", which has none");
    EXPECT_EQ(errorOf("[loner]-[a]-|"), "Unable to parse visual format \"[loner]-[a]-|\": '|' at position 12 "
                                        "stands for the superview of view \"loner\", which has none");
    // Without bars no superview is needed.
    EXPECT_EQ(described("[loner]-[a]"), (Lines{"a.leading == loner.trailing * 1 + 8 @1000"}));
}

TEST_F(VisualFormat, BadEntriesInTheMapsAreErrorsWhenUsed) {
    views["nothing"] = nullptr;
    EXPECT_EQ(errorOf("[a]-[nothing]"),
              "Unable to parse visual format \"[a]-[nothing]\": view \"nothing\" is null at position 5");
    EXPECT_EQ(errorOf("[a(nothing)]"),
              "Unable to parse visual format \"[a(nothing)]\": view \"nothing\" is null at position 3");

    metrics["infinite"] = std::numeric_limits<double>::infinity();
    EXPECT_EQ(errorOf("[a]-infinite-[b]"), "Unable to parse visual format \"[a]-infinite-[b]\": metric "
                                           "\"infinite\" is not a finite number at position 4");

    metrics["tooHigh"] = 5000;
    EXPECT_EQ(
        errorOf("[a(80@tooHigh)]"),
        "Unable to parse visual format \"[a(80@tooHigh)]\": priority 5000 is outside 1...1000 at position 6");

    views["alias"] = a;
    EXPECT_EQ(errorOf("[a]-[alias]"), "Unable to parse visual format \"[a]-[alias]\": views \"a\" and "
                                      "\"alias\" are the same view at position 5");
    EXPECT_EQ(
        errorOf("[a(==alias)]"),
        "Unable to parse visual format \"[a(==alias)]\": view \"a\" cannot be sized relative to itself at "
        "position 5");
}

TEST_F(VisualFormat, ArbitraryTokenSoupEitherParsesOrThrowsTheFormatError) {
    // Pieces of formats strung together at random (from a fixed starting state, so every run tries the same
    // strings): whatever comes out must either parse into constraints between the given views or be
    // refused with a VisualFormatError, never anything else.
    const char* const pieces[] = {
        "H:", "V:", "|",   "-",  "[a]",     "[b]",   "[c]", "[a(", "[b(",   "(",  ")",
        "]",  "8",  "gap", "==", ">=",      "<=",    "@",   "750", ",",     "-4", "b",
        "x",  ".",  "0",   "[",  "[loner]", "@high", "e",   " ",   "(>=8)", "-8-"};
    constexpr int kPieceCount = static_cast<int>(sizeof pieces / sizeof pieces[0]);
    std::mt19937 random(20240611u);
    std::uniform_int_distribution<int> pieceCount(1, 9);
    std::uniform_int_distribution<int> piece(0, kPieceCount - 1);
    int parsed = 0;
    int refused = 0;
    for (int attempt = 0; attempt < 20000; ++attempt) {
        std::string format;
        for (int n = pieceCount(random); n > 0; --n) {
            format += pieces[piece(random)];
        }
        try {
            const Constraints constraints = parse(format);
            ++parsed;
            for (const auto& constraint : constraints) {
                const std::string first = nameOf(constraint->firstItem());
                const std::string second = nameOf(constraint->secondItem());
                EXPECT_NE(first, "nil") << format;
                EXPECT_NE(first, "(unnamed view)") << format;
                EXPECT_NE(second, "(unnamed view)") << format;
                EXPECT_FALSE(constraint->isActive()) << format;
            }
        } catch (const VisualFormatError& error) {
            ++refused;
            EXPECT_EQ(std::string(error.what()).rfind("Unable to parse visual format \"", 0), 0u) << format;
        }
    }
    // The soup is neither all good nor all bad, or it would not test much.
    EXPECT_GT(parsed, 100);
    EXPECT_GT(refused, 100);
}

// --- the constraints at work ----------------------------------------------------------------------

TEST(VisualFormatLayout, ActivatedConstraintsPlaceTheViewsWhereTheFormatSays) {
    auto window = std::make_shared<Window>(Size(320, 480));
    std::map<std::string, std::shared_ptr<View>> views;
    for (const char* name : {"a", "b", "c"}) {
        auto view = std::make_shared<View>();
        view->setTranslatesAutoresizingMaskIntoConstraints(false);
        window->addSubview(view);
        views[name] = view;
    }
    const std::map<std::string, double> metrics{{"gap", 12}, {"top", 10}};

    // 20 + w + 12 + w + 8 + 80 + 20 = 320 gives a and b a width of 90 each.
    LayoutConstraint::activate(
        LayoutConstraint::constraints("H:|-[a(==b)]-gap-[b]-[c(80)]-|", metrics, views));
    LayoutConstraint::activate(
        LayoutConstraint::constraints("V:|-top-[a(44)]-[b(30)]-(>=0)-|", metrics, views));
    LayoutConstraint::activate(LayoutConstraint::constraints("V:[c(20)]-(-4)-|", metrics, views));
    window->layoutIfNeeded();

    const auto expectFrame = [&](const char* name, double x, double y, double width, double height) {
        const Rect frame = views.at(name)->frame();
        EXPECT_NEAR(frame.origin.x, x, 1e-6) << name;
        EXPECT_NEAR(frame.origin.y, y, 1e-6) << name;
        EXPECT_NEAR(frame.size.width, width, 1e-6) << name;
        EXPECT_NEAR(frame.size.height, height, 1e-6) << name;
    };
    expectFrame("a", 20, 10, 90, 44);
    expectFrame("b", 122, 62, 90, 30);
    // A negative spacing to the superview's edge lets the view hang over it.
    expectFrame("c", 220, 464, 80, 20);
}

} // namespace
} // namespace ui
