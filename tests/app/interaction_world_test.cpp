// The user's part in a world, through the built viewer run headless: stylus
// taps on shapes (TouchSensors, Anchors), walking with the arrow keys over
// floors and up to walls, and ProximitySensors that follow the camera. Each
// case reads the screenshot of a chosen frame and finds a shape where the
// camera of that frame puts it. The frames are 100 ms apart, and the events
// of frame F are handled after frame F is shown: a press in frame 1 that
// lasts into frame 2 is picked at the end of frame 2, and frame 3 reacts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "shell/test_support.h"
#include "support/viewer_process.h"

using foundation_test::writeFile;

namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 320;
constexpr char kRed[] = "1 0 0";
constexpr char kGreen[] = "0 1 0";
constexpr uint16_t kRed565 = 0xF800;
constexpr uint16_t kGreen565 = 0x07E0;
// fieldOfView 0.785398 over the 240 columns of the full display.
const float kFocal = static_cast<float>(-120.0 / std::tan(static_cast<double>(0.785398f * 0.5f)));

// Pixels covered on screen; right and bottom are exclusive.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Rect&) const = default;
};
void PrintTo(const Rect& r, std::ostream* os) {
    *os << "[" << r.left << ", " << r.right << ") x [" << r.top << ", " << r.bottom << ")";
}

// The first pixel row or column covered by an edge at screen coordinate c:
// positions are cut to 1/16 pixel, pixel centres lie on integers.
int firstCovered(float c) { return static_cast<int>(std::ceil(std::floor(c * 16.0f) / 16.0f)); }

// An unturned eye at (x, y, z) and the frame buffer it projects into.
struct Eye {
    float x, y, z;
    float focal = kFocal;
    float halfWidth = kWidth / 2, halfHeight = kHeight / 2;
};

// Where an upright rectangle in the plane z, facing the eye, is drawn.
Rect drawnAt(const Eye& eye, float x0, float y0, float x1, float y1, float z) {
    const float k = eye.focal / (z - eye.z);
    auto column = [&](float x) { return std::clamp(firstCovered((x - eye.x) * k + eye.halfWidth), 0, kWidth); };
    auto row = [&](float y) { return std::clamp(firstCovered(eye.halfHeight - (y - eye.y) * k), 0, kHeight); };
    return Rect{column(x0), row(y1), column(x1), row(y0)};
}

// The box around every pixel of the colour; solid tells whether they fill it.
Rect covered(const std::vector<uint16_t>& shot, uint16_t colour, bool& solid) {
    Rect box{kWidth, kHeight, 0, 0};
    int count = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (shot[y * kWidth + x] != colour) continue;
            ++count;
            box = Rect{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1), std::max(box.bottom, y + 1)};
        }
    }
    if (count == 0) box = Rect{};
    solid = count == (box.right - box.left) * (box.bottom - box.top);
    return box;
}

std::string number(float v) { return std::to_string(v); }

// A one-face IndexedFaceSet through the four points "x y z, ..." in an
// unlit colour.
std::string face(const std::string& points, const char* colour) {
    return std::string("Shape { appearance Appearance { material Material { diffuseColor 0 0 0 emissiveColor ") +
           colour + " } }\n  geometry IndexedFaceSet { coord Coordinate { point [ " + points +
           " ] } coordIndex [ 0 1 2 3 -1 ] } }\n";
}

std::string point(float x, float y, float z) { return number(x) + " " + number(y) + " " + number(z); }

// An upright rectangle in the plane z, its front towards +z.
std::string rect(float x0, float y0, float x1, float y1, float z, const char* colour) {
    return face(point(x0, y0, z) + ", " + point(x1, y0, z) + ", " + point(x1, y1, z) + ", " + point(x0, y1, z), colour);
}

std::string viewpoint(const std::string& def, float x, float y, float z, bool jump = false) {
    return (def.empty() ? std::string() : "DEF " + def + " ") + "Viewpoint { position " + point(x, y, z) +
           " fieldOfView 0.785398" + (jump ? " jump TRUE" : "") + " }\n";
}

class InteractionWorldTest : public ::testing::Test {
protected:
    // Runs the world for the frames, 100 ms apart, with the input script and
    // returns the last frame's screen as RGB565 (empty when it failed).
    std::vector<uint16_t> shoot(const std::string& world, int frames, const std::string& script = "") {
        writeFile(folder.file("world.wrl"), "#VRML V2.0 utf8\n" + world);
        writeFile(folder.file("input.txt"), script);
        const std::string png = folder.file("shot.png");
        std::filesystem::remove(png);
        const ViewerRun run = runViewer(
            folder, {"--headless", "--install-dir", folder.file("empty") + "/", "--log", folder.file("log.txt"),
                     "--frames", std::to_string(frames), "--frame-ms", "100", "--input", folder.file("input.txt"),
                     "--screenshot", png, folder.file("world.wrl")});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        int width = 0, height = 0;
        std::vector<uint8_t> rgb;
        if (!readPng(png, width, height, &rgb) || width != kWidth || height != kHeight) return {};
        std::vector<uint16_t> pixels(kWidth * kHeight);
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<uint16_t>(((rgb[3 * i] >> 3) << 11) | ((rgb[3 * i + 1] >> 2) << 5) | (rgb[3 * i + 2] >> 3));
        return pixels;
    }

