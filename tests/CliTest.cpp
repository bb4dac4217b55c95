#include "RendererTestSupport.h"

#include "cli/CommandLine.h"
#include "cli/RenderCommand.h"
#include "cli/TerminalProgressBar.h"
#include "core/Random.h"
#include "platform/AtomicFileWriter.h"
#include "render/ImageFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <png.h>
#include <sys/resource.h>

#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// The command line.

CCommandLine ParseOk(const std::vector<std::string>& args) {
    CCommandLine commandLine;
    std::string error;
    EXPECT_TRUE(CCommandLine::Parse(args, commandLine, error)) << error;
    return commandLine;
}

std::string ParseError(const std::vector<std::string>& args) {
    CCommandLine commandLine;
    std::string error;
    EXPECT_FALSE(CCommandLine::Parse(args, commandLine, error));
    EXPECT_EQ(std::string::npos, error.find('\n')) << error;
    return error;
}

TEST(CliCommandLine, DefaultsRenderTheDefaultSceneToLumoPng) {
    CCommandLine commandLine = ParseOk({});
    EXPECT_EQ(CCommandLine::render, commandLine.m_action);
    EXPECT_EQ("lumo.png", commandLine.OutputPath());
    EXPECT_FALSE(commandLine.m_width);
    EXPECT_FALSE(commandLine.m_height);
    EXPECT_FALSE(commandLine.m_maxRecursion);
    EXPECT_TRUE(commandLine.m_script.empty());
    EXPECT_TRUE(commandLine.WantsRender());
}

TEST(CliCommandLine, ShortLongAndAttachedForms) {
    CCommandLine commandLine = ParseOk({"-o", "a.ppm", "-W", "64", "--height=40", "--max-recursion",
                                        "3", "--load", "scene.lmo", "-q", "--save-script=out.lmo"});
    EXPECT_EQ("a.ppm", commandLine.OutputPath());
    EXPECT_EQ(64, commandLine.m_width);
    EXPECT_EQ(40, commandLine.m_height);
    EXPECT_EQ(3u, commandLine.m_maxRecursion);
    EXPECT_TRUE(commandLine.m_load);
    EXPECT_EQ("scene.lmo", commandLine.m_script);
    EXPECT_TRUE(commandLine.m_quiet);
    EXPECT_EQ("out.lmo", commandLine.m_saveScript);
    EXPECT_TRUE(commandLine.WantsRender());

    commandLine = ParseOk({"-W12", "-ob.png", "--output", "c.png", "--", "-odd.lmo"});
    EXPECT_EQ(12, commandLine.m_width);
    EXPECT_EQ("c.png", commandLine.OutputPath()); // the last one counts
    EXPECT_EQ("-odd.lmo", commandLine.m_script);
}

TEST(CliCommandLine, SaveScriptAloneRendersNothing) {
    EXPECT_FALSE(ParseOk({"--save-script", "s.lmo"}).WantsRender());
    EXPECT_TRUE(ParseOk({"--save-script", "s.lmo", "-o", "x.png"}).WantsRender());
}

TEST(CliCommandLine, RecursionIsAnUnsignedCount) {
    EXPECT_EQ(0u, ParseOk({"--max-recursion", "0"}).m_maxRecursion);
    EXPECT_EQ(UINT_MAX, ParseOk({"--max-recursion", "-1"}).m_maxRecursion);
    EXPECT_EQ(UINT_MAX, ParseOk({"--max-recursion=99999999999999999999999"}).m_maxRecursion);
    EXPECT_NE(std::string::npos, ParseError({"--max-recursion", "two"}).find("'two'"));
}

TEST(CliCommandLine, BadOptionsAndSizes) {
    EXPECT_NE(std::string::npos, ParseError({"--frobnicate"}).find("'--frobnicate'"));
    EXPECT_NE(std::string::npos, ParseError({"-x"}).find("'-x'"));
    EXPECT_NE(std::string::npos, ParseError({"-o"}).find("needs a value"));
    EXPECT_NE(std::string::npos, ParseError({"--quiet=yes"}).find("takes no value"));
    EXPECT_NE(std::string::npos, ParseError({"-qv"}).find("takes no value"));
    EXPECT_NE(std::string::npos, ParseError({"-W", "0"}).find("at least 1 pixel"));
    EXPECT_NE(std::string::npos, ParseError({"--height", "-3"}).find("at least 1 pixel"));
    EXPECT_NE(std::string::npos, ParseError({"-W", "12px"}).find("whole number"));
    EXPECT_NE(std::string::npos, ParseError({"-W", "1e3"}).find("whole number"));
    EXPECT_NE(std::string::npos, ParseError({"-W", ""}).find("whole number"));
    EXPECT_NE(std::string::npos, ParseError({"-H", "2147483648"}).find("too large"));
    EXPECT_NE(std::string::npos, ParseError({"-H", "99999999999999999999"}).find("too large"));
    EXPECT_NE(std::string::npos, ParseError({"a.lmo", "b.lmo"}).find("only one SCRIPT"));
    EXPECT_NE(std::string::npos, ParseError({"--load"}).find("SCRIPT"));
    EXPECT_NE(std::string::npos, ParseError({"-o", ""}).find("file name"));
}

