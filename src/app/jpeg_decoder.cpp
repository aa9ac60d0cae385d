// libjpeg reports errors through error_exit, which must not return: ours
// longjmps back to the setjmp in readPicture. As with libpng, everything that
// needs cleaning up lives in JpegJob, owned by decodeJpeg, and readPicture
// keeps only plain locals.
//
// The source manager pulls blocks from the InputStream. At the end of the
// stream it supplies an end-of-image marker, as libjpeg's own file source
// does, so that a file missing only its final marker still decodes; data that
// runs out inside a scan makes libjpeg warn "premature end of data segment",
// and that warning is treated as an error so a truncated file fails fast
// instead of decoding the rest of the picture as grey.
#include "app/jpeg_decoder.h"

#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <jpeglib.h>
#include <jerror.h>

#include <csetjmp>
#include <vector>

#include "app/image_convert.h"

namespace {

constexpr std::size_t kSourceBlock = 4096;
constexpr long kMaxWorkingMemory = 1L << 30;
constexpr int kMaxScans = 1000;  // a real progressive file has about ten

struct StreamSource {
    jpeg_source_mgr manager;  // first, so libjpeg's pointer is ours
    InputStream* stream;      // not owned
    JOCTET block[kSourceBlock];
};

struct ErrorTrap {
    jpeg_error_mgr manager;  // first, so libjpeg's pointer is ours
    std::jmp_buf jump;
};

struct JpegJob {
    jpeg_decompress_struct info{};
    ErrorTrap trap{};
    jpeg_progress_mgr progress{};
    StreamSource source{};
    bool created = false;
    OwnedBitmap bitmap;
    std::vector<uint8_t> row;
    std::vector<uint8_t> bgr;  // one row of a CMYK picture, mixed into colour
};

void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

boolean fillBlock(j_decompress_ptr info) {
    auto* source = reinterpret_cast<StreamSource*>(info->src);
    std::size_t count = 0;
    while (count < kSourceBlock) {
        const int32_t byte = source->stream->read();
        if (byte < 0) break;
        source->block[count++] = static_cast<JOCTET>(byte);
    }
    if (count == 0) {
        // Out of data: an end-of-image marker lets libjpeg finish cleanly.
        source->block[0] = 0xFF;
        source->block[1] = JPEG_EOI;
        count = 2;
    }
    source->manager.next_input_byte = source->block;
    source->manager.bytes_in_buffer = count;
    return TRUE;
}

void skipBytes(j_decompress_ptr info, long count) {
    jpeg_source_mgr* manager = info->src;
    while (count > 0) {
        if (count <= static_cast<long>(manager->bytes_in_buffer)) {
            manager->next_input_byte += count;
            manager->bytes_in_buffer -= static_cast<std::size_t>(count);
            return;
        }
        count -= static_cast<long>(manager->bytes_in_buffer);
        fillBlock(info);
    }
}

[[noreturn]] void onError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorTrap*>(info->err)->jump, 1);
}

void onMessage(j_common_ptr info, int level) {
    // level -1 is a warning; only running out of data inside a scan matters.
    if (level == -1 && info->err->msg_code == JWRN_HIT_MARKER) onError(info);
}

void onOutput(j_common_ptr) {}

void onProgress(j_common_ptr common) {
    auto* info = reinterpret_cast<j_decompress_ptr>(common);
    if (info->progressive_mode && info->input_scan_number > kMaxScans) onError(common);
}

// Cyan, magenta, yellow and black samples to blue, green, red: each colour
// is what its ink and the black ink leave of white, (255 - ink) x (255 -
// black) / 255, rounded. Inverted samples already hold 255 - ink.
void inkToBgr(const uint8_t* cmyk, int32_t count, bool inverted, uint8_t* bgr) {
    const uint32_t flip = inverted ? 0 : 255;
    for (int32_t i = 0; i < count; ++i, cmyk += 4, bgr += 3) {
        const uint32_t white = cmyk[3] ^ flip;
        // + 127 rounds the division by 255 to the nearest.
        bgr[0] = static_cast<uint8_t>(((cmyk[2] ^ flip) * white + 127) / 255);
        bgr[1] = static_cast<uint8_t>(((cmyk[1] ^ flip) * white + 127) / 255);
        bgr[2] = static_cast<uint8_t>(((cmyk[0] ^ flip) * white + 127) / 255);
    }
}

bool readPicture(JpegJob& job) {
    if (setjmp(job.trap.jump)) return false;
    jpeg_create_decompress(&job.info);
    job.created = true;
    job.info.mem->max_memory_to_use = kMaxWorkingMemory;
    job.info.src = &job.source.manager;
    job.info.progress = &job.progress;
    jpeg_read_header(&job.info, TRUE);
    if (!imageSizeAllowed(job.info.image_width, job.info.image_height)) return false;

    // libjpeg turns grey and YCbCr into colour itself, but ink only into
    // ink: CMYK and YCCK pictures come out as CMYK and are mixed below.
    const bool ink = job.info.jpeg_color_space == JCS_CMYK || job.info.jpeg_color_space == JCS_YCCK;
    const int components = ink ? 4 : 3;
    job.info.out_color_space = ink ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_start_decompress(&job.info);
    const JDIMENSION width = job.info.output_width;
    const JDIMENSION height = job.info.output_height;
    if (job.info.output_components != components || !imageSizeAllowed(width, height)) return false;
    // Adobe's programs write CMYK with every sample inverted (255 = no ink)
    // and mark the file with their APP14 block; others write plain ink.
    const bool inverted = job.info.saw_Adobe_marker;

    job.bitmap = newBitmap(static_cast<int32_t>(width), static_cast<int32_t>(height), false);
    if (!job.bitmap) return false;
    job.row.resize(static_cast<std::size_t>(width) * components);
    if (ink) job.bgr.resize(static_cast<std::size_t>(width) * 3);
    JSAMPROW rowPointer = job.row.data();
    while (job.info.output_scanline < height) {
        uint16_t* out = job.bitmap->pixels + static_cast<std::size_t>(job.info.output_scanline) * width;
        if (jpeg_read_scanlines(&job.info, &rowPointer, 1) != 1) return false;
        if (!ink) {
            convertDibRow(job.row.data(), static_cast<int32_t>(width), out);
            continue;
        }
        inkToBgr(job.row.data(), static_cast<int32_t>(width), inverted, job.bgr.data());
        convertDibRow(job.bgr.data(), static_cast<int32_t>(width), out);
    }
    // The picture is complete; whatever follows the last scan does not matter.
    return true;
}

}  // namespace

OwnedBitmap decodeJpeg(InputStream& stream) {
    JpegJob job;
    job.info.err = jpeg_std_error(&job.trap.manager);
    job.trap.manager.error_exit = onError;
    job.trap.manager.emit_message = onMessage;
    job.trap.manager.output_message = onOutput;
    job.progress.progress_monitor = onProgress;
    job.source.stream = &stream;
    job.source.manager.init_source = initSource;
    job.source.manager.fill_input_buffer = fillBlock;
    job.source.manager.skip_input_data = skipBytes;
    job.source.manager.resync_to_restart = jpeg_resync_to_restart;
    job.source.manager.term_source = termSource;

    const bool done = readPicture(job);
    if (job.created) jpeg_destroy_decompress(&job.info);
    if (!done) return nullptr;
    return std::move(job.bitmap);
}
