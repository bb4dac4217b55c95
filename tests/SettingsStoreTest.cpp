#include "platform/SettingsStore.h"

#include "TestFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace {
std::string ConfigFolder() {
    return std::getenv("LUMO_CONFIG_DIR");
}
} // namespace

TEST(SettingsStore, FolderFromTheEnvironment) {
    EXPECT_EQ(ConfigFolder(), CSettingsStore::SettingsFolder());
    std::string own = ConfigFolder();
    unsetenv("LUMO_CONFIG_DIR");
    setenv("XDG_CONFIG_HOME", "/somewhere", 1);
    EXPECT_EQ("/somewhere/lumo", CSettingsStore::SettingsFolder());
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ("/home/someone/.config/lumo", CSettingsStore::SettingsFolder());
    setenv("LUMO_CONFIG_DIR", own.c_str(), 1);
}

TEST(SettingsStore, MissingStoreGivesDefaultsAndFirstWriteMakesTheFolder) {
    CSettingsStore profile = CSettingsStore::Profile();
    EXPECT_EQ(0, profile.GetInt("Lumo", "MaxRecursion", 0));
    EXPECT_EQ(320, profile.GetInt("Lumo", "Width", 320));
    EXPECT_FALSE(std::filesystem::exists(ConfigFolder()));
    ASSERT_TRUE(profile.WriteInt("Lumo", "MaxRecursion", 3));
    EXPECT_TRUE(std::filesystem::exists(ConfigFolder() + "/profile.ini"));
    EXPECT_EQ(3, profile.GetInt("Lumo", "MaxRecursion", 0));
    // The two stores are separate files.
    EXPECT_EQ(7, CSettingsStore::IniFile().GetInt("Lumo", "MaxRecursion", 7));
}

TEST(SettingsStore, ReadsAtTheMomentOfUse) {
    CSettingsStore profile = CSettingsStore::Profile();
    profile.WriteInt("Lumo", "Height", 100);
    std::filesystem::create_directories(ConfigFolder());
    WriteFile(ConfigFolder() + "/profile.ini", "[Lumo]\nHeight=250\n");
    EXPECT_EQ(250, profile.GetInt("Lumo", "Height", 200));
}

TEST(SettingsStore, KeysLiveInTheirSection) {
    CSettingsStore ini = CSettingsStore::IniFile();
    ini.WriteString("Lumo", "CamX", "0.100000");
    ini.WriteString("Other", "CamX", "9");
    EXPECT_EQ("0.100000", ini.GetString("Lumo", "CamX", "0.1"));
    EXPECT_EQ("9", ini.GetString("Other", "CamX", "0.1"));
    ini.WriteString("Lumo", "CamY", "2");
    EXPECT_EQ("0.100000", ini.GetString("Lumo", "CamX", "0.1"));
}

TEST(SettingsStore, IntegerRule) {
    int value = 0;
    EXPECT_TRUE(CSettingsStore::ParseInt("42", value));
    EXPECT_EQ(42, value);
    EXPECT_TRUE(CSettingsStore::ParseInt("  -1 ", value));
    EXPECT_EQ(-1, value);
    EXPECT_TRUE(CSettingsStore::ParseInt("2147483647", value));
    EXPECT_EQ(2147483647, value);
    EXPECT_TRUE(CSettingsStore::ParseInt("-2147483648", value));
    EXPECT_EQ(-2147483647 - 1, value);
    for (const char* bad : {"", " ", "abc", "12abc", "1.5", "2147483648", "-2147483649",
                            "99999999999999999999999", "+", "-", "0x10"})
        EXPECT_FALSE(CSettingsStore::ParseInt(bad, value)) << bad;
}

TEST(SettingsStore, NonNumericIntegerGivesTheDefault) {
    std::filesystem::create_directories(ConfigFolder());
    WriteFile(ConfigFolder() + "/profile.ini",
              "[Lumo]\nMaxRecursion=abc\nWidth=99999999999\nHeight=-7\n");
    CSettingsStore profile = CSettingsStore::Profile();
    EXPECT_EQ(0, profile.GetInt("Lumo", "MaxRecursion", 0));
    EXPECT_EQ(320, profile.GetInt("Lumo", "Width", 320));
    EXPECT_EQ(-7, profile.GetInt("Lumo", "Height", 200));
}

