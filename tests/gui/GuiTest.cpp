#include "GuiTest.h"

#include "app/SceneDocument.h"
#include "app/ViewCanvas.h"
#include "platform/SettingsStore.h"

#include <wx/bitmap.h>
#include <wx/button.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/toolbar.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <gtk/gtk.h>

#include <cctype>
#include <cstdlib>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

void CTestPlatform::MessageBox(const std::string& text, const std::string& caption) {
    m_messages.push_back({text, caption});
    if (m_onMessage)
        m_onMessage(m_messages.back());
}

bool CTestPlatform::ShowFileDialog(const CFileChoice& choice, std::string& path) {
    m_fileRequests.push_back(choice);
    if (m_files.empty())
        return false;
    path = m_files.front();
    m_files.pop_front();
    int type = 0;
    if (!m_fileTypes.empty()) {
        type = m_fileTypes.front();
        m_fileTypes.pop_front();
    }
    if (choice.chosenType)
        *choice.chosenType = type;
    return true;
}

CPlatform::Answer CTestPlatform::AskYesNoCancel(const std::string& text, const std::string&) {
    m_questions.push_back(text);
    if (m_answers.empty())
        return no;
    Answer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

CPlatform::Answer CTestPlatform::AskYesNo(const std::string& text, const std::string& caption) {
    return AskYesNoCancel(text, caption);
}

bool CTestPlatform::RunSceneWizard(CLumoDoc& document) {
    ++m_wizardRuns;
    return m_realWizard && CWxPlatform::RunSceneWizard(document);
}

void GuiTest::SetUp() {
    m_previousPlatform = CPlatform::IsInstalled() ? &CPlatform::Current() : nullptr;
    App().UsePlatform(&m_platform);
    if (const char* live = LivePreviewAtStart()) {
        ASSERT_TRUE(CSettingsStore::Profile().WriteString("Lumo", "LivePreview", live));
    }
    ASSERT_TRUE(App().StartUp(""));
    if (const char* live = LivePreviewAtStart(); live && std::string(live) == "0")
        Frame().ShowProperties(false);
    // The pointer a test left over a tool would put its prompt in the status bar: it waits
    // over the view (inside the window, which keeps the keyboard's focus on Xvfb).
    if (wxWindow* canvas = Frame().GetCanvas()) {
        wxUIActionSimulator().MouseMove(canvas->GetScreenRect().GetLeftTop() + wxPoint(20, 20));
        Pump();
    }
    Pump();
}

void GuiTest::TearDown() {
    App().ShutDown();
    App().UsePlatform(nullptr);
    Pump();
    CPlatform::Install(m_previousPlatform);
}

CLumoDoc& GuiTest::Scene() {
    return *Frame().GetActiveScene();
}

bool GuiTest::IsCommandEnabled(int id) {
    wxUpdateUIEvent update(id);
    update.SetEventObject(&Frame());
    Frame().ProcessWindowEvent(update);
    return !update.GetSetEnabled() || update.GetEnabled();
}

bool GuiTest::ChooseMenuItem(int id) {
    wxMenuBar* bar = Frame().GetMenuBar();
    wxMenu* menu = nullptr;
    wxMenuItem* item = bar ? bar->FindItem(id, &menu) : nullptr;
    if (!item || !item->GetMenuItem())
        return false;
    menu->UpdateUI(&Frame()); // what opening the menu does
    if (!item->IsEnabled() || !gtk_widget_is_sensitive(item->GetMenuItem()))
        return false;
    gtk_menu_item_activate(GTK_MENU_ITEM(item->GetMenuItem()));
    Pump();
    return true;
}

namespace {
GtkToolbar* FindGtkToolbar(GtkWidget* widget) {
    if (GTK_IS_TOOLBAR(widget))
        return GTK_TOOLBAR(widget);
    if (!GTK_IS_CONTAINER(widget))
        return nullptr;
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    GtkToolbar* found = nullptr;
    for (GList* child = children; child && !found; child = child->next)
        found = FindGtkToolbar(static_cast<GtkWidget*>(child->data));
    g_list_free(children);
    return found;
}
} // namespace

bool GuiTest::ClickTool(int id) {
    wxToolBar* toolBar = Frame().GetToolBar();
    if (!toolBar || !toolBar->IsShown())
        return false;
    toolBar->UpdateWindowUI(wxUPDATE_UI_FROMIDLE); // what the idle time before a click does
    int position = toolBar->GetToolPos(id);
    GtkToolbar* gtkToolbar = FindGtkToolbar(toolBar->GetHandle());
    if (position < 0 || !gtkToolbar)
        return false;
    GtkToolItem* item = gtk_toolbar_get_nth_item(gtkToolbar, position);
    if (!GTK_IS_TOOL_BUTTON(item) || !gtk_widget_is_sensitive(GTK_WIDGET(item)))
        return false;
    g_signal_emit_by_name(item, "clicked");
    Pump();
    return true;
}

void GuiTest::PressKey(int modifiers, int keyCode) {
    GdkWindow* window = gtk_widget_get_window(Frame().GetHandle());
    ASSERT_NE(nullptr, window);
    guint keyval = 0;
    switch (keyCode) {
    case WXK_ESCAPE:
        keyval = GDK_KEY_Escape;
        break;
    case WXK_RETURN:
        keyval = GDK_KEY_Return;
        break;
    case WXK_F6:
        keyval = GDK_KEY_F6;
        break;
    case WXK_INSERT:
        keyval = GDK_KEY_Insert;
        break;
    case WXK_DELETE:
        keyval = GDK_KEY_Delete;
        break;
    case WXK_BACK:
        keyval = GDK_KEY_BackSpace;
        break;
    default:
        keyval = gdk_unicode_to_keyval(static_cast<guint32>(std::tolower(keyCode)));
        break;
    }
    GdkKeymapKey* keys = nullptr;
    gint count = 0;
    GdkDisplay* display = gdk_window_get_display(window);
    ASSERT_TRUE(gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval,
                                                  &keys, &count) &&
                count > 0)
        << "no key for " << keyCode;
    guint state = 0;
    if (modifiers & wxMOD_CONTROL)
        state |= GDK_CONTROL_MASK;
    if (modifiers & wxMOD_SHIFT)
        state |= GDK_SHIFT_MASK;
    if (modifiers & wxMOD_ALT)
        state |= GDK_MOD1_MASK;
    for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
        GdkEvent* event = gdk_event_new(type);
        event->key.window = GDK_WINDOW(g_object_ref(window));
        event->key.send_event = FALSE;
        event->key.time = GDK_CURRENT_TIME;
        event->key.state = state;
        event->key.keyval = keyval;
        event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
        event->key.group = static_cast<guint8>(keys[0].group);
        gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
        gtk_main_do_event(event);
        gdk_event_free(event);
    }
    g_free(keys);
    Pump();
}

