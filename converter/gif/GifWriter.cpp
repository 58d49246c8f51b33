// Writing a GIF: encoding frames and laying out the file. The converter writes one frame with
// a global 256-colour table and no extensions, under the 87a signature; the other blocks are
// written for images that were read and are saved again.

#include "converter/gif/ColorReduce.h"
#include "converter/gif/GifError.h"
#include "converter/gif/GifImage.h"
#include "converter/gif/GifLzw.h"
#include "converter/gif/GifStream_p.h"

#include "platform/WinBase.h"
#include "platform/WinUser.h"

#include <cstdio>
#include <cstring>
#include <fstream>

namespace {

constexpr std::int64_t kMaxGifSide = 0xFFFF;

int BitsForCount(std::int32_t count) {
    int bits = 1;
    while ((1 << bits) < count)
        ++bits;
    return bits;
}

void WriteColorTable(std::vector<std::uint8_t>& out, const GIFColorTable& table) {
    for (std::int32_t i = 0; i < table.Count; ++i) {
        const TGifRgb& c = table.Entries[static_cast<std::size_t>(i)];
        out.push_back(c.Red);
        out.push_back(c.Green);
        out.push_back(c.Blue);
    }
}

// Extension Introducer, label, the fixed part as kept, the lines as sub-blocks. A graphic
// control block's fixed part ends with its own terminator.
void WriteExtension(std::vector<std::uint8_t>& out, const TExtension& e) {
    static constexpr std::uint8_t kLabels[] = {0xF9, 0x01, 0xFF, 0xFE};
    out.push_back(0x21);
    out.push_back(kLabels[e.ExtensionKind & 3]);
    out.insert(out.end(), e.Fixed.begin(), e.Fixed.end());
    if (e.ExtensionKind == TExtension::GraphicControl)
        return;
    for (const auto& line : e.Lines) {
        if (line.empty())
            continue;
        out.push_back(static_cast<std::uint8_t>(std::min<std::size_t>(line.size(), 255)));
        out.insert(out.end(), line.begin(),
                   line.begin() + std::min<std::ptrdiff_t>(std::ssize(line), 255));
    }
    out.push_back(0);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Frame encoding
// ---------------------------------------------------------------------------------------------

void TGIFFrame::EncodeBitmap() {
    if (!m_Bitmap || m_Bitmap->IsEmpty())
        throw EInvalidGraphicOperation(GifMessages::kNoData);
    const int bits = m_Bitmap->BitsPerPixel;
    const std::vector<std::uint8_t> stream = (bits == 1 || bits == 4 || bits == 8)
                                                 ? WriteBmpImage(*m_Bitmap)
                                                 : BitmapToIndexedStream(*m_Bitmap);
    EncodeIndexedImage(stream);
}

void TGIFFrame::EncodeIndexedImage(const std::vector<std::uint8_t>& stream) {
    // A frame whose encoding fails keeps no code data: a half-written or stale stream would
    // later be saved as if it were the picture.
    m_Item->CodeStream.reset();
    if (stream.size() < 54)
        throw EInvalidGraphicOperation(GifMessages::kEncodeFailed);
    const std::uint32_t pixelOffset = GetLe32(&stream[10]);
    const auto width = static_cast<std::int32_t>(GetLe32(&stream[18]));
    const auto height = static_cast<std::int32_t>(GetLe32(&stream[22]));
    const int bits = GetLe16(&stream[28]);
    int colors = 0;
    switch (bits) {
    case 1:
        colors = 2;
        break;
    case 4:
        colors = 16;
        break;
    case 8:
        colors = 256;
        break;
    default:
        throw EInvalidGraphicOperation(GifMessages::kEncodeFailed);
    }
    if (width <= 0 || height <= 0)
        throw EInvalidGraphicOperation(GifMessages::kNoData);
    // The descriptor's size fields are 16 bits wide; cutting them would write a broken file.
    if (width + std::int64_t{m_Left} > kMaxGifSide || height + std::int64_t{m_Top} > kMaxGifSide)
        throw EInvalidGraphicOperation(GifMessages::kTooLarge);
    const std::int64_t imageBytes = TDibImage::StrideFor(width, bits) * height;
    if (54 + std::size_t{4} * colors > stream.size() || pixelOffset > stream.size() ||
        static_cast<std::int64_t>(stream.size() - pixelOffset) < imageBytes)
        throw EInvalidGraphicOperation(GifMessages::kEncodeFailed);

    m_IsInterlaced = false;
    GIFColorTable& table = m_Item->ColorTable;
    table.Count = std::min(256, colors);
    for (int i = 0; i < table.Count; ++i) {
        const std::uint8_t* q = &stream[54 + 4 * static_cast<std::size_t>(i)];
        table.Entries[static_cast<std::size_t>(i)] = TGifRgb{q[2], q[1], q[0]};
    }

    auto code = std::make_shared<std::vector<std::uint8_t>>();
    try {
        LzwEncodeImage(*code, width, height, bits, false, stream.data() + pixelOffset);
    } catch (const EAbort&) {
        Reset();
        throw;
    }
    m_Item->CodeStream = std::move(code);

    m_Item->BitsPerPixel = static_cast<std::uint8_t>(BitsForCount(table.Count));
    TGIFData& data = *m_Owner->m_Data;
    if (data.GlobalColorTable.Count == 0) {
        data.GlobalColorTable = table;
        data.GlobalBitsPerPixel = m_Item->BitsPerPixel;
        m_OwnColorTable = false;
    } else {
        m_OwnColorTable = true;
    }
    m_Item->Width = width;
    m_Item->Height = height;
    m_Owner->m_LogicalWidth = std::max<std::int64_t>(m_Owner->m_LogicalWidth, width + m_Left);
    m_Owner->m_LogicalHeight = std::max<std::int64_t>(m_Owner->m_LogicalHeight, height + m_Top);
}

// ---------------------------------------------------------------------------------------------
// File layout
// ---------------------------------------------------------------------------------------------

void TGIFImage::WriteFrame(std::vector<std::uint8_t>& out, TGIFFrame& frame) {
    for (const TExtension& e : frame.m_Extensions)
        WriteExtension(out, e);
    // Image Descriptor.
    out.push_back(0x2C);
    PutLe16(out, static_cast<std::uint32_t>(frame.m_Left));
    PutLe16(out, static_cast<std::uint32_t>(frame.m_Top));
    PutLe16(out, static_cast<std::uint32_t>(frame.Width()));
    PutLe16(out, static_cast<std::uint32_t>(frame.Height()));
    std::uint8_t packed = 0;
    if (frame.m_OwnColorTable) {
        const int bits = BitsForCount(frame.m_Item->ColorTable.Count);
        frame.m_Item->BitsPerPixel = static_cast<std::uint8_t>(bits);
        packed = static_cast<std::uint8_t>(0x80 + (bits - 1));
    }
    if (frame.m_IsInterlaced)
        packed |= 0x40;
    out.push_back(packed);
    // Local Color Table.
    if (frame.m_OwnColorTable)
        WriteColorTable(out, frame.m_Item->ColorTable);
    // Table Based Image Data, as encoded or read.
    if (frame.HasCode())
        out.insert(out.end(), frame.CodeStream()->begin(), frame.CodeStream()->end());
}

std::vector<std::uint8_t> TGIFImage::SaveGIF(bool lengthPrefix) {
    if (m_Frames.empty())
        throw EInvalidGraphicOperation(GifMessages::kNoData);
    EncodePendingFrames(false);
    if (!m_Data->CommentLines.empty())
        m_FormatVersion = 2;

    std::vector<std::uint8_t> out;
    // Header.
    const char* version = m_FormatVersion == 2 ? "GIF89a" : "GIF87a";
    out.insert(out.end(), version, version + 6);

    // Logical Screen Descriptor.
    RecomputeLogicalSize();
    for (const auto& frame : m_Frames) {
        if (frame->Left() > kMaxGifSide || frame->Top() > kMaxGifSide)
            throw EInvalidGraphicOperation(GifMessages::kTooLarge);
    }
    if (m_LogicalWidth > kMaxGifSide || m_LogicalHeight > kMaxGifSide)
        throw EInvalidGraphicOperation(GifMessages::kTooLarge);
    PutLe16(out, static_cast<std::uint32_t>(m_LogicalWidth));
    PutLe16(out, static_cast<std::uint32_t>(m_LogicalHeight));
    const GIFColorTable& global = m_Data->GlobalColorTable;
    std::uint8_t packed = 0;
    std::uint8_t background = 0;
    if (global.Count != 0) {
        const int resolution = ColorCountToBits(global.Count);
        packed = static_cast<std::uint8_t>(0x80 + (resolution - 1) * 16 +
                                           (m_Data->GlobalBitsPerPixel - 1));
        if (m_BackgroundColor != NoColor) {
            for (int i = 0; i < global.Count; ++i) {
                if (global.ColorOf(i) == m_BackgroundColor) {
                    background = static_cast<std::uint8_t>(i);
                    break;
                }
            }
        }
    }
    out.push_back(packed);
    out.push_back(background);
    out.push_back(m_Data->AspectRatio);

    // Global Color Table.
    WriteColorTable(out, global);

    // Application Extension for looping, only for animations.
    if (m_LoopAnimation && m_Frames.size() > 1) {
        static constexpr char kIdentifier[] = "NETSCAPE2.0";
        out.push_back(0x21);
        out.push_back(0xFF);
        out.push_back(11);
        out.insert(out.end(), kIdentifier, kIdentifier + 11);
        out.push_back(3);
        out.push_back(1);
        PutLe16(out, m_LoopCount);
        out.push_back(0);
    }

    for (auto& frame : m_Frames)
        WriteFrame(out, *frame);

    // Comment Extension.
    if (!m_Data->CommentLines.empty()) {
        out.push_back(0x21);
        out.push_back(0xFE);
        for (const std::string& line : m_Data->CommentLines) {
            const auto* p = reinterpret_cast<const std::uint8_t*>(line.data());
            for (std::size_t at = 0; at < line.size(); at += 255) {
                const std::size_t n = std::min<std::size_t>(line.size() - at, 255);
                out.push_back(static_cast<std::uint8_t>(n));
                out.insert(out.end(), p + at, p + at + n);
            }
        }
        out.push_back(0);
    }

    // Trailer.
    out.push_back(0x3B);

    if (!lengthPrefix)
        return out;
    std::vector<std::uint8_t> prefixed;
    prefixed.reserve(out.size() + 4);
    PutLe32(prefixed, static_cast<std::uint32_t>(out.size()));
    prefixed.insert(prefixed.end(), out.begin(), out.end());
    return prefixed;
}

void TGIFImage::SaveGIFFile(const std::string& path) {
    const std::vector<std::uint8_t> bytes = SaveGIF(false);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file)
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    if (file)
        file.close();
    if (!file) {
        // A short write leaves no truncated picture behind.
        std::remove(path.c_str());
        throw EInvalidGraphicOperation("Cannot create file \"" + path + "\"");
    }
}

TGifClipboardData TGIFImage::ExportToClipboard() {
    TGifClipboardData data;
    if (m_Frames.empty())
        return data;
    if (const TDibImage* first = m_Frames.front()->Bitmap())
        data.Bitmap = *first;
    for (const auto& frame : m_Frames) {
        if (!frame->HasCode())
            return data;
    }
    data.GifData = SaveGIF(true);
    // The block reaches the clipboard only while it is open; otherwise it is freed again.
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, data.GifData.size());
    if (block != nullptr) {
        if (void* p = GlobalLock(block)) {
            std::memcpy(p, data.GifData.data(), data.GifData.size());
            GlobalUnlock(block);
        }
        if (SetClipboardData(RegisterClipboardFormat(kGifClipboardFormat), block) == nullptr)
            GlobalFree(block);
    }
    return data;
}