TEST(SettingsStore, CorruptFileGivesDefaultsAndIsRepairedByAWrite) {
    std::filesystem::create_directories(ConfigFolder());
    std::string path = ConfigFolder() + "/profile.ini";
    WriteFile(path, std::string("\0\xff[[[Lumo\n=\n==x\n[Lumo\nMaxRecursion", 33));
    CSettingsStore profile = CSettingsStore::Profile();
    EXPECT_EQ(5, profile.GetInt("Lumo", "MaxRecursion", 5));
    EXPECT_TRUE(profile.WriteInt("Lumo", "MaxRecursion", 2));
    EXPECT_EQ(2, profile.GetInt("Lumo", "MaxRecursion", 5));
}

TEST(SettingsStore, DamagedLinesAreReadQuietlyAndKept) {
    // A line without a key and a section given twice: the INI parser used to complain about
    // each at every read, in a developer's dialog in the desktop program and on standard error
    // from lumo-render.
    std::filesystem::create_directories(ConfigFolder());
    WriteFile(ConfigFolder() + "/profile.ini",
              "[Lumo]\n=1\nWidth=640\n[Other]\nA=1\n[Lumo]\nHeight=400\n");
    CSettingsStore profile = CSettingsStore::Profile();
    testing::internal::CaptureStderr();
    EXPECT_EQ(640, profile.GetInt("Lumo", "Width", 320));
    EXPECT_EQ(400, profile.GetInt("Lumo", "Height", 200));
    EXPECT_TRUE(profile.WriteInt("Lumo", "MaxRecursion", 3));
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    EXPECT_EQ(640, profile.GetInt("Lumo", "Width", 320));
    EXPECT_EQ(400, profile.GetInt("Lumo", "Height", 200));
    EXPECT_EQ(3, profile.GetInt("Lumo", "MaxRecursion", 0));
    EXPECT_EQ(1, profile.GetInt("Other", "A", 0));
}

TEST(SettingsStore, SectionThatWouldNotReadBackIsRefusedAndTheFileKept) {
    // The parser passes over the second of two keys marked immutable ('!'); a new section put
    // after the first would take that line in.
    std::filesystem::create_directories(ConfigFolder());
    std::string path = ConfigFolder() + "/profile.ini";
    std::string stored = "[Other]\n!idth=1\nidth=1\n";
    WriteFile(path, stored);
    CSettingsStore profile = CSettingsStore::Profile();
    EXPECT_FALSE(profile.ReplaceSection("Recent File List", {{"File1", "a.lmo"}}));
    EXPECT_NE("", profile.GetLastError());
    EXPECT_EQ(stored, ReadFile(path));
}

TEST(SettingsStore, KeyMarkedImmutableByAnotherProgramIsRefusedAndTheFileKept) {
    // wxWidgets' INI files mark a key that may not change with '!': its value stays whatever
    // is written, so the write does not read back and nothing is put in place.
    std::filesystem::create_directories(ConfigFolder());
    std::string path = ConfigFolder() + "/profile.ini";
    std::string stored = "[Lumo]\n!MaxRecursion=2\nWidth=640\n";
    WriteFile(path, stored);
    CSettingsStore profile = CSettingsStore::Profile();
    EXPECT_EQ(2, profile.GetInt("Lumo", "MaxRecursion", 0));
    EXPECT_FALSE(profile.WriteInt("Lumo", "MaxRecursion", 5));
    EXPECT_NE(std::string::npos, profile.GetLastError().find("profile.ini"));
    EXPECT_EQ(stored, ReadFile(path));
    EXPECT_TRUE(profile.WriteInt("Lumo", "Width", 800));
    EXPECT_EQ(800, profile.GetInt("Lumo", "Width", 0));
}

TEST(SettingsStore, WriteThatWouldChangeAnotherKeyIsRefusedAndTheFileKept) {
    // A key marked immutable twice, the second time on a last line without its line end: the
    // INI parser reads the first value alone and the second beside a new line after it.
    std::filesystem::create_directories(ConfigFolder());
    std::string path = ConfigFolder() + "/profile.ini";
    std::string stored = "[Lumo]\n!Width=640\n!Width=800";
    WriteFile(path, stored);
    CSettingsStore profile = CSettingsStore::Profile();
    EXPECT_EQ(640, profile.GetInt("Lumo", "Width", 0));
    EXPECT_FALSE(profile.WriteString("Lumo", "EditorPath", "vi"));
    EXPECT_EQ(stored, ReadFile(path));
    EXPECT_EQ(640, profile.GetInt("Lumo", "Width", 0));
}

