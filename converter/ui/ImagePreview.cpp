// The worker's conversions all end in SaveCurrentPage: the image properties turn the page and
// the requested size into a scale factor, the clip DC's frame is laid over the whole page at
// that scale, and a fresh raster player renders the page through the frame's mapping into its
// bitmap and writes it. A conversion renders the whole picture whatever its size; only the
// preview keeps to the raster players' byte budget.
#include "converter/ui/ImagePreview.h"

#include <cctype>
#include <exception>
#include <map>

#include "converter/gif/GifImage.h"
#include "converter/page/ImageProperty.h"
#include "converter/page/PageMessage.h"
#include "converter/page/ReadWMF.h"
#include "converter/page/Rounding.h"
#include "converter/players/PlayerBMP.h"
#include "converter/players/PlayerGIF.h"
#include "converter/players/PlayerJPG.h"
#include "converter/players/RasterPlayer.h"
#include "converter/presets/PresetHolder.h"
#include "platform/WinBase.h"
#include "platform/WinUser.h"

namespace path = tallyvane::path;

namespace {

// The largest bitmap a conversion attempts: what one 32-bit DIB section can address.
constexpr std::uint64_t kLargestPicture = 0x7FFFFFFFull;

std::map<std::uint8_t, TfrmImagePreview::FormatPlayerFactory>& FormatFactories() {
    static std::map<std::uint8_t, TfrmImagePreview::FormatPlayerFactory> factories;
    return factories;
}

std::string UpperExt(const std::string& name) {
    std::string ext = path::ExtractFileExt(name);
    for (char& c : ext) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return ext;
}

bool FileExists(const std::string& name) {
    const DWORD attributes = GetFileAttributes(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& name) {
    const DWORD attributes = GetFileAttributes(name.empty() ? "." : name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Encoder settings of the current preset when it is of the format's own type, otherwise the
// defaults of that type.
void ApplyPresetSettings(TPlayer& player, std::uint8_t format) {
    const TGFPreset* current = PresetList.Current();
    if (format == kFormatJPG) {
        int quality = 60;
        bool progressive = false;
        bool grayScale = false;
        if (const auto* jpg = dynamic_cast<const TGFPresetJPG*>(current);
            jpg && jpg->GetQuality() > 0) {
            quality = jpg->GetQuality();
            progressive = jpg->GetProgressive();
            grayScale = jpg->GetGrayScale();
        }
        player.SetOption("CompressionQuality", std::to_string(quality));
        player.SetOption("ProgressiveEncoding", progressive ? "TRUE" : "FALSE");
        player.SetOption("GrayScale", grayScale ? "TRUE" : "FALSE");
    } else if (format == kFormatGIF) {
        const auto* gif = dynamic_cast<const TGFPresetGIF*>(current);
        player.SetOption("GrayScale", gif && gif->GetGrayScale() ? "TRUE" : "FALSE");
    }
}

} // namespace

void TfrmImagePreview::Register() {
    // The GIF player's clipboard format exists from start-up on, as every format the program
    // may put on the clipboard.
    RegisterClipboardFormat(kGifClipboardFormat);
    SetPageJobsFactory(
        []() -> std::unique_ptr<TPageJobs> { return std::make_unique<TfrmImagePreview>(); });
    RegisterFormatPlayer(kFormatJPG, [](void* owner) -> std::unique_ptr<TPlayer> {
        return std::make_unique<TPlayerJPG>(owner);
    });
    RegisterFormatPlayer(kFormatGIF, [](void* owner) -> std::unique_ptr<TPlayer> {
        return std::make_unique<TPlayerGIF>(owner);
    });
}

void TfrmImagePreview::RegisterFormatPlayer(std::uint8_t format, FormatPlayerFactory factory) {
    FormatFactories()[format] = factory;
}

TfrmImagePreview::TfrmImagePreview(HDC viewDC, std::int32_t viewWidth, std::int32_t viewHeight) {
    m_viewDC = viewDC;
    if (!m_viewDC) {
        m_viewDC = CreateDC("DISPLAY", nullptr, nullptr, nullptr);
        m_ownsViewDC = m_viewDC != nullptr;
    }
    if (viewWidth <= 0 || viewHeight <= 0) {
        viewWidth = m_viewDC ? GetDeviceCaps(m_viewDC, HORZRES) : 0;
        viewHeight = m_viewDC ? GetDeviceCaps(m_viewDC, VERTRES) : 0;
    }
    m_clipDC = std::make_unique<TClipDC>(this, m_viewDC, viewWidth, viewHeight);
    m_clipDC->SetPaperSize(static_cast<float>(viewWidth * m_clipDC->GetDCMMPerPixelX()),
                           static_cast<float>(viewHeight * m_clipDC->GetDCMMPerPixelY()));
    m_clipDC->OnPaintPage = [this](HDC dc, HRGN& region) { PlayPage(dc, region); };
    m_formatPlayers = std::make_unique<TPlayerList>();
    m_formatPlayers->Put(0, CreateFormatPlayer(kFormatBMP));
    m_formatPlayers->Put(1, CreateFormatPlayer(kFormatJPG));
    m_formatPlayers->Put(2, CreateFormatPlayer(kFormatGIF));
}

TfrmImagePreview::~TfrmImagePreview() {
    m_page.reset();
    m_pageList.reset();
    m_formatPlayers.reset();
    m_clipDC.reset();
    if (m_ownsViewDC) {
        DeleteDC(m_viewDC);
    }
}

std::unique_ptr<TPlayer> TfrmImagePreview::CreateFormatPlayer(std::uint8_t format) {
    if (format == kFormatBMP) {
        return std::make_unique<TPlayerBMP>(this);
    }
    const auto found = FormatFactories().find(format);
    if (found == FormatFactories().end() || !found->second) {
        return nullptr;
    }
    return found->second(this);
}

bool TfrmImagePreview::TakeClipboardPage() {
    if (!m_page) {
        m_page = std::make_unique<TPlayerEMF>(this);
    }
    if (!m_page->LoadFromClipboard()) {
        m_page.reset();
        return false;
    }
    return true;
}

bool TfrmImagePreview::OpenEmfPage(const std::string& path) {
    if (!m_page) {
        m_page = std::make_unique<TPlayerEMF>(this);
    }
    return m_page->LoadFromFile(path);
}

void TfrmImagePreview::LoadWmfInto(const std::string& path) {
    BYTE placeable[22] = {};
    BYTE header[18] = {};
    HMETAFILE wmf = ReadWindowsMetafile(path.c_str(), placeable, header);
    HENHMETAFILE emf = nullptr;
    const UINT size = wmf ? GetMetaFileBitsEx(wmf, 0, nullptr) : 0;
    if (size == 0) {
        ShowPageMessage(TMessageKind::Error, "Convertion error for WMF-file !");
    } else {
        std::vector<BYTE> bits;
        bool allocated = true;
        try {
            bits.resize(size);
        } catch (const std::bad_alloc&) {
            allocated = false;
        }
        if (!allocated) {
            ShowPageMessage(TMessageKind::Error, "Not enough of memory!");
        } else {
            const UINT got = GetMetaFileBitsEx(wmf, size, bits.data());
            if (got != size) {
                ShowPageMessage(TMessageKind::Error, "Incorrect opening for WMF-file!");
            }
            // Only the bytes actually fetched are converted.
            const METAFILEPICT picture{0, 0, 0, nullptr};
            emf = SetWinMetaFileBits(std::min(got, size), bits.data(), m_viewDC, &picture);
        }
    }
    if (wmf) {
        DeleteMetaFile(wmf);
    }
    if (!emf) {
        ShowPageMessage(TMessageKind::Error, "This is not metafile!");
        return;
    }
    if (!m_page) {
        m_page = std::make_unique<TPlayerEMF>(this);
    }
    if (m_page->LoadFromHandle(emf)) {
        m_page->FileName = path;
    }
    DeleteEnhMetaFile(emf);
}

bool TfrmImagePreview::OpenWmfPage(const std::string& path) {
    if (!FileExists(path)) {
        return false;
    }
    LoadWmfInto(path);
    if (m_page && m_page->FileName == path) {
        m_caption = path;
    }
    return true;
}

bool TfrmImagePreview::PageToClipboard() {
    return m_page && m_page->CopyToClipboard();
}

bool TfrmImagePreview::SavePageAsEmf(const std::string& path) {
    if (FileExists(path)) {
        const std::string question = "File " + path + " already exist!" + "\n" + "Replace?";
        if (ShowPageMessage(TMessageKind::Confirm, question.c_str()) != IDOK) {
            return false;
        }
    }
    if (UpperExt(path) != ".EMF") {
        return false;
    }
    return m_page && m_page->SaveToFile(path);
}

bool TfrmImagePreview::ConvertPage(const std::string& path, bool shown, bool saveMode) {
    m_targets = {path};
    m_pageList = std::make_unique<TPlayEMFList>();
    if (m_page) {
        m_pageList->Add(*m_page);
    }
    return ConvertPages(shown, saveMode);
}

bool TfrmImagePreview::ConvertPageList(const std::vector<std::string>& sources,
                                       const std::vector<std::string>& targets, bool shown,
                                       bool saveMode) {
    m_targets = targets;
    m_pageList = std::make_unique<TPlayEMFList>();
    for (const std::string& source : sources) {
        m_page.reset();
        const std::string ext = UpperExt(source);
        if (ext == ".EMF") {
            m_page = std::make_unique<TPlayerEMF>(this);
            m_page->LoadFromFile(source);
        } else if (ext == ".WMF") {
            LoadWmfInto(source);
        }
        // A source that gave no page still takes its place, as an empty page, so that page i
        // stays aligned with target i; an empty page is never written.
        if (!m_page) {
            m_page = std::make_unique<TPlayerEMF>(this);
        }
        m_pageList->Add(*m_page);
    }
    m_page.reset();
    return ConvertPages(shown, saveMode);
}

bool TfrmImagePreview::ConvertPages(bool shown, bool saveMode) {
    m_saveMode = saveMode;
    m_written.assign(m_targets.size(), false);
    m_previewSeen = false;
    const std::string firstDir =
        m_targets.empty() ? std::string() : path::ExtractFilePath(m_targets.front());
    std::string directory;
    if (shown) {
        directory = DirectoryExists(firstDir) ? path::IncludeTrailingDelimiter(firstDir) : "";
        if (PreviewDialog) {
            const TPreviewResult answer = PreviewDialog(*this, directory, saveMode);
            m_previewSeen = answer.shown;
            if (!answer.confirmed) {
                m_page.reset();
                m_pageList.reset();
                return false;
            }
            directory = answer.directory;
        }
    } else {
        directory = firstDir;
    }
    m_targetDir = directory;

    for (std::size_t i = 0; i < m_targets.size(); ++i) {
        const std::string& target = m_targets[i];
        const std::string name = path::ExtractFileName(target);
        std::string destination = target;
        if (saveMode) {
            destination =
                path::Join(directory.empty() ? path::ExtractFilePath(target) : directory, name);
        }
        if (!DirectoryExists(path::ExtractFilePath(destination))) {
            continue;
        }
        const TPlayerEMF* page = m_pageList ? m_pageList->GetPlayer(i) : nullptr;
        if (!page) {
            continue;
        }
        m_page.reset();
        std::unique_ptr<TPlayer> clone = page->Clone();
        m_page.reset(dynamic_cast<TPlayerEMF*>(clone.release()));
        if (!m_page) {
            continue;
        }
        m_page->FileName = destination;
        m_written[i] = SaveCurrentPage();
    }
    m_page.reset();
    m_pageList.reset();
    return true;
}

bool TfrmImagePreview::PageWritten(std::size_t index) const {
    return index < m_written.size() && m_written[index];
}

bool TfrmImagePreview::PreviewSeen() const {
    return m_previewSeen;
}

void TfrmImagePreview::ShowPictureTooLarge(std::int32_t width, std::int32_t height) {
    const std::string text = "Not enough of memory!\nThe picture of " + std::to_string(width) +
                             " x " + std::to_string(height) + " pixels has not been created.";
    ShowPageMessage(TMessageKind::Error, text.c_str());
}

bool TfrmImagePreview::SaveCurrentPage() {
    // A page that did not load has nothing to draw; writing a blank picture for it would pass
    // for a conversion.
    if (!m_page || !m_page->HeaderValid() || !m_page->RecordsValid()) {
        return false;
    }
    ImgProperty.AssignMetafile(m_page.get());
    const std::uint8_t format = ImgProperty.GetFormat();
    std::unique_ptr<TPlayer> player = CreateFormatPlayer(format);
    if (!player) {
        return false;
    }
    ApplyPresetSettings(*player, format);

    const float mmPerPixelX = m_page->GetMMPerPixelX();
    const float mmPerPixelY = m_page->GetMMPerPixelY();
    m_clipDC->SetImageResolution(mmPerPixelX, mmPerPixelY);
    float scale = 0;
    if (ImgProperty.GetPercentScale() > 0) {
        scale = static_cast<float>(100.0 / ImgProperty.GetPercentScale());
    } else if (ImgProperty.GetScaleFactor() > 0) {
        scale = ImgProperty.GetScaleFactor();
    } else if (ImgProperty.GetWidthPixels() > 0) {
        scale = ImgProperty.GetScaleFactors().first;
    } else if (ImgProperty.GetHeightPixels() > 0) {
        scale = ImgProperty.GetScaleFactors().second;
    } else if (ImgProperty.GetScaleFactors().first > 0) {
        // Fit mode and sizes given in millimetres or inches: the factor the image properties
        // computed for this page.
        scale = ImgProperty.GetScaleFactors().first;
    }
    if (scale > 0) {
        m_clipDC->SetScale(scale);
    }

    // The frame is laid over exactly the whole page, and the drawing area is the picture the
    // image properties asked for: the page's size in screen pixels divided by the factor,
    // rounded once. The frame's factors are then the ones that map one onto the other exactly,
    // so that neither the view's size nor a second rounding enters the picture.
    TRect full;
    m_page->GetUnscaledBounds(full);
    const double dcMMX = m_clipDC->GetDCMMPerPixelX();
    const double dcMMY = m_clipDC->GetDCMMPerPixelY();
    const auto [pagePixelsX, pagePixelsY] = ImgProperty.GetMetafilePixelSize();
    const std::int32_t pictureW =
        scale > 0 ? RoundToInt32(pagePixelsX / static_cast<double>(scale)) : 0;
    const std::int32_t pictureH =
        scale > 0 ? RoundToInt32(pagePixelsY / static_cast<double>(scale)) : 0;
    if (pictureW > 0 && pictureH > 0 && dcMMX > 0 && dcMMY > 0) {
        m_clipDC->SetScales(static_cast<float>(full.Width() * static_cast<double>(mmPerPixelX) /
                                               (pictureW * dcMMX)),
                            static_cast<float>(full.Height() * static_cast<double>(mmPerPixelY) /
                                               (pictureH * dcMMY)));
        m_clipDC->SetPaperSize(static_cast<float>(pictureW * dcMMX),
                               static_cast<float>(pictureH * dcMMY));
    } else {
        const double frameScale = m_clipDC->GetScale();
        m_clipDC->SetPaperSize(
            static_cast<float>(full.Width() * static_cast<double>(mmPerPixelX) / frameScale),
            static_cast<float>(full.Height() * static_cast<double>(mmPerPixelY) / frameScale));
    }
    m_clipDC->SetFramePos(full.left, full.top);
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    m_clipDC->GetFrameRect(left, top, right, bottom);
    const TRect visible{left, top, right - 1, bottom - 1};

    HDC dc = m_clipDC->GetDC();
    const TDeviceMeasure size = MeasureDeviceRect(dc, full);
    bool result = false;
    if (size.bytes > kLargestPicture) {
        ShowPictureTooLarge(size.width, size.height);
    } else {
        player->RenderWhole = true;
        // An encoder raises what it cannot code (a GIF wider than its format allows). The page
        // is then not written, and the other pages of a batch still are.
        try {
            const bool rendered = player->Render(
                dc, full, m_clipDC->MappingCallback(),
                [this](HDC target, HRGN& region) { PlayPage(target, region); }, visible);
            const auto* bmp = dynamic_cast<const TPlayerBMP*>(player.get());
            if (!rendered && bmp && bmp->AllocationFailed()) {
                ShowPictureTooLarge(size.width, size.height);
            } else if (rendered) {
                result = player->SaveToFile(path::ChangeFileExt(m_page->FileName, ".bmp"));
            }
        } catch (const std::exception& error) {
            ShowPageMessage(TMessageKind::Error, error.what());
        }
    }
    return result;
}

void TfrmImagePreview::PlayPage(HDC dc, HRGN& paintedRegion) {
    if (!m_page || !m_page->HeaderValid() || !m_page->RecordsValid()) {
        return;
    }
    m_clipDC->SetImageResolution(m_page->GetMMPerPixelX(), m_page->GetMMPerPixelY());
    PlayPageInFrame(*m_page, *m_clipDC, dc, paintedRegion);
}

void PlayPageInFrame(TPlayerEMF& page, TClipDC& clip, HDC dc, HRGN& paintedRegion) {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    clip.GetFrameRect(left, top, right, bottom);
    const TRect visible{left, top, right - 1, bottom - 1};
    TRect full;
    page.GetUnscaledBounds(full);
    page.Paint(dc, full, {}, {}, visible, *clip.GetPlayTransform(), paintedRegion);
}
