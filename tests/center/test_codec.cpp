// CP949 texts to UTF-8 and to the center's URL form, and back: the quick per-character table and the
// whole-text conversion must give the same bytes for every input, valid, broken or cut.
#include <gtest/gtest.h>

#include <iconv.h>

#include <random>
#include <string>
#include <vector>

#include "text/codec.h"

namespace {

// The reference for a valid text: iconv over the whole text at once.
std::string IconvWhole(const std::string& cp949) {
    iconv_t cd = iconv_open("UTF-8", "CP949");
    std::string out(cp949.size() * 3 + 8, '\0');
    char* src = const_cast<char*>(cp949.data());
    size_t srcLeft = cp949.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    EXPECT_NE(r, static_cast<size_t>(-1));
    out.resize(out.size() - dstLeft);
    return out;
}

TEST(Codec, ValidTextsConvertAsIconvDoes) {
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 12);
        for (int i = 0; i < length; ++i) {
            if (random() % 3 == 0) {
                text += static_cast<char>(0x20 + random() % 0x5F); // printable ASCII
            } else {                                               // a Hangul syllable of the common set
                text += static_cast<char>(0xB0 + random() % 0x19);
                text += static_cast<char>(0xA1 + random() % 0x5E);
            }
        }
        const std::string utf8 = zmsg::Cp949ToUtf8(text);
        ASSERT_EQ(utf8, IconvWhole(text)) << round;
        // And back, ASCII-only texts included (they skip iconv that way).
        EXPECT_EQ(zmsg::Utf8ToCp949(utf8), text) << round;
        EXPECT_EQ(zmsg::Utf8ToCp949Lossy(utf8), text) << round;
        std::string url = "x=";
        zmsg::AppendCp949AsUtf8Url(url, text);
        EXPECT_EQ(url, "x=" + zmsg::UrlEncode(utf8));
    }
}

TEST(Codec, BrokenTextsTakeTheSameWayBothTimes) {
    // Random bytes: bad pairs, a lead byte cut at the end, bad pairs after good ones. The URL form is
    // always the URL encoding of the UTF-8 form, and a bad sequence is replaced, never dropped whole.
    std::mt19937 random(11);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 10);
        for (int i = 0; i < length; ++i)
            text += static_cast<char>(random() % 256);
        const std::string utf8 = zmsg::Cp949ToUtf8(text);
        std::string url;
        zmsg::AppendCp949AsUtf8Url(url, text);
        ASSERT_EQ(zmsg::UrlDecode(url), utf8) << round;
        EXPECT_EQ(utf8.empty(), text.empty());
    }
    // A good syllable before a cut one: the good one stays, the cut byte becomes one replacement.
    EXPECT_EQ(zmsg::Cp949ToUtf8(zmsg::K("가") + "\xB0"), std::string("가") + "\xEF\xBF\xBD");
}

TEST(Codec, ExtendedSyllablesAreWholeTwoByteCharacters) {
    // Syllables outside the common set have lead bytes 0x81 to 0xA0, and trail bytes that may be
    // ASCII letters ("똠" is 8C 63, a lead byte and "c"): still one character of two bytes.
    const struct {
        const char* utf8;
        std::string cp949;
    } syllables[] = {{"똠", "\x8C\x63"}, {"뷁", "\x94\xEE"}, {"갂", "\x81\x41"}};
    for (const auto& s : syllables) {
        SCOPED_TRACE(s.utf8);
        EXPECT_EQ(zmsg::K(s.utf8), s.cp949);
        const std::string text = "a" + s.cp949 + s.cp949 + "b";
        EXPECT_EQ(zmsg::Cp949ToUtf8(text), std::string("a") + s.utf8 + s.utf8 + "b");
        std::string url;
        zmsg::AppendCp949AsUtf8Url(url, text);
        EXPECT_EQ(zmsg::UrlDecode(url), std::string("a") + s.utf8 + s.utf8 + "b");
        std::vector<size_t> starts;
        for (size_t i = 0; i < text.size(); i += zmsg::Cp949CharLen(text, i))
            starts.push_back(i);
        EXPECT_EQ(starts, (std::vector<size_t>{0, 1, 3, 5}));
    }
}

} // namespace