TEST(CliCommandLine, ErrorsStayOnOneLineWhateverTheArgumentsHold) {
    std::string error = ParseError({"-vqo\nx", "--threads", "+5"});
    EXPECT_EQ(std::string::npos, error.find('\n')) << error;
    EXPECT_NE(std::string::npos, error.find("\\x0a")) << error;
    error = ParseError({"--wid\rth=3"});
    EXPECT_EQ(std::string::npos, error.find('\r')) << error;
    EXPECT_EQ(std::string::npos, ParseError({"-W", "1\n2"}).find('\n'));
}

TEST(CliCommandLine, ThreadCounts) {
    EXPECT_FALSE(ParseOk({}).m_threads);
    EXPECT_EQ(3u, ParseOk({"-j", "3"}).m_threads);
    EXPECT_EQ(1024u, ParseOk({"--threads=1024"}).m_threads);
    EXPECT_NE(std::string::npos, ParseError({"--threads", "0"}).find("at least 1"));
    EXPECT_NE(std::string::npos, ParseError({"-j", "1025"}).find("more than"));
    EXPECT_NE(std::string::npos, ParseError({"-j", "many"}).find("'many'"));
}

TEST(CliCommandLine, HelpWinsOverVersion) {
    EXPECT_EQ(CCommandLine::help, ParseOk({"--version", "--help"}).m_action);
    EXPECT_EQ(CCommandLine::help, ParseOk({"--help", "--version"}).m_action);
    EXPECT_EQ(CCommandLine::version, ParseOk({"--version"}).m_action);
}

// Image files.

TEST(CliImageFile, FormatByExtension) {
    EXPECT_EQ(CImageFile::png, CImageFile::FormatOf("out.png"));
    EXPECT_EQ(CImageFile::png, CImageFile::FormatOf("dir.d/OUT.PNG"));
    EXPECT_EQ(CImageFile::ppm, CImageFile::FormatOf("a.b.Ppm"));
    EXPECT_EQ(CImageFile::unknown, CImageFile::FormatOf("out.jpg"));
    EXPECT_EQ(CImageFile::unknown, CImageFile::FormatOf("pictures.png/out"));
    EXPECT_EQ(CImageFile::unknown, CImageFile::FormatOf("png"));
}

// A picture whose every pixel differs in every channel.
void FillPattern(CImage& image, int width, int height) {
    ASSERT_TRUE(image.SetSize(width, height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.SetPixel(x, y, CColour(x * 7 + y, 255 - x * 3, y * 11 + x));
}

// The picture a PNG file holds, as PPM bytes (for comparing with the golden images).
std::string DecodePngAsPpm(const std::string& path) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str()))
        return "unreadable: " + std::string(png.message);
    png.format = PNG_FORMAT_RGB;
    std::string pixels(PNG_IMAGE_SIZE(png), '\0');
    if (!png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr))
        return "undecodable: " + std::string(png.message);
    return "P6\n" + std::to_string(png.width) + " " + std::to_string(png.height) + "\n255\n" +
           pixels;
}

TEST(CliImageFile, PpmAndPngHoldTheSamePixels) {
    CImage image;
    FillPattern(image, 13, 7);
    std::string ppmPath = TestFolder() + "/pattern.ppm";
    std::string pngPath = TestFolder() + "/pattern.png";
    for (auto [path, format] :
         {std::pair{ppmPath, CImageFile::ppm}, std::pair{pngPath, CImageFile::png}}) {
        CAtomicFileWriter writer(path);
        std::string error;
        ASSERT_TRUE(CImageFile::Encode(image, format, writer, error)) << error;
        ASSERT_TRUE(writer.Commit()) << writer.GetError();
    }
    EXPECT_EQ(EncodePpm(image), ReadFile(ppmPath));
    EXPECT_EQ(EncodePpm(image), DecodePngAsPpm(pngPath));
}

