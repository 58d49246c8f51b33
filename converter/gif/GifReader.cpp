// Reading a GIF (87a or 89a). The parser walks the blocks in order; graphic control and
// comment extensions are kept for the image that follows them, plain text and application
// blocks are read and dropped (a looping block sets the image's loop count first). Image
// data are copied as they are stored and decoded only when the picture is wanted.

#include "converter/gif/GifError.h"
#include "converter/gif/GifImage.h"
#include "converter/gif/GifLzw.h"
#include "converter/gif/GifStream_p.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

constexpr std::uint8_t kExtensionIntroducer = 0x21; // '!'
constexpr std::uint8_t kImageSeparator = 0x2C;      // ','
constexpr std::uint8_t kTrailer = 0x3B;             // ';'
constexpr std::uint16_t kMaxLoopCount = 30000;

bool EqualsIgnoringCase(const std::uint8_t* bytes, const char* text) {
    for (std::size_t i = 0; text[i] != '\0'; ++i) {
        if (std::tolower(bytes[i]) != std::tolower(static_cast<unsigned char>(text[i])))
            return false;
    }
    return true;
}

// Data sub-blocks as lines, up to a zero length or the end of the data. A line cut short by
// the end of the data keeps what is there.
std::vector<std::vector<std::uint8_t>> ReadSubBlockLines(TByteReader& reader) {
    std::vector<std::vector<std::uint8_t>> lines;
    while (reader.Remaining() > 0) {
        const std::size_t length = reader.Byte();
        if (length == 0)
            break;
        lines.push_back(reader.Bytes(std::min(length, reader.Remaining())));
    }
    return lines;
}

TExtension ReadExtensionBlock(TByteReader& reader) {
    TExtension e;
    const std::uint8_t label = reader.Byte();
    switch (label) {
    case 0xF9: // Graphic Control Extension
        e.ExtensionKind = TExtension::GraphicControl;
        e.Fixed = reader.Bytes(6);
        break;
    case 0xFE: // Comment Extension
        e.ExtensionKind = TExtension::Comment;
        e.Lines = ReadSubBlockLines(reader);
        break;
    case 0x01: // Plain Text Extension
        e.ExtensionKind = TExtension::PlainText;
        e.Fixed = reader.Bytes(13);
        e.Lines = ReadSubBlockLines(reader);
        break;
    case 0xFF: // Application Extension
        e.ExtensionKind = TExtension::Application;
        e.Fixed = reader.Bytes(12);
        e.Lines = ReadSubBlockLines(reader);
        break;
    default: {
        char message[128];
        std::snprintf(message, sizeof message, GifMessages::kUnknownExtension, label);
        throw EInvalidGraphicOperation(message);
    }
    }
    return e;
}

