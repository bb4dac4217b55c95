#include "app/WxPlatform.h"

#include "app/MainFrame.h"
#include "app/SceneWizard.h"

#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/notifmsg.h>
#include <wx/utils.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <vector>

namespace {
std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}
} // namespace

void CWxPlatform::MessageBox(const std::string& text, const std::string& caption) {
    // No owner: the box belongs to no window, as the render's completion message does. No
    // icon either, as the program's boxes have none; GTK then also publishes the box to
    // screen readers under its caption rather than under the icon's kind ("Information").
    wxMessageDialog dialog(nullptr, wxString::FromUTF8(text), wxString::FromUTF8(caption),
                           wxOK | wxICON_NONE);
    dialog.ShowModal();
}

CWxPlatform::CWxPlatform() = default;
CWxPlatform::~CWxPlatform() = default;

void CWxPlatform::Notify(const std::string& title, const std::string& message) {
    // Kept until the next one: wxWidgets' own bubble (without a notification daemon's library)
    // lasts only as long as its object.
    m_notification = std::make_unique<wxNotificationMessage>(wxString::FromUTF8(title),
                                                             wxString::FromUTF8(message), m_frame);
    m_notification->Show(wxNotificationMessage::Timeout_Auto);
}

CPlatform::Answer CWxPlatform::AskYesNoCancel(const std::string& text, const std::string& caption) {
    wxMessageDialog dialog(m_frame, wxString::FromUTF8(text), wxString::FromUTF8(caption),
                           wxYES_NO | wxCANCEL | wxICON_QUESTION);
    switch (dialog.ShowModal()) {
    case wxID_YES:
        return yes;
    case wxID_NO:
        return no;
    default:
        return cancel;
    }
}

std::string CWxPlatform::Wildcard(const std::string& filter) {
    std::string wildcard = filter;
    while (!wildcard.empty() && wildcard.back() == '|')
        wildcard.pop_back();
    return wildcard;
}

int CWxPlatform::FilterIndexOf(const std::string& filter, const std::string& pattern) {
    std::vector<std::string> parts = Split(Wildcard(filter), '|');
    for (std::size_t i = 1; i < parts.size(); i += 2)
        if (parts[i] == pattern)
            return static_cast<int>(i / 2);
    return -1;
}

std::string CWxPlatform::FilterExtension(const std::string& filter, int index) {
    std::vector<std::string> parts = Split(Wildcard(filter), '|');
    std::size_t at = 2 * static_cast<std::size_t>(index) + 1;
    if (index < 0 || at >= parts.size() || parts[at].rfind("*.", 0) != 0)
        return "";
    std::string extension = parts[at].substr(2);
    return extension.find_first_of("*?;") == std::string::npos ? extension : "";
}

int CWxPlatform::InitialFilterIndex(const CFileChoice& choice) {
    if (choice.initialName.find_first_of("*?") == std::string::npos)
        return 0;
    return std::max(0, FilterIndexOf(choice.filter, choice.initialName));
}

std::string CWxPlatform::WithTypeExtension(const std::string& path, const std::string& filter,
                                           int index) {
    auto lower = [](std::string text) {
        for (char& c : text)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    std::string extension = FilterExtension(filter, index);
    std::filesystem::path name(path);
    std::string typed = lower(name.extension().string());
    if (extension.empty() || typed.size() < 2 || typed.substr(1) == lower(extension))
        return path;
    int entries = static_cast<int>(Split(Wildcard(filter), '|').size() / 2);
    for (int other = 0; other < entries; ++other)
        if (typed.substr(1) == lower(FilterExtension(filter, other)))
            return name.replace_extension(extension).string();
    return path;
}

std::string CWxPlatform::WithDefaultExtension(const std::string& path,
                                              const std::string& extension) {
    if (extension.empty() || std::filesystem::path(path).has_extension())
        return path;
    return path + "." + extension;
}

bool CWxPlatform::ChooseFile(const CFileChoice& choice, std::string& path) {
    std::string chosen;
    if (!ShowFileDialog(choice, chosen))
        return false;
    if (choice.mode == CFileChoice::forSaving) {
        std::string extension = choice.defaultExtension;
        std::string named = chosen;
        if (choice.chosenType) {
            std::string typed = FilterExtension(choice.filter, *choice.chosenType);
            if (!typed.empty())
                extension = typed;
            // GTK leaves the name as it was when another type is chosen: the type the user
            // turned to wins over the extension of another type's files.
            if (*choice.chosenType != InitialFilterIndex(choice))
                named = WithTypeExtension(chosen, choice.filter, *choice.chosenType);
        }
        std::string extended = WithDefaultExtension(named, extension);
        std::error_code ignored;
        if (extended != chosen && std::filesystem::exists(extended, ignored) &&
            AskYesNo("A file named \"" + std::filesystem::path(extended).filename().string() +
                         "\" already exists. Do you want to replace it?",
                     "lumo") != yes)
            return false;
        chosen = extended;
    }
    path = chosen;
    return true;
}

CPlatform::Answer CWxPlatform::AskYesNo(const std::string& text, const std::string& caption) {
    wxMessageDialog dialog(m_frame, wxString::FromUTF8(text), wxString::FromUTF8(caption),
                           wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION);
    return dialog.ShowModal() == wxID_YES ? yes : no;
}

bool CWxPlatform::ShowFileDialog(const CFileChoice& choice, std::string& path) {
    long style = choice.mode == CFileChoice::forSaving ? wxFD_SAVE : wxFD_OPEN;
    if (choice.mustExist)
        style |= wxFD_FILE_MUST_EXIST;
    if (choice.confirmOverwrite)
        style |= wxFD_OVERWRITE_PROMPT;
    // A wildcard as the initial name picks the filter it names; GTK would take it for a name.
    std::string name = choice.initialName;
    int filterIndex = -1;
    if (name.find_first_of("*?") != std::string::npos) {
        filterIndex = FilterIndexOf(choice.filter, name);
        name.clear();
    }
    wxFileDialog dialog(m_frame, wxFileSelectorPromptStr, wxEmptyString, wxString::FromUTF8(name),
                        wxString::FromUTF8(Wildcard(choice.filter)), style);
    if (filterIndex >= 0)
        dialog.SetFilterIndex(filterIndex);
    if (dialog.ShowModal() != wxID_OK)
        return false;
    path = dialog.GetPath().utf8_string();
    if (choice.chosenType)
        *choice.chosenType = dialog.GetFilterIndex();
    return true;
}

bool CWxPlatform::RunSceneWizard(CLumoDoc& document) {
    return CSceneWizard::RunOn(document, m_frame);
}

void CWxPlatform::OpenAddress(const std::string& address) {
    wxLaunchDefaultBrowser(wxString::FromUTF8(address));
}