TEST(CliImageFile, PngDecodesToTheSamePixelsWhetherDeflatedAtOnceOrStreamed) {
    // Sizes around the filter's three-byte reach and the data chunks' size, noise that does
    // not compress and smooth gradients that do.
    struct Size {
        int width;
        int height;
    };
    CRandom random(99);
    for (Size size : {Size{1, 1}, Size{1, 9}, Size{2, 3}, Size{640, 480}, Size{700, 600}}) {
        CImage image;
        ASSERT_TRUE(image.SetSize(size.width, size.height));
        for (int y = 0; y < size.height; ++y)
            for (int x = 0; x < size.width; ++x)
                image.SetPixel(x, y,
                               y < size.height / 2
                                   ? CColour(random.Next(), random.Next(), random.Next())
                                   : CColour(x / 3, y / 2, (x + y) / 5));
        for (std::size_t wholeLimit : {CImageFile::kWholeLimit, std::size_t{0}}) {
            std::string path = TestFolder() + "/picture.png";
            CAtomicFileWriter writer(path);
            std::string error;
            ASSERT_TRUE(CImageFile::EncodePng(image, writer, error, wholeLimit)) << error;
            ASSERT_TRUE(writer.Commit()) << writer.GetError();
            EXPECT_EQ(EncodePpm(image), DecodePngAsPpm(path))
                << size.width << " x " << size.height << (wholeLimit ? " at once" : " streamed");
        }
    }
}

TEST(CliImageFile, FailuresNameTheFile) {
    CImage image;
    FillPattern(image, 2, 2);
    CAtomicFileWriter writer(TestFolder() + "/no-such-folder/out.png");
    std::string error;
    EXPECT_FALSE(CImageFile::Encode(image, CImageFile::png, writer, error));
    EXPECT_NE(std::string::npos, error.find("no-such-folder/out.png")) << error;

    CImage empty;
    ASSERT_TRUE(empty.SetSize(4, 0));
    CAtomicFileWriter emptyWriter(TestFolder() + "/empty.ppm");
    EXPECT_FALSE(CImageFile::Encode(empty, CImageFile::ppm, emptyWriter, error));
    EXPECT_NE(std::string::npos, error.find("empty")) << error;
}

// The progress bar.

std::string DrawnBy(const std::function<void(CTerminalProgressBar&)>& use, bool enabled) {
    std::FILE* stream = std::tmpfile();
    {
        CTerminalProgressBar bar(stream, enabled);
        use(bar);
    }
    std::rewind(stream);
    std::string text;
    for (int c; (c = std::fgetc(stream)) != EOF;)
        text += static_cast<char>(c);
    std::fclose(stream);
    return text;
}

TEST(CliProgressBar, RedrawsOnlyOnChangeAndErasesItsLine) {
    std::string text = DrawnBy(
        [](CTerminalProgressBar& bar) {
            bar.SetPos(0);
            bar.SetPos(0);
            bar.SetPos(50);
            bar.Clear();
            bar.Clear();
        },
        true);
    std::string empty(40, '.');
    std::string half = std::string(20, '#') + std::string(20, '.');
    EXPECT_EQ("\rRendering [" + empty + "]   0%" + "\rRendering [" + half + "]  50%" + "\r\033[K",
              text);
}

TEST(CliProgressBar, DisabledDrawsNothing) {
    EXPECT_EQ("", DrawnBy(
                      [](CTerminalProgressBar& bar) {
                          bar.SetPos(10);
                          bar.Clear();
                      },
                      false));
}

// lumo-render itself, run as a program.

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

CliResult RunCli(const std::vector<std::string>& args, const std::string& folder = TestFolder()) {
    CliResult result;
    std::string outPath = TestFolder() + "/cli-stdout.txt";
    std::string errPath = TestFolder() + "/cli-stderr.txt";
    std::vector<std::string> argvStrings{LUMO_RENDER_EXE};
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argvStrings)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    pid_t child = fork();
    if (child == 0) {
        int in = open("/dev/null", O_RDONLY);
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || chdir(folder.c_str()) != 0)
            _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    result.out = ReadFile(outPath);
    result.err = ReadFile(errPath);
    return result;
}

std::string InFolder(const std::string& name) {
    return TestFolder() + "/" + name;
}

