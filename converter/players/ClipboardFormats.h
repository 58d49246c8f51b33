// The clipboard's handle formats the players exchange: CF_ENHMETAFILE as .emf file bytes and
// CF_BITMAP as .bmp file bytes.
#pragma once

class TRasterBitmap;

// Registers both formats with the clipboard once per process; later calls do nothing.
void EnsurePlayerClipboardFormats();

// Puts a copy of the clipboard's CF_BITMAP into target; the clipboard keeps its own handle.
// False, target unchanged, when there is none or the clipboard cannot be opened.
bool CopyClipboardBitmap(TRasterBitmap& target);
