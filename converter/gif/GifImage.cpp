#include "converter/gif/GifImage.h"

#include "converter/gif/GifError.h"
#include "converter/gif/GifLzw.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// Frames
// ---------------------------------------------------------------------------------------------

TGIFFrame::TGIFFrame(TGIFImage* owner) : m_Owner(owner), m_Item(std::make_shared<TGIFItem>()) {}

void TGIFFrame::Reset() {
    m_Item = std::make_shared<TGIFItem>();
    m_Extensions.clear();
    m_Left = 0;
    m_Top = 0;
    m_IsInterlaced = false;
    m_IsCorrupted = false;
    m_GrayScale = false;
    m_OwnColorTable = false;
    m_TransparentColor = NoColor;
    m_FrameDelay = 0;
    m_DisposalCode = 0;
}

std::int32_t TGIFFrame::Width() const {
    if (m_Item->Width > 0 || !m_Bitmap)
        return m_Item->Width;
    return m_Bitmap->Width;
}

std::int32_t TGIFFrame::Height() const {
    if (m_Item->Height > 0 || !m_Bitmap)
        return m_Item->Height;
    return m_Bitmap->Height;
}

void TGIFFrame::SetFromGraphic(const TDibImage* source) {
    Reset();
    if (source == nullptr || source->IsEmpty())
        m_Bitmap.reset();
    else
        m_Bitmap = std::make_unique<TDibImage>(*source);
    if (m_Owner != nullptr)
        m_Owner->RecomputeLogicalSize();
}

void TGIFFrame::RefreshExtensions() {
    std::erase_if(m_Extensions, [](const TExtension& e) {
        return e.ExtensionKind == TExtension::Comment && e.Lines.empty();
    });
    const bool wantsControl =
        m_FrameDelay != 0 || m_TransparentColor != NoColor || m_DisposalCode != 0;
    const bool hasControl =
        std::any_of(m_Extensions.begin(), m_Extensions.end(), [](const TExtension& e) {
            return e.ExtensionKind == TExtension::GraphicControl;
        });
    if (wantsControl && !hasControl) {
        int transparentIndex = -1;
        const GIFColorTable& table = m_Item->ColorTable;
        for (int i = 0; i < table.Count && m_TransparentColor != NoColor; ++i) {
            if (table.ColorOf(i) == m_TransparentColor) {
                transparentIndex = i;
                break;
            }
        }
        const unsigned delay = m_FrameDelay / 10u;
        TExtension control;
        control.ExtensionKind = TExtension::GraphicControl;
        control.Fixed = {4,
                         static_cast<std::uint8_t>(((m_DisposalCode & 7) << 2) |
                                                   (transparentIndex >= 0 ? 1 : 0)),
                         static_cast<std::uint8_t>(delay & 0xFF),
                         static_cast<std::uint8_t>(delay >> 8),
                         static_cast<std::uint8_t>(transparentIndex >= 0 ? transparentIndex : 0),
                         0};
        m_Extensions.insert(m_Extensions.begin(), std::move(control));
    }
    if (!m_Extensions.empty() && m_Owner != nullptr)
        m_Owner->m_FormatVersion = 2;
}

const TDibImage* TGIFFrame::Bitmap() {
    if (!m_Bitmap && HasCode())
        m_Bitmap = DecodeBitmap();
    return m_Bitmap.get();
}

std::unique_ptr<TDibImage> TGIFFrame::DecodeBitmap() {
    const int frameBits = m_Item->BitsPerPixel;
    int bits = 0;
    if (frameBits == 1)
        bits = 1;
    else if (frameBits >= 2 && frameBits <= 4)
        bits = 4;
    else if (frameBits >= 5 && frameBits <= 8)
        bits = 8;
    else
        throw EInvalidGraphicOperation(GifMessages::kBadColorCount);

    const std::int64_t frameBytes =
        TDibImage::StrideFor(std::max(m_Item->Width, 0), bits) * std::max(m_Item->Height, 0);
    if (frameBytes > MaxGifFrameBytes)
        throw EInvalidGraphicOperation(GifMessages::kDecodeTooLarge);
    auto picture = std::make_unique<TDibImage>(
        TDibImage::Create(std::max(m_Item->Width, 0), std::max(m_Item->Height, 0), bits));
    const GIFColorTable& table = m_Item->ColorTable;
    for (std::size_t i = 0; i < picture->Palette.size(); ++i) {
        if (static_cast<std::int32_t>(i) < table.Count) {
            const TGifRgb& c = table.Entries[i];
            picture->Palette[i] = TRgbQuad{c.Blue, c.Green, c.Red, 0};
        } else {
            picture->Palette[i] = TRgbQuad{128, 128, 128, 128};
        }
    }
    const std::vector<std::uint8_t>& code = *m_Item->CodeStream;
    if (LzwDecodeImage(code.data(), code.size(), picture->Width, picture->Height, bits,
                       m_IsInterlaced, frameBits, picture->Bits.data()))
        m_IsCorrupted = true;
    return picture;
}

