#include "app/AccessibleNames.h"

#include <wx/control.h>
#include <wx/window.h>

#include <gtk/gtk.h>

namespace {

// The widget that takes the focus, and so the one a screen reader announces: what wxWidgets
// made for the control itself (an entry, a spin button, a combo box, a check button), or, where
// wxWidgets wraps it in a box or a scrolled window, the first focusable widget inside.
GtkWidget* FocusWidget(GtkWidget* widget) {
    if (!widget || GTK_IS_COMBO_BOX(widget) || gtk_widget_get_can_focus(widget))
        return widget;
    if (!GTK_IS_CONTAINER(widget))
        return nullptr;
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    GtkWidget* found = nullptr;
    for (GList* child = children; child && !found; child = child->next)
        found = FocusWidget(static_cast<GtkWidget*>(child->data));
    g_list_free(children);
    return found;
}

void SetAccessibleText(GtkWidget* widget, const wxString& name, const wxString& group) {
    AtkObject* accessible = gtk_widget_get_accessible(widget);
    if (!accessible)
        return;
    // Set explicitly: GTK 3.24 names neither an entry nor a spin button after the label
    // related to it.
    atk_object_set_name(accessible, name.utf8_str());
    if (!group.empty())
        atk_object_set_description(accessible, group.utf8_str());
}

} // namespace

void NameForAccessibility(wxWindow& control, const wxString& name, const wxString& group,
                          wxWindow* label) {
    GtkWidget* widget = FocusWidget(static_cast<GtkWidget*>(control.GetHandle()));
    if (!widget)
        return;
    // A label wrapped to its width reads as one line.
    wxString shown = wxControl::RemoveMnemonics(name);
    shown.Replace("\n", " ");
    SetAccessibleText(widget, shown, group);
    // A combo box that takes typing is read out at its entry.
    if (GTK_IS_COMBO_BOX(widget) && gtk_combo_box_get_has_entry(GTK_COMBO_BOX(widget)))
        if (GtkWidget* entry = gtk_bin_get_child(GTK_BIN(widget)))
            SetAccessibleText(entry, shown, group);
    if (label && GTK_IS_LABEL(label->GetHandle()))
        gtk_label_set_mnemonic_widget(GTK_LABEL(label->GetHandle()), widget);
}

void NameForAccessibility(wxWindow& edit, wxWindow& spin, const wxString& name,
                          const wxString& group, wxWindow* label) {
    NameForAccessibility(edit, name, group, label);
    NameForAccessibility(spin, name, group);
}
