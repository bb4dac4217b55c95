#pragma once

#include "app/OptionsPage.h"

// "Advanced": the stored Katmai and MMX flags, shown but not changeable.
class COptions6 : public COptionsPage {
public:
    enum : int { ID_KATMAI = 1007, ID_MMX = 1008 };

    explicit COptions6(wxWindow* parent);

    int m_katmai = 0;
    int m_mmx = 0;

protected:
    void DoDataExchange(CDataExchange& dx) override;
};
