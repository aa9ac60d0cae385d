#include "app/image_loader.h"

#include <cstdlib>
#include <cstring>

#include "app/gif_decoder.h"
#include "app/input_stream.h"
#include "app/jpeg_decoder.h"
#include "app/png_decoder.h"
#include "shell/log.h"

namespace {

constexpr std::size_t kMaxNameLength = 255;
constexpr int kSignatureSize = 8;
constexpr uint8_t kPngSignature[kSignatureSize] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint8_t kJpegSignature[3] = {0xFF, 0xD8, 0xFF};  // SOI and the next marker's lead byte
constexpr uint8_t kGifSignature[3] = {'G', 'I', 'F'};

// Replays the bytes already taken to recognise the format, then goes on with
// the stream they came from.
class ReplayStream final : public InputStream {
public:
    ReplayStream(const uint8_t* head, int32_t count, InputStream& rest)
        : count_(count), rest_(rest) {
        std::memcpy(head_, head, static_cast<std::size_t>(count));
    }
    int32_t read() override {
        if (position_ < count_) return head_[position_++];
        return rest_.read();
    }
    // The underlying stream belongs to the caller, who closes it.
    void close() override { position_ = count_; }

private:
    uint8_t head_[kSignatureSize];
    int32_t count_;
    int32_t position_ = 0;
    InputStream& rest_;  // not owned
};

bool startsWith(const uint8_t* bytes, int32_t count, const uint8_t* signature, int32_t length) {
    return count >= length && std::memcmp(bytes, signature, static_cast<std::size_t>(length)) == 0;
}

// Decodes a non-GIF name by the signature of its data.
OwnedBitmap decodeByContent(const std::string& name) {
    std::unique_ptr<InputStream> stream = openStream(name);
    if (!stream) return nullptr;
    uint8_t head[kSignatureSize];
    int32_t count = 0;
    while (count < kSignatureSize) {
        const int32_t byte = stream->read();
        if (byte < 0) break;
        head[count++] = static_cast<uint8_t>(byte);
    }
    ReplayStream replay(head, count, *stream);
    OwnedBitmap bitmap;
    if (startsWith(head, count, kPngSignature, kSignatureSize)) {
        bitmap = decodePng(replay);
    } else if (startsWith(head, count, kJpegSignature, 3)) {
        bitmap = decodeJpeg(replay);
    } else if (startsWith(head, count, kGifSignature, 3)) {
        bitmap = decodeGifStream(replay);
        // Pictures read by content come out as 24-bit colour, like PNG and JPEG.
        if (bitmap && bitmap->alpha) {
            std::free(bitmap->alpha);
            bitmap->alpha = nullptr;
        }
    }
    stream->close();
    return bitmap;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void reportLoad(const std::u16string& name, const Bitmap* bitmap) {
    if (!bitmap) {
        logTextAlert(u"image: " + name + u" NOT FOUND");
        return;
    }
    std::string size;
    size.append(" ").append(std::to_string(bitmap->width));
    size.append(" ").append(std::to_string(bitmap->height));
    if (bitmap->alpha) size.append(" a");
    logText(u"image: " + name + widenText(size));
}

}  // namespace

std::string imageNameBytes(const std::u16string& name) {
    const std::u16string cut = name.substr(0, kMaxNameLength);
    std::string out;
    for (std::size_t i = 0; i < cut.size(); ++i) {
        char32_t c = cut[i];
        if (isHighSurrogate(cut[i]) && i + 1 < cut.size() && isLowSurrogate(cut[i + 1])) {
            c = 0x10000 + ((static_cast<char32_t>(cut[i] - 0xD800) << 10) | (cut[i + 1] - 0xDC00));
            ++i;
        } else if (isHighSurrogate(cut[i]) || isLowSurrogate(cut[i])) {
            c = U'?';
        }
        const std::size_t before = out.size();
        // Characters up to 0xFF are bytes: the reader and the command line
        // widen each byte of a name to the character of the same value, so
        // this gives the file system the user's bytes back, UTF-8 or not.
        if (c <= 0xFF) out.push_back(static_cast<char>(c));
        else appendUtf8(out, c);
        if (out.size() > kMaxNameLength) {
            out.resize(before);
            break;
        }
    }
    return out;
}

OwnedBitmap loadImageFile(const std::u16string& name) {
    const bool gif = name.find(u".gif") != std::u16string::npos || name.find(u".GIF") != std::u16string::npos;
    const std::string bytes = imageNameBytes(name);
    OwnedBitmap bitmap = gif ? decodeGif(bytes) : decodeByContent(bytes);
    reportLoad(name, bitmap.get());
    return bitmap;
}
