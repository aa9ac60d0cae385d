// An image source whose loadImage serves pictures from a table instead of files,
// and remembers every request.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "raster/image_source.h"

class FakeImageDriver final : public ImageSource {
public:
    struct Request {
        std::u16string name;
        int32_t transparentColor, alphaValue, reserved;
    };

    // Pictures by name: loadImage makes a new bitmap of the size with each
    // pixel from paint(x, y), or returns null for a name not in the table.
    struct Picture {
        int32_t width, height;
        std::function<uint16_t(int32_t x, int32_t y)> paint;
        bool withAlpha = false;
    };
    std::map<std::u16string, Picture> pictures;
    std::vector<Request> requests;
    // The bitmap handed out by the last successful loadImage (owned by the caller).
    const Bitmap* lastLoaded = nullptr;

    OwnedBitmap loadImage(const std::u16string& name, int32_t transparentColor, int32_t alphaValue,
                          int32_t reserved) override {
        requests.push_back({name, transparentColor, alphaValue, reserved});
        const auto found = pictures.find(name);
        if (found == pictures.end()) return nullptr;
        const Picture& p = found->second;
        OwnedBitmap bitmap = newBitmap(p.width, p.height, p.withAlpha);
        if (!bitmap) return nullptr;
        for (int32_t y = 0; y < p.height; ++y)
            for (int32_t x = 0; x < p.width; ++x) {
                bitmap->pixels[static_cast<int64_t>(y) * p.width + x] = p.paint(x, y);
                if (bitmap->alpha) bitmap->alpha[static_cast<int64_t>(y) * p.width + x] = 255;
            }
        lastLoaded = bitmap.get();
        return bitmap;
    }
    std::vector<std::u16string> requestedNames() const {
        std::vector<std::u16string> out;
        for (const Request& r : requests) out.push_back(r.name);
        return out;
    }

};

// Pixel painters for the pictures.
inline std::function<uint16_t(int32_t, int32_t)> solid(uint16_t value) {
    return [value](int32_t, int32_t) { return value; };
}
// `left` in the columns below `split`, `right` from it on.
inline std::function<uint16_t(int32_t, int32_t)> leftRight(int32_t split, uint16_t left, uint16_t right) {
    return [=](int32_t x, int32_t) { return x < split ? left : right; };
}
