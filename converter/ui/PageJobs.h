// What job control asks of the conversion window, and how it gets one.
//
// Job control creates one window object per job through the registered factory, calls one
// loading and one output operation on it, and frees it. The windows library registers its
// window class here (SetPageJobsFactory) before the job runs; with no factory registered job
// control uses a stand-in that loads, converts and writes nothing and says so on stderr.
//
// The storage of the factories lives in this header, so a library below job control can register
// without linking job control.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TPageJobs {
public:
    virtual ~TPageJobs() = default;

    // Loading: the clipboard's enhanced metafile, an .emf file, a .wmf file (plain or placeable).
    virtual bool TakeClipboardPage() = 0;
    virtual bool OpenEmfPage(const std::string& path) = 0;
    virtual bool OpenWmfPage(const std::string& path) = 0;

    // Output: the page back on the clipboard, the page as an .emf file, the page as one image
    // file, or a list of .emf files as image files (targets[i] for sources[i]). shown asks for the
    // modal preview first; saveMode lets the user pick the target directory there. The list
    // conversion answers false when the preview was not confirmed.
    virtual bool PageToClipboard() = 0;
    virtual bool SavePageAsEmf(const std::string& path) = 0;
    virtual bool ConvertPage(const std::string& path, bool shown, bool saveMode) = 0;
    virtual bool ConvertPageList(const std::vector<std::string>& sources,
                                 const std::vector<std::string>& targets, bool shown,
                                 bool saveMode) = 0;

    // Shows the window minimised without waiting, for a job that runs without a preview.
    virtual void ShowMinimized() = 0;

    // After ConvertPageList: whether the image of targets[index] was written. Job control keeps
    // the source of a page that was not written.
    virtual bool PageWritten(std::size_t index) const {
        (void)index;
        return true;
    }

    // After ConvertPageList with shown: whether the preview was on screen for the user to decide.
    // A preview that could not be shown decided nothing, so job control keeps the sources.
    virtual bool PreviewSeen() const { return false; }
};

using TPageJobsFactory = std::function<std::unique_ptr<TPageJobs>()>;
// Shows the about window modally.
using TAboutBoxShower = std::function<void()>;

inline TPageJobsFactory& PageJobsFactory() {
    static TPageJobsFactory factory;
    return factory;
}

inline TAboutBoxShower& AboutBoxShower() {
    static TAboutBoxShower shower;
    return shower;
}

// Both answer the one registered before; an empty function removes the registration.
inline TPageJobsFactory SetPageJobsFactory(TPageJobsFactory factory) {
    TPageJobsFactory previous = std::move(PageJobsFactory());
    PageJobsFactory() = std::move(factory);
    return previous;
}

inline TAboutBoxShower SetAboutBoxShower(TAboutBoxShower shower) {
    TAboutBoxShower previous = std::move(AboutBoxShower());
    AboutBoxShower() = std::move(shower);
    return previous;
}
