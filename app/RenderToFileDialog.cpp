#include "app/RenderToFileDialog.h"

#include "app/AccessibleNames.h"
#include "platform/AtomicFileWriter.h"
#include "platform/Platform.h"
#include "render/ImageFile.h"
#include "render/PictureSize.h"
#include "render/PixelTracer.h"
#include "render/Tracer.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/filename.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <charconv>
#include <filesystem>

namespace {

// The size list's entries after the presets.
constexpr int kViewSizeEntry = static_cast<int>(std::size(CRenderToFileSettings::kPresets));
constexpr int kCustomEntry = kViewSizeEntry + 1;

wxString SizeText(int width, int height) {
    return wxString::Format(L"%d \u00d7 %d", width, height);
}

// A whole number of pixels, as lumo-render reads -W and -H: digits, an optional sign, blanks
// around; false with the reason otherwise.
bool ParseSide(const wxString& text, const char* what, long long& value, wxString& reason) {
    std::string digits = text.utf8_string();
    std::size_t first = digits.find_first_not_of(" \t");
    std::size_t last = digits.find_last_not_of(" \t");
    digits = first == std::string::npos ? "" : digits.substr(first, last - first + 1);
    const char* begin = digits.data();
    const char* end = begin + digits.size();
    if (begin != end && *begin == '+')
        ++begin;
    auto [stop, status] = std::from_chars(begin, end, value);
    if (begin == end || stop != end || status == std::errc::invalid_argument) {
        reason = wxString::Format("The image %s must be a whole number of pixels, not '%s'.", what,
                                  text);
        return false;
    }
    if (status == std::errc::result_out_of_range) {
        reason = wxString::Format("The image %s %s is too large.", what, text);
        return false;
    }
    return true;
}

// The engine's reasons start in lower case and end without a stop; here they are sentences.
wxString Sentence(const std::string& reason) {
    wxString text = wxString::FromUTF8(reason);
    if (!text.empty())
        text[0] = wxToupper(text[0]);
    return text.EndsWith(".") ? text : text + ".";
}

} // namespace

