#pragma once

#include "platform/MainWindow.h"
#include "platform/MenuBar.h"
#include "platform/Platform.h"
#include "platform/ViewPort.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

// A menu bar of the main window's seven top-level menus, all enabled, that remembers its state.
class CHeadlessMenuBar : public CMenuBar {
public:
    static constexpr int kItems = 7;
    void EnableTopLevelItem(int position, bool enable) override;
    bool IsTopLevelItemEnabled(int position) const override;

private:
    std::array<bool, kItems> m_enabled{true, true, true, true, true, true, true};
};

// A view with no window: counts the pixels painted on it and the repaints asked for.
class CHeadlessView : public CViewPort {
public:
    CLumoDoc* GetSceneDocument() override { return m_document; }
    void SetPixel(int, int, std::uint8_t, std::uint8_t, std::uint8_t) override {
        ++m_pixelsPainted;
    }
    void RepaintNow() override { ++m_repaints; }

    CLumoDoc* m_document = nullptr;
    std::size_t m_pixelsPainted = 0;
    int m_repaints = 0;
};

class CHeadlessMainWindow : public CMainWindow {
public:
    CMenuBar* GetMainMenu() override { return m_hasMenu ? &m_menu : nullptr; }
    std::string GetWindowTitle() const override { return m_title; }
    void SetWindowTitle(const std::string& title) override;
    CViewPort* GetActiveViewPort() override { return m_hasView ? &m_view : nullptr; }

    bool m_hasMenu = true;
    bool m_hasView = true;
    std::string m_title = "Untitled - lumo";
    std::vector<std::string> m_titleHistory; // every title set, in order
    CHeadlessMenuBar m_menu;
    CHeadlessView m_view;
};

// The platform without a display. Message boxes are recorded (and written to standard error
// when asked); the main window, its menu and its view are plain objects that tests inspect.
class CHeadlessPlatform : public CPlatform {
public:
    struct Message {
        std::string text;
        std::string caption;
    };

    void MessageBox(const std::string& text, const std::string& caption) override;
    CMainWindow* GetMainWindow() override { return m_hasMainWindow ? &m_mainWindow : nullptr; }
    void DocumentCreated(CLumoDoc* document) override;
    void DocumentDestroyed(CLumoDoc* document) override;

    // Message boxes: all of them are counted; the first kMaxRecorded are kept.
    static constexpr std::size_t kMaxRecorded = 10000;
    std::vector<Message> m_messages;
    std::size_t m_messageCount = 0;
    bool m_echoMessages = false; // write each box to standard error as "caption: text"

    bool m_hasMainWindow = true;
    CHeadlessMainWindow m_mainWindow;
};