TEST(SettingsStore, ChangesInMemoryAreWhatTheStoreWrites) {
    // The fuzzing of the stores goes through the in-memory changes; the files must hold
    // exactly what they give, and a refusal must leave the text and the file alone.
    std::filesystem::create_directories(ConfigFolder());
    std::string path = ConfigFolder() + "/profile.ini";
    CSettingsStore profile = CSettingsStore::Profile();
    std::string reason;
    for (std::string stored : {std::string("; kept\n[Lumo]\nWidth=640\n[Other]\nA=b\n"),
                               std::string("[Lumo]\n!Width=640\n!Width=800")}) {
        WriteFile(path, stored);
        std::string text = stored;
        bool written = CSettingsStore::WriteInText(text, "Lumo", "EditorPath", "vi", reason);
        EXPECT_EQ(written, profile.WriteString("Lumo", "EditorPath", "vi"));
        EXPECT_EQ(text, ReadFile(path));
        EXPECT_EQ(written, text != stored);
        std::string again = ReadFile(path);
        written = CSettingsStore::ReplaceSectionInText(text, "Recent File List",
                                                       {{"File1", "/a.sc"}}, reason);
        EXPECT_EQ(written, profile.ReplaceSection("Recent File List", {{"File1", "/a.sc"}}));
        EXPECT_EQ(text, ReadFile(path));
        EXPECT_EQ(written, text != again);
    }
    std::string text = "[Lumo]\n";
    EXPECT_FALSE(CSettingsStore::WriteInText(text, "Lumo", "EditorPath", "\xc0\xaf", reason));
    EXPECT_EQ("[Lumo]\n", text);
    EXPECT_NE(std::string::npos, reason.find("UTF-8"));
}

TEST(SettingsStore, StoreThatIsNotUtf8CanStillBeWritten) {
    // Written by something else in Latin-1, or damaged: every byte is read as a character,
    // and the store is written back whole, as UTF-8.
    std::filesystem::create_directories(ConfigFolder());
    WriteFile(ConfigFolder() + "/profile.ini", "[Lumo]th=-992\xf4\xa4\x8b\xb0hev]dth=1\n");
    CSettingsStore profile = CSettingsStore::Profile();
    ASSERT_TRUE(profile.WriteInt("Lumo", "Height", 7));
    EXPECT_EQ(7, profile.GetInt("Lumo", "Height", 200));
    WriteFile(ConfigFolder() + "/profile.ini", "[Lumo]\nEditorPath=caf\xe9\nWidth=5\n");
    EXPECT_EQ(5, profile.GetInt("Lumo", "Width", 320));
    ASSERT_TRUE(profile.WriteInt("Lumo", "Height", 7));
    EXPECT_EQ(5, profile.GetInt("Lumo", "Width", 320));
    EXPECT_EQ("caf\xc3\xa9", profile.GetString("Lumo", "EditorPath", ""));
}

TEST(SettingsStore, StoreThatIsAFolderGivesDefaults) {
    std::filesystem::create_directories(ConfigFolder() + "/win.ini");
    CSettingsStore ini = CSettingsStore::IniFile();
    EXPECT_EQ("0.1", ini.GetString("Lumo", "CamX", "0.1"));
    EXPECT_FALSE(ini.WriteString("Lumo", "CamX", "1"));
}

TEST(SettingsStore, TextsAreCutTo254Characters) {
    CSettingsStore ini = CSettingsStore::IniFile();
    std::string path(300, 'p');
    ASSERT_TRUE(ini.WriteString("Lumo", "EditorPath", path));
    EXPECT_EQ(path.substr(0, 254), ini.GetString("Lumo", "EditorPath", ""));
    EXPECT_EQ(std::string(254, 'd'), ini.GetString("Lumo", "Missing", std::string(300, 'd')));
}

TEST(SettingsStore, TextsAreKeptAsWritten) {
    CSettingsStore ini = CSettingsStore::IniFile();
    for (std::string text :
         {std::string("C:\\Windows\\Wordpad"), std::string("$HOME/bin/ed %s"),
          std::string("  spaced  "), std::string("a=b;c#d"), std::string("\xc3\xa9") + "dit"}) {
        ASSERT_TRUE(ini.WriteString("Lumo", "EditorPath", text));
        EXPECT_EQ(text, ini.GetString("Lumo", "EditorPath", "")) << text;
    }
}