class CliRun : public RenderFixture {};

TEST_F(CliRun, DefaultSceneMatchesTheSerialRenderer) {
    CliResult result = RunCli({"-W", "64", "-H", "40", "-o", "out.ppm"});
    ASSERT_EQ(0, result.status) << result.err;
    EXPECT_EQ(Golden("default-64x40"), ReadFile(InFolder("out.ppm")));
    // Where it went, in full, and how long it took.
    std::string summary =
        fs::absolute(InFolder("out.ppm")).string() + ": 64 x 40 pixels, rendered in ";
    ASSERT_EQ(0u, result.out.rfind(summary, 0)) << result.out;
    std::string ms = result.out.substr(summary.size());
    EXPECT_LT(0u, ms.find_first_not_of("0123456789")) << result.out;
    EXPECT_EQ(" ms\n", ms.substr(ms.find_first_not_of("0123456789"))) << result.out;
    // The completion box on standard error; no progress bar, as it is not a terminal.
    const std::string caption = "Finished Rendering: ";
    ASSERT_EQ(0u, result.err.rfind(caption, 0)) << result.err;
    ASSERT_EQ('\n', result.err.back());
    std::string thread;
    std::string seconds;
    EXPECT_TRUE(ParseCompletionText(
        result.err.substr(caption.size(), result.err.size() - caption.size() - 1), thread, seconds))
        << result.err;
}

TEST_F(CliRun, AnyThreadCountGivesTheSamePicture) {
    for (const char* threads : {"1", "2", "5"}) {
        SCOPED_TRACE(threads);
        ASSERT_EQ(0, RunCli({"-q", "-W", "160", "-H", "100", "-j", threads, "-o", "t.ppm"}).status);
        EXPECT_EQ(Golden("default-160x100"), ReadFile(InFolder("t.ppm")));
    }
}

TEST_F(CliRun, PngHoldsTheSamePicture) {
    CliResult result = RunCli({"-W", "33", "-H", "17", "-o", InFolder("out.png")});
    ASSERT_EQ(0, result.status) << result.err;
    EXPECT_EQ(Golden("default-33x17"), DecodePngAsPpm(InFolder("out.png")));
}

TEST_F(CliRun, DefaultOutputAndSizeComeFromTheWorkingFolderAndProfile) {
    CliResult result = RunCli({"-q"});
    ASSERT_EQ(0, result.status) << result.err;
    EXPECT_EQ("", result.out);
    EXPECT_EQ("", result.err);
    std::string picture = DecodePngAsPpm(InFolder("lumo.png"));
    EXPECT_EQ(0u, picture.rfind("P6\n320 200\n255\n", 0)) << picture.substr(0, 20);

    ASSERT_TRUE(CSettingsStore::Profile().WriteInt("Lumo", "Width", 17));
    ASSERT_TRUE(CSettingsStore::Profile().WriteInt("Lumo", "Height", 31));
    ASSERT_EQ(0, RunCli({"-q", "-o", "profile.ppm"}).status);
    EXPECT_EQ(Golden("default-17x31"), ReadFile(InFolder("profile.ppm")));
}

TEST_F(CliRun, ProfileSizeThatCannotMakeAnImage) {
    ASSERT_TRUE(CSettingsStore::Profile().WriteInt("Lumo", "Height", 0));
    CliResult result = RunCli({"-o", "x.png"});
    EXPECT_EQ(2, result.status);
    EXPECT_NE(std::string::npos, result.err.find("\"Height\" is 0")) << result.err;
    EXPECT_FALSE(fs::exists(InFolder("x.png")));
    // A size given on the command line replaces it.
    EXPECT_EQ(0, RunCli({"-q", "-H", "2", "-o", "x.png"}).status);
}

TEST_F(CliRun, HostileProfileValuesAreRefusedOrCapped) {
    CSettingsStore profile = CSettingsStore::Profile();
    for (auto [width, height] : {std::pair{2147483647, 2147483647}, std::pair{2147483647, 1},
                                 std::pair{-1, 200}, std::pair{320, -2147483647 - 1}}) {
        ASSERT_TRUE(profile.WriteInt("Lumo", "Width", width));
        ASSERT_TRUE(profile.WriteInt("Lumo", "Height", height));
        CliResult result = RunCli({"-o", "x.png"});
        EXPECT_EQ(2, result.status) << width << " x " << height;
        EXPECT_EQ(result.err.size() - 1, result.err.find('\n')) << result.err;
        EXPECT_FALSE(fs::exists(InFolder("x.png")));
    }
    // The deepest "MaxRecursion" still renders (capped), like -1 does.
    ASSERT_TRUE(profile.WriteInt("Lumo", "MaxRecursion", 2147483647));
    EXPECT_EQ(0, RunCli({"-q", "-W", "16", "-H", "10", "-o", "deep.ppm"}).status);
}

