#pragma once

#include "app/OptionsPage.h"

// "Experimential": a page without controls.
class COptions4 : public COptionsPage {
public:
    explicit COptions4(wxWindow* parent) : COptionsPage(parent, "Experimential") {}
};
