#include <ui/foundation/number_reader.h>

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <locale>
#include <string>

namespace ui {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Text that no number reader may accept, whatever kind of number it reads.
const char* const kNeverANumber[] = {
    "",     " 1",      "1 ",  "\t1",   "1\n",     "+",     "-",     ".",        "+.",    "e3",
    "1e",   "1e+",     "1e-", "1.5e",  "0x10",    "0x1p3", "0X1P3", "1,5",      "1.5.2", "--1",
    "+-1",  "-+1",     "++1", "1e3.5", "1e+-3",   "1_000", "abc",   "1.5f",     "1e3e3", "١٢",
    "１２", "1\u00A0", "in",  "infx",  "infinit", "nanx",  "nan(",  "nan(1 2)", "nan)",  "- 1",
};

TEST(ParseDouble, AcceptsDecimalForms) {
    EXPECT_EQ(parseDouble("0"), 0.0);
    EXPECT_EQ(parseDouble("1.5"), 1.5);
    EXPECT_EQ(parseDouble("-2.25"), -2.25);
    EXPECT_EQ(parseDouble("+3"), 3.0);
    EXPECT_EQ(parseDouble(".5"), 0.5);
    EXPECT_EQ(parseDouble("-.5"), -0.5);
    EXPECT_EQ(parseDouble("5."), 5.0);
    EXPECT_EQ(parseDouble("1e3"), 1000.0);
    EXPECT_EQ(parseDouble("1E3"), 1000.0);
    EXPECT_EQ(parseDouble("1e+3"), 1000.0);
    EXPECT_EQ(parseDouble("25e-2"), 0.25);
    EXPECT_EQ(parseDouble(".5e1"), 5.0);
    EXPECT_EQ(parseDouble("5.e1"), 50.0);
    EXPECT_EQ(parseDouble("00012.5e-1"), 1.25);
    // Correctly rounded, including at the ends of the range.
    EXPECT_EQ(parseDouble("0.1"), 0.1);
    EXPECT_EQ(parseDouble("1.7976931348623157e308"), std::numeric_limits<double>::max());
    EXPECT_EQ(parseDouble("4.9406564584124654e-324"), std::numeric_limits<double>::denorm_min());

    const std::optional<double> negativeZero = parseDouble("-0");
    ASSERT_TRUE(negativeZero.has_value());
    EXPECT_EQ(*negativeZero, 0.0);
    EXPECT_TRUE(std::signbit(*negativeZero));

    // Only the given characters are read, not whatever follows them in memory.
    const std::string text = "12.75e2";
    EXPECT_EQ(parseDouble(std::string_view(text).substr(0, 5)), 12.75);
}

TEST(ParseDouble, RejectsAnythingButAWholeNumber) {
    for (const char* text : kNeverANumber) {
        EXPECT_EQ(parseDouble(text), std::nullopt) << '"' << text << '"';
        EXPECT_EQ(parseFiniteDouble(text), std::nullopt) << '"' << text << '"';
    }
    EXPECT_EQ(parseDouble(std::string_view("1\0", 2)), std::nullopt);
    EXPECT_EQ(parseDouble(std::string_view("\0"
                                           "1",
                                           2)),
              std::nullopt);
}

TEST(ParseDouble, NonFiniteAndOutOfRangeValues) {
    EXPECT_EQ(parseDouble("inf"), kInf);
    EXPECT_EQ(parseDouble("+INF"), kInf);
    EXPECT_EQ(parseDouble("-Infinity"), -kInf);
    for (const char* text : {"nan", "NaN", "-nan", "nan()", "nan(123)", "NAN(abc_9)"}) {
        const std::optional<double> value = parseDouble(text);
        ASSERT_TRUE(value.has_value()) << text;
        EXPECT_TRUE(std::isnan(*value)) << text;
    }

    // Too large: infinity with the sign of the text.
    EXPECT_EQ(parseDouble("1e999"), kInf);
    EXPECT_EQ(parseDouble("-1e999"), -kInf);
    EXPECT_EQ(parseDouble("1.7976931348623159e308"), kInf);
    EXPECT_EQ(parseDouble("1" + std::string(400, '0')), kInf);
    EXPECT_EQ(parseDouble(std::string(500, '0') + "1e400"), kInf);
    EXPECT_EQ(parseDouble("0.000001e99999999999999999999"), kInf);

    // Too small: a zero with the sign of the text.
    for (const std::string& text : {std::string("1e-400"), "0." + std::string(400, '0') + "1",
                                    std::string("1000e-99999999999999999999"), std::string("2e-324")}) {
        const std::optional<double> value = parseDouble(text);
        ASSERT_TRUE(value.has_value()) << text;
        EXPECT_EQ(*value, 0.0) << text;
        EXPECT_FALSE(std::signbit(*value)) << text;
    }
    const std::optional<double> negativeTiny = parseDouble("-1e-400");
    ASSERT_TRUE(negativeTiny.has_value());
    EXPECT_EQ(*negativeTiny, 0.0);
    EXPECT_TRUE(std::signbit(*negativeTiny));

    // Zero stays zero however large its exponent.
    EXPECT_EQ(parseDouble("0e99999999999999999999"), 0.0);
    EXPECT_EQ(parseDouble("0.000e-99999"), 0.0);
}

TEST(ParseFiniteDouble, RefusesNonFiniteResults) {
    for (const char* text :
         {"inf", "-inf", "infinity", "nan", "-nan", "nan(1)", "1e999", "-1e999", "1.7976931348623159e308"}) {
        EXPECT_EQ(parseFiniteDouble(text), std::nullopt) << text;
    }
    EXPECT_EQ(parseFiniteDouble("1.5"), 1.5);
    EXPECT_EQ(parseFiniteDouble("-1.7976931348623157e308"), -std::numeric_limits<double>::max());
    EXPECT_EQ(parseFiniteDouble("1e-400"), 0.0);
}

// A numeric punctuation that uses a comma as the decimal separator, as many European locales do.
class CommaDecimalPoint : public std::numpunct<char> {
protected:
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
};

TEST(ParseDouble, IgnoresTheProcessLocale) {
    // The C++ global locale, always available through a custom facet.
    const std::locale previousGlobal =
        std::locale::global(std::locale(std::locale::classic(), new CommaDecimalPoint));
    EXPECT_EQ(parseDouble("1.5"), 1.5);
    EXPECT_EQ(parseDouble("1,5"), std::nullopt);
    EXPECT_EQ(parseFiniteDouble("-2.5e1"), -25.0);
    std::locale::global(previousGlobal);

    // The C locale, when the machine has one with a comma separator installed.
    const std::string previousC = std::setlocale(LC_ALL, nullptr);
    bool commaLocaleFound = false;
    for (const char* name :
         {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8", "ru_RU.UTF-8", "nl_NL.UTF-8"}) {
        if (std::setlocale(LC_ALL, name) != nullptr && std::localeconv()->decimal_point[0] == ',') {
            commaLocaleFound = true;
            break;
        }
    }
    if (commaLocaleFound) {
        EXPECT_EQ(parseDouble("1.5"), 1.5);
        EXPECT_EQ(parseDouble("1,5"), std::nullopt);
        EXPECT_EQ(parseFiniteDouble("-2.5e1"), -25.0);
        EXPECT_EQ(parseInt64("1.000"), std::nullopt);
    }
    std::setlocale(LC_ALL, previousC.c_str());
}

TEST(ParseInt64, AcceptsSignedDecimalIntegers) {
    EXPECT_EQ(parseInt64("0"), 0);
    EXPECT_EQ(parseInt64("-0"), 0);
    EXPECT_EQ(parseInt64("+7"), 7);
    EXPECT_EQ(parseInt64("007"), 7);
    EXPECT_EQ(parseInt64("-42"), -42);
    EXPECT_EQ(parseInt64("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(parseInt64("+9223372036854775807"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(parseInt64("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(parseInt64("0000000000000000000000000042"), 42);
}

TEST(ParseInt64, RejectsEverythingElse) {
    for (const char* text : kNeverANumber) {
        EXPECT_EQ(parseInt64(text), std::nullopt) << '"' << text << '"';
    }
    for (const char* text : {"9223372036854775808", "-9223372036854775809", "+9223372036854775808",
                             "99999999999999999999999", "1.0", "1.", ".1", "1e3", "inf", "nan", "0b1"}) {
        EXPECT_EQ(parseInt64(text), std::nullopt) << '"' << text << '"';
    }
    EXPECT_EQ(parseInt64(std::string_view("1\0", 2)), std::nullopt);
}

} // namespace
} // namespace ui