// An application block asking for a looping animation.
bool IsLoopingBlock(const TExtension& e) {
    if (e.ExtensionKind != TExtension::Application || e.Lines.empty() || e.Fixed.empty())
        return false;
    const std::size_t idLength = std::min<std::size_t>(e.Fixed[0], e.Fixed.size() - 1);
    const auto matches = [&](const char* id) {
        return idLength == std::strlen(id) && std::memcmp(e.Fixed.data() + 1, id, idLength) == 0;
    };
    if (!matches("NETSCAPE2.0") && !matches("ANIMEXTS1.0"))
        return false;
    const auto& line = e.Lines.front();
    return line.size() >= 3 && line[0] == 1;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Image Descriptor and image data
// ---------------------------------------------------------------------------------------------

void TGIFFrame::ReadImageBlock(TByteReader& reader, std::int32_t logicalWidth,
                               std::int32_t logicalHeight, const GIFColorTable& global) {
    try {
        // Image Descriptor.
        const std::uint16_t left = reader.Le16();
        const std::uint16_t top = reader.Le16();
        std::int32_t width = reader.Le16();
        std::int32_t height = reader.Le16();
        const std::uint8_t packed = reader.Byte();
        m_IsInterlaced = (packed & 0x40) != 0;
        GIFColorTable& table = m_Item->ColorTable;
        if (packed & 0x80) {
            // Local Color Table.
            m_Item->BitsPerPixel = static_cast<std::uint8_t>((packed & 7) + 1);
            m_OwnColorTable = true;
            table.Count = 1 << m_Item->BitsPerPixel;
            for (std::int32_t i = 0; i < table.Count; ++i) {
                TGifRgb& c = table.Entries[static_cast<std::size_t>(i)];
                c.Red = reader.Byte();
                c.Green = reader.Byte();
                c.Blue = reader.Byte();
            }
        } else {
            m_OwnColorTable = false;
            table = GIFColorTable{};
        }

        // Table Based Image Data, copied as stored: the minimum code size, then every
        // sub-block with its length byte, up to the terminator.
        auto code = std::make_shared<std::vector<std::uint8_t>>();
        m_Item->CodeStream = code;
        code->push_back(reader.Byte());
        for (;;) {
            if (reader.Remaining() == 0) {
                if (!AcceptDamagedData)
                    throw EInvalidGraphicOperation(GifMessages::kStreamRead);
                m_IsCorrupted = true;
                break;
            }
            const std::uint8_t length = reader.Byte();
            if (length > reader.Remaining()) {
                if (!AcceptDamagedData)
                    throw EInvalidGraphicOperation(GifMessages::kStreamRead);
                m_IsCorrupted = true;
                reader.Skip(reader.Remaining());
                break;
            }
            code->push_back(length);
            if (length == 0)
                break;
            code->insert(code->end(), reader.Here(), reader.Here() + length);
            reader.Skip(length);
        }

        m_Left = left;
        m_Top = top;
        m_Item->Width = width == 0 ? logicalWidth : width;
        m_Item->Height = height == 0 ? logicalHeight : height;
        m_Item->DescriptorFlags = packed;
        if (!m_OwnColorTable)
            table = global;

        // Graphic control blocks, in order: the last transparency and disposal win, the
        // longest delay wins.
        m_FrameDelay = 0;
        for (const TExtension& e : m_Extensions) {
            if (e.ExtensionKind != TExtension::GraphicControl || e.Fixed.size() < 6)
                continue;
            const std::uint8_t flags = e.Fixed[1];
            const unsigned delay = GetLe16(&e.Fixed[2]) * 10u;
            const std::uint8_t index = e.Fixed[4];
            m_TransparentColor =
                ((flags & 1) && index < table.Count) ? table.ColorOf(index) : NoColor;
            m_FrameDelay = static_cast<std::uint16_t>(
                std::min<unsigned>(std::max<unsigned>(delay, m_FrameDelay), 0xFFFF));
            m_DisposalCode = static_cast<std::uint8_t>((flags >> 2) & 7);
        }
    } catch (...) {
        m_Item->CodeStream.reset();
        throw;
    }
}

// ---------------------------------------------------------------------------------------------
// The stream
// ---------------------------------------------------------------------------------------------

void TGIFImage::LoadGIF(const std::uint8_t* data, std::size_t count, bool decodeNow) {
    ResetImage();
    if (count == 0)
        return;
    // A private copy: the caller's buffer may go away while frames still hold references.
    const std::vector<std::uint8_t> copy(data, data + count);
    TByteReader reader(copy.data(), copy.size());
    try {
        ParseGIF(reader);
    } catch (...) {
        ResetImage();
        throw;
    }
    if (!m_Frames.empty()) {
        m_SelectedFrame = 0;
        if (decodeNow) {
            try {
                m_Frames.front()->Bitmap();
            } catch (...) {
                m_Frames.erase(m_Frames.begin());
                throw;
            }
        }
    }
}

void TGIFImage::ParseGIF(TByteReader& reader) {
    // Header.
    std::uint8_t header[6];
    reader.Bytes(header, 6);
    if (!EqualsIgnoringCase(header, "GIF"))
        throw EInvalidGraphicOperation(GifMessages::kUnknownVersion);
    if (EqualsIgnoringCase(header + 3, "87a"))
        m_FormatVersion = 1;
    else if (EqualsIgnoringCase(header + 3, "89a"))
        m_FormatVersion = 2;
    else
        throw EInvalidGraphicOperation(GifMessages::kUnknownVersion);

    // Logical Screen Descriptor.
    m_LogicalWidth = reader.Le16();
    m_LogicalHeight = reader.Le16();
    const std::uint8_t packed = reader.Byte();
    const std::uint8_t backgroundIndex = reader.Byte();
    m_Data->AspectRatio = reader.Byte();
    m_Data->GlobalBitsPerPixel = static_cast<std::uint8_t>((packed & 7) + 1);
    m_Data->ColorResolution = static_cast<std::uint8_t>(((packed >> 4) & 7) + 1);

    // Global Color Table.
    GIFColorTable& global = m_Data->GlobalColorTable;
    if (packed & 0x80) {
        global.Count = 1 << m_Data->GlobalBitsPerPixel;
        for (std::int32_t i = 0; i < global.Count; ++i) {
            TGifRgb& c = global.Entries[static_cast<std::size_t>(i)];
            c.Red = reader.Byte();
            c.Green = reader.Byte();
            c.Blue = reader.Byte();
        }
        if (backgroundIndex < global.Count)
            m_BackgroundColor = global.ColorOf(backgroundIndex);
    }

    std::uint8_t b = reader.Remaining() > 0 ? reader.Byte() : kTrailer;
    while (b != 0 && b != kTrailer) {
        std::vector<TExtension> collected;
        while (b == kExtensionIntroducer) {
            TExtension e = ReadExtensionBlock(reader);
            if (e.ExtensionKind == TExtension::PlainText) {
                collected.clear();
            } else if (e.ExtensionKind == TExtension::Application) {
                if (IsLoopingBlock(e)) {
                    m_LoopAnimation = true;
                    m_LoopCount =
                        std::min<std::uint16_t>(GetLe16(&e.Lines.front()[1]), kMaxLoopCount);
                }
            } else {
                collected.push_back(std::move(e));
            }
            b = reader.Remaining() > 0 ? reader.Byte() : kTrailer;
        }

        if (b == kImageSeparator) {
            auto frame = std::make_unique<TGIFFrame>(this);
            if (global.Count != 0)
                frame->m_Item->BitsPerPixel =
                    static_cast<std::uint8_t>(ColorCountToBits(global.Count));
            frame->m_Extensions = std::move(collected);
            frame->ReadImageBlock(reader, static_cast<std::int32_t>(m_LogicalWidth),
                                  static_cast<std::int32_t>(m_LogicalHeight), global);
            m_Frames.push_back(std::move(frame));
            b = 0;
            while (b == 0 && reader.Remaining() > 0)
                b = reader.Byte();
            if (b == 0 && reader.Remaining() == 0)
                b = kTrailer;
            if (b != kExtensionIntroducer && b != kImageSeparator)
                break;
            continue;
        }

        // Extensions followed by the trailer or by a byte that starts no block.
        if (m_Data->CommentLines.empty()) {
            bool first = true;
            for (const TExtension& e : collected) {
                if (e.ExtensionKind != TExtension::Comment)
                    continue;
                if (!first)
                    m_Data->CommentLines.emplace_back("\r\n\r\n");
                first = false;
                for (const auto& line : e.Lines)
                    m_Data->CommentLines.emplace_back(line.begin(), line.end());
            }
        } else if (b != 0 && b != kTrailer) {
            throw EInvalidGraphicOperation(GifMessages::kStreamRead);
        }
        // Nothing can follow a byte that starts no block: the parse ends here.
        break;
    }
}

void TGIFImage::LoadGIFFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw EInvalidGraphicOperation("Cannot open file \"" + path + "\"");
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                          std::istreambuf_iterator<char>()};
    LoadGIF(bytes.data(), bytes.size(), true);
}

void TGIFImage::ReadGIFProperty(const std::uint8_t* data, std::size_t size) {
    TByteReader reader(data, size);
    const std::uint32_t length = reader.Le32();
    if (length > reader.Remaining())
        throw EInvalidGraphicOperation(GifMessages::kStreamRead);
    LoadGIF(reader.Here(), length, true);
}
