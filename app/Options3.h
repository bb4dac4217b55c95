#pragma once

#include "app/OptionsPage.h"

// "Methods": a page without controls.
class COptions3 : public COptionsPage {
public:
    explicit COptions3(wxWindow* parent) : COptionsPage(parent, "Methods") {}
};