CRenderToFileDialog::CRenderToFileDialog(wxWindow* owner, const CRenderToFileSettings& settings,
                                         wxSize viewSize)
    : m_settings(settings), m_viewSize(viewSize) {
    Create(owner, wxID_ANY, "Render to File");
    auto* top = new wxBoxSizer(wxVERTICAL);
    const int gap = FromDIP(6);

    // The picture.
    auto* pictureBox = new wxStaticBoxSizer(wxVERTICAL, this, "Picture");
    wxWindow* picture = pictureBox->GetStaticBox();
    const wxString pictureGroup = "Picture";
    auto* grid = new wxFlexGridSizer(2, gap, 2 * gap);
    grid->AddGrowableCol(1);
    auto label = [&](wxWindow* parent, const wxString& text) {
        auto* shown = new wxStaticText(parent, wxID_ANY, text);
        grid->Add(shown, 0, wxALIGN_CENTER_VERTICAL);
        return shown;
    };

    wxArrayString sizes;
    for (const CRenderToFileSettings::Preset& preset : CRenderToFileSettings::kPresets)
        sizes.Add(SizeText(preset.width, preset.height) + " (" + preset.name + ")");
    sizes.Add("The view's size (" + SizeText(viewSize.GetWidth(), viewSize.GetHeight()) + ")");
    sizes.Add("Other size");
    wxStaticText* sizeLabel = label(picture, "&Size:");
    m_size = new wxChoice(picture, ID_SIZE, wxDefaultPosition, wxDefaultSize, sizes);
    grid->Add(m_size, 1, wxEXPAND);

    wxStaticText* widthLabel = label(picture, "&Width:");
    auto* sideRow = new wxBoxSizer(wxHORIZONTAL);
    m_width = new wxTextCtrl(picture, ID_WIDTH, wxString::Format("%d", settings.width),
                             wxDefaultPosition, wxSize(FromDIP(90), -1));
    sideRow->Add(m_width, 0, wxALIGN_CENTER_VERTICAL);
    auto* heightLabel = new wxStaticText(picture, wxID_ANY, "&Height:");
    sideRow->Add(heightLabel, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 2 * gap);
    m_height = new wxTextCtrl(picture, ID_HEIGHT, wxString::Format("%d", settings.height),
                              wxDefaultPosition, wxSize(FromDIP(90), -1));
    sideRow->Add(m_height, 0, wxALIGN_CENTER_VERTICAL);
    sideRow->Add(new wxStaticText(picture, wxID_ANY, "pixels"), 0, wxALIGN_CENTER_VERTICAL | wxLEFT,
                 gap);
    grid->Add(sideRow, 1, wxEXPAND);

    auto spinRow = [&](int id, const wxString& text, unsigned value, int low, int high,
                       const wxString& note, wxSpinCtrl*& spin) {
        wxStaticText* shown = label(picture, text);
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        spin = new wxSpinCtrl(picture, id, "", wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS,
                              low, high, static_cast<int>(value));
        row->Add(spin, 0, wxALIGN_CENTER_VERTICAL);
        if (!note.empty())
            row->Add(new wxStaticText(picture, wxID_ANY, note), 0, wxALIGN_CENTER_VERTICAL | wxLEFT,
                     gap);
        grid->Add(row, 1, wxEXPAND);
        NameForAccessibility(*spin, text, pictureGroup, shown);
    };
    spinRow(ID_ANTIALIAS, "&Antialiasing:", settings.antialias, 1,
            static_cast<int>(CPixelTracer::kMaxAntialias), L"N \u00d7 N rays a pixel, averaged",
            m_antialias);
    spinRow(ID_RECURSION, "Maximum &recursion:", settings.maxRecursion, 0,
            static_cast<int>(CTracer::kMaxRecursionCap), "levels of reflection", m_recursion);
    spinRow(ID_THREADS, "&Threads:", settings.threads, 1,
            static_cast<int>(CRenderToFileSettings::kMaxThreads), "", m_threads);
    pictureBox->Add(grid, 1, wxEXPAND | wxALL, gap);
    top->Add(pictureBox, 0, wxEXPAND | wxALL, 2 * gap);

    // The file.
    auto* fileBox = new wxStaticBoxSizer(wxVERTICAL, this, "File");
    wxWindow* file = fileBox->GetStaticBox();
    const wxString fileGroup = "File";
    auto* fileGrid = new wxFlexGridSizer(2, gap, 2 * gap);
    fileGrid->AddGrowableCol(1);
    auto* formatLabel = new wxStaticText(file, wxID_ANY, "&Format:");
    fileGrid->Add(formatLabel, 0, wxALIGN_CENTER_VERTICAL);
    // The formats the image files know, in their order: a format they gain is listed here.
    wxArrayString formats;
    for (const CImageFile::FormatInfo& format : CImageFile::Formats())
        formats.Add(wxString::Format("%s (%s)", format.name, format.extension));
    m_format = new wxChoice(file, ID_FORMAT, wxDefaultPosition, wxDefaultSize, formats);
    fileGrid->Add(m_format, 0);
    auto* fileLabel = new wxStaticText(file, wxID_ANY, "F&ile:");
    fileGrid->Add(fileLabel, 0, wxALIGN_CENTER_VERTICAL);
    auto* fileRow = new wxBoxSizer(wxHORIZONTAL);
    m_file = new wxTextCtrl(file, ID_FILE, wxString::FromUTF8(settings.path), wxDefaultPosition,
                            wxSize(FromDIP(320), -1));
    fileRow->Add(m_file, 1, wxALIGN_CENTER_VERTICAL);
    auto* browse = new wxButton(file, ID_BROWSE, "&Browse...");
    fileRow->Add(browse, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, gap);
    fileGrid->Add(fileRow, 1, wxEXPAND);
    fileBox->Add(fileGrid, 1, wxEXPAND | wxALL, gap);
    top->Add(fileBox, 0, wxEXPAND | wxLEFT | wxRIGHT, 2 * gap);

    // Why Render was refused, in the dialog itself (it stays open).
    m_problem = new wxStaticText(this, ID_PROBLEM, "", wxDefaultPosition, wxDefaultSize,
                                 wxST_NO_AUTORESIZE);
    m_problem->SetForegroundColour(wxColour(176, 0, 32));
    top->Add(m_problem, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 2 * gap);

    auto* buttons = new wxStdDialogButtonSizer;
    auto* render = new wxButton(this, wxID_OK, "&Render");
    render->SetDefault();
    buttons->AddButton(render);
    buttons->AddButton(new wxButton(this, wxID_CANCEL, "Cancel"));
    buttons->Realize();
    top->Add(buttons, 0, wxEXPAND | wxALL, 2 * gap);

    NameForAccessibility(*m_size, "Size", pictureGroup, sizeLabel);
    NameForAccessibility(*m_width, "Width", pictureGroup, widthLabel);
    NameForAccessibility(*m_height, "Height", pictureGroup, heightLabel);
    NameForAccessibility(*m_format, "Format", fileGroup, formatLabel);
    NameForAccessibility(*m_file, "File", fileGroup, fileLabel);

    int formatIndex = 0;
    for (std::size_t i = 0; i < CImageFile::Formats().size(); ++i)
        if (settings.format == CImageFile::Formats()[i].format)
            formatIndex = static_cast<int>(i);
    m_format->SetSelection(formatIndex);
    MatchSize();

    m_size->Bind(wxEVT_CHOICE, &CRenderToFileDialog::OnSize, this);
    m_width->Bind(wxEVT_TEXT, &CRenderToFileDialog::OnSizeTyped, this);
    m_height->Bind(wxEVT_TEXT, &CRenderToFileDialog::OnSizeTyped, this);
    m_format->Bind(wxEVT_CHOICE, &CRenderToFileDialog::OnFormat, this);
    m_file->Bind(wxEVT_TEXT, &CRenderToFileDialog::OnFileTyped, this);
    browse->Bind(wxEVT_BUTTON, &CRenderToFileDialog::OnBrowse, this);

    SetSizerAndFit(top);
    CentreOnParent();
    m_width->SetFocus();
}