    // The box of the colour in the frame's screen, which must be filled.
    Rect shapeOnScreen(const std::string& world, int frames, const std::string& script, uint16_t colour) {
        const std::vector<uint16_t> shot = shoot(world, frames, script);
        if (shot.empty()) {
            ADD_FAILURE() << "no screenshot";
            return {};
        }
        bool solid = false;
        const Rect box = covered(shot, colour, solid);
        EXPECT_TRUE(solid) << "frame " << frames;
        return box;
    }

    TempDir folder;
};

// A red 2 x 2 square at the origin inside a Group with a TouchSensor whose
// isActive binds the Viewpoint Other (3 to the right, jump TRUE).
const std::string kTouchWorld = viewpoint("Start", 0, 0, 10) + viewpoint("Other", 3, 0, 10, true) +
                                "Group { children [ DEF Touch TouchSensor { }\n" + rect(-1, -1, 1, 1, 0, kRed) +
                                "] }\nROUTE Touch.isActive TO Other.set_bind\n";

TEST_F(InteractionWorldTest, TapBindsOnlyWhenThePressLastsIntoAFrame) {
    const struct {
        const char* script;
        int frames;
        float eyeX;  // the camera of that frame: 0 Start, 3 Other
    } cases[] = {
        {"1 down 120 160\n1 up 120 160\n", 4, 0},  // released before any frame saw it
        {"1 down 120 160\n2 up 120 160\n", 2, 0},  // picked after frame 2 was drawn
        {"1 down 120 160\n2 up 120 160\n", 3, 3},  // the next frame shows Other
        {"1 down 120 160\n", 5, 3},                // a press never lifted is picked once
        {"1 down 10 10\n2 up 10 10\n", 4, 0},      // beside the square
        {"1 down 120 160\n1 move 10 10\n2 up 10 10\n", 4, 0},  // picked where it was moved to
        {"1 down 10 10\n1 move 120 160\n2 up 120 160\n", 3, 3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shapeOnScreen(kTouchWorld, c.frames, c.script, kRed565), drawnAt(Eye{c.eyeX, 0, 10}, -1, -1, 1, 1, 0))
            << c.script << "frames " << c.frames;
    }
}

TEST_F(InteractionWorldTest, TapStartsAnAnimationThroughATimeSensor) {
    // The TouchSensor's touchTime starts a single-shot TimeSensor of 1 s that
    // moves the square from x 0 to x 2. Picked after frame 2, it fires in
    // frame 3 (0.3 s): half way at 0.8 s, at the end from 1.3 s on.
    const std::string world = viewpoint("", 0, 0, 10) +
                              "DEF Clock TimeSensor { cycleInterval 1 }\n"
                              "DEF Mover PositionInterpolator { key [ 0 1 ] keyValue [ 0 0 0, 2 0 0 ] }\n"
                              "Group { children [ DEF Touch TouchSensor { }\n"
                              "  DEF Box Transform { children [\n" +
                              rect(-1, -1, 1, 1, 0, kRed) +
                              "] } ] }\n"
                              "ROUTE Touch.touchTime TO Clock.startTime\n"
                              "ROUTE Clock.fraction_changed TO Mover.set_fraction\n"
                              "ROUTE Mover.value_changed TO Box.set_translation\n";
    const char* tap = "1 down 120 160\n2 up 120 160\n";
    const struct {
        const char* script;
        int frames;
        float squareX;
    } cases[] = {{"", 12, 0}, {tap, 3, 0}, {tap, 8, 1}, {tap, 20, 2}, {tap, 30, 2}};
    for (const auto& c : cases) {
        EXPECT_EQ(shapeOnScreen(world, c.frames, c.script, kRed565),
                  drawnAt(Eye{0, 0, 10}, c.squareX - 1, -1, c.squareX + 1, 1, 0))
            << "frame " << c.frames << (*c.script ? " after a tap" : " untouched");
    }
}

