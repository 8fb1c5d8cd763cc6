// Number parsing of the text reader: every real bit for bit what std::from_chars gives for
// float, by the fast path or the fallback; the in-place scans of buffer lines agree with the
// word parsers. ORVANTA_NUMBER_CHECK_COUNT=N checks N random numbers (the long check: 10^7).
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>
#include <string>

#include "file_input.h"

namespace {

using orv::NumberStatus;

// The reference: from_chars for float on the whole word, a leading '+' allowed.
bool reference(const std::string& w, float& value) {
    const char* first = w.data();
    const char* last = w.data() + w.size();
    if (first < last && *first == '+') {
        ++first;
        if (first == last || *first == '+' || *first == '-') return false;
    }
    const auto r = std::from_chars(first, last, value, std::chars_format::general);
    return r.ec == std::errc() && r.ptr == last;
}

uint32_t bits(float f) {
    return std::bit_cast<uint32_t>(f);
}

// Checks parseReal and the in-place scan against the reference; false on a difference.
::testing::AssertionResult agrees(const std::string& w) {
    float expected = 0.0f, parsed = 0.0f;
    if (!reference(w, expected)) {
        // Not a float of the range: never silently a different number. (Values below the
        // float range are read as zero or a subnormal, out of the reference's reach.)
        if (orv::parseReal(w, parsed) == NumberStatus::Ok && std::fabs(parsed) > 1.2e-38f)
            return ::testing::AssertionFailure() << w << " read although from_chars refuses it";
        return ::testing::AssertionSuccess();
    }
    if (orv::parseReal(w, parsed) != NumberStatus::Ok || bits(parsed) != bits(expected))
        return ::testing::AssertionFailure()
               << w << ": parseReal " << parsed << " instead of " << expected;
    // In a line of the read buffer, followed by another word.
    const std::string line = "  " + w + "\t7\n" + std::string(8, '\0');
    const char* p = orv::scan::skipBlanks(line.data());
    float scanned = 0.0f;
    if (!orv::scan::real(p, scanned) || bits(scanned) != bits(expected) ||
        p != line.data() + 2 + w.size())
        return ::testing::AssertionFailure()
               << w << ": scan " << scanned << " instead of " << expected;
    return ::testing::AssertionSuccess();
}

std::string format(const char* f, double v, int precision) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, f, precision, v);
    return buffer;
}

// Random words of the forms files hold: the writers' %.4e, other programs' %.9g, fixed
// notation, long mantissas, values next to float midpoints, and digit strings of any length
// with a point and an exponent anywhere.
std::string randomWord(std::mt19937_64& rng) {
    std::uniform_int_distribution<int> form(0, 7), precision(1, 17), exponent10(-45, 39);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    const double magnitude = std::pow(10.0, exponent10(rng)) * unit(rng);
    switch (form(rng)) {
        case 0:
            return format("%.*e", magnitude, 4);
        case 1:
            return format("%.*g", double(float(magnitude)), 9);
        case 2:
            return format("%.*g", magnitude, precision(rng));
        case 3:
            return format("%.*f", unit(rng) * std::pow(10.0, rng() % 8), int(rng() % 12));
        case 4: {
            // A float, the next one, and the decimal of their exact midpoint cut to 15..19
            // significant digits: on either side of the midpoint, or on it.
            const float f = float(magnitude);
            if (!std::isfinite(f) || f == 0.0f) return "0";
            const double mid = (double(f) + double(std::nextafter(f, 2.0f * f))) / 2.0;
            return format("%.*e", mid, 14 + int(rng() % 5));
        }
        case 5: {
            // Odd integers between 2^24 and 2^26: exact midpoints written as integers.
            const uint64_t v = ((uint64_t(1) << 24) + rng() % (uint64_t(3) << 24)) | 1;
            return std::to_string(v) + (rng() % 2 ? "" : ".0");
        }
        case 6: {
            // Exactly halfway values with a fraction: k + 0.5 ulp over the binades near 1.
            const int e = int(rng() % 40) - 20;
            const double mid =
                std::ldexp(double((uint64_t(1) << 24) | (rng() & 0xFFFFFF)) + 0.5, e - 24);
            return format("%.*g", mid, 17 + int(rng() % 4));
        }
        default: {
            std::string w;
            if (rng() % 4 == 0) w += rng() % 2 ? '-' : '+';
            const int digits = 1 + int(rng() % 24), point = int(rng() % (digits + 2)) - 1;
            for (int i = 0; i < digits; ++i) {
                if (i == point) w += '.';
                w += char('0' + rng() % 10);
            }
            if (rng() % 2) w += (rng() % 2 ? "e" : "E") + std::to_string(int(rng() % 90) - 45);
            return w;
        }
    }
}

