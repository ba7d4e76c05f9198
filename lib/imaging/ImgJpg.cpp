// JPEG through libjpeg-turbo's libjpeg interface. It is used for every call
// rather than TurboJPEG: it reads through our source as the data is needed
// (TurboJPEG wants the whole file in memory), it converts CMYK and YCCK files,
// it scales in the DCT for the reduced decode, it writes comment markers, and
// one error path then serves reading and writing alike.
//
// libjpeg reports a fatal error by calling error_exit, whose default ends the
// process. Ours jumps back to the setjmp of the call in progress. The jump
// crosses only libjpeg's frames and our source and destination callbacks,
// which hold nothing that needs destroying; all state that outlives the jump
// lives in a context object owned by the caller of the function that calls
// setjmp, so its values are sound after the jump.

#include "ImgIO.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

// jpeglib.h first: its configuration decides which codes jerror.h defines.
#include <jpeglib.h>
#include <jerror.h>

namespace {

// A progressive file may hold any number of scans, each of which makes the
// decoder pass over the whole coefficient buffer; real files have a few dozen.
constexpr int MaxScans = 1000;
// Nor may a file hold more scans than would let its data fill the picture
// this many times over: a blank picture's scans cost next to nothing, and
// hundreds of them would keep the decoder busy for seconds.
constexpr uint64_t MaxFillsInScans = 16;
// libjpeg's own limit on a dimension.
constexpr uint32_t MaxJpegDimension = JPEG_MAX_DIMENSION;
constexpr size_t SourceBufferBytes = 16384;
constexpr size_t DestBufferBytes = 16384;
// The data of one COM marker: its 16-bit length counts itself.
constexpr size_t MaxCommentBytes = 65533;
// Entropy-coded data costs at least a bit for each block of 64 pixels (a
// progressive DC scan at its densest, where a baseline scan needs two): the
// most pixels a byte of the file can describe, with a margin of two.
constexpr uint64_t MaxPixelsPerByte = 2 * 8 * 64;

// The comment written into this thread's JPEG files.
thread_local std::string jpegOutputText;

struct ErrorManager
{
    jpeg_error_mgr pub;
    jmp_buf jump;
};

void errorExit(j_common_ptr cinfo)
{
    longjmp(reinterpret_cast<ErrorManager *>(cinfo->err)->jump, 1);
}

// Warnings that part of the image data is lost: a scan cut short, a bad
// code, a missing restart marker, a broken progression. Decoding on would
// paint the rest of the picture grey or garbled, and a hostile file would
// keep the decoder busy to its last row, so the file fails as a truncated
// one does. Other warnings (stray bytes before a marker, say) lose nothing.
bool losesImageData(int code)
{
    switch (code) {
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_BOGUS_PROGRESSION:
        return true;
    default:
        return false;
    }
}

// Nothing is printed; a warning (level -1) that loses data is fatal.
void emitMessage(j_common_ptr cinfo, int level)
{
    if (level < 0 && losesImageData(cinfo->err->msg_code))
        cinfo->err->error_exit(cinfo);
}
void outputMessage(j_common_ptr) {}

void failWith(j_common_ptr cinfo, int code)
{
    cinfo->err->msg_code = code;
    cinfo->err->error_exit(cinfo);
}

void useErrorManager(ErrorManager &error)
{
    jpeg_std_error(&error.pub);
    error.pub.error_exit = errorExit;
    error.pub.emit_message = emitMessage;
    error.pub.output_message = outputMessage;
}

struct SourceManager
{
    jpeg_source_mgr pub;
    ImgSourceObject *source;
    JOCTET buffer[SourceBufferBytes];
};

void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

// The end of the data is an error: a truncated file fails rather than
// decoding to a grey tail.
boolean fillInputBuffer(j_decompress_ptr cinfo)
{
    auto *manager = reinterpret_cast<SourceManager *>(cinfo->src);
    const size_t count = manager->source->read(manager->buffer, SourceBufferBytes);
    if (count == 0)
        failWith(reinterpret_cast<j_common_ptr>(cinfo), JERR_INPUT_EOF);
    manager->pub.next_input_byte = manager->buffer;
    manager->pub.bytes_in_buffer = count;
    return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long byteCount)
{
    auto *manager = reinterpret_cast<SourceManager *>(cinfo->src);
    if (byteCount <= 0)
        return;
    const uint64_t skip = uint64_t(byteCount);
    if (skip <= manager->pub.bytes_in_buffer) {
        manager->pub.next_input_byte += skip;
        manager->pub.bytes_in_buffer -= size_t(skip);
        return;
    }
    const uint64_t beyondBuffer = skip - manager->pub.bytes_in_buffer;
    manager->pub.bytes_in_buffer = 0;
    ImgSourceObject *source = manager->source;
    if (beyondBuffer > source->bytesLeft() || !source->seek(source->position() + beyondBuffer))
        failWith(reinterpret_cast<j_common_ptr>(cinfo), JERR_INPUT_EOF);
}

struct DestManager
{
    jpeg_destination_mgr pub;
    ImgDestObject *destination;
    JOCTET buffer[DestBufferBytes];
};

void initDestination(j_compress_ptr cinfo)
{
    auto *manager = reinterpret_cast<DestManager *>(cinfo->dest);
    manager->pub.next_output_byte = manager->buffer;
    manager->pub.free_in_buffer = DestBufferBytes;
}

// A destination that refuses the bytes (a full memory buffer, a failed disk)
// ends the compression.
boolean emptyOutputBuffer(j_compress_ptr cinfo)
{
    auto *manager = reinterpret_cast<DestManager *>(cinfo->dest);
    if (!manager->destination->write(manager->buffer, DestBufferBytes))
        failWith(reinterpret_cast<j_common_ptr>(cinfo), JERR_FILE_WRITE);
    initDestination(cinfo);
    return TRUE;
}

void termDestination(j_compress_ptr cinfo)
{
    auto *manager = reinterpret_cast<DestManager *>(cinfo->dest);
    const size_t count = DestBufferBytes - manager->pub.free_in_buffer;
    if (count > 0 && !manager->destination->write(manager->buffer, count))
        failWith(reinterpret_cast<j_common_ptr>(cinfo), JERR_FILE_WRITE);
}

struct ScanLimit
{
    jpeg_progress_mgr pub;
    int maxScans = MaxScans;
};

void limitScans(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor)
        return;
    const auto *limit = reinterpret_cast<const ScanLimit *>(cinfo->progress);
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > limit->maxScans)
        failWith(cinfo, JERR_BAD_SCAN_SCRIPT);
}

