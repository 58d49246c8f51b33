#include "converter/players/JpegCodec.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include <jpeglib.h>

// libjpeg reports a fatal error by calling the error manager's exit hook, which must not
// return. Ours long-jumps back to the one small function that called into the library. Those
// functions hold only plain data, so the jump skips no destructor; the C++ caller then cleans
// up and throws, never from inside libjpeg's frames.

namespace {

struct TErrorManager {
    jpeg_error_mgr Base; // first, so libjpeg's pointer to it is a pointer to us
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

// Stops decoding a stream with an absurd number of scans, which would otherwise take minutes.
extern "C" void LimitScans(j_common_ptr info) {
    if (info->is_decompressor) {
        auto* d = reinterpret_cast<j_decompress_ptr>(info);
        if (d->input_scan_number > kMaxJpegScans) {
            auto* err = reinterpret_cast<TErrorManager*>(info->err);
            std::snprintf(err->Message, sizeof err->Message, "JPEG: more than %d scans",
                          kMaxJpegScans);
            std::longjmp(err->Jump, 1);
        }
    }
}

extern "C" void JumpOnError(j_common_ptr info) {
    auto* err = reinterpret_cast<TErrorManager*>(info->err);
    (*info->err->format_message)(info, err->Message);
    std::longjmp(err->Jump, 1);
}

// Warnings (a stream cut short, extra bytes) are not errors; the picture is still delivered.
extern "C" void IgnoreMessage(j_common_ptr) {}

void InitErrorManager(TErrorManager& err) {
    jpeg_std_error(&err.Base);
    err.Base.error_exit = JumpOnError;
    err.Base.output_message = IgnoreMessage;
    err.Message[0] = '\0';
}

// ---------------------------------------------------------------------------------------------
// Compression
// ---------------------------------------------------------------------------------------------

struct TCompressJob {
    const std::uint8_t* Bits; // bottom-up rows
    std::int64_t Stride;
    JDIMENSION Width;
    JDIMENSION Height;
    int Components;
    J_COLOR_SPACE InSpace;
    int Quality;
    bool Progressive;
    bool GrayScale;
    unsigned char* Out;    // malloc'ed by libjpeg's memory destination
    unsigned long OutSize; // bytes in Out
};

bool RunCompress(jpeg_compress_struct* c, TErrorManager* err, TCompressJob* job) {
    if (setjmp(err->Jump))
        return false;
    jpeg_create_compress(c);
    jpeg_mem_dest(c, &job->Out, &job->OutSize);
    c->image_width = job->Width;
    c->image_height = job->Height;
    c->input_components = job->Components;
    c->in_color_space = job->InSpace;
    jpeg_set_defaults(c);
    jpeg_set_quality(c, job->Quality, TRUE);
    if (job->GrayScale)
        jpeg_set_colorspace(c, JCS_GRAYSCALE);
    if (job->Progressive)
        jpeg_simple_progression(c);
    // JFIF header: no unit, square pixels.
    c->write_JFIF_header = TRUE;
    c->density_unit = 0;
    c->X_density = 1;
    c->Y_density = 1;
    jpeg_start_compress(c, TRUE);
    while (c->next_scanline < c->image_height) {
        const std::int64_t memoryRow = std::int64_t{job->Height} - 1 - c->next_scanline;
        JSAMPROW row = const_cast<JSAMPROW>(job->Bits + memoryRow * job->Stride);
        jpeg_write_scanlines(c, &row, 1);
    }
    jpeg_finish_compress(c);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Decompression
// ---------------------------------------------------------------------------------------------

struct TDecompressJob {
    const std::uint8_t* Data;
    std::size_t Size;
    JDIMENSION Width;
    JDIMENSION Height;
    std::uint8_t* Bits; // bottom-up 24-bit rows, allocated between the two steps
    std::int64_t Stride;
    jpeg_progress_mgr* Progress;
};

bool RunReadHeader(jpeg_decompress_struct* d, TErrorManager* err, TDecompressJob* job) {
    if (setjmp(err->Jump))
        return false;
    jpeg_create_decompress(d);
    d->progress = job->Progress;
    jpeg_mem_src(d, job->Data, static_cast<unsigned long>(job->Size));
    jpeg_read_header(d, TRUE);
    d->out_color_space = JCS_EXT_BGR;
    d->scale_num = 1;
    d->scale_denom = 1;
    d->dct_method = JDCT_ISLOW;
    d->do_fancy_upsampling = TRUE;
    d->do_block_smoothing = TRUE;
    jpeg_calc_output_dimensions(d);
    job->Width = d->output_width;
    job->Height = d->output_height;
    return true;
}

bool RunReadPixels(jpeg_decompress_struct* d, TErrorManager* err, TDecompressJob* job) {
    if (setjmp(err->Jump))
        return false;
    jpeg_start_decompress(d);
    while (d->output_scanline < d->output_height) {
        const std::int64_t memoryRow = std::int64_t{job->Height} - 1 - d->output_scanline;
        JSAMPROW row = job->Bits + memoryRow * job->Stride;
        jpeg_read_scanlines(d, &row, 1);
    }
    jpeg_finish_decompress(d);
    return true;
}

struct TCompressGuard {
    jpeg_compress_struct* Info;
    unsigned char** Out;
    ~TCompressGuard() {
        jpeg_destroy_compress(Info);
        std::free(*Out);
    }
};

struct TDecompressGuard {
    jpeg_decompress_struct* Info;
    ~TDecompressGuard() { jpeg_destroy_decompress(Info); }
};

} // namespace

std::vector<std::uint8_t> JpegCompress(const TDibImage& picture, int quality, bool progressive,
                                       bool grayScale) {
    if (picture.IsEmpty() ||
        picture.Bits.size() < static_cast<std::size_t>(picture.Stride() * picture.Height))
        throw EJpegError("JPEG: no picture to compress");
    // Indexed pictures are expanded first; 24- and 32-bit rows are read as they are.
    const TDibImage expanded = picture.BitsPerPixel <= 8 ? ConvertTo24Bit(picture) : TDibImage{};
    const TDibImage& source = picture.BitsPerPixel <= 8 ? expanded : picture;
    if (source.BitsPerPixel != 24 && source.BitsPerPixel != 32)
        throw EJpegError("JPEG: unsupported picture depth");

    jpeg_compress_struct info{};
    TErrorManager err{};
    InitErrorManager(err);
    info.err = &err.Base;
    TCompressJob job{};
    job.Bits = source.Bits.data();
    job.Stride = source.Stride();
    job.Width = static_cast<JDIMENSION>(source.Width);
    job.Height = static_cast<JDIMENSION>(source.Height);
    job.Components = source.BitsPerPixel / 8;
    job.InSpace = source.BitsPerPixel == 24 ? JCS_EXT_BGR : JCS_EXT_BGRX;
    job.Quality = quality;
    job.Progressive = progressive;
    job.GrayScale = grayScale;
    TCompressGuard guard{&info, &job.Out};
    if (!RunCompress(&info, &err, &job))
        throw EJpegError(err.Message);
    return std::vector<std::uint8_t>(job.Out, job.Out + job.OutSize);
}

TDibImage JpegDecompress(const std::uint8_t* data, std::size_t size) {
    jpeg_decompress_struct info{};
    TErrorManager err{};
    InitErrorManager(err);
    info.err = &err.Base;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = LimitScans;
    TDecompressJob job{};
    job.Data = data;
    job.Size = size;
    job.Progress = &progress;
    TDecompressGuard guard{&info};
    if (!RunReadHeader(&info, &err, &job))
        throw EJpegError(err.Message);
    const std::int64_t stride = TDibImage::StrideFor(job.Width, 24);
    if (stride * job.Height > MaxJpegPictureBytes)
        throw EJpegError("JPEG: picture too large");
    TDibImage picture = TDibImage::Create(static_cast<std::int32_t>(job.Width),
                                          static_cast<std::int32_t>(job.Height), 24);
    job.Bits = picture.Bits.data();
    job.Stride = stride;
    if (!RunReadPixels(&info, &err, &job))
        throw EJpegError(err.Message);
    return picture;
}

// ---------------------------------------------------------------------------------------------
// TJpegImage
// ---------------------------------------------------------------------------------------------

void TJpegImage::Compress(const TDibImage& picture) {
    std::vector<std::uint8_t> stream = JpegCompress(picture, Quality, Progressive, GrayScale);
    LoadFromBytes(stream.data(), stream.size());
}

void TJpegImage::LoadFromBytes(const std::uint8_t* data, std::size_t size) {
    TDibImage picture = JpegDecompress(data, size);
    m_Stream.assign(data, data + size);
    m_Picture = std::move(picture);
}

void TJpegImage::LoadFromFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw EJpegError("Cannot open file \"" + path + "\"");
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                          std::istreambuf_iterator<char>()};
    LoadFromBytes(bytes.data(), bytes.size());
}

void TJpegImage::SaveToFile(const std::string& path) const {
    if (IsEmpty())
        throw EJpegError("JPEG: nothing to save");
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file)
        file.write(reinterpret_cast<const char*>(m_Stream.data()),
                   static_cast<std::streamsize>(m_Stream.size()));
    if (file)
        file.close();
    if (!file) {
        // A short write leaves no truncated picture behind.
        std::remove(path.c_str());
        throw EJpegError("Cannot create file \"" + path + "\"");
    }
}

void TJpegImage::Clear() {
    m_Stream.clear();
    m_Picture = TDibImage{};
}
