#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "center/phonemask.h"

namespace {

// Numbers as the store keeps them: plain, with hyphens, with failure stars, short and long.
std::vector<std::string> SampleNumbers() {
    std::vector<std::string> numbers = {
        "01012345678",    "010-1234-5678",    "0212345678",     "02-123-4567", "*010-9876-5432",
        "***01055550000", "080-123-4567",     "123456",         "000000",      "999999",
        "1234567890123",  "+82 10 2222 3333", "010 1234 5678 ",
    };
    uint32_t seed = 12345;
    for (int i = 0; i < 200; ++i) {
        std::string n = "01";
        for (int d = 0; d < 9; ++d) {
            seed = seed * 1103515245u + 12345u;
            n += static_cast<char>('0' + (seed >> 16) % 10);
            if (i % 2 == 0 && (d == 1 || d == 5))
                n += '-';
        }
        numbers.push_back(n);
    }
    return numbers;
}

TEST(PhoneMask, EveryDrawRestoresEveryNumber) {
    for (const std::string& phone : SampleNumbers()) {
        for (int r = 1; r <= 50; ++r) {
            SCOPED_TRACE(phone + " r=" + std::to_string(r));
            std::string masked;
            int32_t key = 0;
            ASSERT_TRUE(MaskPhone(phone, masked, key, r));
            ASSERT_GE(key, 0);
            EXPECT_EQ(key >> 24, r);
            EXPECT_EQ(std::count(masked.begin(), masked.end(), 'x'), 2);
            std::string restored;
            EXPECT_NE(UnmaskPhone(masked, key, restored), 0);
            EXPECT_EQ(restored, phone);
        }
        // The clock's own draw as the store uses it.
        std::string masked;
        int32_t key = -1;
        ASSERT_TRUE(MaskPhone(phone, masked, key));
        EXPECT_GE(key >> 24, 1);
        EXPECT_LE(key >> 24, 50);
        std::string restored;
        EXPECT_NE(UnmaskPhone(masked, key, restored), 0);
        EXPECT_EQ(restored, phone);
    }
}

TEST(PhoneMask, KeysAreThoseOtherInstallationsWrote) {
    // Stored keys must restore numbers masked elsewhere, so the key layout is fixed.
    std::string masked;
    int32_t key = 0;
    ASSERT_TRUE(MaskPhone("01012345678", masked, key, 1));
    EXPECT_EQ(masked, "01012xx5678");
    EXPECT_EQ(key, 17768717); // r=1, b1=15, b2=33, b3=13
    ASSERT_TRUE(MaskPhone("010-9999-0000", masked, key, 50));
    EXPECT_EQ(masked, "010-99xx-0000");
    std::string restored;
    EXPECT_EQ(UnmaskPhone("010-99xx-0000", key, restored), 1);
    EXPECT_EQ(restored, "010-9999-0000");
}

struct NotMasked {
    const char* name;
    std::string phone;
};

TEST(PhoneMask, NumbersThatStayAsTheyAre) {
    const std::vector<NotMasked> cases = {
        {"Empty", ""},
        {"FiveCharacters", "12345"},
        {"FiveDigitsWithHyphens", "1-2-3-4-5"},
        {"NoDigits", "abcdefgh"},
        {"AlreadyMasked", "010-12xx-5678"},
        {"AlreadyMaskedPlain", "01012xx5678"},
        {"AlreadyMaskedWithStar", "*010-12xx-5678"},
        // One stray 'x' near the hidden pair would be restored in the wrong place.
        {"StrayXBeforeHiddenPair", "0101234x5678"},
        {"StrayXInsideHiddenPair", "02-12x3-5678"},
        {"StrayXAtTheEnd", "01012345678x"},
        {"StrayXAmongLastDigits", "0101234567x8"},
    };
    for (const NotMasked& c : cases) {
        SCOPED_TRACE(c.name);
        std::string masked = "junk";
        int32_t key = 7;
        EXPECT_FALSE(MaskPhone(c.phone, masked, key, 3));
        EXPECT_EQ(masked, c.phone);
        EXPECT_EQ(key, -1);
        std::string out = "junk";
        EXPECT_EQ(UnmaskPhone(masked, key, out), 0);
        EXPECT_EQ(out, c.phone);
    }
}

struct StoredCase {
    const char* name;
    std::string stored;
    int32_t key;
    int result;
    std::string out;
};

TEST(PhoneMask, UnmaskingStoredNumbers) {
    // Bytes 0x01,0x0F,0x21,0x0D xor to 34.
    const int32_t key34 = 17768717;
    const std::vector<StoredCase> cases = {
        {"Plain", "01012xx5678", key34, 1, "01012345678"},
        {"HyphensAndStarsKept", "**010-12xx-5678", key34, 1, "**010-1234-5678"},
        {"HiddenPairAcrossHyphen", "0101-x-x5678", key34, 1, "0101-3-45678"},
        {"XorAbove99StaysMasked", "01012xx5678", 0x01000064, 0, "01012xx5678"},
        {"XorOf255StaysMasked", "01012xx5678", 0x000000FF, 0, "01012xx5678"},
        {"NegativeKey", "01012xx5678", -1, 0, "01012xx5678"},
        {"TooShort", "2xx56", key34, 0, "2xx56"},
        {"NotMasked", "01012345678", key34, 0, "01012345678"},
        {"PairInWrongPlace", "010xx345678", key34, 0, "010xx345678"},
        {"OnlyOneX", "010123x5678", key34, 0, "010123x5678"},
        {"ZeroKeyGivesZeros", "01012xx5678", 0, 1, "01012005678"},
        {"NinetyNine", "01012xx5678", 99, 1, "01012995678"},
    };
    for (const StoredCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string out;
        EXPECT_EQ(UnmaskPhone(c.stored, c.key, out) != 0, c.result != 0);
        EXPECT_EQ(out, c.out);
    }
}

} // namespace