// What a decode asks for: everything or a size to stay above.
struct DecodeRequest
{
    bool headerOnly = false;
    bool reduce = false;
    uint32_t wantedWidth = 0;
    uint32_t wantedHeight = 0;
};

// All that must survive a jump out of libjpeg. Owned by the caller of
// runDecode, which releases it whatever happened.
struct DecodeContext
{
    jpeg_decompress_struct cinfo;
    ErrorManager error;
    ScanLimit progress;
    bool created = false;
    HGLOBAL block = nullptr;
    uint32_t width = 0;        // the decoded size
    uint32_t height = 0;
    uint32_t fullWidth = 0;    // the image's size in the file
    uint32_t fullHeight = 0;
};

// The smallest scale n/8 whose result is at least twice wanted in both
// directions; full size when none is.
void chooseScale(j_decompress_ptr cinfo, uint32_t wantedWidth, uint32_t wantedHeight)
{
    const uint64_t minWidth = uint64_t(std::max<uint32_t>(wantedWidth, 1)) * 2;
    const uint64_t minHeight = uint64_t(std::max<uint32_t>(wantedHeight, 1)) * 2;
    cinfo->scale_denom = 8;
    for (unsigned numerator = 1; numerator <= 8; ++numerator) {
        cinfo->scale_num = numerator;
        jpeg_calc_output_dimensions(cinfo);
        if (cinfo->output_width >= minWidth && cinfo->output_height >= minHeight)
            return;
    }
    cinfo->scale_num = 8;
}

bool isCmyk(J_COLOR_SPACE space)
{
    return space == JCS_CMYK || space == JCS_YCCK;
}

// CMYK rows to RGB. Adobe's writers store the inks inverted (255 is no ink),
// and an Adobe marker is how a file says it comes from one.
void cmykRowToRgb(const JSAMPLE *cmyk, uint32_t width, bool inverted, uint8_t *rgb)
{
    for (uint32_t x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
        const unsigned k = inverted ? cmyk[3] : 255u - cmyk[3];
        for (int channel = 0; channel < 3; ++channel) {
            const unsigned ink = inverted ? cmyk[channel] : 255u - cmyk[channel];
            rgb[channel] = uint8_t((ink * k + 127) / 255);
        }
    }
}

