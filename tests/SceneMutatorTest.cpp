#include "SceneMutator.h"

#include "headless/HeadlessPlatform.h"
#include "script/LumoDoc.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace {
std::string Example(const std::string& name) {
    std::ifstream in(std::string(LUMO_SOURCE_DIR) + "/examples/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// How many of the texts that a run of mutations makes from the example the reader takes, and
// how many differ from each other.
void Survey(const std::string& name, int& read, std::size_t& different) {
    CHeadlessPlatform platform;
    CPlatformScope scope(platform);
    std::string text = Example(name);
    ASSERT_FALSE(text.empty());
    std::set<std::string> made;
    read = 0;
    for (unsigned seed = 1; seed <= 200; ++seed) {
        std::string changed = CSceneMutator::MutateText(text, seed);
        made.insert(changed);
        CLumoDoc doc;
        std::string error;
        read += doc.ReadText(changed, name, CLumoDoc::grammar, error) != CLumoDoc::readFailed;
    }
    different = made.size();
}
} // namespace

// The mutator is there to keep texts well formed: most of its changes must still be read, and
// they must be changes.
TEST(SceneMutator, MostChangedScenesAndScriptsStillRead) {
    for (const char* name : {"garden.lscene", "mirrors.lmo"}) {
        int read = 0;
        std::size_t different = 0;
        Survey(name, read, different);
        EXPECT_GE(read, 120) << name;
        EXPECT_GE(different, 100u) << name;
    }
}
