// PixelTextures and TextureTransforms on screen: the texels of a 2 x 2
// picture land in the quarters of a square (its first row at the bottom),
// and a TextureTransform's scale, translation, rotation and centre move them
// where the transform says.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/full_world_fixture.h"
#include "base/rgb565.h"

namespace {

constexpr uint16_t kRed = 0xF800;
constexpr uint16_t kGreen = 0x07E0;
constexpr uint16_t kBlue = 0x001F;
constexpr uint16_t kWhite = 0xFFFF;

// Bottom row red, green; top row blue, white.
// (Decimal numbers: 0xFF0000 0x00FF00 0x0000FF 0xFFFFFF.)
const std::string kChecks = "texture PixelTexture { image 2 2 3 16711680 65280 255 16777215 }";

// The screen pixel of a point of the square of side 4 at z = 0 seen from
// (0, 0, 10): (s, t) across it, t up; 28.97 pixels a unit.
int32_t screenX(float s) { return 120 + static_cast<int32_t>((-2.0f + 4.0f * s) * 28.97f); }
int32_t screenY(float t) { return 160 - static_cast<int32_t>((-2.0f + 4.0f * t) * 28.97f); }

using FullTextureTest = FullWorldTest;

TEST_F(FullTextureTest, PixelTextureTexelsLandInTheirQuarters) {
    struct Case {
        std::string texture;
        uint16_t quarters[4];  // at (s, t) = (1/4, 1/4), (3/4, 1/4), (1/4, 3/4), (3/4, 3/4)
    };
    const uint16_t grey = rgb565FromBytes(0x80, 0x80, 0x80);
    const std::vector<Case> cases = {
        {kChecks, {kRed, kGreen, kBlue, kWhite}},
        // One grey component.
        {"texture PixelTexture { image 1 1 1 128 }", {grey, grey, grey, grey}},
        {"texture PixelTexture { image 2 1 1 128 255 }", {grey, kWhite, grey, kWhite}},
        // Grey and alpha (0x80FF 0xFF00), RGBA (0xFF0000FF 0x0000FF80): the
        // colour parts.
        {"texture PixelTexture { image 1 2 2 33023 65280 }", {grey, grey, kWhite, kWhite}},
        {"texture PixelTexture { image 2 1 4 4278190335 65408 }", {kRed, kBlue, kRed, kBlue}},
        // A size that is no power of two is resampled; its corners stay.
        {"texture PixelTexture { image 3 3 3 16711680 16711680 65280 16711680 16711680 65280 "
         "255 255 16777215 }",
         {kRed, 0, 0, 0}},
    };
    const float at[4][2] = {{0.25f, 0.25f}, {0.75f, 0.25f}, {0.25f, 0.75f}, {0.75f, 0.75f}};
    for (const Case& c : cases) {
        releaseNodeRegistry();
        ASSERT_TRUE(load("Viewpoint { } " + squareShape(0, 0, 0, 2, "1 1 1", c.texture)));
        frame();
        for (int q = 0; q < 4; ++q) {
            if (c.quarters[q] == 0) continue;  // not pinned
            EXPECT_EQ(pixel(screenX(at[q][0]), screenY(at[q][1])), c.quarters[q]) << c.texture << " quarter " << q;
        }
    }
}

TEST_F(FullTextureTest, PixelTextureThatIsNotWholeLeavesTheSquareUntextured) {
    const char* images[] = {"0 0 0", "2 2 3 16711680 65280", "2 2 5 1 2 3 4", "1 1 0 7"};
    for (const char* image : images) {
        releaseNodeRegistry();
        ASSERT_TRUE(load(std::string("Viewpoint { } ") +
                         squareShape(0, 0, 0, 2, "1 1 0", std::string("texture PixelTexture { image ") + image + " }")));
        frame();
        // The material's colour, yellow, everywhere.
        EXPECT_EQ(pixel(screenX(0.25f), screenY(0.25f)), 0xFFE0) << image;
        EXPECT_EQ(pixel(screenX(0.75f), screenY(0.75f)), 0xFFE0) << image;
    }
}

TEST_F(FullTextureTest, TextureTransformMovesTheTexels) {
    struct Case {
        const char* transform;
        float s, t;  // where on the square
        uint16_t colour;
    };
    const Case cases[] = {
        {"", 0.25f, 0.25f, kRed},
        // Scale 2: the picture twice across and up.
        {"scale 2 2", 0.125f, 0.125f, kRed},
        {"scale 2 2", 0.375f, 0.125f, kGreen},
        {"scale 2 2", 0.625f, 0.125f, kRed},
        {"scale 2 2", 0.375f, 0.375f, kWhite},
        {"scale 2 1", 0.625f, 0.75f, kBlue},
        // Translation by half the picture: (s + 0.5, t).
        {"translation 0.5 0", 0.25f, 0.25f, kGreen},
        {"translation 0.5 0", 0.75f, 0.25f, kRed},
        {"translation 0 0.5", 0.25f, 0.25f, kBlue},
        // A quarter turn: (s, t) -> (-t, s).
        {"rotation 1.5707963", 0.25f, 0.25f, kGreen},
        {"rotation 1.5707963", 0.75f, 0.25f, kWhite},
        {"rotation 1.5707963", 0.25f, 0.75f, kRed},
        // A half turn after moving by the centre, then back: 1 - (s, t) - 1.
        {"center 0.5 0.5 rotation 3.14159265", 0.25f, 0.25f, kWhite},
        {"center 0.5 0.5 rotation 3.14159265", 0.75f, 0.25f, kBlue},
        // Translation first, then scale: 2 (s + 0.25).
        {"translation 0.25 0 scale 2 1", 0.125f, 0.25f, kGreen},
        {"translation 0.25 0 scale 2 1", 0.375f, 0.25f, kRed},
    };
    for (const Case& c : cases) {
        releaseNodeRegistry();
        ASSERT_TRUE(load("Viewpoint { } " + squareShape(0, 0, 0, 2, "1 1 1",
                                                        kChecks + " textureTransform TextureTransform { " +
                                                            c.transform + " }")));
        frame();
        EXPECT_EQ(pixel(screenX(c.s), screenY(c.t)), c.colour) << c.transform << " at " << c.s << ", " << c.t;
    }
}

}  // namespace
