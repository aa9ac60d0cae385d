#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "raster/bitmap.h"
#include "raster/rasterizer.h"

namespace {

OwnedBitmap filled(int32_t w, int32_t h, uint16_t value, bool withAlpha = false) {
    OwnedBitmap b = newBitmap(w, h, withAlpha);
    fillBitmap(b.get(), value);
    return b;
}

// Columns of row 0 of dst that hold value.
std::vector<int> columnsWith(const Bitmap& dst, uint16_t value) {
    std::vector<int> out;
    for (int x = 0; x < dst.width; ++x)
        if (dst.pixels[x] == value) out.push_back(x);
    return out;
}

TEST(Bitmap, PackRgb565Table) {
    EXPECT_EQ(packRgb565(1, 1, 1), 0xFFFF);
    EXPECT_EQ(packRgb565(1, 0, 0), 0xF800);
    EXPECT_EQ(packRgb565(0, 1, 0), 0x07E0);
    EXPECT_EQ(packRgb565(0, 0, 1), 0x001F);
    EXPECT_EQ(packRgb565(0.5f, 0.5f, 0.5f), 0x7BEF);  // 127, 127, 127
    EXPECT_EQ(packRgb565(0, 0, 0), 0x0000);
    // Values a file may give: clamped, never an out-of-range conversion.
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(packRgb565(inf, -inf, 0), 0xF800);
    EXPECT_EQ(packRgb565(nan, 2.0f, -0.5f), 0x07E0);
    EXPECT_EQ(packRgb565(1e30f, 0.9999f, 1.0000001f), 0xFFFF);  // 0.9999 x 255 truncates to 254
}

TEST(Bitmap, CreateRefusesImpossibleSizes) {
    Bitmap record;
    EXPECT_EQ(createBitmap(&record, -1, 10, false), nullptr);
    EXPECT_EQ(record.pixels, nullptr);
    // 65536 x 65536 pixels need more than 32 bits of bytes.
    EXPECT_EQ(createBitmap(&record, 65536, 65536, false), nullptr);
    EXPECT_EQ(record.width, 0);
    ASSERT_EQ(createBitmap(&record, 3, 2, true), &record);
    EXPECT_NE(record.alpha, nullptr);
    EXPECT_EQ(record.width, 3);
    EXPECT_EQ(record.height, 2);
    releaseBitmap(&record);
    EXPECT_EQ(record.pixels, nullptr);
}

TEST(Bitmap, FillZeroAndValue) {
    OwnedBitmap b = filled(5, 4, 0x1234);
    for (int i = 0; i < 20; ++i) ASSERT_EQ(b->pixels[i], 0x1234);
    fillBitmap(b.get(), 0);
    for (int i = 0; i < 20; ++i) ASSERT_EQ(b->pixels[i], 0);
}

TEST(Bitmap, BlitClipsAtEveryEdge) {
    OwnedBitmap src = filled(4, 1, 0xFFFF);
    OwnedBitmap dst = newBitmap(10, 1, false);

    fillBitmap(dst.get(), 0);
    blitBitmap(dst.get(), src.get(), -src->width + 1, 0);  // one column left
    EXPECT_EQ(columnsWith(*dst, 0xFFFF), std::vector<int>({0}));

    fillBitmap(dst.get(), 0);
    blitBitmap(dst.get(), src.get(), -src->width, 0);  // wholly left
    EXPECT_TRUE(columnsWith(*dst, 0xFFFF).empty());

    fillBitmap(dst.get(), 0);
    blitBitmap(dst.get(), src.get(), dst->width - 1, 0);  // one column right
    EXPECT_EQ(columnsWith(*dst, 0xFFFF), std::vector<int>({9}));

    fillBitmap(dst.get(), 0);
    blitBitmap(dst.get(), src.get(), dst->width, 0);
    EXPECT_TRUE(columnsWith(*dst, 0xFFFF).empty());

    fillBitmap(dst.get(), 0);
    blitBitmap(dst.get(), src.get(), 0, 1);  // below
    blitBitmap(dst.get(), src.get(), 0, -1);  // above
    EXPECT_TRUE(columnsWith(*dst, 0xFFFF).empty());
}

TEST(Bitmap, BlitSkipsClippedSourceRowsAndColumns) {
    OwnedBitmap src = newBitmap(3, 3, false);
    for (int i = 0; i < 9; ++i) src->pixels[i] = static_cast<uint16_t>(i + 1);
    OwnedBitmap dst = filled(2, 2, 0);
    blitBitmap(dst.get(), src.get(), -1, -1);
    EXPECT_EQ(dst->pixels[0], 5);
    EXPECT_EQ(dst->pixels[1], 6);
    EXPECT_EQ(dst->pixels[2], 8);
    EXPECT_EQ(dst->pixels[3], 9);
}

TEST(Bitmap, BlitBlendsThroughAlpha) {
    OwnedBitmap src = filled(3, 1, 0xFFFF, true);
    src->alpha[0] = 255;
    src->alpha[1] = 0;
    src->alpha[2] = 128;
    OwnedBitmap dst = filled(3, 1, 0x0000, true);
    dst->alpha[0] = dst->alpha[1] = dst->alpha[2] = 7;
    blitBitmap(dst.get(), src.get(), 0, 0);
    EXPECT_EQ(dst->pixels[0], 0xFFFF);
    EXPECT_EQ(dst->pixels[1], 0x0000);
    EXPECT_EQ(dst->pixels[2], (15 << 11) | (31 << 5) | 15);
    EXPECT_EQ(dst->alpha[2], 7);  // the destination's plane is untouched
}

TEST(Bitmap, ResampleStepsByOneTexelShortOfTheImage) {
    // A 64 x 64 ramp whose pixel value is its column: resampled to 64 x 64 with
    // the full-image rectangle, the step is (63 << 16) / 64 per pixel.
    OwnedBitmap src = newBitmap(64, 64, false);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) src->pixels[y * 64 + x] = static_cast<uint16_t>(x);  // blue channel
    OwnedBitmap dst = newBitmap(64, 64, false);
    resampleBitmap(dst.get(), src.get(), 0, 0, 64 << 16, 64 << 16);
    const int32_t step = (63 << 16) / 64;
    const int32_t lastU = 63 * step;
    EXPECT_EQ(lastU >> 16, 62);
    EXPECT_EQ((lastU >> 10) & 63, 1);  // 62.015625: fraction 1/64
    // Blue 62 and 63 blended by 1/64 stays 62; column 63 never reaches 63.
    EXPECT_EQ(dst->pixels[63] & 0x1F, 30);  // 62 & 0x1F
    EXPECT_EQ(dst->pixels[0], 0);
}

