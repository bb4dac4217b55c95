#pragma once

#include <wx/colour.h>
#include <wx/font.h>

// The scene text's colours and font, from the desktop's theme: its window and text colours,
// its selection colours and the size of its font in a fixed-width face, with the program's own
// hues for keywords, numbers, comments and errors, light on a dark background and dark on a
// light one.
struct CEditorTheme {
    // The desktop's theme as it is now.
    static CEditorTheme FromSystem();
    // The theme for these colours; dark when the background is darker than the text.
    static CEditorTheme For(const wxColour& window, const wxColour& text, const wxColour& selection,
                            const wxColour& selectionText);

    bool dark = false;
    wxColour background;
    wxColour text;
    wxColour keyword;
    wxColour number;
    wxColour comment;
    wxColour margin;
    wxColour marginText;
    wxColour selection;
    wxColour selectionText;
    wxColour braceMatch;
    wxColour error;
    wxColour errorText;
    wxColour errorBackground;
    wxFont font;
};
