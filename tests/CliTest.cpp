#include "RendererTestSupport.h"

#include "cli/CommandLine.h"
#include "cli/RenderCommand.h"
#include "cli/TerminalProgressBar.h"
#include "core/Random.h"
#include "platform/AtomicFileWriter.h"
#include "render/ImageFile.h"
#include "render/RenderEstimator.h"
#include "script/SceneFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <png.h>
#include <sys/resource.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sstream>
#include <sys/stat.h>
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

TEST(CliCommandLine, DepthIsEightOrSixteen) {
    EXPECT_EQ(8u, ParseOk({}).m_depth);
    EXPECT_EQ(16u, ParseOk({"--depth", "16"}).m_depth);
    EXPECT_EQ(8u, ParseOk({"--depth=16", "--depth=8"}).m_depth);
    for (const char* bad : {"12", "016", "16bit", ""})
        EXPECT_NE(std::string::npos, ParseError({"--depth", bad}).find("8 or 16")) << bad;
}

TEST(CliCommandLine, HelpWinsOverVersion) {
    EXPECT_EQ(CCommandLine::help, ParseOk({"--version", "--help"}).m_action);
    EXPECT_EQ(CCommandLine::help, ParseOk({"--help", "--version"}).m_action);
    EXPECT_EQ(CCommandLine::version, ParseOk({"--version"}).m_action);
}

// The help is made from the parser's own list: every name it takes is listed, and every option
// line the help shows is a name the parser takes.
TEST(CliCommandLine, HelpListsEveryOptionTheParserKnows) {
    std::vector<std::string> names = CCommandLine::OptionNames();
    ASSERT_LE(13u, names.size());
    std::string usage = CCommandLine::Usage();
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        bool listed = usage.find(" " + name + " ") != std::string::npos ||
                      usage.find(" " + name + "\n") != std::string::npos ||
                      usage.find(" " + name + ", ") != std::string::npos;
        EXPECT_TRUE(listed) << usage;
        CCommandLine commandLine;
        std::string error;
        CCommandLine::Parse({name, "x.png"}, commandLine, error);
        EXPECT_EQ(std::string::npos, error.find("unknown option")) << error;
    }
    std::istringstream lines(usage);
    std::string line;
    int listedOptions = 0;
    while (std::getline(lines, line)) {
        EXPECT_GE(80u, line.size()) << line;
        // An option's line starts with its names; its description's further lines are indented.
        std::size_t start = line.find_first_not_of(' ');
        std::size_t dashes = line.find("--");
        if (start == std::string::npos || start > 6 || line[start] != '-' ||
            dashes == std::string::npos)
            continue;
        ++listedOptions;
        std::string name = line.substr(dashes, line.find(' ', dashes) - dashes);
        EXPECT_NE(names.end(), std::find(names.begin(), names.end(), name)) << line;
    }
    EXPECT_EQ(16, listedOptions);
}

TEST(CliCommandLine, ValuesAreTakenAsGivenWhateverTheyLookLike) {
    EXPECT_EQ("-x", ParseOk({"-o", "-x"}).OutputPath());
    EXPECT_EQ("--quiet=yes", ParseOk({"--output", "--quiet=yes"}).OutputPath());
    EXPECT_EQ("=b.png", ParseOk({"-o=b.png"}).OutputPath());
    EXPECT_EQ("--", ParseOk({"-o", "--", "a.lmo"}).OutputPath());
    EXPECT_EQ("a.lmo", ParseOk({"-o", "--", "a.lmo"}).m_script);
    EXPECT_EQ(3, ParseOk({"-W3"}).m_width);
    EXPECT_NE(std::string::npos, ParseError({"--width=", "5"}).find("not ''"));
    EXPECT_NE(std::string::npos, ParseError({"--output="}).find("file name"));
    EXPECT_TRUE(ParseOk({"-q", "-q", "--quiet"}).m_quiet);
    // After "--" everything is a SCRIPT, a second "--" too.
    EXPECT_EQ("-q", ParseOk({"--", "-q"}).m_script);
    EXPECT_FALSE(ParseOk({"--", "-q"}).m_quiet);
    EXPECT_NE(std::string::npos, ParseError({"a.lmo", "--", "--"}).find("'a.lmo' and '--'"));
    EXPECT_NE(std::string::npos, ParseError({"-xq"}).find("'-x'"));
    EXPECT_NE(std::string::npos, ParseError({""}).find("SCRIPT name is empty"));
    EXPECT_NE(std::string::npos, ParseError({"--threads"}).find("-j/--threads needs a value"));
}

