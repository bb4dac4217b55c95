// Writes the program's icon as PNG files of the sizes a desktop asks for, for installation:
//   lumo-make-icons FOLDER       writes FOLDER/NxN/apps/lumo.png
// The pictures are the ones the program draws for its windows (app/AppIcon.cpp).
#include "app/AppIcon.h"

#include <wx/filename.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: lumo-make-icons FOLDER\n");
        return 2;
    }
    wxInitializer initializer;
    if (!initializer.IsOk())
        return 1;
    wxImage::AddHandler(new wxPNGHandler);
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        wxString folder = wxString::Format("%s/%dx%d/apps", argv[1], size, size);
        wxFileName::Mkdir(folder, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
        if (!MakeAppIconImage(size).SaveFile(folder + "/lumo.png", wxBITMAP_TYPE_PNG)) {
            std::fprintf(stderr, "lumo-make-icons: cannot write %s/lumo.png\n",
                         folder.utf8_str().data());
            return 1;
        }
    }
    return 0;
}
