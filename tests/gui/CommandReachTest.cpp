// Every command a user can reach does something, and every command the program handles can be
// reached: menu items are chosen and tool buttons clicked through GTK, as a user's click does.
#include "GuiTest.h"

#include "TestFolder.h"
#include "app/CommandIds.h"
#include "app/LumoView.h"
#include "app/MenuBuilder.h"
#include "app/ViewCanvas.h"
#include "platform/SettingsStore.h"

#include <wx/event.h>
#include <wx/menu.h>
#include <wx/timer.h>
#include <wx/toolbar.h>

#include <map>
#include <set>

namespace {

using CommandReach = GuiTest;

// Commands with a handler that no control carries, and why.
const std::map<int, const char*> kInternal = {
    {ID_GO_RENDER, "the view's render command, kept beside Go > Same Thread"},
    {ID_VIEW_OPTIONS_FROM_VIEW, "the view's options command, kept beside View > Options"},
};

// The menu commands a static event table handles, ranges spelled out. GetEventTable is
// protected; a pointer to it formed through a class that derives from the handler's may be
// called on any object of the handler's class.
template <class Handler> struct TableOf : Handler {
    static const wxEventTable* Of(const Handler& handler) {
        auto table = &TableOf::GetEventTable;
        return (handler.*table)();
    }
};

template <class Handler> std::set<int> HandledCommands(const Handler& handler) {
    std::set<int> ids;
    for (const wxEventTable* table = TableOf<Handler>::Of(handler); table; table = table->baseTable)
        for (const wxEventTableEntry* entry = table->entries; entry->m_fn; ++entry)
            if (entry->m_eventType == wxEVT_MENU && entry->m_id >= 0)
                for (int id = entry->m_id; id <= std::max(entry->m_id, entry->m_lastId); ++id)
                    ids.insert(id);
    return ids;
}

void CollectMenuItems(wxMenu& menu, std::vector<wxMenuItem*>& items) {
    for (wxMenuItem* item : menu.GetMenuItems()) {
        if (item->IsSubMenu())
            CollectMenuItems(*item->GetSubMenu(), items);
        else if (!item->IsSeparator())
            items.push_back(item);
    }
}

// Every item of every menu, submenus spelled out, separators left out.
std::vector<wxMenuItem*> AllMenuItems(wxMenuBar& bar) {
    std::vector<wxMenuItem*> items;
    for (std::size_t i = 0; i < bar.GetMenuCount(); ++i)
        CollectMenuItems(*bar.GetMenu(i), items);
    return items;
}

// Records every command event before anyone handles it, and those that no window, view or
// document took and that so went on to the application.
class CCommandSpy : public wxEventFilter {
public:
    CCommandSpy() { wxEvtHandler::AddFilter(this); }
    ~CCommandSpy() override { wxEvtHandler::RemoveFilter(this); }
    int FilterEvent(wxEvent& event) override {
        if (event.GetEventType() == wxEVT_MENU)
            m_sent.insert(event.GetId());
        return Event_Skip;
    }
    std::set<int> m_sent;
};

// Closes whatever modal dialog a command opens, as Cancel does.
class CModalCloser {
public:
    CModalCloser() {
        m_timer.Bind(wxEVT_TIMER, [](wxTimerEvent&) {
            for (wxWindow* window : wxTopLevelWindows)
                if (auto* dialog = dynamic_cast<wxDialog*>(window); dialog && dialog->IsModal())
                    dialog->EndModal(wxID_CANCEL);
        });
        m_timer.Start(20);
    }

private:
    wxTimer m_timer;
};

class CommandWalk : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        ASSERT_TRUE(CSettingsStore::IniFile().WriteString("Lumo", "EditorPath", "true"));
        // Four recent files, so that all four of the list's items stand in the menu.
        for (const char* name : {"a.lmo", "b.lmo", "c.lmo", "d.lmo"}) {
            WriteFile(TestPath(name), "sphere { 0.0 0.0 0.0 1.0 }");
            Frame().GetFileCommands().AddRecentFile(TestPath(name));
        }
        Frame().SetClientSize(48, 32);
        Pump();
        ASSERT_TRUE(ChooseMenuItem(ID_GO_SAME_THREAD)); // so that Export Image is enabled
        App().Bind(wxEVT_MENU, &CommandWalk::OnReachedApplication, this);
    }
    void TearDown() override {
        App().Unbind(wxEVT_MENU, &CommandWalk::OnReachedApplication, this);
        GuiTest::TearDown();
    }
    void OnReachedApplication(wxCommandEvent& event) {
        m_reachedApplication.insert(event.GetId());
        event.Skip(); // the application's own handlers (About) still run
    }

    std::set<int> m_reachedApplication;
};

