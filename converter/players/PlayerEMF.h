// The page player: one enhanced metafile, held as a private copy.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "converter/players/Player.h"
#include "platform/WinMetafile.h"

// TPlayerEMF holds the page being converted. Every load makes a private copy of the metafile in
// which the header's bounds are first made to agree with its frame, keeps a copy of the header
// and a table of copies of every record, and notes the program's scale marker if the page
// carries one. Bounds are in the reference device's pixels, the frame in 0.01 mm, both with
// inclusive corners.
class TPlayerEMF : public TPlayer {
public:
    explicit TPlayerEMF(void* owner);
    // Loads a copy of handle; the player exists (empty) even when that fails.
    TPlayerEMF(void* owner, HENHMETAFILE handle);
    ~TPlayerEMF() override;

    bool Paint(HDC dc, const TRect& fullRect, const PrepareCallback& onPrepare,
               const DrawCallback& onDraw, const TRect& visibleRect, const PlayTransform& transform,
               HRGN& paintedRegion) override;
    bool Render(HDC dc, const TRect& fullRect, const PrepareCallback& onPrepare,
                const DrawCallback& onDraw, const TRect& visibleRect) override;
    bool LoadFromFile(const std::string& fileName) override;
    // Writes the fitted copy under exactly fileName.
    bool SaveToFile(const std::string& fileName) override;
    bool SaveToBitmapFile(const std::string&) override { return false; }
    std::int32_t GetEncodedSize() override { return -1; }
    std::int32_t GetWidth() const override;
    std::int32_t GetHeight() const override;
    std::string GetFormatName() const override { return "EMF"; }
    bool LoadFromClipboard() override;
    bool CopyToClipboard() override;
    // Takes a copy of an enhanced metafile; the handle stays the caller's.
    bool LoadFromHandle(HGDIOBJ handle) override;
    bool Clear() override;
    bool SetOption(const std::string&, const std::string&) override { return false; }
    std::unique_ptr<TPlayer> Clone() const override;

    // Header queries; each answers false (or -1, empty, 0) when no header was read.
    bool GetHeaderBounds(TRect& bounds) const;
    bool GetHeaderFrame(TRect& frame) const;
    // The bounds with the scale marker undone: the full rectangle of the page.
    bool GetUnscaledBounds(TRect& bounds) const;
    std::int32_t GetFileSize() const;
    std::string GetDescription() const;
    float GetFrameWidthMM() const;
    float GetFrameHeightMM() const;
    // Millimetres of frame per bounds unit.
    float GetMMPerPixelX() const;
    float GetMMPerPixelY() const;
    // The stored copy of a record, or null.
    const ENHMETARECORD* GetRecord(std::int32_t index) const;

    bool HeaderValid() const { return m_headerValid; }
    bool RecordsValid() const { return m_recordsValid; }
    HENHMETAFILE Handle() const { return m_handle; }
    std::int32_t RecordCount() const { return m_recordCount; }
    bool HasScaleMarker() const { return m_hasScaleMarker; }

    // The description every recorded metafile gets.
    static constexpr char kDescription[] = "TPlayerEMF#0Ver.1#0#0";
    static constexpr char kClipboardName[] = "ClipBoard As Enhanced Metafile";
    static constexpr char kRenderedName[] = "Created by diZuzavid";

private:
    void ResetState();
    bool LoadMetafile(HENHMETAFILE handle);
    bool CopyWithFittedBounds(HENHMETAFILE handle);
    bool ReadHeader();
    bool ReadRecords();
    void FindScaleMarker();
    std::int32_t HeaderLong(std::size_t offset) const;

    static int CALLBACK StoreRecord(HDC, HANDLETABLE*, const ENHMETARECORD* record, int,
                                    LPARAM data);
    static int CALLBACK PlayRecord(HDC dc, HANDLETABLE* table, const ENHMETARECORD* record,
                                   int handles, LPARAM data);

    bool m_headerValid = false;
    std::vector<BYTE> m_header; // copy of the header record; empty when none
    bool m_recordsValid = false;
    HENHMETAFILE m_handle = nullptr; // the fitted copy, owned
    std::int32_t m_recordCount = 0;
    std::vector<DWORD> m_recordTypes;
    std::vector<DWORD> m_recordSizes;
    std::vector<std::vector<BYTE>> m_records; // each exactly as large as its size field
    std::int32_t m_playIndex = -1;
    bool m_hasScaleMarker = false;
    std::int32_t m_offsetX = 0;
    float m_scaleX = 1.0f;
    std::int32_t m_offsetY = 0;
    float m_scaleY = 1.0f;
    HBRUSH m_background = nullptr; // solid white, owned
};

// The scale marker: a GDI comment whose data starts with these two numbers, followed by a
// PlayTransform (enabled flag, OffsetX, ScaleX, OffsetY, ScaleY). 28 data bytes at least.
constexpr std::uint32_t kScaleMarkerId1 = 70000;
constexpr std::uint32_t kScaleMarkerId2 = 70001;
constexpr std::uint32_t kScaleMarkerSize = 28;
