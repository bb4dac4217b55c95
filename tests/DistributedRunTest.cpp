// One picture from many processes, run as programs: lumo-render's parts joined, and lumo-mpi
// under mpirun (when it is built), each byte for byte lumo-render's whole picture; the faults
// that must leave no picture behind.

#include "TestFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1; // the exit status, or 128 + the signal that ended it
    std::string out;
    std::string err;
};

// Starts the program in the test's folder with its output in files there.
pid_t Start(const std::vector<std::string>& argv,
            const std::vector<std::string>& environment = {}) {
    std::string out = TestPath("run-stdout.txt");
    std::string err = TestPath("run-stderr.txt");
    pid_t child = fork();
    if (child == 0) {
        int in = open("/dev/null", O_RDONLY);
        int outFile = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int errFile = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || outFile < 0 || errFile < 0 || chdir(TestFolder().c_str()) != 0)
            _exit(127);
        dup2(in, 0);
        dup2(outFile, 1);
        dup2(errFile, 2);
        for (const std::string& variable : environment)
            putenv(strdup(variable.c_str()));
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(strdup(arg.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    return child;
}

Outcome Finish(pid_t child) {
    Outcome outcome;
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child)
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    outcome.out = ReadFile(TestPath("run-stdout.txt"));
    outcome.err = ReadFile(TestPath("run-stderr.txt"));
    return outcome;
}

Outcome RunProgram(const std::vector<std::string>& argv,
                   const std::vector<std::string>& environment = {}) {
    return Finish(Start(argv, environment));
}

std::vector<std::string> Render(const std::vector<std::string>& args) {
    std::vector<std::string> argv{std::string(LUMO_RENDER_EXE)};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

// Temporary files of the picture left in the test's folder.
std::vector<std::string> Leftovers(const std::string& picture) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(TestFolder()))
        if (entry.path().filename().string().rfind("." + picture + ".", 0) == 0)
            names.push_back(entry.path().filename().string());
    return names;
}

// The errors a run printed, without the progress bar and the completion message.
std::vector<std::string> ErrorLines(const std::string& err) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < err.size()) {
        std::size_t end = err.find('\n', start);
        std::string line = err.substr(start, end - start);
        if (line.rfind("lumo-", 0) == 0)
            lines.push_back(line);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return lines;
}

// A scene file whose objects draw noise, seen in reflections and shadows.
const char* const kNoiseScene = "{ lumo scene 1 }\n"
                                "background bytes { 70 60 110 }\n"
                                "camera { eye { -30 -5 -120 } look { 0.25 -0.05 1 } }\n"
                                "light { 65 -50 -100 colour { 1 1 1 } }\n"
                                "light same 0\n"
                                "plane { 0 1 0 -50 colour bytes { 150 175 150 } "
                                "finish { 0.3 0.7 20 0.9 100 0.65 } texture 5 }\n"
                                "sphere { 100.5 -4 50.5 25 colour bytes { 229 220 0 } "
                                "finish { 0.3 0.7 2 0.9 50 0.065 } texture 6 }\n"
                                "sphere { -37.5 -15 -15.5 15 colour bytes { 120 200 220 } "
                                "finish { 0.3 0.7 20 0.9 100 0.75 } texture 4 }\n"
                                "sphere { 30 0 0 25 colour bytes { 220 100 100 } "
                                "finish { 0.3 0.7 2 0.9 50 0.065 } texture 4 }\n";

// Ten thousand small spheres in a block in front of the camera.
std::string CrowdScript() {
    // Script numbers have a decimal point: a whole number is skipped.
    auto number = [](int value) { return std::to_string(value) + ".0"; };
    std::string script;
    for (int i = 0; i < 10000; ++i)
        script += "sphere { " + number(i % 25 * 8 - 96) + " " + number(i / 25 % 20 * 6 - 60) + " " +
                  number(i / 500 * 9) + " 3.5 colour { 0." + std::to_string(i % 9 + 1) +
                  " 0.5 0.7 } finish { 0.3 0.7 2.0 0.9 50.0 0.3 } }\n";
    return script;
}