// Image files.

TEST(CliImageFile, FormatByExtension) {
    EXPECT_EQ(CImageFile::png, CImageFile::FormatOf("out.png"));
    EXPECT_EQ(CImageFile::png, CImageFile::FormatOf("dir.d/OUT.PNG"));
    EXPECT_EQ(CImageFile::ppm, CImageFile::FormatOf("a.b.Ppm"));
    EXPECT_EQ(CImageFile::exr, CImageFile::FormatOf("out.EXR"));
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

TEST(CliProgressBar, TimesFollowThePercentageAndTheLineIsClearedAfterThem) {
    std::string text = DrawnBy(
        [](CTerminalProgressBar& bar) {
            bar.SetTimes(3.2, std::nullopt);
            bar.SetPos(10);
            bar.SetTimes(3.4, std::nullopt); // the same whole seconds: nothing to redraw
            bar.SetPos(10);
            bar.SetTimes(65.0, 3600.0 + 9.0);
            bar.SetPos(10);
        },
        true);
    std::string bar = std::string(4, '#') + std::string(36, '.');
    EXPECT_EQ("\rRendering [" + bar + "]  10%  0:03 elapsed\033[K" + "\rRendering [" + bar +
                  "]  10%  1:05 elapsed, 1:00:09 left\033[K" + "\r\033[K",
              text);
}

// The bar fed by an estimator shows the time since the render began, and the time left once
// the rows say something.
TEST(CliProgressBar, AnEstimatorsTimesAreShown) {
    CRenderEstimator estimator;
    estimator.SetProfile(std::vector<double>(4, 1.0), 0, 10, 0);
    auto start = CRenderEstimator::Clock::now() - std::chrono::seconds(8);
    estimator.Start(start);
    std::string text = DrawnBy(
        [&](CTerminalProgressBar& bar) {
            bar.UseEstimator(&estimator);
            bar.TracingStarted();
            bar.Progress(0);
            estimator.TracingStarted(start);
            estimator.RowFinished(0, 0, 10, start + std::chrono::seconds(7));
            bar.Progress(25);
        },
        true);
    EXPECT_NE(std::string::npos, text.find("   0%  0:08 elapsed\033[K")) << text;
    EXPECT_NE(std::string::npos, text.find("  25%  0:08 elapsed, 0:20 left\033[K")) << text;
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

// Where a run's standard streams come from and go: by default nothing comes in, and what goes
// out is kept in files of the test folder.
struct CliStreams {
    std::string in = "/dev/null";
    std::string out; // empty: kept
};

std::vector<std::string> CliArgv(const std::vector<std::string>& args) {
    std::vector<std::string> argv{LUMO_RENDER_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

// In a child that has just been forked: becomes lumo-render in the folder.
[[noreturn]] void ExecCli(std::vector<std::string> argvStrings, const std::string& folder) {
    std::vector<char*> argv;
    for (std::string& arg : argvStrings)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (chdir(folder.c_str()) == 0)
        execv(argv[0], argv.data());
    _exit(127);
}

CliResult RunCli(const std::vector<std::string>& args, const std::string& folder = TestFolder(),
                 const CliStreams& streams = {}) {
    CliResult result;
    std::string outPath = streams.out.empty() ? TestFolder() + "/cli-stdout.txt" : streams.out;
    std::string errPath = TestFolder() + "/cli-stderr.txt";
    std::vector<std::string> argv = CliArgv(args);
    pid_t child = fork();
    if (child == 0) {
        int in = open(streams.in.c_str(), O_RDONLY);
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0)
            _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        ExecCli(argv, folder);
    }
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    if (streams.out.empty())
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
    // Whole numbers are not numbers of the script language: the parser meets the "}" of the
    // second statement. One line says where, from the scanner's count of lines and columns.
    WriteFile(InFolder("bad.lmo"), "sphere { 1.0 2.0 3.0 }\n  sphere { 1 2 3 }");
    CliResult result = RunCli({"-q", "bad.lmo"});
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("lumo-render: bad.lmo:2:18: parse error (near '}')\n", result.err);
    EXPECT_FALSE(fs::exists(InFolder("lumo.png")));
    // The keyword loader takes it all the same.
    EXPECT_EQ(0, RunCli({"-q", "--load", "bad.lmo"}).status);

    // A script that ends too early; a scanner failure says where the text it gave up on starts.
    WriteFile(InFolder("short.lmo"), "sphere { 1.0\n");
    EXPECT_EQ("lumo-render: short.lmo:2:1: parse error (at the end of the script)\n",
              RunCli({"short.lmo"}).err);
}

TEST_F(CliRun, SavingAWorldPlaneAsAScriptSaysWhatItWrote) {
    WriteFile(InFolder("world.lscene"), "{ lumo scene 1 }\n"
                                        "camera { eye { 0 -5 -110 } look { 0 0 1 } }\n"
                                        "plane world { 0 1 0 -40 }\n");
    CliResult result = RunCli({"--save-script", "world.lmo", "world.lscene"});
    ASSERT_EQ(0, result.status) << result.err;
    EXPECT_EQ("lumo-render: world.lmo: Object 1 is a plane fixed in the world, which a script "
              "cannot hold: it was written as the eye-relative plane 0 1 0 -50 that the eye at 0 "
              "-5 -110 sees in its place, and it will move with the eye once read back.\n",
              result.err);
    EXPECT_NE(std::string::npos, ReadFile(InFolder("world.lmo")).find(" 50.000000 \n"));
    // Quiet: the comment in the file is all that says so.
    result = RunCli({"-q", "--save-script", "quiet.lmo", "world.lscene"});
    ASSERT_EQ(0, result.status) << result.err;
    EXPECT_EQ("", result.err);
    EXPECT_EQ(ReadFile(InFolder("world.lmo")), ReadFile(InFolder("quiet.lmo")));
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

namespace {

// Standard output carries the summary line alone: the scanner's newline echo never reaches it,
// so a script of many lines cannot flood a pipe (or kill lumo-render of SIGPIPE before it writes
// the picture).
TEST_F(CliRun, StandardOutputCarriesOnlyTheSummary) {
    std::string script;
    for (int i = 0; i < 2000; ++i)
        script += "sphere { 0.0 -5.0 -60.0 10.0 }\n";
    WriteFile(InFolder("many.lmo"), script);
    CliResult result = RunCli({"-W", "16", "-H", "10", "-o", "many.ppm", "many.lmo"});
    ASSERT_EQ(0, result.status) << result.err;
    EXPECT_EQ(0u, result.out.find(fs::absolute(InFolder("many.ppm")).string() + ": 16 x 10"))
        << result.out.substr(0, 80);
    EXPECT_EQ(result.out.size() - 1, result.out.find('\n'));

    result = RunCli({"-q", "-W", "16", "-H", "10", "-o", "many.ppm", "many.lmo"});
    ASSERT_EQ(0, result.status) << result.err;
    EXPECT_EQ("", result.out);
    // Nor does the echo go to standard error with -v: only the message boxes do.
    result = RunCli({"-v", "-W", "16", "-H", "10", "-o", "many.ppm", "many.lmo"});
    EXPECT_EQ(std::string::npos, result.err.find("\n\n"));
}

TEST_F(CliRun, AFailureToWriteStandardOutputIsAnError) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-W", "8", "-H", "8", "-o", "full.ppm"},
          {"--help"},
          {"--version"}}) {
        CliResult result = RunCli(args, TestFolder(), {.out = "/dev/full"});
        EXPECT_EQ(1, result.status) << args[0];
        EXPECT_EQ("lumo-render: cannot write standard output: No space left on device\n",
                  result.err.substr(result.err.find("lumo-render: ")))
            << result.err;
    }
    // The picture is in place all the same: only the summary was lost.
    EXPECT_EQ(0u, ReadFile(InFolder("full.ppm")).rfind("P6\n8 8\n255\n", 0));
}

TEST_F(CliRun, ScriptFromStandardInput) {
    std::string script = "sphere { 0.0 -5.0 -60.0 10.0 }\n";
    WriteFile(InFolder("ball.lmo"), script);
    ASSERT_EQ(0, RunCli({"-q", "-W", "64", "-H", "40", "-o", "file.ppm", "ball.lmo"}).status);
    CliResult result = RunCli({"-q", "-W", "64", "-H", "40", "-o", "stdin.ppm", "-"}, TestFolder(),
                              {.in = InFolder("ball.lmo"), .out = ""});
    ASSERT_EQ(0, result.status) << result.err;
    EXPECT_EQ(ReadFile(InFolder("file.ppm")), ReadFile(InFolder("stdin.ppm")));

    // The keyword loader reads standard input too.
    ASSERT_EQ(0, RunCli({"-q", "-W", "64", "-H", "40", "-o", "load.ppm", "--load", "-"},
                        TestFolder(), {.in = InFolder("ball.lmo"), .out = ""})
                     .status);
    doc->LoadScriptKeywords(script.data(), script.size());
    EXPECT_EQ(RenderToPpm(*doc, 64, 40), ReadFile(InFolder("load.ppm")));

    WriteFile(InFolder("bad.lmo"), "sphere { 1 }");
    EXPECT_EQ("lumo-render: <stdin>:1:12: parse error (near '}')\n",
              RunCli({"-q", "-"}, TestFolder(), {.in = InFolder("bad.lmo"), .out = ""}).err);
}

TEST_F(CliRun, PictureToStandardOutput) {
    CliResult result =
        RunCli({"-W", "33", "-H", "17", "-o", "-"}, TestFolder(), {.out = InFolder("piped.png")});
    ASSERT_EQ(0, result.status) << result.err;
    EXPECT_EQ(Golden("default-33x17"), DecodePngAsPpm(InFolder("piped.png")));
    // The summary goes to standard error, after the completion box.
    EXPECT_NE(std::string::npos, result.err.find("\nstandard output: 33 x 17 pixels, rendered in "))
        << result.err;
    EXPECT_FALSE(fs::exists(InFolder("-")));
}

// The files made from the levels are the render's levels, whatever the threads, to a file or
// (a 16-bit PNG) to standard output; the 8-bit picture stays as it was.
TEST_F(CliRun, OpenExrAndSixteenBitPngHoldTheRendersLevels) {
    RenderOptions options = WholePicture(33, 17, {.antialias = 2});
    options.keepLevels = true;
    RenderResult result = Render(CRenderScene::Snapshot(*doc), options);
    std::string error;
    ASSERT_TRUE(CImageFile::Write(result.levels, CImageFile::exr, InFolder("expected.exr"), error));
    ASSERT_TRUE(
        CImageFile::Write(result.levels, CImageFile::png16, InFolder("expected.png"), error));

    std::vector<std::string> args = {"-q", "-W", "33", "-H", "17", "--aa", "2"};
    auto run = [&](std::vector<std::string> more, const CliStreams& streams = {}) {
        std::vector<std::string> all = args;
        all.insert(all.end(), more.begin(), more.end());
        CliResult cli = RunCli(all, TestFolder(), streams);
        EXPECT_EQ(0, cli.status) << cli.err;
    };
    run({"-o", "out.exr"});
    EXPECT_EQ(ReadFile(InFolder("expected.exr")), ReadFile(InFolder("out.exr")));
    run({"--depth", "16", "-o", "out16.png"});
    EXPECT_EQ(ReadFile(InFolder("expected.png")), ReadFile(InFolder("out16.png")));
    run({"--depth", "16", "-o", "-"}, {.out = InFolder("piped16.png")});
    EXPECT_EQ(ReadFile(InFolder("expected.png")), ReadFile(InFolder("piped16.png")));
    run({"--depth", "8", "-o", "out8.png"});
    EXPECT_EQ(EncodePpm(result.picture), DecodePngAsPpm(InFolder("out8.png")));
}

TEST_F(CliRun, DepthSixteenIsForPngAlone) {
    for (const char* output : {"x.ppm", "x.exr"}) {
        CliResult result = RunCli({"--depth", "16", "-o", output});
        EXPECT_EQ(2, result.status);
        EXPECT_EQ(0u, result.err.rfind("lumo-render: --depth 16 is for PNG pictures", 0))
            << result.err;
        EXPECT_EQ(result.err.size() - 1, result.err.find('\n')) << result.err;
        EXPECT_FALSE(fs::exists(InFolder(output)));
    }
    EXPECT_EQ(2, RunCli({"--depth", "24", "-o", "x.png"}).status);
    EXPECT_FALSE(fs::exists(InFolder("x.png")));
}

TEST_F(CliRun, ShortHelp) {
    CliResult help = RunCli({"-h"});
    EXPECT_EQ(0, help.status);
    EXPECT_EQ(RunCli({"--help"}).out, help.out);
    EXPECT_NE(std::string::npos, help.out.find("-h, --help"));
}

// Writing over an existing picture.

TEST(AtomicFileWriter, ALinkStaysALinkAndItsTargetIsReplaced) {
    std::string folder = TestPath("links");
    fs::create_directories(folder + "/pictures");
    WriteFile(folder + "/pictures/real.png", "old");
    fs::create_symlink("pictures/real.png", folder + "/link.png");
    fs::create_symlink("link.png", folder + "/chain.png");
    for (const char* name : {"/link.png", "/chain.png"}) {
        CAtomicFileWriter writer(folder + name);
        ASSERT_TRUE(writer.Write(std::string("new") + name)) << writer.GetError();
        ASSERT_TRUE(writer.Commit()) << writer.GetError();
        EXPECT_TRUE(fs::is_symlink(folder + name));
        EXPECT_EQ(std::string("new") + name, ReadFile(folder + "/pictures/real.png"));
    }
    // Nothing but the folder and the two links beside them, and the real file alone in its
    // folder: the temporary files sat beside the real file, and are gone.
    EXPECT_EQ(3, std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    EXPECT_EQ(
        1, std::distance(fs::directory_iterator(folder + "/pictures"), fs::directory_iterator()));

    // A link to a file not yet there creates the file; a loop of links is refused.
    fs::create_symlink("pictures/later.png", folder + "/dangling.png");
    CAtomicFileWriter later(folder + "/dangling.png");
    ASSERT_TRUE(later.Write("later"));
    ASSERT_TRUE(later.Commit()) << later.GetError();
    EXPECT_EQ("later", ReadFile(folder + "/pictures/later.png"));
    fs::create_symlink("loop-b.png", folder + "/loop-a.png");
    fs::create_symlink("loop-a.png", folder + "/loop-b.png");
    CAtomicFileWriter loop(folder + "/loop-a.png");
    EXPECT_FALSE(loop.IsOk());
    EXPECT_NE(std::string::npos, loop.GetError().find("loop-a.png")) << loop.GetError();
}

TEST(AtomicFileWriter, AReplacedFileKeepsItsPermissions) {
    std::string path = TestPath("private.ppm");
    WriteFile(path, "old");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    CAtomicFileWriter writer(path);
    ASSERT_TRUE(writer.Write("new"));
    ASSERT_TRUE(writer.Commit()) << writer.GetError();
    EXPECT_EQ("new", ReadFile(path));
    EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write,
              fs::status(path).permissions() & fs::perms::all);

    // A new file gets what the umask leaves of 0666.
    mode_t mask = umask(027);
    CAtomicFileWriter fresh(TestPath("fresh.ppm"));
    ASSERT_TRUE(fresh.Commit());
    umask(mask);
    EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read,
              fs::status(TestPath("fresh.ppm")).permissions() & fs::perms::all);
}

TEST_F(CliRun, WritingThroughALinkKeepsTheLinkAndTheMode) {
    WriteFile(InFolder("real.ppm"), "old");
    fs::permissions(InFolder("real.ppm"), fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("real.ppm", InFolder("link.ppm"));
    ASSERT_EQ(0, RunCli({"-q", "-W", "64", "-H", "40", "-o", "link.ppm"}).status);
    EXPECT_TRUE(fs::is_symlink(InFolder("link.ppm")));
    EXPECT_EQ(Golden("default-64x40"), ReadFile(InFolder("real.ppm")));
    EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write,
              fs::status(InFolder("real.ppm")).permissions() & fs::perms::all);
}

// Interrupts, with real signals: lumo-render is started on a render that takes seconds and is
// signalled as soon as its temporary file shows that the render is under way.

// The temporary files of the picture that are left in the folder.
std::vector<std::string> Leftovers(const std::string& picture) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(TestFolder())) {
        std::string name = entry.path().filename().string();
        if (name.rfind("." + picture + ".", 0) == 0)
            names.push_back(name);
    }
    return names;
}