wxString CRenderToFileDialog::GetProblem() const {
    return m_problemText;
}

void CRenderToFileDialog::MatchSize() {
    long width = 0;
    long height = 0;
    int entry = kCustomEntry;
    if (m_width->GetValue().ToLong(&width) && m_height->GetValue().ToLong(&height)) {
        for (std::size_t i = 0; i < std::size(CRenderToFileSettings::kPresets); ++i)
            if (CRenderToFileSettings::kPresets[i].width == width &&
                CRenderToFileSettings::kPresets[i].height == height)
                entry = static_cast<int>(i);
        if (entry == kCustomEntry && width == m_viewSize.GetWidth() &&
            height == m_viewSize.GetHeight())
            entry = kViewSizeEntry;
    }
    m_size->SetSelection(entry);
}

void CRenderToFileDialog::OnSize(wxCommandEvent&) {
    int entry = m_size->GetSelection();
    wxSize size;
    if (entry >= 0 && entry < kViewSizeEntry)
        size = wxSize(CRenderToFileSettings::kPresets[entry].width,
                      CRenderToFileSettings::kPresets[entry].height);
    else if (entry == kViewSizeEntry)
        size = m_viewSize;
    else {
        m_width->SetFocus(); // "Other size": type it
        return;
    }
    m_width->ChangeValue(wxString::Format("%d", size.GetWidth()));
    m_height->ChangeValue(wxString::Format("%d", size.GetHeight()));
}

void CRenderToFileDialog::OnSizeTyped(wxCommandEvent&) {
    MatchSize();
}

// The file's extension follows the format.
void CRenderToFileDialog::OnFormat(wxCommandEvent&) {
    int index = m_format->GetSelection();
    if (index < 0 || index >= static_cast<int>(CImageFile::Formats().size()))
        return;
    wxFileName name(m_file->GetValue());
    if (name.GetFullName().empty())
        return;
    wxString extension = wxString(CImageFile::Formats()[index].extension).Mid(1);
    if (name.GetExt().Lower() == extension)
        return;
    if (CImageFile::FormatOf(name.GetFullPath().utf8_string()) != CImageFile::unknown)
        name.SetExt(extension);
    else
        name.SetFullName(name.GetFullName() + "." + extension);
    m_file->ChangeValue(name.GetFullPath());
}

// A file named with a format's extension chooses that format: the first of those with that
// extension, unless the one chosen already has it (a 16-bit PNG stays one).
void CRenderToFileDialog::OnFileTyped(wxCommandEvent&) {
    CImageFile::Format format = CImageFile::FormatOf(m_file->GetValue().utf8_string());
    if (format == CImageFile::unknown || format == ExtensionFormat(m_format->GetSelection()))
        return;
    for (std::size_t i = 0; i < CImageFile::Formats().size(); ++i)
        if (CImageFile::Formats()[i].format == format) {
            m_format->SetSelection(static_cast<int>(i));
            return;
        }
}