TEST(SettingsStore, TextThatIsNotUtf8IsRefusedNotBlanked) {
    CSettingsStore ini = CSettingsStore::IniFile();
    ASSERT_TRUE(ini.WriteString("Lumo", "EditorPath", "vi"));
    ASSERT_TRUE(ini.WriteString("Lumo", "CamX", "0.5"));
    // Beyond U+10FFFF, a surrogate, an overlong form, a cut sequence, a NUL: none is stored,
    // and none takes the section's other keys with it.
    for (std::string bad : {std::string("\xf6\xba\x9b\x98vi"), std::string("\xf4\xa8\x96\x9b"),
                            std::string("\xed\xa8\x96"), std::string("\xc0\xaf"),
                            std::string("vi\xe2\x82"), std::string("v\0i", 3)}) {
        EXPECT_FALSE(ini.WriteString("Lumo", "EditorPath", bad));
        EXPECT_EQ("vi", ini.GetString("Lumo", "EditorPath", ""));
        EXPECT_EQ("0.5", ini.GetString("Lumo", "CamX", ""));
    }
    EXPECT_TRUE(ini.WriteString("Lumo", "EditorPath", "\xf0\x9f\x96\x8c \xe2\x82\xac"));
    EXPECT_TRUE(ini.WriteString("Lumo", "EditorPath", ""));
    EXPECT_EQ("", ini.GetString("Lumo", "EditorPath", "default"));
}

TEST(SettingsStore, ConcurrentWritersNeverLeaveAPartialFile) {
    CSettingsStore::Profile().WriteInt("Lumo", "Width", 0);
    const int writers = 4;
    const int writes = 50;
    std::vector<pid_t> children;
    for (int w = 0; w < writers; ++w) {
        pid_t pid = fork();
        if (pid == 0) {
            CSettingsStore profile = CSettingsStore::Profile();
            for (int i = 0; i < writes; ++i)
                profile.WriteInt("Lumo", "Width", 1000 * (w + 1) + i);
            _exit(0);
        }
        children.push_back(pid);
    }
    // Meanwhile every read sees a complete file: some writer's value, never a default.
    for (int i = 0; i < 200; ++i)
        EXPECT_NE(-1, CSettingsStore::Profile().GetInt("Lumo", "Width", -1));
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_EQ(0, status);
    }
    int last = CSettingsStore::Profile().GetInt("Lumo", "Width", -1);
    EXPECT_EQ(writes - 1, last % 1000);
    // No temporary file is left behind.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(ConfigFolder())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(1, files);
}

// The recent-file list is kept as a whole section: replacing it must leave every other key of
// the store alone, and a shorter list must not leave the old tail behind.
TEST(SettingsStore, SectionsAreReplacedWholeAndAlone) {
    CSettingsStore profile = CSettingsStore::Profile();
    ASSERT_TRUE(profile.WriteInt("Lumo", "MaxRecursion", 4));
    CSettingsStore::Entries four = {{"File1", "/tmp/a b.lmo"},
                                    {"File2", "/tmp/b.lmo"},
                                    {"File3", "/tmp/ä.lmo"},
                                    {"File4", "/tmp/d.lmo"}};
    ASSERT_TRUE(profile.ReplaceSection("Recent File List", four));
    EXPECT_EQ(four, profile.GetSection("Recent File List"));
    EXPECT_EQ("/tmp/b.lmo", profile.GetString("Recent File List", "File2", ""));

    CSettingsStore::Entries one = {{"File1", "/tmp/new.lmo"}};
    ASSERT_TRUE(profile.ReplaceSection("Recent File List", one));
    EXPECT_EQ(one, profile.GetSection("Recent File List"));
    EXPECT_EQ(4, profile.GetInt("Lumo", "MaxRecursion", 0));

    ASSERT_TRUE(profile.ReplaceSection("Recent File List", {}));
    EXPECT_TRUE(profile.GetSection("Recent File List").empty());
    EXPECT_TRUE(profile.GetSection("Never Written").empty());
}

TEST(SettingsStore, SectionKeysThatCannotBeStoredAreRefused) {
    CSettingsStore profile = CSettingsStore::Profile();
    ASSERT_TRUE(profile.ReplaceSection("Recent File List", {{"File1", "/tmp/kept.lmo"}}));
    for (const char* key : {"", "a/b", "a=b", "[x]", "line\nend"})
        EXPECT_FALSE(profile.ReplaceSection("Recent File List", {{key, "v"}})) << key;
    EXPECT_FALSE(profile.ReplaceSection("Recent File List", {{"File1", "\xff"}}));
    EXPECT_EQ("/tmp/kept.lmo", profile.GetString("Recent File List", "File1", ""));
}