TEST(PartsRun, PartsJoinedAreTheWholePicture) {
    WriteFile(TestPath("noise.lscene"), kNoiseScene);
    const std::vector<std::string> scene = {
        "noise.lscene", "--max-recursion", "2", "--aa", "3", "-W", "61", "-H", "39"};
    auto with = [&](std::vector<std::string> more) {
        more.insert(more.begin(), scene.begin(), scene.end());
        return Render(more);
    };
    ASSERT_EQ(0, RunProgram(with({"-q", "-o", "whole.png"})).status);
    // Parts in both formats, on any number of threads, from any corner.
    ASSERT_EQ(0,
              RunProgram(with({"-q", "--region", "0,0,25,17", "-o", "a.png", "-j", "1"})).status);
    ASSERT_EQ(0,
              RunProgram(with({"-q", "--region", "25,0,61,17", "-o", "b.ppm", "-j", "3"})).status);
    Outcome last = RunProgram(with({"--region", "0,17,61,39", "-o", "c.png"}));
    ASSERT_EQ(0, last.status) << last.err;
    EXPECT_NE(std::string::npos, last.out.find("c.png: 61 x 22 pixels, rendered in")) << last.out;

    Outcome joined = RunProgram(Render({"--join", "c.png", "a.png", "b.ppm", "-o", "joined.png"}));
    ASSERT_EQ(0, joined.status) << joined.err;
    EXPECT_NE(std::string::npos, joined.out.find("joined.png: 61 x 39 pixels, joined from 3 parts"))
        << joined.out;
    EXPECT_EQ(ReadFile(TestPath("whole.png")), ReadFile(TestPath("joined.png")));
}

TEST(PartsRun, JoinRefusesAMissingPartAndWritesNothing) {
    for (const char* region : {"0,0,40,10", "0,10,40,25", "0,25,40,30"})
        ASSERT_EQ(0, RunProgram(Render({"-q", "-W", "40", "-H", "30", "--region", region, "-o",
                                        std::string(region) + ".png"}))
                         .status);
    WriteFile(TestPath("joined.png"), "the old picture");
    Outcome outcome =
        RunProgram(Render({"--join", "0,0,40,10.png", "0,25,40,30.png", "-o", "joined.png"}));
    EXPECT_EQ(1, outcome.status);
    EXPECT_EQ("lumo-render: no part holds row 10 from column 0 to 39 of the 40 x 30 picture: a "
              "part is missing\n",
              outcome.err);
    EXPECT_EQ("the old picture", ReadFile(TestPath("joined.png")));
    EXPECT_EQ(std::vector<std::string>{}, Leftovers("joined.png"));

    // A part of another size of picture, or of other options, is no part of this one.
    ASSERT_EQ(0, RunProgram(Render({"-q", "-W", "40", "-H", "30", "--aa", "2", "--region",
                                    "0,10,40,25", "-o", "other.png"}))
                     .status);
    outcome = RunProgram(
        Render({"--join", "0,0,40,10.png", "other.png", "0,25,40,30.png", "-o", "j.png"}));
    EXPECT_EQ(1, outcome.status);
    EXPECT_NE(std::string::npos, outcome.err.find("'other.png' was rendered from another scene"));
    EXPECT_FALSE(fs::exists(TestPath("j.png")));

    // A part holds 8-bit colours.
    outcome = RunProgram(Render({"--region", "0,0,4,4", "--depth", "16", "-o", "deep.png"}));
    EXPECT_EQ(2, outcome.status);
    EXPECT_EQ("lumo-render: a part is an 8-bit PNG or a PPM file: name the output .png or .ppm, "
              "without --depth 16\n",
              outcome.err);
}