TEST_F(CommandWalk, EveryMenuItemAndToolButtonReachesAHandler) {
    std::set<int> applicationHandles = HandledCommands(App());
    std::vector<wxMenuItem*> items = AllMenuItems(*Frame().GetMenuBar());
    ASSERT_GE(items.size(), 28u);

    CCommandSpy spy;
    CModalCloser closer;
    auto reached = [&](int id) {
        return spy.m_sent.count(id) &&
               (!m_reachedApplication.count(id) || applicationHandles.count(id));
    };

    // By id: a recent file opened rebuilds the list's items.
    struct Entry {
        int id;
        std::string label;
        bool checkable;
    };
    std::vector<Entry> entries;
    for (wxMenuItem* item : items)
        entries.push_back(
            {item->GetId(), item->GetItemLabelText().utf8_string(), item->IsCheckable()});

    std::set<int> greyed;
    for (const auto& [id, label, checkable] : entries) {
        if (id == ID_APP_EXIT)
            continue; // last, below: it closes the window
        spy.m_sent.clear();
        m_reachedApplication.clear();
        if (!ChooseMenuItem(id)) {
            greyed.insert(id);
            continue;
        }
        EXPECT_TRUE(reached(id)) << "menu item \"" << label << "\" (" << id << ") reaches nothing";
        // A check item chosen again returns to where it was (the tool bar, the status bar).
        if (checkable) {
            ASSERT_TRUE(ChooseMenuItem(id)) << label;
        }
    }
    // Greyed because nobody handles them: the Edit menu's four items.
    EXPECT_EQ((std::set<int>{ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE}), greyed);

    wxToolBar* toolBar = Frame().GetToolBar();
    ASSERT_EQ(7u, toolBar->GetToolsCount());
    for (std::size_t position = 0; position < toolBar->GetToolsCount(); ++position) {
        int id = toolBar->GetToolByPos(static_cast<int>(position))->GetId();
        spy.m_sent.clear();
        m_reachedApplication.clear();
        ASSERT_TRUE(ClickTool(id)) << "tool " << position << " (" << id << ") cannot be clicked";
        EXPECT_TRUE(reached(id)) << "tool " << position << " (" << id << ") reaches nothing";
    }

    ASSERT_TRUE(ChooseMenuItem(ID_APP_EXIT));
    Pump();
    EXPECT_EQ(nullptr, App().GetMainFrame());
    App().ShutDown();
    App().UsePlatform(&m_platform);
    ASSERT_TRUE(App().StartUp("")); // for TearDown
}

TEST_F(CommandReach, EveryHandledCommandHasAControlOrAnAcceleratorOrIsInternal) {
    std::set<int> reachable;
    for (wxMenuItem* item : AllMenuItems(*Frame().GetMenuBar()))
        reachable.insert(item->GetId());
    for (int id = ID_FILE_MRU_FILE1; id < ID_FILE_MRU_FILE1 + kRecentFileCount; ++id)
        reachable.insert(id); // the recent-file list's items, as files join it
    wxToolBar* toolBar = Frame().GetToolBar();
    for (std::size_t position = 0; position < toolBar->GetToolsCount(); ++position)
        reachable.insert(toolBar->GetToolByPos(static_cast<int>(position))->GetId());
    for (const wxAcceleratorEntry& entry : CMenuBuilder::Accelerators())
        reachable.insert(entry.GetCommand());

    std::set<int> handled = HandledCommands(Frame());
    for (const std::set<int>& more :
         {HandledCommands(*Frame().GetLumoView()), HandledCommands(App())})
        handled.insert(more.begin(), more.end());
    ASSERT_TRUE(handled.count(ID_FILE_OPEN_SCENE)); // the tables were read at all
    for (int id : handled) {
        if (id < ID_GO_SAME_THREAD)
            continue; // wxWidgets' own (the document manager's stock commands)
        EXPECT_TRUE(reachable.count(id) || kInternal.count(id))
            << "command " << id << " has a handler but no menu item, tool button or key";
    }
    for (const auto& [id, why] : kInternal)
        EXPECT_FALSE(reachable.count(id))
            << id << " is listed as internal (" << why << ") but a control reaches it";
}

TEST_F(CommandReach, AcceleratorsTypedOnTheKeyboard) {
    PressKey(wxMOD_CONTROL, 'O');
    ASSERT_EQ(1u, m_platform.m_fileRequests.size());
    EXPECT_EQ(CFileChoice::forOpening, m_platform.m_fileRequests[0].mode);
    PressKey(wxMOD_CONTROL, 'S'); // Save writes the script
    ASSERT_EQ(2u, m_platform.m_fileRequests.size());
    EXPECT_EQ(CFileChoice::forSaving, m_platform.m_fileRequests[1].mode);
    PressKey(wxMOD_CONTROL, 'N');
    EXPECT_EQ(1, m_platform.m_wizardRuns);
    // The Edit keys reach commands that nobody handles: nothing happens.
    PressKey(wxMOD_CONTROL, 'Z');
    EXPECT_EQ(2u, m_platform.m_fileRequests.size());
    EXPECT_TRUE(m_platform.m_messages.empty());
}

} // namespace
