#pragma once

#include "app/OptionsPage.h"

// "Renderer 2": a page without controls.
class COptions1 : public COptionsPage {
public:
    explicit COptions1(wxWindow* parent) : COptionsPage(parent, "Renderer 2") {}
};