TEST_F(CliRun, FailedImageWriteKeepsTheOldPicture) {
    WriteFile(InFolder("keep.ppm"), "the old picture");
    CliResult result;
    WithFileSizeLimit(1000, [&] {
        result = RunCli({"-q", "-W", "64", "-H", "40", "-o", "keep.ppm"});
    });
    EXPECT_EQ(1, result.status);
    EXPECT_NE(std::string::npos, result.err.find("keep.ppm")) << result.err;
    EXPECT_EQ("the old picture", ReadFile(InFolder("keep.ppm")));
    int leftovers = 0;
    for (const auto& entry : fs::directory_iterator(TestFolder()))
        leftovers += entry.path().filename().string().rfind(".keep.ppm", 0) == 0;
    EXPECT_EQ(0, leftovers);
}

TEST_F(CliRun, MaxRecursionOverridesForThisRunOnly) {
    CliResult result =
        RunCli({"-q", "-W", "64", "-H", "40", "--max-recursion", "2", "-o", "deep.ppm"});
    ASSERT_EQ(0, result.status) << result.err;
    std::string deep = ReadFile(InFolder("deep.ppm"));
    EXPECT_EQ(-7, CSettingsStore::Profile().GetInt("Lumo", "MaxRecursion", -7));
    EXPECT_NE(Golden("default-64x40"), deep);
    StoreMaxRecursion(2);
    EXPECT_EQ(RenderToPpm(*doc, 64, 40), deep);
}

TEST_F(CliRun, NegativeMaxRecursionFinishes) {
    StoreMaxRecursion(-1);
    EXPECT_EQ(0, RunCli({"-q", "-W", "32", "-H", "20", "-o", "a.ppm"}).status);
    EXPECT_EQ(0,
              RunCli({"-q", "-W", "32", "-H", "20", "--max-recursion=-1", "-o", "b.ppm"}).status);
    EXPECT_EQ(ReadFile(InFolder("a.ppm")), ReadFile(InFolder("b.ppm")));
}

TEST_F(CliRun, ScriptIsParsedIntoTheScene) {
    std::string script = "// a ball in front of the camera\nsphere { 0.0 -5.0 -60.0 10.0 }\n";
    WriteFile(InFolder("ball.lmo"), script);
    CliResult result = RunCli({"-W", "64", "-H", "40", "-o", "a.ppm", "ball.lmo"});
    ASSERT_EQ(0, result.status) << result.err;
    // The parser's box for each sphere is shown only with --verbose; the completion box always.
    EXPECT_EQ(0u, result.err.rfind("Finished Rendering: ", 0)) << result.err;
    ASSERT_EQ(0, doc->ParseScript(script.data(), script.size()));
    EXPECT_EQ(RenderToPpm(*doc, 64, 40), ReadFile(InFolder("a.ppm")));
    CliResult verbose = RunCli({"-v", "-W", "64", "-H", "40", "-o", "b.ppm", "ball.lmo"});
    ASSERT_EQ(0, verbose.status) << verbose.err;
    EXPECT_EQ(0u, verbose.err.rfind("lumo: Here -- MakeSphere()\nFinished Rendering: ", 0))
        << verbose.err;
    EXPECT_EQ(ReadFile(InFolder("a.ppm")), ReadFile(InFolder("b.ppm")));
    EXPECT_EQ(std::string::npos, RunCli({"-q", "-v", "-o", "c.ppm", "ball.lmo"}).err.find("Here"));
}

TEST_F(CliRun, LoadAddsTheScriptsObjectsToTheDefaultScene) {
    std::string script = "sphere { 0.0 -5.0 -60.0 10.0 }\n";
    WriteFile(InFolder("ball.lmo"), script);
    ASSERT_EQ(0,
              RunCli({"-q", "-W", "64", "-H", "40", "-o", "b.ppm", "--load", "ball.lmo"}).status);
    std::string loaded = ReadFile(InFolder("b.ppm"));
    EXPECT_NE(Golden("default-64x40"), loaded);
    doc->LoadScriptKeywords(script.data(), script.size());
    EXPECT_EQ(RenderToPpm(*doc, 64, 40), loaded);
}