// Waits (up to a minute) until the condition holds; false if it never did.
template <typename Condition> bool WaitFor(Condition condition) {
    for (int i = 0; i < 6000; ++i) {
        if (condition())
            return true;
        usleep(10000);
    }
    return false;
}

const std::vector<std::string> kLongRender = {
    "-q", "-W", "6000", "-H", "6000", "-j", "1", "--max-recursion", "5", "-o", "victim.png"};

TEST_F(CliRun, InterruptedRenderRemovesItsTemporaryFileAndKeepsTheOldPicture) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        WriteFile(InFolder("victim.png"), "the old picture");
        std::vector<std::string> argv = CliArgv(kLongRender);
        pid_t child = fork();
        if (child == 0) {
            int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
            ExecCli(argv, TestFolder());
        }
        ASSERT_GT(child, 0);
        bool started = WaitFor([] { return !Leftovers("victim.png").empty(); });
        kill(child, signal);
        int status = 0;
        ASSERT_EQ(child, waitpid(child, &status, 0));
        ASSERT_TRUE(started);
        ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
        EXPECT_EQ(128 + signal, WEXITSTATUS(status));
        EXPECT_EQ(std::vector<std::string>{}, Leftovers("victim.png"));
        EXPECT_EQ("the old picture", ReadFile(InFolder("victim.png")));
    }
}