// Runs the decode; on any failure answers false with the context holding what
// must be released. No object with a destructor may live in this frame.
bool runDecode(DecodeContext &context, ImgSourceObject *source, const DecodeRequest &request)
{
    j_decompress_ptr cinfo = &context.cinfo;
    cinfo->err = &context.error.pub;
    useErrorManager(context.error);
    if (setjmp(context.error.jump))
        return false;

    jpeg_create_decompress(cinfo);
    context.created = true;
    context.progress.pub.progress_monitor = limitScans;
    cinfo->progress = &context.progress.pub;

    auto *manager = static_cast<SourceManager *>((*cinfo->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(SourceManager)));
    manager->source = source;
    manager->pub.init_source = initSource;
    manager->pub.fill_input_buffer = fillInputBuffer;
    manager->pub.skip_input_data = skipInputData;
    manager->pub.resync_to_restart = jpeg_resync_to_restart;
    manager->pub.term_source = termSource;
    manager->pub.bytes_in_buffer = 0;
    manager->pub.next_input_byte = nullptr;
    cinfo->src = &manager->pub;

    if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK)
        return false;
    context.fullWidth = cinfo->image_width;
    context.fullHeight = cinfo->image_height;
    if (!ImgSizeIsAcceptable(context.fullWidth, context.fullHeight))
        return false;
    if (request.headerOnly)
        return true;
    // Refused before libjpeg allocates a progressive file's coefficients or
    // we allocate the pixels: an image the rest of the file cannot fill.
    const uint64_t dataBytes = manager->pub.bytes_in_buffer + source->bytesLeft();
    if (!ImgDataCanFill(context.fullWidth, context.fullHeight, dataBytes, MaxPixelsPerByte))
        return false;
    // At least MaxFillsInScans, as the pixels are at most the data's fill.
    const uint64_t fills = std::min<uint64_t>(dataBytes, ImgMaxPixels) * MaxPixelsPerByte * MaxFillsInScans;
    const uint64_t pixels = uint64_t(context.fullWidth) * context.fullHeight;
    context.progress.maxScans = int(std::min<uint64_t>(MaxScans, fills / pixels));

    const bool cmyk = isCmyk(cinfo->jpeg_color_space);
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    if (request.reduce)
        chooseScale(cinfo, request.wantedWidth, request.wantedHeight);
    jpeg_calc_output_dimensions(cinfo);
    const uint32_t width = cinfo->output_width;
    const uint32_t height = cinfo->output_height;
    if (cinfo->output_components != (cmyk ? 4 : 3))
        return false;
    context.block = ImgAllocRGB(width, height);
    if (!context.block)
        return false;

    jpeg_start_decompress(cinfo);
    // start_decompress may settle the size again; the block was made for the first.
    if (cinfo->output_width != width || cinfo->output_height != height)
        return false;
    auto *rgb = static_cast<uint8_t *>(GlobalLock(context.block));
    const size_t rowBytes = size_t(width) * 3;
    JSAMPARRAY cmykRow = nullptr;
    if (cmyk)
        cmykRow = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, width * 4, 1);
    const bool inverted = cinfo->saw_Adobe_marker;
    while (cinfo->output_scanline < height) {
        uint8_t *row = rgb + size_t(cinfo->output_scanline) * rowBytes;
        if (cmyk) {
            if (jpeg_read_scanlines(cinfo, cmykRow, 1) != 1)
                return false;
            cmykRowToRgb(cmykRow[0], width, inverted, row);
            continue;
        }
        JSAMPROW rows[1] = {row};
        if (jpeg_read_scanlines(cinfo, rows, 1) != 1)
            return false;
    }
    // Reads on to the end of image, so a file cut anywhere fails.
    jpeg_finish_decompress(cinfo);
    context.width = width;
    context.height = height;
    return true;
}

// Decodes and releases everything but the answered block.
bool decode(HIMGSRC source, const DecodeRequest &request, DecodeContext &context)
{
    if (!source)
        return false;
    const bool decoded = runDecode(context, source, request);
    if (context.created)
        jpeg_destroy_decompress(&context.cinfo);
    if (!decoded && context.block)
        context.block = GlobalFree(context.block);
    return decoded;
}

struct EncodeContext
{
    jpeg_compress_struct cinfo;
    ErrorManager error;
    bool created = false;
};

void writeComment(j_compress_ptr cinfo, const std::string &text)
{
    for (size_t offset = 0; offset < text.size(); offset += MaxCommentBytes) {
        const size_t count = std::min(MaxCommentBytes, text.size() - offset);
        jpeg_write_marker(cinfo, JPEG_COM, reinterpret_cast<const JOCTET *>(text.data() + offset), unsigned(count));
    }
}

