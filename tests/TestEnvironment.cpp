// Gives every test a settings folder of its own, so that no test reads or writes the user's
// settings and no test sees another's, and installs the headless platform that the engine
// needs (tests that watch the platform install their own over it).
#include "headless/HeadlessPlatform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

class FreshSettingsFolder : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo& info) override {
        namespace fs = std::filesystem;
        const char* base = std::getenv("LUMO_TEST_TMP");
        fs::path root = base ? fs::path(base) : fs::temp_directory_path() / "lumo-tests";
        fs::path folder = root / (std::string(info.test_suite_name()) + "." + info.name() + "." +
                                  std::to_string(getpid()));
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        fs::create_directories(folder, ignored);
        setenv("LUMO_CONFIG_DIR", (folder / "config").c_str(), 1);
        setenv("LUMO_TEST_FOLDER", folder.c_str(), 1);
    }
};

struct Register {
    Register() {
        testing::UnitTest::GetInstance()->listeners().Append(new FreshSettingsFolder);
        static CHeadlessPlatform platform;
        CPlatform::Install(&platform);
    }
} registerListener;

} // namespace
