// What the center's pages hand over to the dialogs: the image box's choice, an earlier app message,
// a text message for the composer, the coupon list's choice.
#include <gtest/gtest.h>

#include <string>

#include "center/pagehandover.h"
#include "text/codec.h"

using zmsg::K;

namespace {

TEST(PageHandover, ImageBoxChoiceIsTakenOnlyWhenTheSendCanNameThePicture) {
    const std::string url = "http://127.0.0.1:1/SMMS/ImageBox/1001/1_2.jpg";
    const auto choice = ParseImageBoxChoice("<BOX>1</BOX><IMG>2</IMG><URL>" + url + "</URL>");
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->box, 1);
    EXPECT_EQ(choice->image, 2);
    EXPECT_EQ(choice->url, url);
    // Numbers are read as the C library reads them: blanks first, digits up to the first other byte.
    const auto lenient = ParseImageBoxChoice("<BOX> 7x</BOX><IMG>+12</IMG><URL>" + url + "</URL>");
    ASSERT_TRUE(lenient);
    EXPECT_EQ(lenient->box, 7);
    EXPECT_EQ(lenient->image, 12);
    EXPECT_FALSE(ParseImageBoxChoice("<BOX>1</BOX><IMG>2</IMG><URL></U")); // 32 characters
    EXPECT_FALSE(ParseImageBoxChoice(""));

    // Texts of 33 characters and more that name no picture the send could use: before, each was taken
    // as a choice of box or image 0 (or a wrapped number), the preview showed the downloaded picture
    // and the message then went out without it (or with another one).
    for (const std::string& bad : {
             std::string(40, 'x'),
             "<BOX>0</BOX><IMG>2</IMG><URL>" + url + "</URL>",
             "<BOX>1</BOX><IMG>-2</IMG><URL>" + url + "</URL>",
             "<BOX>1</BOX><URL>" + url + "</URL>",
             "<BOX>4294967297</BOX><IMG>2</IMG><URL>" + url + "</URL>",
             "<BOX>1</BOX><IMG>99999999999999999999999</IMG><URL>" + url + "</URL>",
         })
        EXPECT_FALSE(ParseImageBoxChoice(bad)) << bad;
}

TEST(PageHandover, CopiedMessages) {
    const CopiedSmms copied =
        ParseCopiedSmms(K("<SMMSTITLE>제목</SMMSTITLE><SMMSCONTENT>첫 줄<BR>둘째 줄</BR>끝</SMMSCONTENT>"));
    EXPECT_EQ(copied.title, K("제목"));
    EXPECT_EQ(copied.content, K("첫 줄\n둘째 줄\n끝"));
    EXPECT_TRUE(ParseCopiedSmms("").empty());
    EXPECT_TRUE(ParseCopiedSmms("<SMMSTITLE></SMMSTITLE>").empty());
    EXPECT_EQ(ParseCopiedSmms("<SMMSCONTENT>a<</BR>BR>b</SMMSCONTENT>").content, "a<\nBR>b");

    EXPECT_EQ(CopiedMessage(K("할인 안내\r\n둘째 줄 \r\n\t ")), K("할인 안내\n둘째 줄"));
    EXPECT_EQ(CopiedMessage(" \r\n\t"), "");
    // A CR before a CR LF is the page's own: the line break is still one LF.
    EXPECT_EQ(CopiedMessage("a\r\r\nb"), "a\r\nb");
}

TEST(PageHandover, CouponChoice) {
    EXPECT_EQ(CouponFromPage(K("<CP>1203</CP><NAME>할인</NAME>")), 1203);
    EXPECT_EQ(CouponFromPage(" <CP> 12a</CP>"), 12);
    // No coupon chosen: the chosen-coupon page for 0.
    EXPECT_EQ(CouponFromPage(""), 0);
    EXPECT_EQ(CouponFromPage("<NAME>x</NAME>"), 0);
    EXPECT_EQ(CouponFromPage("<CP>-5</CP>"), 0);
    EXPECT_EQ(CouponFromPage("<CP>4294967297</CP>"), 0);
}

} // namespace
