#include "FuzzSupport.h"

#include <cstdlib>
#include <unistd.h>

const std::string& FuzzSettingsFolder() {
    static const std::string folder = [] {
        char pattern[] = "/tmp/lumo-fuzz-XXXXXX";
        const char* made = mkdtemp(pattern);
        std::string path = made ? made : "/tmp";
        setenv("LUMO_CONFIG_DIR", path.c_str(), 1);
        return path;
    }();
    return folder;
}
