#pragma once

#include "platform/Platform.h"

#include <memory>
#include <string>

class CMainFrame;
class wxNotificationMessage;

// The platform of the desktop program: message boxes and file dialogs are wxWidgets dialogs
// over the frame. GUI tests derive from it to answer the dialogs.
class CWxPlatform : public CPlatform {
public:
    CWxPlatform();
    ~CWxPlatform() override;
    void MessageBox(const std::string& text, const std::string& caption) override;
    // The file dialog (ShowFileDialog), then for saving the default extension appended to a
    // name typed without one. When the name so made is an existing file, which the dialog never
    // showed, the user is asked whether to replace it; No chooses nothing.
    bool ChooseFile(const CFileChoice& choice, std::string& path) final;
    Answer AskYesNoCancel(const std::string& text, const std::string& caption) override;
    // A modal question with Yes and No buttons.
    virtual Answer AskYesNo(const std::string& text, const std::string& caption);
    bool RunSceneWizard(CLumoDoc& document) override;

    // Opens the address with the desktop's browser; its result is not reported.
    virtual void OpenAddress(const std::string& address);
    // A notification on the desktop (its notification daemon's bubble), for news the user may
    // be looking elsewhere for; shown without waiting.
    virtual void Notify(const std::string& title, const std::string& message);

    void SetMainFrame(CMainFrame* frame) { m_frame = frame; }
    CMainFrame* GetMainFrame() const { return m_frame; }

    // The wxWidgets wildcard for the program's filter text: the same entries without the
    // closing "||".
    static std::string Wildcard(const std::string& filter);
    // The index of the filter entry whose pattern is the text, or -1.
    static int FilterIndexOf(const std::string& filter, const std::string& pattern);
    // The extension of the filter entry's pattern ("*.exr": "exr"), or "" when it has none or
    // there is no such entry.
    static std::string FilterExtension(const std::string& filter, int index);
    // The filter entry the dialog starts with: the one an initial wildcard names, else the first.
    static int InitialFilterIndex(const CFileChoice& choice);
    // The name with the filter entry's extension in place of another entry's ("a.png" as
    // "a.exr"); any other name as it is.
    static std::string WithTypeExtension(const std::string& path, const std::string& filter,
                                         int index);
    // The name with ".extension" appended when its file name has no extension.
    static std::string WithDefaultExtension(const std::string& path, const std::string& extension);

protected:
    // The system's file dialog alone: true with the path as chosen (and the file type, when
    // the choice asks for it).
    virtual bool ShowFileDialog(const CFileChoice& choice, std::string& path);

private:
    CMainFrame* m_frame = nullptr;
    std::unique_ptr<wxNotificationMessage> m_notification;
};
