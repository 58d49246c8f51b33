// The Qt side of the status window, for code that shows or captures it.
#pragma once

#include "common/StatusPage.h"

#include <QImage>

// The page painted through GDI on a white bitmap of the given client size, as the window shows
// it on every paint request.
QImage RenderStatusImage(const TStatusPage& page, int width, int height);

// The average character width of the status font, measured on a memory DC; 0 when the font
// cannot be measured.
int MeasureStatusCharWidth();
