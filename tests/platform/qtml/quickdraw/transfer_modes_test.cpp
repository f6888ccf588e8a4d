// Transfer modes on known pixels: each mode's formula at a few points,
// including the ends where rounding and pinning matter.
#include "quickdraw/transfer_modes.h"

#include <gtest/gtest.h>

#include <ostream>

namespace qtml {
void PrintTo(ArgbPixel p, std::ostream* os) {
  *os << "{a " << int(p.a) << ", " << int(p.r) << ", " << int(p.g) << ", " << int(p.b) << "}";
}
}  // namespace qtml

namespace {

using qtml::ArgbPixel;
using qtml::TransferColors;
using qtml::TransferPixel;

constexpr ArgbPixel kSrc = {255, 200, 100, 10};
constexpr ArgbPixel kDst = {128, 100, 180, 250};
constexpr RGBColor kGrey = {0x8080, 0x8080, 0x8080};

ArgbPixel Apply(int mode, ArgbPixel src = kSrc, ArgbPixel dst = kDst, RGBColor op = kGrey) {
  return TransferPixel(mode, src, dst, op);
}

TEST(TransferModesTest, CopiesKeepTheSourceWhole) {
  EXPECT_EQ(Apply(srcCopy), kSrc);
  EXPECT_EQ(Apply(ditherCopy), kSrc);
  EXPECT_EQ(Apply(graphicsModeComposition), kSrc);
  EXPECT_EQ(Apply(patCopy), kSrc);
  EXPECT_EQ(Apply(12345), kSrc);  // unknown modes copy
  EXPECT_EQ(Apply(notSrcCopy), (ArgbPixel{255, 55, 155, 245}));
}

TEST(TransferModesTest, BooleanModesTreatDarkAsSet) {
  constexpr ArgbPixel black = {255, 0, 0, 0};
  constexpr ArgbPixel white = {255, 255, 255, 255};
  // srcOr paints the foreground (black) where the source is black only.
  EXPECT_EQ(Apply(srcOr, black), (ArgbPixel{128, 0, 0, 0}));
  EXPECT_EQ(Apply(srcOr, white), kDst);
  // srcBic paints the background (white) there instead.
  EXPECT_EQ(Apply(srcBic, black), (ArgbPixel{128, 255, 255, 255}));
  EXPECT_EQ(Apply(srcBic, white), kDst);
  // srcXor complements a direct pixel under black.
  EXPECT_EQ(Apply(srcXor, black), (ArgbPixel{128, 155, 75, 5}));
  EXPECT_EQ(Apply(srcXor, white), kDst);
  EXPECT_EQ(Apply(notSrcXor, white), (ArgbPixel{128, 155, 75, 5}));
  EXPECT_EQ(Apply(notSrcOr, white), (ArgbPixel{128, 0, 0, 0}));
  EXPECT_EQ(Apply(notSrcBic, black), kDst);
}

TEST(TransferModesTest, SourceCopyColoursThroughForeAndBack) {
  TransferColors colors = qtml::DefaultTransferColors(kGrey);
  colors.fore = RGBColor{0xFFFF, 0, 0};   // red for black
  colors.back = RGBColor{0, 0, 0xFFFF};   // blue for white
  ArgbPixel grey = {255, 128, 128, 128};  // about half of each
  EXPECT_EQ(TransferPixel(srcCopy, ArgbPixel{255, 0, 0, 0}, kDst, colors),
            (ArgbPixel{255, 255, 0, 0}));
  EXPECT_EQ(TransferPixel(srcCopy, ArgbPixel{255, 255, 255, 255}, kDst, colors),
            (ArgbPixel{255, 0, 0, 255}));
  EXPECT_EQ(TransferPixel(srcCopy, grey, kDst, colors), (ArgbPixel{255, 127, 0, 128}));
  EXPECT_FALSE(qtml::IsPlainCopy(srcCopy, colors));
  EXPECT_TRUE(qtml::IsPlainCopy(srcCopy, qtml::DefaultTransferColors(kGrey)));
}

TEST(TransferModesTest, ArithmeticModesWorkPerChannel) {
  // blend: weights 0x8080 / 0xFFFF of the source.
  EXPECT_EQ(Apply(blend), (ArgbPixel{128, 150, 140, 130}));
  EXPECT_EQ(Apply(blend, kSrc, kDst, RGBColor{0xFFFF, 0, 0x8080}), (ArgbPixel{128, 200, 180, 130}));
  // addPin pins at the op colour's channels (0x80 = 128).
  EXPECT_EQ(Apply(addPin), (ArgbPixel{128, 128, 128, 128}));
  EXPECT_EQ(Apply(addPin, kSrc, kDst, RGBColor{0xFFFF, 0xFFFF, 0xFFFF}),
            (ArgbPixel{128, 255, 255, 255}));
  EXPECT_EQ(Apply(addOver), (ArgbPixel{128, (200 + 100) & 255, (100 + 180) & 255, 4}));
  // subPin: destination minus source, never below the op colour.
  EXPECT_EQ(Apply(subPin), (ArgbPixel{128, 128, 128, 240}));
  EXPECT_EQ(Apply(subPin, kSrc, kDst, RGBColor{0, 0, 0}), (ArgbPixel{128, 0, 80, 240}));
  EXPECT_EQ(Apply(subOver), (ArgbPixel{128, (100 - 200) & 255, 80, 240}));
  EXPECT_EQ(Apply(addMax), (ArgbPixel{128, 200, 180, 250}));
  EXPECT_EQ(Apply(adMax), Apply(addMax));
  EXPECT_EQ(Apply(adMin), (ArgbPixel{128, 100, 100, 10}));
  EXPECT_EQ(Apply(blend + ditherCopy), Apply(blend));
}

TEST(TransferModesTest, TransparentSkipsTheKeyColour) {
  ArgbPixel key = {255, 0x80, 0x80, 0x80};
  EXPECT_EQ(Apply(transparent, key), kDst);
  EXPECT_EQ(Apply(transparent, ArgbPixel{0, 0x80, 0x80, 0x80}), kDst);  // alpha aside
  EXPECT_EQ(Apply(transparent), kSrc);
  // Through a port's colours, the background is the key.
  TransferColors colors = qtml::DefaultTransferColors(kGrey);
  EXPECT_EQ(TransferPixel(transparent, ArgbPixel{255, 255, 255, 255}, kDst, colors), kDst);
  EXPECT_EQ(TransferPixel(transparent, key, kDst, colors), key);
}

TEST(TransferModesTest, HiliteSwapsBackgroundAndHighlightUnderDarkSource) {
  TransferColors colors = qtml::DefaultTransferColors(kGrey);
  ArgbPixel white = {255, 255, 255, 255};
  ArgbPixel black = {255, 0, 0, 0};
  ArgbPixel highlight = {255, 0xCC, 0xCC, 0xFF};
  EXPECT_EQ(TransferPixel(hilite, black, white, colors), highlight);
  EXPECT_EQ(TransferPixel(hilite, black, highlight, colors), white);
  EXPECT_EQ(TransferPixel(hilite, black, kDst, colors), kDst);
  EXPECT_EQ(TransferPixel(hilite, white, white, colors), white);
}

TEST(TransferModesTest, AlphaModesBlendByTheSourceAlpha) {
  ArgbPixel half = {128, 200, 100, 0};
  ArgbPixel dst = {255, 0, 100, 200};
  EXPECT_EQ(Apply(graphicsModeStraightAlpha, half, dst), (ArgbPixel{255, 100, 100, 100}));
  EXPECT_EQ(Apply(graphicsModeStraightAlpha, ArgbPixel{0, 1, 2, 3}, dst), dst);
  EXPECT_EQ(Apply(graphicsModeStraightAlpha, ArgbPixel{255, 1, 2, 3}, dst),
            (ArgbPixel{255, 1, 2, 3}));
  // Over a transparent destination the alphas combine.
  EXPECT_EQ(Apply(graphicsModeStraightAlpha, half, ArgbPixel{0, 0, 0, 0}).a, 128);
  // Premultiplied with black: src + dst * (1 - a); 127/255 of dst.
  EXPECT_EQ(Apply(graphicsModePreBlackAlpha, ArgbPixel{128, 100, 50, 0}, dst),
            (ArgbPixel{255, 100, 100, 100}));
  // Premultiplied with white: src + (dst - 255) * (1 - a).
  EXPECT_EQ(Apply(graphicsModePreWhiteAlpha, ArgbPixel{128, 227, 177, 127}, dst),
            (ArgbPixel{255, 100, 100, 100}));
  // A fully transparent premultiplied pixel is the plain colour it was
  // premultiplied with, and leaves the destination.
  EXPECT_EQ(Apply(graphicsModePreWhiteAlpha, ArgbPixel{0, 255, 255, 255}, dst), dst);
  EXPECT_EQ(Apply(graphicsModePreMulColorAlpha, ArgbPixel{0, 0x80, 0x80, 0x80}, dst), dst);
  // Straight alpha blend scales the alpha by the op colour per channel.
  EXPECT_EQ(Apply(graphicsModeStraightAlphaBlend, ArgbPixel{255, 200, 100, 0}, dst,
                  RGBColor{0xFFFF, 0x8080, 0}),
            (ArgbPixel{255, 200, 100, 200}));
}

}  // namespace