TEST_F(CliRun, ScriptThatDoesNotParseIsNotRendered) {
    // Whole numbers are not numbers of the script language: a syntax error.
    WriteFile(InFolder("bad.lmo"), "sphere { 1 2 3 }");
    CliResult result = RunCli({"-q", "bad.lmo"});
    EXPECT_EQ(1, result.status);
    EXPECT_NE(std::string::npos, result.err.find("lumo-render: cannot render '"));
    EXPECT_NE(std::string::npos, result.err.find("syntax error"));
    EXPECT_FALSE(fs::exists(InFolder("lumo.png")));
    // The keyword loader takes it all the same.
    EXPECT_EQ(0, RunCli({"-q", "--load", "bad.lmo"}).status);
}

TEST_F(CliRun, SaveScriptWithoutOutputRendersNothing) {
    CliResult result = RunCli({"--save-script", "scene.lmo"});
    ASSERT_EQ(0, result.status) << result.err;
    EXPECT_EQ(doc->GetScriptText(), ReadFile(InFolder("scene.lmo")));
    EXPECT_FALSE(fs::exists(InFolder("lumo.png")));
    EXPECT_EQ("", result.err); // no render, no completion box

    std::string script = "sphere { 1.0 2.0 3.0 4.0 }";
    WriteFile(InFolder("one.lmo"), script);
    result = RunCli({"-q", "--save-script", "both.lmo", "-o", "both.png", "one.lmo"});
    ASSERT_EQ(0, result.status) << result.err;
    ASSERT_EQ(0, doc->ParseScript(script.data(), script.size()));
    EXPECT_EQ(doc->GetScriptText(), ReadFile(InFolder("both.lmo")));
    EXPECT_TRUE(fs::exists(InFolder("both.png")));
}

TEST_F(CliRun, ErrorsAreOneLineWithAStatusAndWriteNothing) {
    fs::create_directories(InFolder("a-folder"));
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;
    };
    for (const Case& c : {
             Case{{"missing.lmo"}, 1, "missing.lmo"},
             Case{{"a-folder"}, 1, "a-folder"},
             Case{{"-o", "no-such-folder/out.png"}, 1, "no-such-folder/out.png"},
             Case{{"--save-script", "no-such-folder/s.lmo"}, 1, "no-such-folder/s.lmo"},
             Case{{"--frobnicate"}, 2, "--frobnicate"},
             Case{{"-W", "0"}, 2, "at least 1"},
             Case{{"-H", "-3"}, 2, "at least 1"},
             Case{{"--width", "wide"}, 2, "'wide'"},
             Case{{"-W", "99999999999"}, 2, "too large"},
             Case{{"-W", "900000", "-H", "900000"}, 2, "memory"},
             Case{{"-W", "1000001", "-H", "1"}, 2, "at most 1000000"},
             Case{{"-W", "2147483647", "-H", "2147483647"}, 2, "2147483647"},
             Case{{"-o", "out.jpg"}, 2, "out.jpg"},
             Case{{"--threads", "0"}, 2, "at least 1"},
         }) {
        std::string command;
        for (const std::string& arg : c.args)
            command += " " + arg;
        SCOPED_TRACE(command);
        CliResult result = RunCli(c.args);
        EXPECT_EQ(c.status, result.status);
        EXPECT_EQ("", result.out);
        EXPECT_EQ(0u, result.err.rfind("lumo-render: ", 0)) << result.err;
        ASSERT_FALSE(result.err.empty());
        EXPECT_EQ(result.err.size() - 1, result.err.find('\n')) << result.err;
        EXPECT_NE(std::string::npos, result.err.find(c.says)) << result.err;
        EXPECT_FALSE(fs::exists(InFolder("lumo.png")));
    }
}

TEST_F(CliRun, HelpAndVersion) {
    CliResult help = RunCli({"--help"});
    EXPECT_EQ(0, help.status);
    EXPECT_EQ(0u, help.out.rfind("Usage: lumo-render [options] [SCRIPT]\n", 0));
    EXPECT_NE(std::string::npos, help.out.find("--max-recursion"));
    CliResult version = RunCli({"--version"});
    EXPECT_EQ(0, version.status);
    EXPECT_EQ(std::string("lumo-render ") + LUMO_VERSION + "\n", version.out);
}

} // namespace
