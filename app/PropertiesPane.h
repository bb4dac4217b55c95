#pragma once

#include "app/SceneSelection.h"

#include <wx/arrstr.h>
#include <wx/panel.h>

#include <cstddef>
#include <functional>
#include <vector>

class CLight;
class CSceneDocument;
class CSceneObject;
class wxButton;
class CSceneList;
class wxPGProperty;
class wxPropertyGrid;
class wxPropertyGridEvent;
class wxStaticText;
class wxVariant;

// The pane that edits what is selected in the scene: a list of the objects and of the light
// table's entries, the buttons that add, copy and delete them, and a property grid with the
// selection's values. Every edit goes through the document: the object is changed in place
// (or replaced), the change counted, and the views are told with a CSceneChange hint.
//
// A value the selection cannot take (a radius of -1) is refused where it was typed: the
// property is marked, the reason shows under the grid, the text stays in the editor to be
// put right, and the document keeps its last good value.
class CPropertiesPane : public wxPanel {
public:
    explicit CPropertiesPane(wxWindow* parent);

    // The document whose scene the pane shows and edits; null shows nothing. The pane keeps a
    // plain pointer: give it null before the document goes.
    void SetDocument(CSceneDocument* document);
    CSceneDocument* GetDocument() const { return m_document; }

    // The view picked something: the pane shows it, without calling m_onSelect.
    void Select(const CSceneSelection& selection);
    CSceneSelection GetSelection() const { return m_selection; }
    // Called when the user selects in the pane (the view then outlines the selection).
    std::function<void(const CSceneSelection&)> m_onSelect;

    // The document changed elsewhere (dialogs, Open, the wizard, the camera): the list and the
    // values are read again, and the selection stays on its object while it is in the scene.
    // The pane's own edits need no call: it is up to date after them.
    void SceneChanged();

    // The "Kind" choice of planes, for planes of more than one kind. labels are the kinds;
    // kindOf gives an object's kind (its position among the labels) or -1 for an object that
    // is no plane; change makes the object at the index a plane of that kind, through the
    // document (CLumoDoc::ReplaceObject), and says whether it did. Without labels planes show
    // no choice.
    struct PlaneKinds {
        wxArrayString labels;
        std::function<int(const CSceneObject&)> kindOf;
        std::function<bool(std::size_t index, int kind)> change;
    };
    void SetPlaneKinds(PlaneKinds kinds);

    // The controls, for whoever drives the pane as a user does.
    CSceneList& GetList() { return *m_list; }
    wxPropertyGrid& GetGrid() { return *m_grid; }
    // Why the value typed last was refused; empty when it was not.
    wxString GetMessage() const;

    enum {
        ID_LIST = 1200,
        ID_ADD_SPHERE,
        ID_ADD_PLANE,
        ID_ADD_LIGHT,
        ID_DUPLICATE,
        ID_DELETE,
        ID_GRID,
    };

private:
    // One row of the list: what it selects, and the object or light it showed, so that a
    // selection can follow its object when the list changes under it.
    struct Row {
        CSceneSelection selection;
        const void* item;
    };

    CSceneObject* SelectedObject() const;
    CLight* SelectedLight() const;
    void FillList();
    wxString RowText(const CSceneSelection& selection) const;
    void ShowSelection();
    void FillGrid();
    void AddNumber(const wxString& label, const wxString& name, double value, int digits = 15);
    void UpdateButtons();
    // The user typed an invalid value that is still in the editor.
    bool EditIsRefused() const;

    // The value's check: empty when the selection can take it.
    wxString Check(const wxPGProperty& property, const wxVariant& value) const;
    void Apply(wxPGProperty& property, const wxVariant& value);
    // The document counts the edit made in place and tells its views.
    void NoteEdited();
    void Announce();
    void SelectAndTell(const CSceneSelection& selection);

    void OnListSelected();
    void OnChanging(wxPropertyGridEvent& event);
    void OnChanged(wxPropertyGridEvent& event);
    void OnAddSphere();
    void OnAddPlane();
    void OnAddLight();
    void OnDuplicate();
    void OnDelete();

    CSceneDocument* m_document = nullptr;
    CSceneSelection m_selection;
    const void* m_selectedItem = nullptr;
    std::vector<Row> m_rows;
    PlaneKinds m_planeKinds;
    bool m_announcing = false;

    CSceneList* m_list = nullptr;
    wxPropertyGrid* m_grid = nullptr;
    wxStaticText* m_message = nullptr;
    std::vector<wxButton*> m_selectionButtons; // Duplicate and Delete
    std::vector<wxButton*> m_addButtons;
};
