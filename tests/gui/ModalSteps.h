#pragma once

// Drives a run of modal dialogs, as a user answers one after the other: each step acts on the
// modal dialog of its title once that dialog is shown. A step that leaves its dialog open (a
// refused value) is simply followed by the next step on the same dialog.
#include <gtest/gtest.h>

#include <wx/dialog.h>
#include <wx/stopwatch.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include <functional>
#include <string>
#include <vector>

struct ModalStep {
    std::string title;
    std::function<void(wxDialog&)> act;
};

inline wxDialog* FindModalDialog(const std::string& title) {
    for (wxWindow* window : wxTopLevelWindows) {
        auto* dialog = dynamic_cast<wxDialog*>(window);
        if (dialog && dialog->IsModal() && dialog->IsShown() &&
            dialog->GetTitle().utf8_string() == title)
            return dialog;
    }
    return nullptr;
}

inline void RunModalSteps(const std::function<void()>& trigger, std::vector<ModalStep> steps) {
    std::size_t next = 0;
    bool queued = false;
    wxTimer timer;
    // The timer only looks; the step runs from the event queue, as a user's action would, so
    // that the dialog paints and nested dialogs run their own loops meanwhile.
    // A dialog left open by a failing step is closed after a while, so the test fails instead
    // of hanging.
    wxStopWatch watch;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (watch.Time() > 20000) {
            ADD_FAILURE() << "a modal dialog stayed open; closing it";
            for (wxWindow* window : wxTopLevelWindows)
                if (auto* dialog = dynamic_cast<wxDialog*>(window); dialog && dialog->IsModal())
                    dialog->EndModal(wxID_CANCEL);
            watch.Start();
            return;
        }
        if (queued || next >= steps.size() || !FindModalDialog(steps[next].title))
            return;
        queued = true;
        wxTheApp->CallAfter([&] {
            queued = false;
            if (wxDialog* dialog = FindModalDialog(steps[next].title))
                steps[next++].act(*dialog);
        });
    });
    timer.Start(5);
    trigger();
    timer.Stop();
    EXPECT_EQ(steps.size(), next) << "not every step found its dialog";
}

// The text of a dialog's edit, and typing a new one (a change the dialog hears about).
inline wxTextCtrl& Edit(wxWindow& dialog, int id) {
    auto* edit = dynamic_cast<wxTextCtrl*>(dialog.FindWindow(id));
    if (!edit)
        throw std::runtime_error("no edit " + std::to_string(id));
    return *edit;
}
inline std::string TextOf(wxWindow& dialog, int id) {
    return Edit(dialog, id).GetValue().utf8_string();
}
inline void Type(wxWindow& dialog, int id, const std::string& text) {
    Edit(dialog, id).SetValue(wxString::FromUTF8(text));
}
