// lumo, the desktop program.
#include "app/LumoApp.h"

int main(int argc, char** argv) {
    int status = wxEntry(argc, argv);
    // A script named on the command line that cannot be read ends start-up with status 1.
    if (CLumoApp::StartupFailed())
        return 1;
    return status;
}