#ifdef LUMO_MPI_EXE

// mpirun for np ranks of lumo-mpi on this machine, as root too, whatever its cores, with the
// shared memory copied through (containers may forbid one process reading another's memory).
std::vector<std::string> Mpi(int ranks, const std::vector<std::string>& args) {
    std::vector<std::string> argv{LUMO_MPIEXEC,
                                  "-q",
                                  "--oversubscribe",
                                  "--bind-to",
                                  "none",
                                  "--mca",
                                  "btl_vader_single_copy_mechanism",
                                  "none"};
    if (geteuid() == 0)
        argv.push_back("--allow-run-as-root");
    argv.insert(argv.end(), {"-np", std::to_string(ranks), LUMO_MPI_EXE});
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

// Under AddressSanitizer the ranks are checked for every fault but leaks: Open MPI keeps memory
// to the end in the components it loads and unloads itself, whose stacks LeakSanitizer cannot
// name, so no suppression can single them out. Our own code in lumo-mpi (the dealer, the
// messages, the workers) is checked for leaks in-process (TileRenderTest.cpp).
std::vector<std::string> MpiEnvironment(std::vector<std::string> more = {}) {
#if defined(__SANITIZE_ADDRESS__)
    const char* options = std::getenv("ASAN_OPTIONS");
    more.push_back(std::string("ASAN_OPTIONS=") + (options ? options : "") + ":detect_leaks=0");
#endif
    return more;
}

TEST(MpiRun, PicturesAreLumoRendersByteForByte) {
    WriteFile(TestPath("noise.lscene"), kNoiseScene);
    WriteFile(TestPath("crowd.lmo"), CrowdScript());
    const std::vector<std::vector<std::string>> scenes = {
        {"-W", "160", "-H", "100"},
        {"noise.lscene", "--max-recursion", "2", "-W", "123", "-H", "77"},
        {"crowd.lmo", "--max-recursion", "1", "-W", "128", "-H", "80"},
        {"--aa", "3", "-W", "96", "-H", "60"},
    };
    for (const std::vector<std::string>& scene : scenes) {
        SCOPED_TRACE(scene.front());
        std::vector<std::string> args = scene;
        args.insert(args.end(), {"-o", "serial.png", "-q"});
        ASSERT_EQ(0, RunProgram(Render(args)).status);
        args = scene;
        args.insert(args.end(), {"-o", "ranks.png", "-j", "2"});
        Outcome outcome = RunProgram(Mpi(3, args), MpiEnvironment());
        ASSERT_EQ(0, outcome.status) << outcome.err;
        EXPECT_EQ(ReadFile(TestPath("serial.png")), ReadFile(TestPath("ranks.png")));
        // lumo-render's summary and completion message, from rank 0 alone.
        EXPECT_NE(std::string::npos, outcome.out.find("ranks.png: "));
        EXPECT_EQ(0u, outcome.err.rfind("Finished Rendering: Render thread 0x", 0)) << outcome.err;
        EXPECT_EQ(std::vector<std::string>{}, ErrorLines(outcome.err));
    }
}

TEST(MpiRun, AFailedOrKilledRankLeavesNoPicture) {
    struct Fault {
        const char* fault;
        const char* says;
        bool killed;
    };
    for (const Fault& fault :
         {Fault{"parse@2", "lumo-mpi: rank 2: the scene does not parse here", false},
          Fault{"tile@1", "lumo-mpi: rank 1: gave up after its first tile", false},
          Fault{"kill@2", "lumo-mpi: the job was ended before the picture was complete", true}}) {
        SCOPED_TRACE(fault.fault);
        WriteFile(TestPath("picture.png"), "the old picture");
        Outcome outcome =
            RunProgram(Mpi(3, {"-W", "320", "-H", "200", "-o", "picture.png"}),
                       MpiEnvironment({std::string("LUMO_MPI_TEST_FAULT=") + fault.fault}));
        // mpirun ends with the status of the rank that failed first: 1 for a fault lumo-mpi
        // sees, 128 + 9 for a rank killed by SIGKILL.
        EXPECT_EQ(fault.killed ? 128 + SIGKILL : 1, outcome.status) << outcome.err;
        std::vector<std::string> errors = ErrorLines(outcome.err);
        ASSERT_EQ(1u, errors.size()) << outcome.err;
        EXPECT_EQ(0u, errors[0].rfind(fault.says, 0)) << errors[0];
        EXPECT_EQ("the old picture", ReadFile(TestPath("picture.png")));
        EXPECT_EQ(std::vector<std::string>{}, Leftovers("picture.png"));
    }
    // A scene that does not parse anywhere: rank 0 says where, once.
    WriteFile(TestPath("bad.lmo"), "sphere { 1 2 x }\n");
    Outcome outcome = RunProgram(Mpi(3, {"bad.lmo", "-o", "picture.png"}), MpiEnvironment());
    EXPECT_EQ(1, outcome.status);
    EXPECT_EQ("lumo-mpi: bad.lmo:1:16: parse error (near '}')\n", outcome.err);

    // The ranks send 8-bit colours: a picture made from the levels is refused before any work.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"-o", "deep.png", "--depth", "16"}, {"-o", "linear.exr"}}) {
        outcome = RunProgram(Mpi(2, args), MpiEnvironment());
        EXPECT_EQ(2, outcome.status);
        EXPECT_EQ("lumo-mpi: lumo-mpi writes 8-bit PNG and PPM pictures: --depth 16 and OpenEXR "
                  "files are lumo-render's (see lumo-mpi --help)\n",
                  outcome.err);
    }
}

