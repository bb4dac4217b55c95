#pragma once

#include "app/OptionsPage.h"

// "Renderer": the tracer's maximum recursion depth.
class CRendererOptions : public COptionsPage {
public:
    enum : int { ID_MAX_RECURSION = 1011 };

    explicit CRendererOptions(wxWindow* parent);

    unsigned m_maxRecursion = 0;

protected:
    void DoDataExchange(CDataExchange& dx) override;
};
