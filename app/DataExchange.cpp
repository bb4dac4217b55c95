#include "app/DataExchange.h"

#include "platform/Platform.h"

#include <wx/checkbox.h>
#include <wx/textctrl.h>
#include <wx/window.h>

#include <cfloat>
#include <charconv>
#include <climits>
#include <cstdio>

namespace {

const char* const kCaption = "lumo";

bool IsBlank(wxUniChar c) {
    return c == ' ' || c == '\t';
}

bool IsDigit(wxUniChar c) {
    return c >= '0' && c <= '9';
}

// The text without the blanks and tabs around it, as plain ASCII; false when anything else
// than ASCII is left (no number has it).
bool Trimmed(const wxString& text, std::string& out) {
    std::size_t begin = 0;
    std::size_t end = text.length();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    out.clear();
    for (std::size_t i = begin; i < end; ++i) {
        wxUniChar c = text[i];
        if (!c.IsAscii())
            return false;
        out += static_cast<char>(c.GetValue());
    }
    return true;
}

std::string Substitute(std::string message, const std::string& first,
                       const std::string& second = "") {
    auto replace = [&](const std::string& marker, const std::string& value) {
        std::size_t at = message.find(marker);
        if (at != std::string::npos)
            message.replace(at, marker.size(), value);
    };
    replace("%1", first);
    replace("%2", second);
    return message;
}

} // namespace

bool CDataExchange::ParseUnsigned(const wxString& text, unsigned& value) {
    std::string digits;
    if (!Trimmed(text, digits))
        return false;
    if (!digits.empty() && digits[0] == '+')
        digits.erase(0, 1);
    if (digits.empty() || !IsDigit(digits[0]))
        return false;
    unsigned long long number = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size() || number > UINT_MAX)
        return false;
    value = static_cast<unsigned>(number);
    return true;
}

bool CDataExchange::ParseDouble(const wxString& text, double& value) {
    std::string number;
    if (!Trimmed(text, number))
        return false;
    // Only the plain decimal forms: [sign] digits [. digits] [e [sign] digits], with at least
    // one digit in the mantissa (no "inf", "nan" or hexadecimal).
    std::size_t i = 0;
    auto digitsFrom = [&](std::size_t& at) {
        std::size_t start = at;
        while (at < number.size() && IsDigit(number[at]))
            ++at;
        return at - start;
    };
    if (i < number.size() && (number[i] == '+' || number[i] == '-'))
        ++i;
    std::size_t mantissaDigits = digitsFrom(i);
    if (i < number.size() && number[i] == '.') {
        ++i;
        mantissaDigits += digitsFrom(i);
    }
    if (mantissaDigits == 0)
        return false;
    if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
        ++i;
        if (i < number.size() && (number[i] == '+' || number[i] == '-'))
            ++i;
        if (digitsFrom(i) == 0)
            return false;
    }
    if (i != number.size())
        return false;
    const char* first = number.data();
    if (*first == '+')
        ++first;
    double parsed = 0.0;
    auto [end, error] = std::from_chars(first, number.data() + number.size(), parsed);
    if (error != std::errc() || end != number.data() + number.size())
        return false;
    value = parsed;
    return true;
}

wxString CDataExchange::FormatGeneral(double value, int digits) {
    char text[64];
    auto [end, error] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, digits);
    if (error != std::errc())
        return wxString();
    return wxString::FromAscii(text, static_cast<std::size_t>(end - text));
}

wxWindow* CDataExchange::Control(int id) const {
    return m_dialog.FindWindow(id);
}

bool CDataExchange::ReadText(int id, wxString& text) {
    auto* edit = dynamic_cast<wxTextCtrl*>(Control(id));
    if (!edit)
        return false;
    text = edit->GetValue();
    return true;
}

void CDataExchange::WriteText(int id, const wxString& text) {
    if (auto* edit = dynamic_cast<wxTextCtrl*>(Control(id)))
        edit->ChangeValue(text);
}

void CDataExchange::Fail(int id, const std::string& message) {
    m_failed = true;
    CPlatform::Current().MessageBox(message, kCaption);
    if (wxWindow* control = Control(id)) {
        control->SetFocus();
        if (auto* edit = dynamic_cast<wxTextCtrl*>(control))
            edit->SelectAll();
    }
}

void CDataExchange::Check(int id, int& value) {
    if (m_failed)
        return;
    auto* box = dynamic_cast<wxCheckBox*>(Control(id));
    if (!box)
        return;
    if (m_saving) {
        value = box->GetValue() ? 1 : 0;
        return;
    }
    if (value < 0 || value > 2)
        value = 0;
    box->SetValue(value != 0);
}

void CDataExchange::Text(int id, wxString& value, std::size_t maxChars) {
    if (m_failed)
        return;
    if (!m_saving) {
        auto* edit = dynamic_cast<wxTextCtrl*>(Control(id));
        if (!edit)
            return;
        // wxString counts whole characters, so the cut never splits one.
        wxString shown = maxChars > 0 && value.length() > maxChars ? value.Left(maxChars) : value;
        if (maxChars > 0)
            edit->SetMaxLength(static_cast<unsigned long>(maxChars));
        edit->ChangeValue(shown);
        return;
    }
    wxString text;
    if (!ReadText(id, text))
        return;
    if (maxChars > 0 && text.length() > maxChars) {
        Fail(id, Substitute("Please enter no more than %1 characters.", std::to_string(maxChars)));
        return;
    }
    value = text;
}

void CDataExchange::Unsigned(int id, unsigned& value) {
    if (m_failed)
        return;
    if (!m_saving) {
        WriteText(id, wxString::Format("%u", value));
        return;
    }
    wxString text;
    if (!ReadText(id, text))
        return;
    if (!ParseUnsigned(text, value))
        Fail(id, "Please enter a positive integer.");
}

void CDataExchange::Unsigned(int id, unsigned& value, unsigned min, unsigned max) {
    Unsigned(id, value);
    if (m_failed || !m_saving)
        return;
    if (value < min || value > max)
        Fail(id, Substitute("Please enter an integer between %1 and %2.", std::to_string(min),
                            std::to_string(max)));
}

void CDataExchange::Float(int id, float& value) {
    if (m_failed)
        return;
    if (!m_saving) {
        WriteText(id, FormatGeneral(static_cast<double>(value), FLT_DIG));
        return;
    }
    wxString text;
    if (!ReadText(id, text))
        return;
    double number = 0.0;
    // A number beyond the float range would arrive as an infinity.
    if (!ParseDouble(text, number) || number > static_cast<double>(FLT_MAX) ||
        number < -static_cast<double>(FLT_MAX)) {
        Fail(id, "Please enter a number.");
        return;
    }
    value = static_cast<float>(number);
}

void CDataExchange::Float(int id, float& value, float min, float max) {
    Float(id, value);
    if (m_failed || !m_saving)
        return;
    if (value < min || value > max)
        Fail(id, Substitute("Please enter a number between %1 and %2.",
                            FormatGeneral(static_cast<double>(min), FLT_DIG).utf8_string(),
                            FormatGeneral(static_cast<double>(max), FLT_DIG).utf8_string()));
}

void CDataExchange::Double(int id, double& value) {
    if (m_failed)
        return;
    if (!m_saving) {
        WriteText(id, FormatGeneral(value, DBL_DIG));
        return;
    }
    wxString text;
    if (!ReadText(id, text))
        return;
    if (!ParseDouble(text, value))
        Fail(id, "Please enter a number.");
}
