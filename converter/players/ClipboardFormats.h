// The clipboard's handle formats the players exchange: CF_ENHMETAFILE as .emf file bytes and
// CF_BITMAP as .bmp file bytes.
#pragma once

// Registers both formats with the clipboard once per process; later calls do nothing.
void EnsurePlayerClipboardFormats();
