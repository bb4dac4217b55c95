#pragma once

#include <wx/accel.h>

#include <vector>

class wxFrame;
class wxMenuBar;

// The frame's controls that carry commands, built in one place: the menu bar (its menus in the
// positions CommandIds.h gives them), the accelerator table, the tool bar and the status bar's
// panes. Nothing here handles a command; the frame, the view and the application do.
class CMenuBuilder {
public:
    // The status bar's lock indicators, after the message pane.
    static constexpr const char* kIndicators[] = {"CAP", "NUM", "SCRL"};
    static constexpr int kIndicatorCount = 3;

    // The menu bar and the accelerator table, then the tool bar and the status bar showing
    // "Ready". False when the tool bar or the status bar cannot be made.
    static bool Build(wxFrame& frame);

    static wxMenuBar* BuildMenuBar();
    // The accelerator table's keys and their commands.
    static std::vector<wxAcceleratorEntry> Accelerators();

private:
    static bool BuildToolBar(wxFrame& frame);
    static bool BuildStatusBar(wxFrame& frame);
};