// ---------------------------------------------------------------------------------------------
// Image
// ---------------------------------------------------------------------------------------------

TGIFImage::TGIFImage() : m_Data(std::make_shared<TGIFData>()) {}

TGIFImage::~TGIFImage() = default;

void TGIFImage::ResetImage() {
    m_Data = std::make_shared<TGIFData>();
    m_Frames.clear();
    m_SelectedFrame = -1;
    m_BackgroundColor = NoColor;
    m_LoopCount = 1;
    m_LoopAnimation = false;
    m_FormatVersion = 0;
    m_LogicalWidth = 0;
    m_LogicalHeight = 0;
}

void TGIFImage::RecomputeLogicalSize() {
    m_LogicalWidth = 0;
    m_LogicalHeight = 0;
    for (const auto& frame : m_Frames) {
        m_LogicalWidth =
            std::max<std::int64_t>(m_LogicalWidth, std::int64_t{frame->Width()} + frame->Left());
        m_LogicalHeight =
            std::max<std::int64_t>(m_LogicalHeight, std::int64_t{frame->Height()} + frame->Top());
    }
}

TGIFFrame& TGIFImage::AddFrame(const TDibImage* bitmap) {
    m_Frames.push_back(std::make_unique<TGIFFrame>(this));
    m_SelectedFrame = static_cast<std::int32_t>(m_Frames.size()) - 1;
    TGIFFrame& frame = *m_Frames.back();
    frame.SetFromGraphic(bitmap);
    if (m_FormatVersion == 0)
        m_FormatVersion = 1;
    if (m_Frames.size() > 1)
        m_FormatVersion = 2;
    return frame;
}

void TGIFImage::SetFromBitmap(const TDibImage& bitmap) {
    ResetImage();
    AddFrame(&bitmap);
}

void TGIFImage::EncodePendingFrames(bool decodeBack) {
    for (auto& frame : m_Frames) {
        if (!frame->HasCode()) {
            frame->m_Item->CodeStream.reset();
            frame->EncodeBitmap();
            if (decodeBack && frame->m_Bitmap && frame->m_Bitmap->BitsPerPixel > 8) {
                frame->m_Bitmap.reset();
                try {
                    frame->m_Bitmap = frame->DecodeBitmap();
                } catch (const EAbort&) {
                }
            }
        }
        frame->RefreshExtensions();
    }
}

bool TGIFImage::IsEmpty() {
    if (m_Frames.empty())
        return true;
    const auto index = static_cast<std::size_t>(std::max(m_SelectedFrame, 0));
    if (index >= m_Frames.size())
        return true;
    const TGIFFrame& frame = *m_Frames[index];
    return !(frame.HasBitmap() && !frame.m_Bitmap->IsEmpty()) && !frame.HasCode();
}

const TDibImage* TGIFImage::Picture() {
    if (IsEmpty() || m_SelectedFrame < 0 ||
        static_cast<std::size_t>(m_SelectedFrame) >= m_Frames.size())
        return nullptr;
    return m_Frames[static_cast<std::size_t>(m_SelectedFrame)]->Bitmap();
}

// The selected frame's size; the frame's picture has this size whether or not it is decoded
// yet, so the query never needs to decode.
std::int32_t TGIFImage::Width() {
    if (IsEmpty() || m_SelectedFrame < 0 ||
        static_cast<std::size_t>(m_SelectedFrame) >= m_Frames.size())
        return 0;
    return m_Frames[static_cast<std::size_t>(m_SelectedFrame)]->Width();
}

std::int32_t TGIFImage::Height() {
    if (IsEmpty() || m_SelectedFrame < 0 ||
        static_cast<std::size_t>(m_SelectedFrame) >= m_Frames.size())
        return 0;
    return m_Frames[static_cast<std::size_t>(m_SelectedFrame)]->Height();
}

int ColorCountToBits(std::int32_t count) {
    for (int bits = 1; bits <= 8; ++bits) {
        if (count == (1 << bits))
            return bits;
    }
    throw EInvalidGraphicOperation(GifMessages::kBadColorCount);
}
