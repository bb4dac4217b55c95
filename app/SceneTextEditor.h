#pragma once

#include "app/EditorTheme.h"
#include "script/SceneText.h"

#include <wx/stc/stc.h>

#include <string>

// The scene text's editing control (Scintilla): the format's tokens in colour, as its own
// reader finds them (CSceneText::Tokens), matching braces, line numbers, the desktop's theme,
// and a reader's error marked where it is: the place underlined, a mark in the margin and the
// message under its line. The text is handled as the bytes of the file (UTF-8).
class CSceneTextEditor : public wxStyledTextCtrl {
public:
    // The styles of the text's tokens and of the error's message.
    enum Style {
        styleText = 0,
        styleKeyword,
        styleNumber,
        styleBrace,
        styleComment,
        styleError = 8,
    };
    static constexpr int kErrorIndicator = 8;
    static constexpr int kErrorMarker = 1;
    static constexpr int kErrorMargin = 1;

    CSceneTextEditor(wxWindow* parent, wxWindowID id);

    void SetFormat(CSceneText::Format format);
    CSceneText::Format GetFormat() const { return m_format; }
    void ApplyTheme(const CEditorTheme& theme);
    const CEditorTheme& GetTheme() const { return m_theme; }
    // The style the token kind is shown in.
    static int StyleOf(CTextToken::Kind kind);

    std::string GetBytes() const;
    // Makes the text the bytes by changing only the stretch that differs, so that the cursor
    // and the lines in view stay where they were. fresh: a text of its own (a file read), with
    // nothing before it to undo.
    void ShowBytes(const std::string& bytes, bool fresh);
    // One change of the text, the cursor and the lines in view kept.
    void Replace(const CSceneText::Replacement& replacement);

    void ShowError(const CSceneText::Error& error);
    void ClearError();
    // The line (from 0) the error is shown on, or -1.
    int GetErrorLine() const { return m_errorLine; }

    // The cursor at the place, in view, the control focused.
    void GoToPlace(const CSourcePlace& place);

private:
    void StyleRange(int start, int end);
    void OnStyleNeeded(wxStyledTextEvent& event);
    void OnUpdateUI(wxStyledTextEvent& event);
    void OnSysColourChanged(wxSysColourChangedEvent& event);

    CSceneText::Format m_format = CSceneText::sceneFile;
    CEditorTheme m_theme;
    int m_errorLine = -1;
};