TEST_F(InteractionWorldTest, TouchSensorBindsInTheFrameItFires) {
    // The same world with Other bound from the start is the picture to get.
    const std::string otherFirst = viewpoint("Other", 3, 0, 10, true) + kTouchWorld;
    const std::string tap = "1 down 120 160\n2 up 120 160\n";
    const std::vector<uint16_t> before = shoot(kTouchWorld, 2, tap);
    const std::vector<uint16_t> fired = shoot(kTouchWorld, 3, tap);
    ASSERT_EQ(fired.size(), static_cast<std::size_t>(kWidth * kHeight));
    EXPECT_EQ(before, shoot(kTouchWorld, 2));
    EXPECT_EQ(fired, shoot(otherFirst, 3));
    EXPECT_NE(fired, before);
}

TEST_F(InteractionWorldTest, AnchorMovesTheCameraToItsViewpointOverOneSecond) {
    // Far stands 5 to the right and 12 further back; jump is FALSE. The tap is
    // followed in frame 3 (0.3 s), where the transition starts.
    const std::string world = viewpoint("Near", 0, 0, 10) + viewpoint("Far", 5, 0, 22) +
                              "Anchor { url \"#Far\" children [\n" + rect(-1, -1, 1, 1, 0, kRed) + "] }\n";
    const std::string tap = "1 down 120 160\n2 up 120 160\n";
    // The view's translation moves on a straight line: the eye at f of the way.
    auto eyeAt = [](float f) { return Eye{5.0f * f, 0, 10.0f + 12.0f * f}; };
    const Rect nearView = drawnAt(eyeAt(0), -1, -1, 1, 1, 0);
    const Rect farView = drawnAt(eyeAt(1), -1, -1, 1, 1, 0);
    const struct {
        int frames;
        float f;
    } cases[] = {{2, 0}, {3, 0}, {8, 0.5f}, {12, 0.9f}, {14, 1}, {20, 1}};
    for (const auto& c : cases) {
        const Rect seen = shapeOnScreen(world, c.frames, tap, kRed565);
        EXPECT_EQ(seen, drawnAt(eyeAt(c.f), -1, -1, 1, 1, 0)) << "frame " << c.frames;
        if (c.f > 0 && c.f < 1) {
            EXPECT_LT(seen.left, nearView.left);
            EXPECT_GT(seen.left, farView.left);
            EXPECT_LT(seen.right, nearView.right);
            EXPECT_GT(seen.right, farView.right);
        }
    }
}

TEST_F(InteractionWorldTest, WalkingStepsBySpeedTimesTimeAndStopsBeforeAWall) {
    // A narrow red wall at z = 0 standing on a green floor, the eye 4.2 in front
    // of it at the avatar height. Up is held from frame 2 on; each frame moves
    // the eye after it is drawn, so frame N shows N - 2 steps of 0.1.
    const std::string world = "NavigationInfo { type \"walk\" speed 1 }\n" + viewpoint("", 0, 1.6f, 4.2f) +
                              face("-10 0 10, 10 0 10, 10 0 -10, -10 0 -10", kGreen) +
                              rect(-0.2f, 0, 0.2f, 2, 0, kRed);
    const std::string held = "1 key up\n";
    auto wall = [](float eyeZ) { return drawnAt(Eye{0, 1.6f, eyeZ}, -0.2f, 0, 0.2f, 2, 0); };
    for (const int frames : {2, 3, 7, 22})
        EXPECT_EQ(shapeOnScreen(world, frames, held, kRed565), wall(4.2f - 0.1f * static_cast<float>(frames - 2)))
            << "frame " << frames;
    // The wall ray runs half an avatar height below the eye; the eye stops
    // where it is 1.6 from the point that ray meets: sqrt(1.6^2 - 0.8^2)
    // before the wall. From then on the wall stays the same size.
    const Rect stopped = wall(static_cast<float>(std::sqrt(1.6 * 1.6 - 0.8 * 0.8)));
    for (const int frames : {40, 60}) EXPECT_EQ(shapeOnScreen(world, frames, held, kRed565), stopped) << frames;
    // Released, the eye stands where it was.
    EXPECT_EQ(shapeOnScreen(world, 12, "1 key up\n6 release up\n", kRed565), wall(3.7f));
}

TEST_F(InteractionWorldTest, WalkingUpARampRaisesTheEye) {
    // A ramp rising 0.1 for every step towards -z (height (20 - z) / 10), the
    // eye at the avatar height above it at z = 10, and a red marker beyond
    // the ramp's top, just above the eye. Each step first sets the eye 1.6
    // above the floor where it stands, then moves: frame N is drawn from
    // z = 10 - 0.1 (N - 2), 1.6 above the ramp one step back.
    const std::string world = "NavigationInfo { type \"walk\" speed 1 }\n" + viewpoint("", 0, 2.6f, 10) +
                              face("-10 0 20, 10 0 20, 10 2 0, -10 2 0", kGreen) + rect(-1, 2.7f, 1, 3.1f, -10, kRed);
    auto ramp = [](float z) { return (20.0f - z) * 0.1f; };
    Rect last{0, 0, 0, 0};
    for (const int frames : {2, 12, 32}) {
        const float z = 10.0f - 0.1f * static_cast<float>(frames - 2);
        const float eyeY = frames == 2 ? 2.6f : 1.6f + ramp(z + 0.1f);
        const Rect marker = shapeOnScreen(world, frames, "1 key up\n", kRed565);
        EXPECT_EQ(marker, drawnAt(Eye{0, eyeY, z}, -1, 2.7f, 1, 3.1f, -10)) << "frame " << frames;
        // The eye rises faster than the marker comes nearer: it moves down.
        EXPECT_GT(marker.bottom, last.bottom);
        EXPECT_GT(marker.top, last.top);
        last = marker;
    }
}

