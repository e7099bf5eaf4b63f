#include <gtest/gtest.h>

#include "core/error.h"
#include "core/image/picture_file.h"
#include "core/image/picture_reader.h"
#include "image/picture_fixtures.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::BmpSpec;
using testing::MakeBmp;
using testing::MaxChannelDiff;

struct BmpCase {
  const char* name;
  BmpSpec spec;
};

constexpr std::array<uint32_t, 4> k565 = {0xf800, 0x07e0, 0x001f, 0};
constexpr std::array<uint32_t, 4> k444 = {0x0f00, 0x00f0, 0x000f, 0};
constexpr std::array<uint32_t, 4> kBgrx = {0x0000ff00, 0x00ff0000, 0xff000000, 0};
constexpr std::array<uint32_t, 4> kArgb = {0x00ff0000, 0x0000ff00, 0x000000ff, 0xff000000};

const BmpCase kBmpCases[] = {
    {"Bits1", {1, 0, false, 40, {}, 0}},
    {"Bits4", {4, 0, false, 40, {}, 0}},
    {"Bits8", {8, 0, false, 40, {}, 0}},
    {"Bits16Rgb555", {16, 0, false, 40, {}, 0}},
    {"Bits16Bitfields565", {16, 3, false, 40, k565, 0}},
    {"Bits16Bitfields444", {16, 3, false, 40, k444, 0}},
    {"Bits24", {24, 0, false, 40, {}, 0}},
    {"Bits24TopDown", {24, 0, true, 40, {}, 0}},
    {"Bits32", {32, 0, false, 40, {}, 0}},
    {"Bits32UnusedByteSet", {32, 0, false, 40, {}, 0x80}},
    {"Bits32BitfieldsBgrx", {32, 3, false, 40, kBgrx, 0}},
    {"Rle8", {8, 1, false, 40, {}, 0}},
    {"Rle4", {4, 2, false, 40, {}, 0}},
    {"Os2Bits8", {8, 0, false, 12, {}, 0}},
    {"Os2Bits24", {24, 0, false, 12, {}, 0}},
    {"V4Bits24", {24, 0, false, 108, {}, 0}},
    {"V5Bits32Alpha", {32, 3, false, 124, kArgb, 0}},
    {"V5Bits16Bitfields565TopDown", {16, 3, true, 124, k565, 0}},
};

// Rows are placed top-down by one line for every depth: one plain and one bit-field case.
class BmpVariant : public ::testing::TestWithParam<BmpCase> {};

// Odd sizes exercise the row padding of every depth (13 pixels of 1 bit fill 2 of 4 bytes).
TEST_P(BmpVariant, DecodesToTheKnownPixels) {
  testing::TempDir dir;
  for (const auto& [w, h] : {std::pair{13, 6}, std::pair{1, 1}, std::pair{32, 3}}) {
    const testing::BmpFixture f = MakeBmp(GetParam().spec, w, h);
    const auto path = dir / "picture.bmp";
    testing::WriteFile(path, f.bytes);
    TFastBMP out;
    LoadPictureFile(path.string(), out);
    ASSERT_EQ(out.Width(), w);
    ASSERT_EQ(out.Height(), h);
    EXPECT_EQ(MaxChannelDiff(out, f.expected), 0) << w << " x " << h;
  }
}

INSTANTIATE_TEST_SUITE_P(PictureFile, BmpVariant, ::testing::ValuesIn(kBmpCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BmpReader, EveryTruncationIsRefusedOrComplete) {
  for (const BmpCase& c : kBmpCases) {
    const auto f = MakeBmp(c.spec, 13, 6);
    testing::ExpectEveryCutRefusedOrComplete("cut.bmp", f.bytes, f.expected, ReadBmpPicture);
  }
}

}  // namespace
}  // namespace glkov
