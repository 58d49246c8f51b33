// The page player keeps three views of one metafile: the fitted copy behind m_handle (played,
// saved, put on the clipboard), a copy of its header record (the geometry queries) and a copy
// of every record (played one by one, so that a paint never re-reads the file).
//
// Header fields are read by byte offset from the copy (bounds at 8, frame at 24, file size at
// 48, record count at 52, reference device pixels at 72 and millimetres at 80), so that a
// header shorter than the full structure is never read past its end.
#include "converter/players/PlayerEMF.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <new>

#include "converter/page/ImageProperty.h"
#include "converter/page/PageMessage.h"
#include "converter/page/Rounding.h"
#include "converter/players/ClipboardFormats.h"
#include "platform/WinBase.h"
#include "platform/WinUser.h"

namespace {

constexpr std::size_t kHeaderMinSize = 88;
constexpr std::size_t kBoundsOffset = 8;
constexpr std::size_t kFrameOffset = 24;
constexpr std::size_t kBytesOffset = 48;
constexpr std::size_t kRecordsOffset = 52;
constexpr std::size_t kDevicePixelsOffset = 72;
constexpr std::size_t kDeviceMMOffset = 80;

std::int32_t LoadLong(const BYTE* bytes) {
    std::int32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

void StoreLong(BYTE* bytes, std::int32_t value) {
    std::memcpy(bytes, &value, sizeof value);
}

float LoadFloat(const BYTE* bytes) {
    float value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// The factor by which the frame is wider than the bounds at the reference device's resolution,
// times 100; 100 when they agree or when the header gives nothing to compare.
double FitRatio(double frameExtent, double boundsExtent, double deviceMM, double devicePixels) {
    if (boundsExtent == 0 || deviceMM == 0 || devicePixels == 0) {
        return 100.0;
    }
    const float ratio = static_cast<float>(frameExtent / boundsExtent / (deviceMM / devicePixels));
    return std::isfinite(ratio) ? ratio : 100.0;
}

} // namespace

// The image properties take a page through the player's geometry queries.
bool TImgProperty::AssignMetafile(const TPlayerEMF* player) {
    if (!player) {
        return AssignMetafile(static_cast<const TPageGeometry*>(nullptr));
    }
    TPageGeometry page;
    page.mmPerPixelX = player->GetMMPerPixelX();
    page.mmPerPixelY = player->GetMMPerPixelY();
    page.frameWidthMM = player->GetFrameWidthMM();
    page.frameHeightMM = player->GetFrameHeightMM();
    page.width = player->GetWidth();
    page.height = player->GetHeight();
    return AssignMetafile(&page);
}

TPlayerEMF::TPlayerEMF(void* owner) : TPlayer(owner) {
    m_background = CreateSolidBrush(RGB(255, 255, 255));
    ResetState();
}

TPlayerEMF::TPlayerEMF(void* owner, HENHMETAFILE handle) : TPlayerEMF(owner) {
    LoadMetafile(handle);
}

TPlayerEMF::~TPlayerEMF() {
    Clear();
    if (m_background) {
        DeleteObject(m_background);
    }
}

void TPlayerEMF::ResetState() {
    FileName.clear();
    m_handle = nullptr;
    m_header.clear();
    m_recordTypes.clear();
    m_recordSizes.clear();
    m_records.clear();
    m_recordCount = 0;
    m_headerValid = m_recordsValid = false;
    m_hasScaleMarker = false;
    m_offsetX = m_offsetY = 0;
    m_scaleX = m_scaleY = 1.0f;
    m_playIndex = -1;
    if (m_background) {
        DeleteObject(m_background);
    }
    m_background = CreateSolidBrush(RGB(255, 255, 255));
}

bool TPlayerEMF::Clear() {
    m_records.clear();
    m_records.shrink_to_fit();
    m_recordTypes.clear();
    m_recordSizes.clear();
    m_header.clear();
    if (m_handle) {
        DeleteEnhMetaFile(m_handle);
    }
    ResetState();
    return true;
}

bool TPlayerEMF::LoadMetafile(HENHMETAFILE handle) {
    if (!handle || GetObjectType(handle) != OBJ_ENHMETAFILE) {
        return false;
    }
    if (m_handle) {
        Clear();
    }
    if (!CopyWithFittedBounds(handle)) {
        Clear();
        return false;
    }
    m_headerValid = ReadHeader();
    m_recordsValid = ReadRecords();
    FindScaleMarker();
    return m_headerValid && m_recordsValid;
}

bool TPlayerEMF::CopyWithFittedBounds(HENHMETAFILE handle) {
    if (!handle || GetObjectType(handle) != OBJ_ENHMETAFILE) {
        return false;
    }
    const UINT size = GetEnhMetaFileBits(handle, 0, nullptr);
    if (size == 0 || size < kHeaderMinSize) {
        return false;
    }
    std::vector<BYTE> bits;
    try {
        bits.resize(size);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (GetEnhMetaFileBits(handle, size, bits.data()) != size) {
        return false;
    }
    BYTE* header = bits.data();
    const double boundsLeft = LoadLong(header + kBoundsOffset);
    const double boundsTop = LoadLong(header + kBoundsOffset + 4);
    const double boundsRight = LoadLong(header + kBoundsOffset + 8);
    const double boundsBottom = LoadLong(header + kBoundsOffset + 12);
    const double frameLeft = LoadLong(header + kFrameOffset);
    const double frameTop = LoadLong(header + kFrameOffset + 4);
    const double frameRight = LoadLong(header + kFrameOffset + 8);
    const double frameBottom = LoadLong(header + kFrameOffset + 12);
    const double rx =
        FitRatio(frameRight + 1 - frameLeft, boundsRight + 1 - boundsLeft,
                 LoadLong(header + kDeviceMMOffset), LoadLong(header + kDevicePixelsOffset));
    const double ry = FitRatio(frameBottom + 1 - frameTop, boundsBottom + 1 - boundsTop,
                               LoadLong(header + kDeviceMMOffset + 4),
                               LoadLong(header + kDevicePixelsOffset + 4));
    // Scaled about coordinate 0, not about the rectangle's corner.
    if (RoundToInt32(rx) != 100) {
        StoreLong(header + kBoundsOffset, RoundToInt32(boundsLeft * rx / 100));
        StoreLong(header + kBoundsOffset + 8, RoundToInt32(boundsRight * rx / 100));
    }
    if (RoundToInt32(ry) != 100) {
        StoreLong(header + kBoundsOffset + 4, RoundToInt32(boundsTop * ry / 100));
        StoreLong(header + kBoundsOffset + 12, RoundToInt32(boundsBottom * ry / 100));
    }
    m_handle = SetEnhMetaFileBits(size, bits.data());
    return m_handle != nullptr;
}

bool TPlayerEMF::ReadHeader() {
    const UINT size = GetEnhMetaFileHeader(m_handle, 0, nullptr);
    if (size == 0) {
        ShowPageMessage(TMessageKind::Error, "Not enough of memory!");
        return false;
    }
    try {
        // At least the fixed part, so that every field read by offset exists.
        m_header.assign(std::max<std::size_t>(size, kHeaderMinSize), 0);
    } catch (const std::bad_alloc&) {
        ShowPageMessage(TMessageKind::Error, "Not enough of memory!");
        return false;
    }
    const UINT copied =
        GetEnhMetaFileHeader(m_handle, size, reinterpret_cast<LPENHMETAHEADER>(m_header.data()));
    if (copied > size || copied == 0) {
        ShowPageMessage(TMessageKind::Error, "Incorrect header metafile!");
        m_header.clear();
        return false;
    }
    m_header.resize(std::max<std::size_t>(copied, kHeaderMinSize));
    return true;
}

int CALLBACK TPlayerEMF::StoreRecord(HDC, HANDLETABLE*, const ENHMETARECORD* record, int,
                                     LPARAM data) {
    auto* self = reinterpret_cast<TPlayerEMF*>(data);
    if (static_cast<std::size_t>(self->m_recordCount) >= self->m_records.size()) {
        return 1;
    }
    const std::size_t index = static_cast<std::size_t>(self->m_recordCount++);
    self->m_recordTypes[index] = record->iType;
    self->m_recordSizes[index] = record->nSize;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(record);
    self->m_records[index].assign(bytes, bytes + record->nSize);
    return 1;
}

bool TPlayerEMF::ReadRecords() {
    m_recordCount = 0;
    const std::size_t count = m_header.size() >= kHeaderMinSize
                                  ? static_cast<std::uint32_t>(HeaderLong(kRecordsOffset))
                                  : 0;
    // The header's count is only a claim; the table never grows beyond what the file can hold
    // (a record takes at least 8 bytes).
    const std::size_t bound = static_cast<std::uint32_t>(HeaderLong(kBytesOffset)) / 8 + 1;
    const std::size_t slots = std::min(count, bound);
    try {
        m_recordTypes.assign(slots, 0);
        m_recordSizes.assign(slots, 0);
        m_records.assign(slots, {});
    } catch (const std::bad_alloc&) {
        return false;
    }
    return EnumEnhMetaFile(nullptr, m_handle, &TPlayerEMF::StoreRecord, this, nullptr) != FALSE;
}

void TPlayerEMF::FindScaleMarker() {
    m_hasScaleMarker = false;
    m_offsetX = m_offsetY = 0;
    m_scaleX = m_scaleY = 1.0f;
    for (std::int32_t i = 0; i < m_recordCount; ++i) {
        if (m_recordTypes[i] != EMR_GDICOMMENT) {
            continue;
        }
        const std::vector<BYTE>& record = m_records[i];
        if (record.size() < 12) {
            continue;
        }
        const std::uint32_t dataSize = static_cast<std::uint32_t>(LoadLong(record.data() + 8));
        if (dataSize < kScaleMarkerSize || dataSize > record.size() - 12) {
            continue;
        }
        const BYTE* data = record.data() + 12;
        if (static_cast<std::uint32_t>(LoadLong(data)) != kScaleMarkerId1 ||
            static_cast<std::uint32_t>(LoadLong(data + 4)) != kScaleMarkerId2) {
            continue;
        }
        const float scaleX = LoadFloat(data + 16);
        const float scaleY = LoadFloat(data + 24);
        if (scaleX == 0.0f || scaleY == 0.0f || !std::isfinite(scaleX) || !std::isfinite(scaleY)) {
            continue;
        }
        m_offsetX = LoadLong(data + 12);
        m_scaleX = scaleX;
        m_offsetY = LoadLong(data + 20);
        m_scaleY = scaleY;
        m_hasScaleMarker = true;
        return;
    }
}

std::int32_t TPlayerEMF::HeaderLong(std::size_t offset) const {
    if (offset + 4 > m_header.size()) {
        return 0;
    }
    return LoadLong(m_header.data() + offset);
}

bool TPlayerEMF::GetHeaderBounds(TRect& bounds) const {
    if (!m_headerValid) {
        return false;
    }
    bounds = {HeaderLong(kBoundsOffset), HeaderLong(kBoundsOffset + 4),
              HeaderLong(kBoundsOffset + 8), HeaderLong(kBoundsOffset + 12)};
    return true;
}

bool TPlayerEMF::GetHeaderFrame(TRect& frame) const {
    if (!m_headerValid) {
        return false;
    }
    frame = {HeaderLong(kFrameOffset), HeaderLong(kFrameOffset + 4), HeaderLong(kFrameOffset + 8),
             HeaderLong(kFrameOffset + 12)};
    return true;
}

bool TPlayerEMF::GetUnscaledBounds(TRect& bounds) const {
    if (!GetHeaderBounds(bounds)) {
        return false;
    }
    if (m_hasScaleMarker) {
        bounds.left = RoundToInt32((static_cast<double>(bounds.left) - m_offsetX) / m_scaleX);
        bounds.right = RoundToInt32((static_cast<double>(bounds.right) - m_offsetX) / m_scaleX);
        bounds.top = RoundToInt32((static_cast<double>(bounds.top) - m_offsetY) / m_scaleY);
        bounds.bottom = RoundToInt32((static_cast<double>(bounds.bottom) - m_offsetY) / m_scaleY);
    }
    return true;
}

std::int32_t TPlayerEMF::GetWidth() const {
    TRect bounds;
    return GetUnscaledBounds(bounds) ? bounds.Width() : 0;
}

std::int32_t TPlayerEMF::GetHeight() const {
    TRect bounds;
    return GetUnscaledBounds(bounds) ? bounds.Height() : 0;
}

std::int32_t TPlayerEMF::GetFileSize() const {
    return m_headerValid ? HeaderLong(kBytesOffset) : -1;
}

std::string TPlayerEMF::GetDescription() const {
    if (!m_headerValid) {
        return {};
    }
    const UINT length = GetEnhMetaFileDescriptionW(m_handle, 0, nullptr);
    if (length == 0 || length == static_cast<UINT>(GDI_ERROR)) {
        return {};
    }
    std::vector<WCHAR> wide(length + 1, 0);
    GetEnhMetaFileDescriptionW(m_handle, length, wide.data());
    std::string text;
    for (WCHAR c : wide) {
        if (c == 0) {
            break;
        }
        text.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    return text;
}

float TPlayerEMF::GetFrameWidthMM() const {
    if (!m_headerValid) {
        return 0;
    }
    return static_cast<float>(
        (static_cast<double>(HeaderLong(kFrameOffset + 8)) - HeaderLong(kFrameOffset) + 1) / 100);
}

float TPlayerEMF::GetFrameHeightMM() const {
    if (!m_headerValid) {
        return 0;
    }
    return static_cast<float>(
        (static_cast<double>(HeaderLong(kFrameOffset + 12)) - HeaderLong(kFrameOffset + 4) + 1) /
        100);
}

float TPlayerEMF::GetMMPerPixelX() const {
    if (!m_headerValid) {
        return 0;
    }
    const double bounds =
        static_cast<double>(HeaderLong(kBoundsOffset + 8)) - HeaderLong(kBoundsOffset) + 1;
    return bounds != 0 ? static_cast<float>(GetFrameWidthMM() / bounds) : 0;
}

float TPlayerEMF::GetMMPerPixelY() const {
    if (!m_headerValid) {
        return 0;
    }
    const double bounds =
        static_cast<double>(HeaderLong(kBoundsOffset + 12)) - HeaderLong(kBoundsOffset + 4) + 1;
    return bounds != 0 ? static_cast<float>(GetFrameHeightMM() / bounds) : 0;
}

const ENHMETARECORD* TPlayerEMF::GetRecord(std::int32_t index) const {
    if (!m_headerValid || !m_recordsValid || index < 0 || index >= m_recordCount) {
        return nullptr;
    }
    return reinterpret_cast<const ENHMETARECORD*>(m_records[index].data());
}

int CALLBACK TPlayerEMF::PlayRecord(HDC dc, HANDLETABLE* table, const ENHMETARECORD* record,
                                    int handles, LPARAM data) {
    auto* self = reinterpret_cast<TPlayerEMF*>(data);
    ++self->m_playIndex;
    // Records beyond the header's count have no stored copy; they play from the metafile.
    const ENHMETARECORD* stored = self->GetRecord(self->m_playIndex);
    PlayEnhMetaFileRecord(dc, table, stored ? stored : record, static_cast<UINT>(handles));
    return 1;
}

bool TPlayerEMF::Paint(HDC dc, const TRect&, const PrepareCallback&, const DrawCallback&,
                       const TRect&, const PlayTransform& transform, HRGN& paintedRegion) {
    if (!dc || !m_headerValid || !m_recordsValid) {
        return false;
    }
    TRect r;
    GetUnscaledBounds(r);
    if (!paintedRegion) {
        paintedRegion = CreateRectRgn(0, 0, 1, 1);
    }
    if (transform.Enabled) {
        r.left = RoundToInt32(static_cast<double>(r.left) * transform.ScaleX) + transform.OffsetX;
        r.right = RoundToInt32(static_cast<double>(r.right) * transform.ScaleX) + transform.OffsetX;
        r.top = RoundToInt32(static_cast<double>(r.top) * transform.ScaleY) + transform.OffsetY;
        r.bottom =
            RoundToInt32(static_cast<double>(r.bottom) * transform.ScaleY) + transform.OffsetY;
    }
    SetRectRgn(paintedRegion, r.left, r.top, r.right + 1, r.bottom + 1);
    FillRgn(dc, paintedRegion, m_background);
    m_playIndex = -1;
    // R is inclusive; playback maps the frame's extent onto right - left of its rectangle, so
    // the rectangle handed on is exclusive, the same one the painted region covers.
    const RECT destination{r.left, r.top, r.right + 1, r.bottom + 1};
    const BOOL result = EnumEnhMetaFile(dc, m_handle, &TPlayerEMF::PlayRecord, this, &destination);
    m_playIndex = -1;
    return result != FALSE;
}

bool TPlayerEMF::Render(HDC dc, const TRect&, const PrepareCallback& onPrepare,
                        const DrawCallback& onDraw, const TRect&) {
    if (!dc || !onDraw) {
        return false;
    }
    Clear();
    // The description's two parts: the application name, then an empty picture name.
    static constexpr char kDescriptionParts[] = "TPlayerEMF#0Ver.1#0#0\0";
    HDC recorder = CreateEnhMetaFileA(dc, nullptr, nullptr, kDescriptionParts);
    if (!recorder) {
        return false;
    }
    if (onPrepare) {
        onPrepare(recorder, 0, 0);
    }
    HRGN region = nullptr;
    onDraw(recorder, region);
    if (region) {
        DeleteObject(region);
    }
    HENHMETAFILE recorded = CloseEnhMetaFile(recorder);
    if (!recorded) {
        return false;
    }
    const bool result = LoadMetafile(recorded);
    DeleteEnhMetaFile(recorded);
    if (result) {
        FileName = kRenderedName;
    }
    return result;
}

bool TPlayerEMF::LoadFromFile(const std::string& fileName) {
    if (GetFileAttributes(fileName.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    Clear();
    HENHMETAFILE opened = GetEnhMetaFileA(fileName.c_str());
    if (!opened) {
        return false;
    }
    const bool result = LoadMetafile(opened);
    DeleteEnhMetaFile(opened);
    if (result) {
        FileName = fileName;
    }
    return result;
}

bool TPlayerEMF::SaveToFile(const std::string& fileName) {
    if (!m_headerValid || !m_recordsValid) {
        return false;
    }
    const UINT size = GetEnhMetaFileBits(m_handle, 0, nullptr);
    if (size == 0) {
        return false;
    }
    std::vector<BYTE> bits(size);
    if (GetEnhMetaFileBits(m_handle, size, bits.data()) != size) {
        return false;
    }
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    if (!out) {
        return false;
    }
    out.write(reinterpret_cast<const char*>(bits.data()), static_cast<std::streamsize>(size));
    out.close();
    return static_cast<bool>(out);
}

bool TPlayerEMF::LoadFromClipboard() {
    EnsurePlayerClipboardFormats();
    if (!IsClipboardFormatAvailable(CF_ENHMETAFILE)) {
        return false;
    }
    if (!OpenClipboard(nullptr)) {
        return false;
    }
    bool result = false;
    if (HANDLE data = GetClipboardData(CF_ENHMETAFILE)) {
        Clear();
        result = LoadMetafile(static_cast<HENHMETAFILE>(data));
        if (result) {
            FileName = kClipboardName;
        }
    }
    CloseClipboard();
    return result;
}

bool TPlayerEMF::CopyToClipboard() {
    EnsurePlayerClipboardFormats();
    if (!m_headerValid || !m_recordsValid) {
        return false;
    }
    if (!OpenClipboard(nullptr)) {
        return false;
    }
    EmptyClipboard();
    // The clipboard stores its own copy of the metafile; the player keeps its handle.
    const bool placed = SetClipboardData(CF_ENHMETAFILE, m_handle) != nullptr;
    CloseClipboard();
    return placed;
}

bool TPlayerEMF::LoadFromHandle(HGDIOBJ handle) {
    Clear();
    return LoadMetafile(static_cast<HENHMETAFILE>(handle));
}

std::unique_ptr<TPlayer> TPlayerEMF::Clone() const {
    std::unique_ptr<TPlayerEMF> copy;
    try {
        copy = std::make_unique<TPlayerEMF>(GetOwner(), m_handle);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    copy->FileName = FileName;
    return copy;
}
