// Every picture that the documentation shows next to a scene is rendered again from that scene
// and compared with the committed picture, so that the README, the language reference and the
// example scenes never show what lumo-render does not do.
//
// A picture is marked in the Markdown with a comment that holds lumo-render's arguments:
//   <!-- render: -W 160 -H 100 -o docs/pictures/red-ball.png -->
// followed by a fenced block with the script, or naming a script file of the repository:
//   <!-- render: --max-recursion 3 examples/mirrors.lmo -o examples/mirrors.png -->
// Paths are relative to the repository. LUMO_UPDATE_PICTURES=1 writes the pictures instead.

#include "TestFolder.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kRepository = fs::path(LUMO_TEST_DATA_DIR).parent_path().parent_path();

struct Example {
    std::vector<std::string> args; // with the picture's path after -o
    std::string script;            // the fenced block's text, when no script file is named
    int line = 0;
};

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

bool NamesScriptFile(const std::vector<std::string>& args) {
    for (const std::string& arg : args)
        if (arg.size() > 4 && arg.compare(arg.size() - 4, 4, ".lmo") == 0)
            return true;
    return false;
}

std::vector<Example> ExamplesIn(const std::string& document) {
    std::istringstream in(ReadFile((kRepository / document).string()));
    std::vector<Example> examples;
    const std::string marker = "<!-- render:";
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.rfind(marker, 0) != 0)
            continue;
        Example example;
        example.line = number;
        std::string args = line.substr(marker.size());
        example.args = Words(args.substr(0, args.find("-->")));
        if (!NamesScriptFile(example.args)) {
            // The next fenced block is the script.
            while (std::getline(in, line) && line.rfind("```", 0) != 0)
                ++number;
            ++number;
            while (std::getline(in, line) && line.rfind("```", 0) != 0) {
                example.script += line + "\n";
                ++number;
            }
            ++number;
        }
        examples.push_back(example);
    }
    return examples;
}

// The picture a PNG file holds, as RGB bytes after its size; a reason when it cannot be read.
std::string Pixels(const std::string& path) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str()))
        return "unreadable " + path + ": " + png.message;
    png.format = PNG_FORMAT_RGB;
    std::string pixels(PNG_IMAGE_SIZE(png), '\0');
    if (!png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr))
        return "undecodable " + path + ": " + png.message;
    return std::to_string(png.width) + "x" + std::to_string(png.height) + ":" + pixels;
}

// Runs lumo-render in the repository; its standard error, or the exit status when it failed.
int RunRender(const std::vector<std::string>& given, std::string& errors) {
    std::string errPath = TestPath("render-errors.txt");
    std::vector<std::string> args{std::string(LUMO_RENDER_EXE)};
    args.insert(args.end(), given.begin(), given.end());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t child = fork();
    if (child == 0) {
        int null = open("/dev/null", O_RDWR);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (null < 0 || err < 0 || chdir(kRepository.c_str()) != 0)
            _exit(127);
        dup2(null, 0);
        dup2(null, 1);
        dup2(err, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    errors = ReadFile(errPath);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void CheckPictures(const std::string& document, std::size_t atLeast) {
    std::vector<Example> examples = ExamplesIn(document);
    EXPECT_LE(atLeast, examples.size()) << document << " has lost its rendered examples";
    bool update = std::getenv("LUMO_UPDATE_PICTURES") != nullptr;
    int index = 0;
    for (Example& example : examples) {
        SCOPED_TRACE(document + ":" + std::to_string(example.line));
        std::vector<std::string> args = {"-q"};
        std::string picture;
        for (std::size_t i = 0; i < example.args.size(); ++i) {
            if (example.args[i] == "-o" && i + 1 < example.args.size()) {
                picture = example.args[++i];
                continue;
            }
            args.push_back(example.args[i]);
        }
        ASSERT_FALSE(picture.empty()) << "the marker names no picture (-o)";
        if (!NamesScriptFile(example.args)) {
            std::string script = TestPath("example" + std::to_string(index) + ".lmo");
            WriteFile(script, example.script);
            args.push_back(script);
        }
        std::string rendered = TestPath("example" + std::to_string(index++) + ".png");
        args.push_back("-o");
        args.push_back(rendered);
        std::string errors;
        ASSERT_EQ(0, RunRender(args, errors)) << errors;
        EXPECT_EQ("", errors);
        fs::path committed = kRepository / picture;
        if (update)
            fs::copy_file(rendered, committed, fs::copy_options::overwrite_existing);
        // Compared pixel for pixel: the PNG encoder's bytes may differ between libpng versions.
        std::string expected = Pixels(committed.string());
        std::string actual = Pixels(rendered);
        EXPECT_TRUE(expected == actual)
            << picture << " is not what lumo-render draws from its scene ("
            << expected.substr(0, expected.find(':')) << " committed, "
            << actual.substr(0, actual.find(':')) << " rendered); LUMO_UPDATE_PICTURES=1 "
            << "renders it anew";
    }
}

TEST(DocumentedExamples, Readme) {
    CheckPictures("README.md", 2);
}

TEST(DocumentedExamples, LanguageReference) {
    CheckPictures("docs/script-language.md", 5);
}

TEST(DocumentedExamples, ExampleScenes) {
    CheckPictures("examples/README.md", 3);
}

} // namespace
