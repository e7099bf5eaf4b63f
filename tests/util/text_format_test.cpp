#include "core/util/text_format.h"

#include <gtest/gtest.h>

namespace glkov {
namespace {

TEST(TextFormat, RoundsHalvesToEven) {
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(-0.5), 0);
  EXPECT_EQ(RoundHalfEven(-1.5), -2);
  EXPECT_EQ(RoundHalfEven(1108.51), 1109);
}

TEST(TextFormat, FixedTwoDecimals) {
  EXPECT_EQ(FormatFixed2(319.5), "319.50");
  EXPECT_EQ(FormatFixed2(554), "554.00");
  EXPECT_EQ(FormatFixed2(-0.001), "0.00");
  EXPECT_EQ(FormatFixed2(-2.25), "-2.25");
}

TEST(TextFormat, GeneralFifteenDigits) {
  EXPECT_EQ(FormatG15(0), "0");
  EXPECT_EQ(FormatG15(0.75), "0.75");
  EXPECT_EQ(FormatG15(-1), "-1");
  EXPECT_EQ(FormatG15(1.0 / 3.0), "0.333333333333333");
  EXPECT_EQ(FormatG15(1e-5), "1E-5");
  EXPECT_EQ(FormatG15(1.5e20), "1.5E+20");
  for (double v : {1.0 / 3.0, 1e-300, 123456.789012345, -2.424242424242, 6.02e23}) {
    const double back = *ParseDouble(FormatG15(v));
    EXPECT_NEAR(back, v, std::abs(v) * 1e-14) << FormatG15(v);
  }
}

TEST(TextFormat, ParsesWholeTokensOnly) {
  EXPECT_EQ(ParseDouble("3.5"), 3.5);
  EXPECT_EQ(ParseDouble("+2"), 2.0);
  EXPECT_EQ(ParseDouble("-1E-5"), -1e-5);
  EXPECT_FALSE(ParseDouble("3,5"));
  EXPECT_FALSE(ParseDouble("abc"));
  EXPECT_FALSE(ParseDouble(""));
  EXPECT_FALSE(ParseDouble("1.5x"));
  EXPECT_FALSE(ParseDouble("nan"));
  EXPECT_FALSE(ParseDouble("inf"));
  EXPECT_FALSE(ParseDouble("++1"));
  EXPECT_EQ(ParseInt("-42"), -42);
  EXPECT_FALSE(ParseInt("4.2"));
  EXPECT_FALSE(ParseInt("99999999999999999999999"));
}

TEST(TextFormat, FileNameAndDirectoryParts) {
  EXPECT_EQ(FileNamePart("C:\\pics\\room.jpg"), "room.jpg");
  EXPECT_EQ(FileNamePart("/home/u/room.jpg"), "room.jpg");
  EXPECT_EQ(FileNamePart("c:room.jpg"), "room.jpg");
  EXPECT_EQ(FileNamePart("room.jpg"), "room.jpg");
  EXPECT_EQ(DirPart("/home/u/room.kov"), "/home/u/");
  EXPECT_EQ(DirPart("room.kov"), "");
}

}  // namespace
}  // namespace glkov
