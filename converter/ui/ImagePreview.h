// The conversion worker: loads the page, writes it as a picture or metafile, converts batches.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "converter/page/ClipDC.h"
#include "converter/players/PlayerEMF.h"
#include "converter/players/PlayerList.h"
#include "converter/ui/PageJobs.h"

// TfrmImagePreview performs every conversion of a job. Job control creates one per job, calls
// one loading operation (TakeClipboardPage, OpenEmfPage, OpenWmfPage) and one output operation
// (PageToClipboard, SavePageAsEmf, ConvertPage, ConvertPageList) and frees it.
//
// It owns the page player, the page list of a batch, the target list and the page view's
// clip DC. Every conversion renders on the page view's device context: the view's own DC when a
// window shows it, otherwise a display DC that needs no window and no screen. The modal preview
// itself is a separate dialog reached through PreviewDialog; without one, a conversion that
// asks for the preview goes on as if it had been confirmed.
class TfrmImagePreview : public TPageJobs {
public:
    // Makes job control create a TfrmImagePreview for every job.
    static void Register();

    // What the preview dialog answers: confirmed or not, the directory to save into (with a
    // trailing separator, or empty), and whether the user saw it at all (false when no window
    // could be shown).
    struct TPreviewResult {
        bool confirmed = false;
        std::string directory;
        bool shown = false;
    };
    using PreviewDialogFn = std::function<TPreviewResult(
        TfrmImagePreview& form, const std::string& directory, bool saveMode)>;

    // Makes the raster player of an output format (4 JPG, 5 GIF); BMP is built in.
    using FormatPlayerFactory = std::unique_ptr<TPlayer> (*)(void* owner);
    static void RegisterFormatPlayer(std::uint8_t format, FormatPlayerFactory factory);

    // viewDC is the page view's device context (not owned); null makes a headless one.
    explicit TfrmImagePreview(HDC viewDC = nullptr, std::int32_t viewWidth = 0,
                              std::int32_t viewHeight = 0);
    ~TfrmImagePreview() override;
    TfrmImagePreview(const TfrmImagePreview&) = delete;
    TfrmImagePreview& operator=(const TfrmImagePreview&) = delete;

    bool TakeClipboardPage() override;
    bool OpenEmfPage(const std::string& path) override;
    // True whenever the file exists, whether or not a page came of it.
    bool OpenWmfPage(const std::string& path) override;
    bool PageToClipboard() override;
    // Asks before replacing an existing file; writes only to a path ending in ".emf".
    bool SavePageAsEmf(const std::string& path) override;
    bool ConvertPage(const std::string& path, bool shown, bool saveMode) override;
    // True once the pages were converted (whatever single pages did); false when the preview
    // was not confirmed. PageWritten tells afterwards which targets were written.
    bool ConvertPageList(const std::vector<std::string>& sources,
                         const std::vector<std::string>& targets, bool shown,
                         bool saveMode) override;
    // Headless: there is no window to show; the page view's DC serves all the same.
    void ShowMinimized() override {}

    // Renders the current page at the output size and writes it under the page's FileName with
    // the extension of the format written.
    bool SaveCurrentPage();
    // The draw callback handed to the players: plays the current page into dc.
    void PlayPage(HDC dc, HRGN& paintedRegion);

    // After a conversion: whether target i was written.
    bool PageWritten(std::size_t index) const override;
    bool PreviewSeen() const override;
    const std::vector<std::string>& Targets() const { return m_targets; }
    // The targets as the preview dialog renames them (the directory chooser works on them in
    // place); read again when the pages are written after the dialog.
    std::vector<std::string>& EditTargets() { return m_targets; }

    TPlayerEMF* CurrentPage() const { return m_page.get(); }
    TPlayEMFList* PageList() const { return m_pageList.get(); }
    TClipDC& ClipDC() { return *m_clipDC; }
    const std::string& Caption() const { return m_caption; }

    PreviewDialogFn PreviewDialog;
    float PreviewScale = 1.0f;

private:
    bool ConvertPages(bool shown, bool saveMode);
    std::unique_ptr<TPlayer> CreateFormatPlayer(std::uint8_t format);
    void LoadWmfInto(const std::string& path);
    void ShowPictureTooLarge(std::int32_t width, std::int32_t height);

    HDC m_viewDC = nullptr;
    bool m_ownsViewDC = false;
    std::unique_ptr<TClipDC> m_clipDC;
    std::unique_ptr<TPlayerEMF> m_page; // the current page, or none
    std::unique_ptr<TPlayEMFList> m_pageList;
    std::unique_ptr<TPlayerList> m_formatPlayers; // BMP, JPG, GIF
    std::vector<std::string> m_targets;
    std::vector<bool> m_written;
    bool m_previewSeen = false;
    std::string m_targetDir;
    std::string m_caption;
    bool m_saveMode = false;
};

// Plays page onto dc over the part of it that the clip DC's frame shows, through the frame's
// transform. paintedRegion as for TPlayer::Paint.
void PlayPageInFrame(TPlayerEMF& page, TClipDC& clip, HDC dc, HRGN& paintedRegion);
