#include "app/SceneTextEditor.h"

#include <algorithm>

CSceneTextEditor::CSceneTextEditor(wxWindow* parent, wxWindowID id) : wxStyledTextCtrl(parent, id) {
    // The program styles the text itself, by the format's own reader.
    SetLexer(wxSTC_LEX_CONTAINER);
    SetCodePage(wxSTC_CP_UTF8);
    SetEOLMode(wxSTC_EOL_LF);
    SetTabWidth(4);
    SetUseTabs(false);
    SetWrapMode(wxSTC_WRAP_NONE);
    // The line numbers, and a margin for the mark of an error's line.
    SetMarginType(0, wxSTC_MARGIN_NUMBER);
    SetMarginType(kErrorMargin, wxSTC_MARGIN_SYMBOL);
    SetMarginMask(kErrorMargin, 1 << kErrorMarker);
    SetMarginMask(0, 0);
    MarkerDefine(kErrorMarker, wxSTC_MARK_CIRCLE);
    IndicatorSetStyle(kErrorIndicator, wxSTC_INDIC_SQUIGGLE);
    IndicatorSetUnder(kErrorIndicator, true);
    AnnotationSetVisible(wxSTC_ANNOTATION_BOXED);
    ApplyTheme(CEditorTheme::FromSystem());

    Bind(wxEVT_STC_STYLENEEDED, &CSceneTextEditor::OnStyleNeeded, this);
    Bind(wxEVT_STC_UPDATEUI, &CSceneTextEditor::OnUpdateUI, this);
    Bind(wxEVT_SYS_COLOUR_CHANGED, &CSceneTextEditor::OnSysColourChanged, this);
}

int CSceneTextEditor::StyleOf(CTextToken::Kind kind) {
    switch (kind) {
    case CTextToken::keyword:
        return styleKeyword;
    case CTextToken::number:
        return styleNumber;
    case CTextToken::brace:
        return styleBrace;
    case CTextToken::comment:
        return styleComment;
    case CTextToken::other:
        break;
    }
    return styleText;
}

void CSceneTextEditor::SetFormat(CSceneText::Format format) {
    if (format == m_format)
        return;
    m_format = format;
    // Everything is styled again, by the other reader.
    StyleRange(0, GetLength());
    Colourise(0, -1);
}

void CSceneTextEditor::ApplyTheme(const CEditorTheme& theme) {
    m_theme = theme;
    StyleSetFont(wxSTC_STYLE_DEFAULT, theme.font);
    StyleSetForeground(wxSTC_STYLE_DEFAULT, theme.text);
    StyleSetBackground(wxSTC_STYLE_DEFAULT, theme.background);
    StyleClearAll(); // every style from the default
    StyleSetForeground(styleKeyword, theme.keyword);
    StyleSetBold(styleKeyword, true);
    StyleSetForeground(styleNumber, theme.number);
    StyleSetForeground(styleBrace, theme.text);
    StyleSetBold(styleBrace, true);
    StyleSetForeground(styleComment, theme.comment);
    StyleSetItalic(styleComment, true);
    StyleSetForeground(styleError, theme.errorText);
    StyleSetBackground(styleError, theme.errorBackground);
    StyleSetForeground(wxSTC_STYLE_LINENUMBER, theme.marginText);
    StyleSetBackground(wxSTC_STYLE_LINENUMBER, theme.margin);
    StyleSetBackground(wxSTC_STYLE_BRACELIGHT, theme.braceMatch);
    StyleSetBold(wxSTC_STYLE_BRACELIGHT, true);
    StyleSetForeground(wxSTC_STYLE_BRACEBAD, theme.error);
    StyleSetBold(wxSTC_STYLE_BRACEBAD, true);
    SetCaretForeground(theme.text);
    SetSelForeground(true, theme.selectionText);
    SetSelBackground(true, theme.selection);
    SetFoldMarginColour(true, theme.margin);
    SetFoldMarginHiColour(true, theme.margin);
    IndicatorSetForeground(kErrorIndicator, theme.error);
    MarkerSetForeground(kErrorMarker, theme.error);
    MarkerSetBackground(kErrorMarker, theme.error);
    SetMarginWidth(0, TextWidth(wxSTC_STYLE_LINENUMBER, "_9999"));
    SetMarginWidth(kErrorMargin, FromDIP(12));
    SetBackgroundColour(theme.background);
    Colourise(0, -1);
}

void CSceneTextEditor::OnSysColourChanged(wxSysColourChangedEvent& event) {
    ApplyTheme(CEditorTheme::FromSystem());
    event.Skip();
}

