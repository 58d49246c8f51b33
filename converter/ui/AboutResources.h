// The pictures of the about window, the logo and the preview's column, kept as resources: each
// one a 32-bit little-endian length followed by that many bytes of GIF data, the layout the GIF
// reader's ReadGIFProperty takes. They are drawn and encoded by the build (MakeAboutResources)
// and decoded here on first use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <QImage>

enum class TAboutPicture {
    Back,      // 400 x 270, the about window's background
    Logo,      // 117 x 117, animated
    BookPlate, // 89 x 431, the preview's right-hand column
    WWW,       // caption of the web links
    WWWUnSel,  // first web link, normal
    WWWSel,    // first web link, highlighted
    WWW1UnSel, // second web link
    WWW1Sel,
    EMail,      // caption of the mail links
    MailUnSel1, // support mail link
    MailSel1,
    MailUnSel, // general mail link
    MailSel,
    Count
};

// The frames of one resource decoded by the GIF reader; empty when it cannot be read.
std::vector<QImage> DecodeGifResource(const std::uint8_t* data, std::size_t size);

// Frame `frame` of a picture (null image when there is none) and the number of its frames.
QImage AboutPicture(TAboutPicture picture, int frame);
int AboutPictureFrames(TAboutPicture picture);