// The format that the extension of the format listed at index gives a file name.
CImageFile::Format CRenderToFileDialog::ExtensionFormat(int index) {
    if (index < 0 || index >= static_cast<int>(CImageFile::Formats().size()))
        return CImageFile::unknown;
    return CImageFile::FormatOf(std::string("picture") +
                                CImageFile::Formats()[static_cast<std::size_t>(index)].extension);
}

void CRenderToFileDialog::OnBrowse(wxCommandEvent&) {
    std::string filter;
    for (const CImageFile::FormatInfo& format : CImageFile::Formats())
        filter += std::string(format.name) + " pictures (*" + format.extension + ")|*" +
                  format.extension + "|";
    filter += "|";
    const CImageFile::FormatInfo& chosen =
        CImageFile::Formats()[static_cast<std::size_t>(std::max(0, m_format->GetSelection()))];
    wxFileName current(m_file->GetValue());
    CFileChoice choice{.mode = CFileChoice::forSaving,
                       .filter = filter,
                       .initialName = current.GetFullPath().utf8_string(),
                       .defaultExtension = std::string(chosen.extension).substr(1),
                       .confirmOverwrite = true};
    std::string path;
    if (CPlatform::Current().ChooseFile(choice, path)) {
        m_file->SetValue(wxString::FromUTF8(path)); // and its extension chooses the format
        m_file->SetInsertionPointEnd();
    }
}

bool CRenderToFileDialog::Refuse(wxWindow* control, const wxString& reason) {
    m_problemText = reason;
    m_problem->SetLabel(reason);
    m_problem->Wrap(GetClientSize().GetWidth() - FromDIP(24));
    Layout();
    Fit();
    if (control)
        control->SetFocus();
    if (auto* edit = dynamic_cast<wxTextCtrl*>(control))
        edit->SelectAll();
    return false;
}

bool CRenderToFileDialog::TransferDataFromWindow() {
    long long width = 0;
    long long height = 0;
    wxString reason;
    if (!ParseSide(m_width->GetValue(), "width", width, reason))
        return Refuse(m_width, reason);
    if (!ParseSide(m_height->GetValue(), "height", height, reason))
        return Refuse(m_height, reason);
    // The limits lumo-render applies: a side of at least 1 pixel and at most a million, the
    // picture within half of the memory.
    std::string error;
    int index = m_format->GetSelection();
    if (index < 0)
        index = 0;
    const CImageFile::FormatInfo& format = CImageFile::Formats()[static_cast<std::size_t>(index)];
    if (!CPictureSize::Check(width, height, error, CImageFile::NeedsLevels(format.format)))
        return Refuse(width < 1 || width > CPictureSize::kMaxSide ? m_width : m_height,
                      Sentence(error));

    std::string path = m_file->GetValue().Strip(wxString::both).utf8_string();
    if (path.empty())
        return Refuse(m_file, "Name the file to write.");
    if (CImageFile::FormatOf(path) != ExtensionFormat(index)) {
        path += format.extension; // "poster" or "poster.jpg" becomes "poster.jpg.png"
        m_file->ChangeValue(wxString::FromUTF8(path));
    }
    std::error_code ignored;
    // Where the file went is said later, in the status bar and the history: in full.
    std::string absolute = std::filesystem::absolute(path, ignored).string();
    if (!absolute.empty())
        path = absolute;
    if (std::filesystem::is_directory(path, ignored))
        return Refuse(m_file, wxString::FromUTF8(path) + " is a folder: name a file in it.");
    {
        // The folder must take the file: tried now rather than after the render.
        CAtomicFileWriter probe(path);
        if (!probe.IsOk())
            return Refuse(m_file, Sentence(probe.GetError()));
    }

    m_settings.width = static_cast<int>(width);
    m_settings.height = static_cast<int>(height);
    m_settings.antialias = static_cast<unsigned>(m_antialias->GetValue());
    m_settings.maxRecursion = static_cast<unsigned>(m_recursion->GetValue());
    m_settings.threads = static_cast<unsigned>(m_threads->GetValue());
    m_settings.format = format.format;
    m_settings.path = path;
    m_problem->SetLabel("");
    m_problemText.clear();
    return true;
}
