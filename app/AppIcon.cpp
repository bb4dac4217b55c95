#include "app/AppIcon.h"

#include <wx/dcmemory.h>

#include <algorithm>
#include <cmath>

wxImage MakeAppIconImage(int size) {
    wxImage image(size, size, false);
    image.InitAlpha();
    const double radius = size * 0.46;
    const double centre = size / 2.0;
    // Light from the upper left, towards the viewer.
    const double lx = -0.5, ly = -0.6, lz = 0.62;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double dx = (x + 0.5 - centre) / radius;
            double dy = (y + 0.5 - centre) / radius;
            double d2 = dx * dx + dy * dy;
            // A one-pixel soft edge.
            double coverage = std::clamp((1.0 - std::sqrt(d2)) * radius + 0.5, 0.0, 1.0);
            double nz = std::sqrt(std::max(0.0, 1.0 - d2));
            double diffuse = std::max(0.0, dx * lx + dy * ly + nz * lz);
            double highlight = std::pow(std::max(0.0, 2 * diffuse * nz - lz), 20.0);
            double shade = 0.3 + 0.7 * diffuse;
            auto channel = [&](double base) {
                return static_cast<unsigned char>(
                    std::clamp(base * shade + 255.0 * 0.9 * highlight, 0.0, 255.0));
            };
            image.SetRGB(x, y, channel(220), channel(100), channel(100));
            image.SetAlpha(x, y, static_cast<unsigned char>(coverage * 255.0));
        }
    }
    return image;
}

wxIconBundle MakeAppIconBundle() {
    wxIconBundle bundle;
    for (int size : {16, 24, 32, 48, 64, 128}) {
        wxIcon icon;
        icon.CopyFromBitmap(wxBitmap(MakeAppIconImage(size)));
        bundle.AddIcon(icon);
    }
    return bundle;
}

wxBitmap MakeRenderToolBitmap(int size) {
    return wxBitmap(MakeAppIconImage(size));
}

wxBitmap MakeToolGlyph(const std::string& artId) {
    wxBitmap bitmap(16, 16);
    wxMemoryDC dc(bitmap);
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    dc.SetPen(*wxGREY_PEN);
    dc.SetBrush(*wxLIGHT_GREY_BRUSH);
    dc.DrawRoundedRectangle(1, 1, 14, 14, 2);
    // wxART_ ids read "wxART_NEW" and so on: the letter after the prefix.
    std::string name = artId.rfind("wxART_", 0) == 0 ? artId.substr(6) : artId;
    wxFont font(wxFontInfo(7).Bold());
    dc.SetFont(font);
    dc.SetTextForeground(*wxBLACK);
    wxString letter = name.empty() ? wxString("?") : wxString(name.substr(0, 1));
    wxSize extent = dc.GetTextExtent(letter);
    dc.DrawText(letter, (16 - extent.GetWidth()) / 2, (16 - extent.GetHeight()) / 2);
    dc.SelectObject(wxNullBitmap);
    return bitmap;
}
