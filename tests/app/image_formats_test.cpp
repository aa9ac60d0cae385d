// Images as real files come: every PNG colour type and bit depth, with and
// without tRNS and interlacing, and JPEGs in every colour model libjpeg-turbo
// decodes, baseline and progressive. Each must decode to the picture it holds
// (alpha ignored), exactly for PNG and within the codec's loss for JPEG.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/image_encoders.h"
#include "app/image_test_support.h"
#include "app/jpeg_decoder.h"
#include "app/png_decoder.h"

namespace {

struct PngCase {
    const char* label;
    int colourType;
    int bitDepth;
    bool interlaced = false;
    bool tRNS = false;
};

int channelCount(int colourType) {
    switch (colourType) {
    case 0: case 3: return 1;
    case 4: return 2;
    case 2: return 3;
    default: return 4;
    }
}

// A sample value at 8 bits, as a viewer shows it: low depths spread over
// 0..255, 16-bit samples keep their high byte.
uint8_t toByte(uint16_t sample, int bitDepth) {
    if (bitDepth == 16) return static_cast<uint8_t>(sample >> 8);
    return static_cast<uint8_t>(sample * 255 / ((1 << bitDepth) - 1));
}

TEST(ImageFormats, PngOfEveryColourTypeAndDepthShowsItsColours) {
    const PngCase cases[] = {
        {"grey 1", 0, 1},      {"grey 2", 0, 2},        {"grey 4", 0, 4},           {"grey 8", 0, 8},
        {"grey 16", 0, 16},    {"grey 2 tRNS", 0, 2, false, true},                  {"grey 8 tRNS", 0, 8, false, true},
        {"grey 16 tRNS", 0, 16, false, true},           {"grey+alpha 8", 4, 8},     {"grey+alpha 16", 4, 16},
        {"rgb 8", 2, 8},       {"rgb 16", 2, 16},       {"rgb 8 tRNS", 2, 8, false, true},
        {"rgba 8", 6, 8},      {"rgba 16", 6, 16},      {"palette 1", 3, 1},        {"palette 2", 3, 2},
        {"palette 4", 3, 4},   {"palette 8", 3, 8},     {"palette 4 tRNS", 3, 4, false, true},
        {"palette 8 tRNS", 3, 8, false, true},          {"interlaced rgb 8", 2, 8, true},
        {"interlaced palette 2 tRNS", 3, 2, true, true}, {"interlaced grey 16", 0, 16, true},
        {"interlaced rgba 16", 6, 16, true},
    };
    for (const PngCase& c : cases) {
        SCOPED_TRACE(c.label);
        PngLayout layout;
        layout.width = 13;
        layout.height = 7;
        layout.colourType = c.colourType;
        layout.bitDepth = c.bitDepth;
        layout.interlaced = c.interlaced;
        const int channels = channelCount(c.colourType);
        const int maxSample = (1 << c.bitDepth) - 1;
        for (int i = 0; i < layout.width * layout.height; ++i)
            for (int k = 0; k < channels; ++k)
                layout.samples.push_back(static_cast<uint16_t>((i * 37 + k * 91 + i * i * 13) % (maxSample + 1)));
        if (c.colourType == 3) {
            for (int i = 0; i <= maxSample; ++i)
                layout.palette.push_back({static_cast<uint8_t>(i * 40), static_cast<uint8_t>(255 - i * 3),
                                          static_cast<uint8_t>(i * 7 + 1)});
            if (c.tRNS) layout.paletteAlpha = {0, 128, 255, 7};
        } else if (c.tRNS) {
            layout.transparentColour.assign(c.colourType == 0 ? 1 : 3, layout.samples[0]);
        }
        const std::vector<uint8_t> file = encodePngLayout(layout);
        MemoryStream stream(file);
        OwnedBitmap bitmap = decodePng(stream);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(bitmap->alpha, nullptr);
        ASSERT_EQ(bitmap->width, layout.width);
        ASSERT_EQ(bitmap->height, layout.height);
        for (int i = 0; i < layout.width * layout.height; ++i) {
            const uint16_t* s = &layout.samples[static_cast<std::size_t>(i * channels)];
            uint8_t r, g, b;
            if (c.colourType == 3) {
                r = layout.palette[s[0]][0], g = layout.palette[s[0]][1], b = layout.palette[s[0]][2];
            } else if (channels <= 2) {
                r = g = b = toByte(s[0], c.bitDepth);
            } else {
                r = toByte(s[0], c.bitDepth), g = toByte(s[1], c.bitDepth), b = toByte(s[2], c.bitDepth);
            }
            ASSERT_EQ(bitmap->pixels[i], rgb565(r, g, b)) << "pixel " << i;
        }
    }
}

struct JpegCase {
    const char* label;
    JpegModel model;
    bool adobe;
    bool progressive;
};

// The four colours of the test picture's quadrants.
constexpr uint8_t kQuadrants[4][3] = {{220, 30, 40}, {30, 200, 60}, {40, 50, 210}, {240, 220, 40}};
constexpr int kSide = 32;

// The stored samples of the quadrant picture in one colour model.
std::vector<uint8_t> quadrantSamples(JpegModel model, bool adobe) {
    std::vector<uint8_t> samples;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const uint8_t* c = kQuadrants[(y / (kSide / 2)) * 2 + x / (kSide / 2)];
            switch (model) {
            case JpegModel::Grey: samples.push_back(c[0]); break;
            case JpegModel::YCbCr:
            case JpegModel::Rgb: samples.insert(samples.end(), c, c + 3); break;
            case JpegModel::Cmyk:
            case JpegModel::Ycck: {
                // Some black ink in every colour, so that K is really mixed in:
                // K = 15 leaves 240/255 of white, and the colours (240 at
                // most) are scaled up to come back after it.
                const int black = 15;
                for (int k = 0; k < 3; ++k) {
                    const int wanted = c[k] * 255 / (255 - black);
                    const int ink = 255 - (wanted > 255 ? 255 : wanted);
                    samples.push_back(static_cast<uint8_t>(adobe ? 255 - ink : ink));
                }
                samples.push_back(static_cast<uint8_t>(adobe ? 255 - black : black));
                break;
            }
            }
        }
    }
    return samples;
}

