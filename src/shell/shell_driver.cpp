#include "shell/shell_driver.h"

#include "app/image_loader.h"

ShellDriver::ShellDriver(int32_t displayWidth, int32_t displayHeight) : surface_(displayWidth, displayHeight) {}

void ShellDriver::present(const Bitmap& bitmap, int32_t x, int32_t y, bool doubled) {
    surface_.present(bitmap, x, y, doubled);
}

OwnedBitmap ShellDriver::loadImage(const std::u16string& name, int32_t, int32_t, int32_t) {
    return loadImageFile(name);
}

OwnedBitmap ShellDriver::renderText(int32_t width, int32_t height, const std::u16string&) {
    OwnedBitmap bitmap = newBitmap(width, height, false);
    if (bitmap) fillBitmap(bitmap.get(), 0);
    return bitmap;
}
