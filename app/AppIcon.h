#pragma once

#include <wx/bitmap.h>
#include <wx/iconbndl.h>
#include <wx/image.h>

#include <string>

// The program's icon, a shaded red ball as the default scene shows one, drawn at any size so
// it stays sharp in the window list, the notification area and the About box.
wxImage MakeAppIconImage(int size);
wxIconBundle MakeAppIconBundle();
// The render button's picture.
wxBitmap MakeRenderToolBitmap(int size);
// A plain glyph for a tool whose stock art the desktop's theme lacks.
wxBitmap MakeToolGlyph(const std::string& artId);