std::string CSceneTextEditor::GetBytes() const {
    // GetTextRaw only reads, but is not declared const.
    wxCharBuffer bytes = const_cast<CSceneTextEditor*>(this)->GetTextRaw();
    return std::string(bytes.data(), bytes.length());
}

void CSceneTextEditor::ShowBytes(const std::string& bytes, bool fresh) {
    std::string current = GetBytes();
    CSceneText::Replacement replacement;
    CSceneText::Rebase(current, current, bytes, replacement);
    if (replacement.length > 0 || !replacement.text.empty())
        Replace(replacement);
    if (fresh) {
        EmptyUndoBuffer();
        SetSavePoint();
    }
}

void CSceneTextEditor::Replace(const CSceneText::Replacement& replacement) {
    int firstLine = GetFirstVisibleLine();
    int offset = static_cast<int>(replacement.offset);
    SetTargetStart(offset);
    SetTargetEnd(offset + static_cast<int>(replacement.length));
    ReplaceTargetRaw(replacement.text.data(), static_cast<int>(replacement.text.size()));
    SetFirstVisibleLine(firstLine);
}

void CSceneTextEditor::ShowError(const CSceneText::Error& error) {
    ClearError();
    int length = GetLength();
    int position = std::min(static_cast<int>(error.place.offset), length);
    // The token the reader stopped at; at the end of the text, the last thing before it.
    auto isBlank = [this](int at) {
        int c = GetCharAt(at);
        return c == ' ' || c == '\t' || c == '\n' || c == '\r';
    };
    if (position >= length)
        while (position > 0 && (position >= length || isBlank(position)))
            --position;
    int end = position;
    while (end < length && !isBlank(end) &&
           (end == position || (GetCharAt(end) != '{' && GetCharAt(end) != '}')))
        ++end;
    if (end == position && position < length)
        end = position + 1;
    SetIndicatorCurrent(kErrorIndicator);
    IndicatorFillRange(position, end - position);
    m_errorLine = LineFromPosition(position);
    MarkerAdd(m_errorLine, kErrorMarker);
    AnnotationSetText(m_errorLine, wxString::FromUTF8(error.message));
    AnnotationSetStyle(m_errorLine, styleError);
}

void CSceneTextEditor::ClearError() {
    SetIndicatorCurrent(kErrorIndicator);
    IndicatorClearRange(0, GetLength());
    MarkerDeleteAll(kErrorMarker);
    AnnotationClearAll();
    m_errorLine = -1;
}

void CSceneTextEditor::GoToPlace(const CSourcePlace& place) {
    int position = std::min(static_cast<int>(place.offset), GetLength());
    int line = LineFromPosition(position);
    GotoPos(position);
    // The statement in the middle of the view, unless it is in view already.
    int first = GetFirstVisibleLine();
    if (line < first || line >= first + LinesOnScreen())
        SetFirstVisibleLine(std::max(0, line - LinesOnScreen() / 2));
    SetFocus();
}

void CSceneTextEditor::OnStyleNeeded(wxStyledTextEvent& event) {
    // From the start of the line where the styling stopped: no token runs over a line's end.
    int start = PositionFromLine(LineFromPosition(GetEndStyled()));
    StyleRange(start, event.GetPosition());
}

void CSceneTextEditor::StyleRange(int start, int end) {
    if (end <= start)
        return;
    wxCharBuffer bytes = GetTextRangeRaw(start, end);
    std::string_view text(bytes.data(), bytes.length());
    StartStyling(start);
    int at = start;
    for (const CTextToken& token : CSceneText::Tokens(text, m_format)) {
        int from = start + static_cast<int>(token.offset);
        int to = std::min(end, from + static_cast<int>(token.length));
        if (from < at || to <= from)
            continue;
        if (from > at)
            SetStyling(from - at, styleText);
        SetStyling(to - from, StyleOf(token.kind));
        at = to;
    }
    if (end > at)
        SetStyling(end - at, styleText);
}

void CSceneTextEditor::OnUpdateUI(wxStyledTextEvent& event) {
    event.Skip();
    int caret = GetCurrentPos();
    int brace = -1;
    if (caret > 0 && GetStyleAt(caret - 1) == styleBrace)
        brace = caret - 1;
    else if (caret < GetLength() && GetStyleAt(caret) == styleBrace)
        brace = caret;
    if (brace < 0) {
        BraceHighlight(wxSTC_INVALID_POSITION, wxSTC_INVALID_POSITION);
        return;
    }
    int match = BraceMatch(brace);
    if (match == wxSTC_INVALID_POSITION)
        BraceBadLight(brace);
    else
        BraceHighlight(brace, match);
}
