#pragma once

#include "script/WizardObject.h"

#include <wx/wizard.h>

class CDataExchange;
class wxChoice;

// "Create object": one page per object of the wizard's scene, with its kind, finish, colour and
// position.
class CWizPage2 : public wxWizardPageSimple {
public:
    enum : int {
        ID_OBJECT_TYPE = 1017,
        ID_Y = 1018,
        ID_Z = 1019,
        ID_BRILLIANCE = 1025,
        ID_DIFFUSE = 1026,
        ID_REFLECTION = 1027,
        ID_ROUGHNESS = 1028,
        ID_AMBIENT = 1029,
        ID_SPECULAR = 1032,
        ID_X = 1033,
        ID_GREEN = 1035,
        ID_BLUE = 1036,
        ID_RED = 1037,
    };
    // The list's entries, sorted: the empty entry, "Plane", "Sphere  ".
    static constexpr int kPlaneEntry = 1;
    static constexpr int kSphereEntry = 2;

    explicit CWizPage2(wxWizard* wizard);

    // The first time the page is shown: the values in the edits and "Sphere  " in the list.
    bool TransferDataToWindow() override;
    // Leaving the page (Next or Back): the kind from the list, then the edits, validated.
    bool TransferDataFromWindow() override;

    // The kind from the list's selection: "Plane" builds a plane, the other two a sphere.
    void ReadObjectType();

    CWizardObject m_object;
    wxChoice* m_objectTypeList = nullptr;

private:
    void DoDataExchange(CDataExchange& dx);

    bool m_shown = false;
};
