#include "script/Scanner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

// The scanner's number values must be the C library's strtod bits for every text of the number
// form -?[0-9]+"."[0-9]+, however long: hard rounding cases, huge and tiny values included.

namespace {

std::uint64_t Bits(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

std::string Digits(std::mt19937_64& random, std::size_t count) {
    std::string digits;
    for (std::size_t i = 0; i < count; ++i)
        digits.push_back(static_cast<char>('0' + random() % 10));
    return digits;
}

// Scans the texts, separated by spaces, in one scan and compares every value with strtod's.
void ExpectStrtodBits(const std::vector<std::string>& texts) {
    std::string script;
    for (const std::string& text : texts)
        script += text + ' ';
    CScanner scanner;
    scanner.Begin(script.data(), script.size());
    for (const std::string& text : texts) {
        ASSERT_EQ(kTokenNumber, scanner.NextToken()) << text;
        double expected = std::strtod(text.c_str(), nullptr);
        ASSERT_EQ(Bits(expected), Bits(scanner.GetNumberValue())) << text;
    }
    EXPECT_EQ(kTokenEnd, scanner.NextToken());
}

// The exact decimal value of the point halfway between a double and the next one up, cut to
// the number form; and the texts just below and above it in the last digit.
void AddHalfway(double value, std::vector<std::string>& texts) {
    long double halfway =
        (static_cast<long double>(value) +
         static_cast<long double>(std::nextafter(value, std::numeric_limits<double>::max()))) /
        2;
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%.120Lf", halfway); // exact: glibc prints every digit
    std::string text = buffer;
    while (text.size() > 2 && text.back() == '0' && text[text.size() - 2] != '.')
        text.pop_back();
    texts.push_back(text);
    std::string below = text;
    std::string above = text;
    if (below.back() > '0') {
        --below.back();
        texts.push_back(below);
    }
    if (above.back() < '9') {
        ++above.back();
        texts.push_back(above);
    }
    texts.push_back(text + "0000000000000000000001");
}

} // namespace

TEST(ScannerNumbers, ValuesAreStrtodBitsOnRandomTexts) {
    std::mt19937_64 random(20261208);
    std::vector<std::string> texts;
    for (int i = 0; i < 200000; ++i) {
        std::string sign = random() % 2 ? "-" : "";
        std::size_t whole = 1;
        std::size_t fraction = 1;
        switch (i % 4) {
        case 0: // the sizes scripts use
            whole = 1 + random() % 4;
            fraction = 1 + random() % 4;
            break;
        case 1: // about as many digits as a double holds, and a few more
            whole = 1 + random() % 20;
            fraction = 1 + random() % 20;
            break;
        case 2: // long texts: many digits beyond a double's precision
            whole = 1 + random() % 60;
            fraction = 1 + random() % 400;
            break;
        default: // leading zeros: small values
            whole = 1 + random() % 3;
            fraction = 1 + random() % 40;
            break;
        }
        std::string text = sign + Digits(random, whole) + "." + Digits(random, fraction);
        if (i % 4 == 3)
            text = sign + std::string(whole, '0') + "." + std::string(random() % 30, '0') +
                   Digits(random, fraction);
        texts.push_back(text);
    }
    ExpectStrtodBits(texts);
}

TEST(ScannerNumbers, ValuesAreStrtodBitsOnHalfwayCases) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> range(0.0, 1.0);
    std::vector<std::string> texts;
    for (int i = 0; i < 20000; ++i) {
        // Doubles from 1e-6 to 1e12 and the exact decimals between them and their neighbours.
        double value = std::pow(10.0, -6.0 + 18.0 * range(random)) * (1.0 + range(random));
        AddHalfway(value, texts);
        AddHalfway(std::floor(value * 1000.0) / 1000.0, texts);
    }
    ExpectStrtodBits(texts);
}

TEST(ScannerNumbers, ValuesAreStrtodBitsAtTheEndsOfTheRange) {
    std::vector<std::string> texts = {
        "0.0", "-0.0", "00000000000000000000.00000000000000000000",
        // Beyond the largest double: infinite; near it: finite.
        "1" + std::string(308, '0') + ".0", "-1" + std::string(309, '0') + ".0",
        "17976931348623157" + std::string(292, '0') + ".0",
        "17976931348623158" + std::string(292, '0') + ".0",
        "17976931348623159" + std::string(292, '0') + ".0",
        // Subnormal, the smallest, half of it (zero), and below.
        "0." + std::string(307, '0') + "1", "0." + std::string(320, '0') + "49406564584124654",
        "0." + std::string(323, '0') + "24703282292062327",
        "0." + std::string(323, '0') + "2470328229206232721",
        "0." + std::string(323, '0') + "24703282292062328", "0." + std::string(400, '0') + "1",
        "-0." + std::string(400, '0') + "1",
        // 2^53 + 1 and neighbours: ties to even.
        "9007199254740993.0", "9007199254740993.0000000000000000000001", "9007199254740995.0",
        "0.1", "0.2", "0.3", "1.7976931348623157", "2.2250738585072011", "123456789012345678.9"};
    ExpectStrtodBits(texts);
}