// The processes whose parent is the given one.
std::vector<pid_t> Children(pid_t parent) {
    std::vector<pid_t> children;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::string stat = ReadFile(entry.path().string() + "/stat");
        std::size_t close = stat.rfind(')');
        int ppid = 0;
        char state = 0;
        if (close != std::string::npos &&
            std::sscanf(stat.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == parent)
            children.push_back(std::stoi(name));
    }
    return children;
}

// Gone, or a zombie that nobody has reaped yet.
bool Ended(pid_t pid) {
    std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
    std::size_t close = stat.rfind(')');
    return stat.empty() || (close != std::string::npos && stat.size() > close + 2 &&
                            (stat[close + 2] == 'Z' || stat[close + 2] == 'X'));
}

TEST(MpiRun, InterruptingMpirunEndsEveryRankAndLeavesNoTemporaryFile) {
    for (int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(strsignal(signal));
        WriteFile(TestPath("victim.png"), "the old picture");
        pid_t mpirun = Start(Mpi(3, {"-q", "-W", "3000", "-H", "3000", "--aa", "4",
                                     "--max-recursion", "5", "-j", "1", "-o", "victim.png"}),
                             MpiEnvironment());
        ASSERT_GT(mpirun, 0);
        bool started = false;
        for (int i = 0; i < 3000 && !started; ++i) {
            started = !Leftovers("victim.png").empty();
            usleep(10000);
        }
        std::vector<pid_t> ranks = Children(mpirun);
        usleep(200000);
        kill(mpirun, signal);
        Outcome outcome = Finish(mpirun);
        ASSERT_TRUE(started) << outcome.err;
        EXPECT_EQ(3u, ranks.size());
        EXPECT_NE(0, outcome.status);
        for (int i = 0; i < 500 && !std::all_of(ranks.begin(), ranks.end(), Ended); ++i)
            usleep(10000);
        for (pid_t rank : ranks)
            EXPECT_TRUE(Ended(rank)) << rank;
        EXPECT_EQ("the old picture", ReadFile(TestPath("victim.png")));
        EXPECT_EQ(std::vector<std::string>{}, Leftovers("victim.png"));
    }
}

#endif

} // namespace