TEST(NumberParse, RandomRealsAreBitIdenticalToFromChars) {
    std::mt19937_64 rng(20240607);
    const char* count = std::getenv("ORVANTA_NUMBER_CHECK_COUNT");
    for (int64_t i = 0, n = count ? std::atoll(count) : 200000, failures = 0;
         i < n && failures < 10; ++i) {
        const ::testing::AssertionResult r = agrees(randomWord(rng));
        failures += !r;
        EXPECT_TRUE(r);
    }
}

TEST(NumberParse, EdgeFormsOfReals) {
    std::istringstream words(
        "0 -0 +0 -0.0e5 0e99999 1 1. .5 -.5 +.5 5e-1 1E+05 1e-0005 1e000005 1.0000e-002 "
        "0.100000001 16777217 16777217.000 33554435 3.4028235e38 3.4028236e38 1e38 "
        "9007199254740993 9007199254740992e-22 1234567890123456789 12345678901234567890 "
        "0.0000000000000000000001 1.17549435e-38 1e-22 1e22 4.5e22 inf -inf nan infinity 1e 1e+ e5 "
        ". - + +-1 -+1 1.5.0 1..5 0x10 1,5 1d5 --1 1e5x 12345678.12345678");
    for (std::string w; words >> w;)
        EXPECT_TRUE(agrees(w));
}

TEST(NumberParse, IntegerScanAgreesWithParseIntegerAndStopsAtTheLineEnd) {
    std::mt19937_64 rng(7);
    // The empty word, and words too long for 64 bits or of many digits.
    std::vector<std::string> words = {"", std::string(30, '0') + "5"};
    std::istringstream fixed(
        "0 -0 +7 - + 12a 1.0 4611686018427387904 4611686018427387905 "
        "18446744073709551619");
    for (std::string w; fixed >> w;)
        words.push_back(w);
    for (int i = 0; i < 20000; ++i) {
        std::string w = rng() % 3 == 0 ? (rng() % 2 ? "-" : "+") : "";
        for (int d = int(rng() % 21); d >= 0; --d)
            w += char('0' + rng() % 10);
        words.push_back(w);
    }
    for (const std::string& w : words) {
        int64_t expected = 0, scanned = 0;
        const bool ok = orv::parseInteger(w, expected) == NumberStatus::Ok;
        const std::string line = w + "\n1\n" + std::string(8, '\0');
        const char* p = line.data();
        ASSERT_EQ(orv::scan::integer(p, scanned), ok) << w;
        EXPECT_TRUE(!ok || (scanned == expected && p == line.data() + w.size())) << w;
    }
    // The word reader refuses words over 4096 characters; so do the scans, even for a number.
    const std::string longZeros =
        std::string(orv::TextInput::kMaxTokenLength, '0') + "1\n" + std::string(8, '\0');
    const char* p = longZeros.data();
    int64_t v;
    float f;
    EXPECT_FALSE(orv::scan::real(p, f));
    EXPECT_FALSE(orv::scan::integer(p, v));
    const std::string many(1000, '\n');
    EXPECT_EQ(orv::scan::countLines(many.data() + 3, many.data() + many.size()), 997u);
    EXPECT_GE(orv::scan::countLines(many.data(), many.data() + many.size(), 10), 10u);
}

}  // namespace