// lumo-render with its standard error (and, when asked, its standard output) on a terminal: the
// master side of a pseudo-terminal, which the test reads.
struct TerminalRun {
    pid_t child = -1;
    int master = -1;
    std::string seen;

    // Reads what is there, waiting up to a tenth of a second; false at the terminal's end.
    bool ReadSome() {
        pollfd ready{master, POLLIN, 0};
        if (poll(&ready, 1, 100) <= 0)
            return true;
        char buffer[4096];
        ssize_t count = read(master, buffer, sizeof buffer);
        if (count <= 0)
            return false;
        seen.append(buffer, static_cast<std::size_t>(count));
        return true;
    }
    // The exit status, after reading everything to the end.
    int Finish() {
        while (ReadSome()) {
        }
        int status = 0;
        waitpid(child, &status, 0);
        close(master);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TerminalRun StartOnTerminal(const std::vector<std::string>& args, bool outputToo) {
    TerminalRun run;
    run.master = posix_openpt(O_RDWR | O_NOCTTY);
    if (run.master < 0 || grantpt(run.master) != 0 || unlockpt(run.master) != 0)
        return run;
    std::string slave = ptsname(run.master);
    std::vector<std::string> argv = CliArgv(args);
    run.child = fork();
    if (run.child == 0) {
        setsid();
        int terminal = open(slave.c_str(), O_RDWR);
        int null = open("/dev/null", O_RDWR);
        if (terminal < 0 || null < 0)
            _exit(127);
        dup2(null, 0);
        dup2(outputToo ? terminal : null, 1);
        dup2(terminal, 2);
        ExecCli(argv, TestFolder());
    }
    return run;
}

TEST_F(CliRun, InterruptEndsTheProgressLine) {
    std::vector<std::string> args = kLongRender;
    args.erase(args.begin()); // not quiet: the bar is drawn
    TerminalRun run = StartOnTerminal(args, false);
    ASSERT_GT(run.child, 0);
    bool drawn = WaitFor([&] {
        run.ReadSome();
        return run.seen.find("Rendering [") != std::string::npos;
    });
    kill(run.child, SIGINT);
    EXPECT_EQ(130, run.Finish());
    ASSERT_TRUE(drawn) << run.seen;
    // The bar stays as it was drawn, and its line is ended.
    ASSERT_FALSE(run.seen.empty());
    EXPECT_EQ('\n', run.seen.back());
    EXPECT_EQ(0u, run.seen.rfind("\rRendering [", 0));
    EXPECT_EQ(std::vector<std::string>{}, Leftovers("victim.png"));
}

TEST_F(CliRun, NoPictureOntoATerminal) {
    TerminalRun run = StartOnTerminal({"-W", "8", "-H", "8", "-o", "-"}, true);
    ASSERT_GT(run.child, 0);
    EXPECT_EQ(2, run.Finish());
    EXPECT_NE(std::string::npos,
              run.seen.find("lumo-render: will not write a picture to a terminal"))
        << run.seen;
    EXPECT_EQ(std::string::npos, run.seen.find("PNG"));
}

} // namespace

namespace {
// A scene file given as SCRIPT is rendered whole, as the window renders it; --save-scene keeps
// the scene that would be rendered.
TEST_F(CliRun, SceneFilesAreRenderedWholeAndSaved) {
    ASSERT_EQ(0, RunCli({"--save-scene", "default.lscene"}).status);
    std::string expected, error;
    ASSERT_TRUE(CSceneFile::Write(*doc, expected, error));
    EXPECT_EQ(expected, ReadFile(InFolder("default.lscene")));
    EXPECT_FALSE(fs::exists(InFolder("lumo.png"))); // saving alone renders nothing

    // A scene a script cannot say: a moved camera, a second light, a red background.
    doc->SetEye(CVector(10.0, -20.0, -120.0));
    auto light = std::make_unique<CLight>(CVector(-80.0, -60.0, -50.0));
    light->SetColour(CColour(0.5f, 0.25f, 0.0f));
    doc->m_lights.pop_back();
    doc->AddLight(std::move(light));
    doc->m_lights.push_back(doc->m_lights.front());
    doc->m_background = CColour(200, 30, 30);
    ASSERT_TRUE(CSceneFile::Save(*doc, InFolder("moved.lscene"), error)) << error;
    CliResult result = RunCli({"-q", "-W", "48", "-H", "30", "moved.lscene", "-o", "moved.ppm"});
    ASSERT_EQ(0, result.status) << result.err;
    EXPECT_EQ(RenderToPpm(*doc, 48, 30), ReadFile(InFolder("moved.ppm")));

    WriteFile(InFolder("broken.lscene"), "{ lumo scene 1 }\ncamera { eye { 1 2 } }");
    result = RunCli({"-q", "broken.lscene"});
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("lumo-render: broken.lscene:2:20: expected a number, found '}'\n", result.err);
}
} // namespace

namespace {
// --aa N, or the scene file's antialias statement, renders N x N rays a pixel; --aa wins.
TEST_F(CliRun, AntialiasingFromTheOptionOrTheSceneFile) {
    EXPECT_NE(std::string::npos, ParseError({"--aa", "0"}).find("from 1 to 16"));
    EXPECT_NE(std::string::npos, ParseError({"--aa", "17"}).find("from 1 to 16"));
    std::string twice = RenderToPpm(*doc, 40, 24, {.antialias = 2});
    std::string once = RenderToPpm(*doc, 40, 24);
    ASSERT_NE(twice, once);
    ASSERT_EQ(0, RunCli({"-q", "-W", "40", "-H", "24", "--aa", "2", "-o", "aa.ppm"}).status);
    EXPECT_EQ(twice, ReadFile(InFolder("aa.ppm")));

    doc->m_antialias = 2;
    std::string error;
    ASSERT_TRUE(CSceneFile::Save(*doc, InFolder("smooth.lscene"), error)) << error;
    EXPECT_NE(std::string::npos, ReadFile(InFolder("smooth.lscene")).find("antialias 2\n"));
    ASSERT_EQ(0, RunCli({"-q", "-W", "40", "-H", "24", "smooth.lscene", "-o", "s.ppm"}).status);
    EXPECT_EQ(twice, ReadFile(InFolder("s.ppm")));
    ASSERT_EQ(0,
              RunCli({"-q", "-W", "40", "-H", "24", "--aa", "1", "smooth.lscene", "-o", "s1.ppm"})
                  .status);
    EXPECT_EQ(once, ReadFile(InFolder("s1.ppm")));
}
} // namespace