TEST_F(InteractionWorldTest, TapsPickTheFrameBufferPixelUnderTheStylus) {
    // A 0.1 x 0.1 square at the centre, under a pixel at the reduced sizes
    // (focal 144.85 at 10: 0.7 pixel across); its TouchSensor binds Other, who
    // looks at a big green square far to the right.
    const std::string world = viewpoint("", 0, 0, 10) + viewpoint("Other", 100, 0, 10, true) +
                              "Group { children [ DEF Touch TouchSensor { }\n" +
                              rect(-0.05f, -0.05f, 0.05f, 0.05f, 0, kRed) + "] }\n" +
                              rect(97, -3, 103, 3, 0, kGreen) + "ROUTE Touch.isActive TO Other.set_bind\n";
    const std::string level2 = "1 key c\n1 release c\n2 key c\n2 release c\n";
    const std::string halfRes = "1 key b\n1 release b\n";
    const struct {
        std::string sizes;
        int x, y;
        bool binds;
    } cases[] = {
        // Level 2: 120 x 160 shown at (60, 80).
        {level2, 120, 160, true},
        {level2, 121, 160, false},
        {level2, 120, 159, false},
        {level2, 60, 80, false},  // buffer pixel (0, 0)
        // Half resolution: screen pixels halved, (121, 161) is (60, 80) too.
        {halfRes, 120, 160, true},
        {halfRes, 121, 161, true},
        {halfRes, 122, 160, false},
        {halfRes, 120, 158, false},
        {halfRes, 60, 80, false},
    };
    for (const auto& c : cases) {
        const std::string at = std::to_string(c.x) + " " + std::to_string(c.y) + "\n";
        const std::vector<uint16_t> shot = shoot(world, 5, c.sizes + "3 down " + at + "4 up " + at);
        ASSERT_EQ(shot.size(), static_cast<std::size_t>(kWidth * kHeight));
        // Inside the picture, left of its centre: green only when Other is bound.
        EXPECT_EQ(shot[160 * kWidth + 100], c.binds ? kGreen565 : 0) << c.sizes << c.x << " " << c.y;
        EXPECT_EQ(shot[160 * kWidth + 140], c.binds ? kGreen565 : 0) << c.sizes << c.x << " " << c.y;
    }
}

TEST_F(InteractionWorldTest, ProximitySensorMovesATransformAtOnceTheCameraNextFrame) {
    const std::string sensor = "DEF Near ProximitySensor { size 100 100 100 }\n";
    // The camera's position becomes the inner Transform's translation in the
    // frame that reports it: the square stands at (-3, 0, 0), not at -10.
    const std::string movesTransform = viewpoint("", 0, 0, 10) + sensor +
                                       "Transform { translation -3 0 -10 children [ DEF Moved Transform { children [\n" +
                                       rect(-1, -1, 1, 1, 0, kRed) +
                                       "] } ] }\nROUTE Near.position_changed TO Moved.set_translation\n";
    // A Viewpoint 0.5 to the right of its own position: the camera at 0.5 is
    // written back as the position, which moves it on by 0.5 each frame, from
    // the next frame.
    const std::string movesCamera = "Transform { translation 0.5 0 0 children [ " + viewpoint("View", 0, 0, 10) +
                                    "] }\n" + sensor + rect(-1, -1, 1, 1, 0, kRed) +
                                    "ROUTE Near.position_changed TO View.position\n";
    const struct {
        const std::string& world;
        int frames;
        float eyeX;
        float squareX;
    } cases[] = {
        {movesTransform, 1, 0, -3}, {movesTransform, 3, 0, -3}, {movesCamera, 1, 0.5f, 0},
        {movesCamera, 2, 1.0f, 0},  {movesCamera, 3, 1.5f, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shapeOnScreen(c.world, c.frames, "", kRed565),
                  drawnAt(Eye{c.eyeX, 0, 10}, c.squareX - 1, -1, c.squareX + 1, 1, 0))
            << "frame " << c.frames << " eye " << c.eyeX;
    }
}

}  // namespace
