#pragma once

#include <wx/string.h>

#include <string>

class wxWindow;

// Moves a dialog's field values to its controls (loading) or back with validation (saving),
// one control at a time, in the order the dialog calls the exchange functions. The first
// failure shows its message box, puts the focus on the failing control and ends the pass: the
// later calls do nothing, and the dialog or page stays open.
class CDataExchange {
public:
    CDataExchange(wxWindow& dialog, bool saving) : m_dialog(dialog), m_saving(saving) {}

    bool IsSaving() const { return m_saving; }
    bool Failed() const { return m_failed; }

    // A check box and its flag: loading replaces a flag outside 0 to 2 by 0 first; saving
    // reads 0 or 1.
    void Check(int id, int& value);
    // An edit and its text. With a limit the edit refuses typing beyond it, a longer text is
    // shown cut to the limit (so that the user sees what will be kept and OK works), and a
    // longer text read back fails with "Please enter no more than %1 characters.".
    void Text(int id, wxString& value, std::size_t maxChars = 0);
    // Decimal whole numbers: "Please enter a positive integer." when the text is not one.
    void Unsigned(int id, unsigned& value);
    void Unsigned(int id, unsigned& value, unsigned min, unsigned max);
    // Decimal numbers shown with 6 (float) or 15 (double) significant digits: "Please enter a
    // number." when the text is not one.
    void Float(int id, float& value);
    void Float(int id, float& value, float min, float max);
    void Double(int id, double& value);

    // The text rules, on their own. Blanks and tabs may stand before and after the number.
    static bool ParseUnsigned(const wxString& text, unsigned& value);
    static bool ParseDouble(const wxString& text, double& value);
    // The shortest general form with up to that many significant digits ("%.*g").
    static wxString FormatGeneral(double value, int digits);

    // Runs the dialog's exchange in one direction; false when a value was refused.
    template <typename Exchange>
    static bool Run(wxWindow& dialog, bool saving, Exchange&& exchange) {
        CDataExchange dx(dialog, saving);
        exchange(dx);
        return !dx.Failed();
    }

private:
    wxWindow* Control(int id) const;
    bool ReadText(int id, wxString& text);
    void WriteText(int id, const wxString& text);
    void Fail(int id, const std::string& message);

    wxWindow& m_dialog;
    bool m_saving;
    bool m_failed = false;
};