TEST(Bitmap, ResampleOnePixelWideSourceStaysInside) {
    OwnedBitmap src = filled(1, 1, 0xF81F);
    OwnedBitmap dst = newBitmap(32, 32, false);
    resampleBitmap(dst.get(), src.get(), 0, 0, 1 << 16, 1 << 16);
    for (int i = 0; i < 32 * 32; ++i) ASSERT_EQ(dst->pixels[i], 0xF81F);

    OwnedBitmap row = newBitmap(4, 1, false);
    for (int i = 0; i < 4; ++i) row->pixels[i] = 0x07E0;
    resampleBitmap(dst.get(), row.get(), 0, 0, 4 << 16, 1 << 16);
    for (int i = 0; i < 32 * 32; ++i) ASSERT_EQ(dst->pixels[i], 0x07E0);
}

TEST(FrameBuffer, AttachClearAndResetDepth) {
    Rasterizer r;
    OwnedBitmap fb = newBitmap(240, 320, false);
    r.attachTarget(fb.get());
    EXPECT_EQ(r.targetWidth, 240);
    EXPECT_EQ(r.targetHeight, 320);
    EXPECT_EQ(r.pixelCount, 240 * 320);
    EXPECT_EQ(r.targetPixels, fb->pixels);
    ASSERT_NE(r.depth, nullptr);
    EXPECT_FLOAT_EQ(r.near, 1.0f);
    EXPECT_FLOAT_EQ(r.far, 32767.0f);
    EXPECT_NEAR(r.focal, -289.7f, 0.1f);
    r.clearColor(1, 0, 0);
    r.resetDepth();
    for (int i = 0; i < r.pixelCount; ++i) {
        ASSERT_EQ(fb->pixels[i], 0xF800);
        ASSERT_EQ(r.depth[i], 0xFFFFFFFFu);
    }
    r.clearColor(0, 0, 0);
    EXPECT_EQ(fb->pixels[r.pixelCount - 1], 0);
}

TEST(FrameBuffer, OddTargetsUseIntegerHalves) {
    // Vertices made by near-plane clipping must project exactly like the
    // scene's own, which halve the target size as integers.
    Rasterizer r;
    OwnedBitmap fb = newBitmap(161, 213, false);
    r.attachTarget(fb.get());
    EXPECT_EQ(r.halfWidth, 80.0f);
    EXPECT_EQ(r.halfHeight, 106.0f);
}

TEST(FrameBuffer, AttachWithoutPixelsDrawsNothing) {
    Rasterizer r;
    Bitmap empty;
    r.attachTarget(&empty);
    EXPECT_EQ(r.depth, nullptr);
    EXPECT_EQ(r.pixelCount, 0);
    r.clearColor(1, 1, 1);
    r.resetDepth();
}

}  // namespace