void GuiTest::Pump() {
    wxEventLoopBase* active = wxEventLoopBase::GetActive();
    wxGUIEventLoop loop;
    wxEventLoopActivator activate(active ? active : &loop);
    for (int i = 0; i < 5; ++i) {
        wxEventLoopBase::GetActive()->YieldFor(wxEVT_CATEGORY_ALL);
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
    }
}

void GuiTest::WithModalDialog(const std::function<void()>& trigger,
                              const std::function<void(wxDialog&)>& act) {
    bool acted = false;
    wxTheApp->CallAfter([&] {
        for (wxWindow* window : wxTopLevelWindows) {
            auto* dialog = dynamic_cast<wxDialog*>(window);
            if (dialog && dialog->IsModal()) {
                acted = true;
                act(*dialog);
                return;
            }
        }
    });
    trigger();
    EXPECT_TRUE(acted) << "no modal dialog was shown";
}

void GuiTest::Click(wxWindow& dialog, int buttonId) {
    auto* button = dynamic_cast<wxButton*>(dialog.FindWindow(buttonId));
    ASSERT_NE(nullptr, button) << "no button " << buttonId;
    ASSERT_TRUE(GTK_IS_BUTTON(button->GetHandle()));
    gtk_button_clicked(GTK_BUTTON(button->GetHandle()));
}

void GuiTest::Screenshot(wxWindow& window, const std::string& name, bool settle) {
    const char* folder = std::getenv("LUMO_SCREENSHOT_DIR");
    if (!folder || !*folder)
        return;
    if (settle) {
        window.Raise();
        window.Refresh();
        // GTK paints on its frame clock: give it a few frames.
        for (int i = 0; i < 25; ++i) {
            Pump();
            wxMilliSleep(20);
        }
    }
    wxImage image = ScreenImage(window);
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxImage::AddHandler(new wxPNGHandler);
    image.SaveFile(wxString::FromUTF8(std::string(folder) + "/" + name + ".png"),
                   wxBITMAP_TYPE_PNG);
}

wxImage GuiTest::ScreenImage(wxWindow& window) {
    // The screen's pixels as the X server holds them, through a connection of our own (GTK's
    // own screen device context keeps the first picture it took).
    wxRect rect = window.GetScreenRect();
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return wxImage();
    XImage* shot = XGetImage(display, DefaultRootWindow(display), rect.GetX(), rect.GetY(),
                             static_cast<unsigned>(rect.GetWidth()),
                             static_cast<unsigned>(rect.GetHeight()), AllPlanes, ZPixmap);
    if (!shot) {
        XCloseDisplay(display);
        return wxImage();
    }
    wxImage image(rect.GetWidth(), rect.GetHeight(), false);
    for (int y = 0; y < rect.GetHeight(); ++y)
        for (int x = 0; x < rect.GetWidth(); ++x) {
            unsigned long pixel = XGetPixel(shot, x, y);
            image.SetRGB(x, y, static_cast<unsigned char>((pixel & shot->red_mask) >> 16),
                         static_cast<unsigned char>((pixel & shot->green_mask) >> 8),
                         static_cast<unsigned char>(pixel & shot->blue_mask));
        }
    XDestroyImage(shot);
    XCloseDisplay(display);
    return image;
}