TEST(ImageFormats, JpegOfEveryColourModelShowsItsColours) {
    const JpegCase cases[] = {
        {"grey", JpegModel::Grey, false, false},
        {"grey progressive", JpegModel::Grey, false, true},
        {"YCbCr", JpegModel::YCbCr, false, false},
        {"YCbCr progressive", JpegModel::YCbCr, false, true},
        {"RGB", JpegModel::Rgb, true, false},
        {"CMYK plain", JpegModel::Cmyk, false, false},
        {"CMYK Adobe inverted", JpegModel::Cmyk, true, false},
        {"CMYK Adobe inverted progressive", JpegModel::Cmyk, true, true},
        {"YCCK Adobe inverted", JpegModel::Ycck, true, false},
        {"YCCK Adobe inverted progressive", JpegModel::Ycck, true, true},
    };
    for (const JpegCase& c : cases) {
        SCOPED_TRACE(c.label);
        const std::vector<uint8_t> file =
            encodeJpegModel(kSide, kSide, c.model, quadrantSamples(c.model, c.adobe), c.adobe, c.progressive);
        MemoryStream stream(file);
        OwnedBitmap bitmap = decodeJpeg(stream);
        ASSERT_NE(bitmap, nullptr);
        ASSERT_EQ(bitmap->width, kSide);
        ASSERT_EQ(bitmap->height, kSide);
        EXPECT_EQ(bitmap->alpha, nullptr);
        for (int q = 0; q < 4; ++q) {
            const int x = (q % 2) * (kSide / 2) + kSide / 4;
            const int y = (q / 2) * (kSide / 2) + kSide / 4;
            const uint16_t p = bitmap->pixels[y * kSide + x];
            const int got[3] = {(p >> 11) << 3, ((p >> 5) & 0x3F) << 2, (p & 0x1F) << 3};
            for (int k = 0; k < 3; ++k) {
                const int want = c.model == JpegModel::Grey ? kQuadrants[q][0] : kQuadrants[q][k];
                // The RGB565 cut loses up to 7, the codec and the ink
                // arithmetic a few more.
                EXPECT_NEAR(got[k], want, 12) << "quadrant " << q << " channel " << k;
            }
        }
    }
}

}  // namespace
