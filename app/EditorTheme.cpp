#include "app/EditorTheme.h"

#include <wx/settings.h>

namespace {

// Relative luminance, enough to tell a dark background from a light one.
double Luminance(const wxColour& colour) {
    return 0.2126 * colour.Red() + 0.7152 * colour.Green() + 0.0722 * colour.Blue();
}

// The colour a fraction of the way from one to the other.
wxColour Blend(const wxColour& from, const wxColour& to, double fraction) {
    auto mix = [fraction](unsigned char a, unsigned char b) {
        return static_cast<unsigned char>(a + (b - a) * fraction + 0.5);
    };
    return wxColour(mix(from.Red(), to.Red()), mix(from.Green(), to.Green()),
                    mix(from.Blue(), to.Blue()));
}

} // namespace

CEditorTheme CEditorTheme::FromSystem() {
    CEditorTheme theme = For(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW),
                             wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT),
                             wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT),
                             wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT));
    // The program's text at the desktop's size, in its fixed-width face.
    wxFont gui = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    theme.font =
        wxFont(wxFontInfo(gui.IsOk() ? gui.GetPointSize() : 10).Family(wxFONTFAMILY_TELETYPE));
    return theme;
}

CEditorTheme CEditorTheme::For(const wxColour& window, const wxColour& text,
                               const wxColour& selection, const wxColour& selectionText) {
    CEditorTheme theme;
    theme.dark = Luminance(window) < Luminance(text);
    theme.background = window;
    theme.text = text;
    theme.selection = selection;
    theme.selectionText = selectionText;
    theme.margin = Blend(window, text, 0.08);
    theme.marginText = Blend(window, text, 0.5);
    if (theme.dark) {
        theme.keyword = wxColour(130, 180, 255);
        theme.number = wxColour(240, 170, 90);
        theme.comment = wxColour(125, 190, 125);
        theme.error = wxColour(255, 90, 90);
        theme.errorText = wxColour(255, 185, 185);
        theme.errorBackground = Blend(window, wxColour(200, 40, 40), 0.3);
        theme.braceMatch = Blend(window, wxColour(80, 140, 255), 0.4);
    } else {
        theme.keyword = wxColour(0, 60, 170);
        theme.number = wxColour(160, 80, 0);
        theme.comment = wxColour(30, 120, 30);
        theme.error = wxColour(210, 0, 0);
        theme.errorText = wxColour(150, 0, 0);
        theme.errorBackground = Blend(window, wxColour(255, 80, 80), 0.15);
        theme.braceMatch = Blend(window, wxColour(80, 140, 255), 0.3);
    }
    theme.font = wxFont(wxFontInfo(10).Family(wxFONTFAMILY_TELETYPE));
    return theme;
}