bool runEncode(EncodeContext &context, ImgDestObject *destination, const uint8_t *rgb, uint32_t width,
               uint32_t height, int quality, bool progressive, const std::string *comment)
{
    j_compress_ptr cinfo = &context.cinfo;
    cinfo->err = &context.error.pub;
    useErrorManager(context.error);
    if (setjmp(context.error.jump))
        return false;

    jpeg_create_compress(cinfo);
    context.created = true;
    auto *manager = static_cast<DestManager *>((*cinfo->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(DestManager)));
    manager->destination = destination;
    manager->pub.init_destination = initDestination;
    manager->pub.empty_output_buffer = emptyOutputBuffer;
    manager->pub.term_destination = termDestination;
    cinfo->dest = &manager->pub;

    cinfo->image_width = width;
    cinfo->image_height = height;
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_RGB;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE);
    cinfo->optimize_coding = TRUE;
    if (progressive)
        jpeg_simple_progression(cinfo);
    jpeg_start_compress(cinfo, TRUE);
    writeComment(cinfo, *comment);

    const size_t rowBytes = size_t(width) * 3;
    while (cinfo->next_scanline < height) {
        // libjpeg only reads the rows it is handed.
        JSAMPROW rows[1] = {const_cast<JSAMPLE *>(rgb + size_t(cinfo->next_scanline) * rowBytes)};
        jpeg_write_scanlines(cinfo, rows, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

HGLOBAL answerBlock(DecodeContext &context, uint32_t *width, uint32_t *height)
{
    *width = context.width;
    *height = context.height;
    return context.block;
}

} // namespace

HGLOBAL ImgReadJPGToRGB(HIMGSRC source, uint32_t *width, uint32_t *height)
{
    if (!width || !height)
        return nullptr;
    DecodeContext context;
    if (!decode(source, DecodeRequest{}, context))
        return nullptr;
    return answerBlock(context, width, height);
}

HGLOBAL ImgReadJPGToRGBReduced(HIMGSRC source, uint32_t wantedWidth, uint32_t wantedHeight, uint32_t *width,
                               uint32_t *height, uint32_t *fullWidth, uint32_t *fullHeight)
{
    if (!width || !height || !fullWidth || !fullHeight)
        return nullptr;
    DecodeContext context;
    DecodeRequest request;
    request.reduce = true;
    request.wantedWidth = wantedWidth;
    request.wantedHeight = wantedHeight;
    if (!decode(source, request, context))
        return nullptr;
    *fullWidth = context.fullWidth;
    *fullHeight = context.fullHeight;
    return answerBlock(context, width, height);
}

BOOL ImgGetJPGDims(HIMGSRC source, uint32_t *width, uint32_t *height, uint32_t *)
{
    if (!width || !height)
        return FALSE;
    DecodeContext context;
    DecodeRequest request;
    request.headerOnly = true;
    if (!decode(source, request, context))
        return FALSE;
    *width = context.fullWidth;
    *height = context.fullHeight;
    return TRUE;
}

static uint32_t writeJpg(HIMGDEST destination, const uint8_t *rgb, uint32_t width, uint32_t height,
                         uint32_t quality, uint32_t flag)
{
    if (!destination || !rgb || !ImgSizeIsAcceptable(width, height) || width > MaxJpegDimension
        || height > MaxJpegDimension)
        return 0;
    const int clampedQuality = int(std::clamp<uint32_t>(quality, 1, 100));
    const uint64_t before = destination->written();
    EncodeContext context;
    const bool encoded = runEncode(context, destination, rgb, width, height, clampedQuality, flag != 0,
                                   &jpegOutputText);
    if (context.created)
        jpeg_destroy_compress(&context.cinfo);
    const uint64_t bytes = destination->written() - before;
    if (!encoded || bytes > UINT32_MAX)
        return 0;
    return uint32_t(bytes);
}

uint32_t ImgWriteRGBToJPG(HIMGDEST destination, const uint8_t *rgb, uint32_t width, uint32_t height,
                          uint32_t quality, uint32_t flag)
{
    return ImgWriterAnswer(destination, writeJpg(destination, rgb, width, height, quality, flag));
}

void ImgClearJPGOutputText()
{
    jpegOutputText.clear();
}

void ImgAddJPGOutputText(const char *text)
{
    if (text)
        jpegOutputText += text;
}
