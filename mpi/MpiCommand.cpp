// lumo-mpi: lumo-render's picture, traced by every rank of an MPI job. Rank 0 reads the scene and
// the profile, hands the job to every rank, deals the tiles and writes the picture; every rank
// (rank 0 too) parses the scene, builds its own hierarchy and traces the tiles it is dealt on
// all its cores. Only the main thread of a rank speaks MPI, and it never waits in MPI's own
// blocking calls, which keep a core busy that the tracing threads need: it polls and sleeps.
#include "mpi/MpiCommand.h"

#include "cli/CliPlatform.h"
#include "cli/CommandLine.h"
#include "cli/InterruptGuard.h"
#include "cli/RenderCommand.h"
#include "cli/TerminalProgressBar.h"
#include "mpi/TileDealer.h"
#include "mpi/TileMessages.h"
#include "mpi/TileWorkers.h"
#include "platform/AtomicFileWriter.h"
#include "platform/SettingsStore.h"
#include "render/ImageFile.h"
#include "render/PictureSize.h"
#include "render/RenderReport.h"
#include "render/RenderScene.h"
#include "render/TaskPool.h"
#include "render/TileRender.h"
#include "script/Archive.h"
#include "script/LumoDoc.h"
#include "script/SceneFile.h"

#include <mpi.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kProgram = "lumo-mpi";
// How long a rank's main thread sleeps between looks for messages when nothing happens.
constexpr auto kPoll = std::chrono::microseconds(250);
// How long a wait for the other ranks sleeps between looks.
constexpr auto kWaitStep = std::chrono::milliseconds(1);

const char* const kInterrupted =
    "lumo-mpi: the job was ended before the picture was complete (a rank ended, or mpirun was "
    "interrupted); the old picture stays\n";

// Rank 0 has the picture's temporary file to remove when mpirun is interrupted. mpirun sends
// every rank the signal at once, and once a rank has ended it kills the others outright: a
// rank with nothing to remove lets rank 0 go first (mpirun's own grace is a second).
void EndAfterRankZero(int signal) {
    timespec pause{0, 300'000'000};
    nanosleep(&pause, nullptr);
    _exit(128 + signal);
}

void Say(std::FILE* err, const std::string& message) {
    std::fprintf(err, "%s: %s\n", kProgram, message.c_str());
    std::fflush(err);
}

// The jobs a rank keeps waiting for its threads: enough that a thread finds the next one there
// while the rank's request for more goes to rank 0 and back (a few polls), however small the
// tiles. The costliest tiles go first, so what is queued at the end is cheap.
std::size_t QueueDepth(const CTileWorkers& workers) {
    return 2 * workers.Threads() + 2;
}

// Waits for a non-blocking MPI operation without spinning.
void WaitQuietly(MPI_Request& request) {
    for (;;) {
        int done = 0;
        MPI_Test(&request, &done, MPI_STATUS_IGNORE);
        if (done)
            return;
        std::this_thread::sleep_for(kWaitStep);
    }
}

// Rank 0's bytes on every rank, in pieces that MPI's int counts can carry.
void BroadcastBytes(std::string& bytes, int rank) {
    std::uint64_t size = bytes.size();
    MPI_Request request;
    MPI_Ibcast(&size, 1, MPI_UINT64_T, 0, MPI_COMM_WORLD, &request);
    WaitQuietly(request);
    if (rank != 0)
        bytes.resize(static_cast<std::size_t>(size));
    constexpr std::uint64_t kPiece = std::uint64_t{1} << 30;
    for (std::uint64_t done = 0; done < size; done += kPiece) {
        int piece = static_cast<int>(std::min(size - done, kPiece));
        MPI_Ibcast(bytes.data() + done, piece, MPI_BYTE, 0, MPI_COMM_WORLD, &request);
        WaitQuietly(request);
    }
}

int BroadcastStatus(int status) {
    MPI_Request request;
    MPI_Ibcast(&status, 1, MPI_INT, 0, MPI_COMM_WORLD, &request);
    WaitQuietly(request);
    return status;
}

// Under mpirun a rank's standard error is a pipe to mpirun, whatever mpirun's own is (and its
// standard output a terminal of mpirun's making, always). The rank that mpirun started itself
// on its own machine asks whether mpirun writes to a terminal; a rank on another machine is a
// child of Open MPI's daemon there, which has none.
bool ParentWritesToTerminal() {
    std::error_code error;
    std::string target =
        std::filesystem::read_symlink("/proc/" + std::to_string(getppid()) + "/fd/2", error)
            .string();
    return !error && (target.rfind("/dev/pts/", 0) == 0 || target.rfind("/dev/tty", 0) == 0);
}

// A message from another rank, whole.
struct CReceived {
    int source = 0;
    int tag = 0;
    std::string bytes;
};

// The next message from `source` (any rank: MPI_ANY_SOURCE) with `tag` (any: MPI_ANY_TAG),
// when one is there.
std::optional<CReceived> Receive(int source, int tag) {
    int there = 0;
    MPI_Status status;
    MPI_Iprobe(source, tag, MPI_COMM_WORLD, &there, &status);
    if (!there)
        return std::nullopt;
    int size = 0;
    MPI_Get_count(&status, MPI_BYTE, &size);
    CReceived received{status.MPI_SOURCE, status.MPI_TAG, std::string(std::size_t(size), '\0')};
    MPI_Recv(received.bytes.data(), size, MPI_BYTE, status.MPI_SOURCE, status.MPI_TAG,
             MPI_COMM_WORLD, MPI_STATUS_IGNORE);
    return received;
}

// Messages from `source` (any rank: MPI_ANY_SOURCE) with `tag` (any: MPI_ANY_TAG), each taken
// with a receive that does not wait as soon as it is seen. A large message's bytes come only
// as the sender's main thread looks in; a blocking receive would keep this thread spinning
// inside MPI until then, on a core the tracing threads need.
class CReceives {
public:
    CReceives(int source, int tag) : m_source(source), m_tag(tag) {}

    // The messages received whole since the last call, in the order they came.
    std::vector<CReceived> Take() {
        for (;;) {
            int there = 0;
            MPI_Status status;
            MPI_Iprobe(m_source, m_tag, MPI_COMM_WORLD, &there, &status);
            if (!there)
                break;
            int size = 0;
            MPI_Get_count(&status, MPI_BYTE, &size);
            m_pending.push_back(Pending{
                CReceived{status.MPI_SOURCE, status.MPI_TAG, std::string(std::size_t(size), '\0')},
                MPI_REQUEST_NULL});
            Pending& pending = m_pending.back();
            MPI_Irecv(pending.message.bytes.data(), size, MPI_BYTE, status.MPI_SOURCE,
                      status.MPI_TAG, MPI_COMM_WORLD, &pending.request);
        }
        std::vector<CReceived> received;
        while (!m_pending.empty()) {
            int done = 0;
            MPI_Test(&m_pending.front().request, &done, MPI_STATUS_IGNORE);
            if (!done)
                break;
            received.push_back(std::move(m_pending.front().message));
            m_pending.pop_front();
        }
        return received;
    }
    bool Empty() const { return m_pending.empty(); }

private:
    struct Pending {
        CReceived message;
        MPI_Request request;
    };
    int m_source;
    int m_tag;
    std::list<Pending> m_pending;
};

// Messages on their way, each kept until MPI is done with its bytes.
class CSends {
public:
    void Send(std::string bytes, int destination, int tag) {
        m_sends.push_back(Pending{std::move(bytes), MPI_REQUEST_NULL});
        Pending& pending = m_sends.back();
        MPI_Isend(pending.bytes.data(), static_cast<int>(pending.bytes.size()), MPI_BYTE,
                  destination, tag, MPI_COMM_WORLD, &pending.request);
    }
    // Forgets the sends that are done; true when none is left.
    bool Progress() {
        for (auto it = m_sends.begin(); it != m_sends.end();) {
            int done = 0;
            MPI_Test(&it->request, &done, MPI_STATUS_IGNORE);
            it = done ? m_sends.erase(it) : std::next(it);
        }
        return m_sends.empty();
    }
    void Finish() {
        while (!Progress())
            std::this_thread::sleep_for(kWaitStep);
    }

private:
    struct Pending {
        std::string bytes;
        MPI_Request request;
    };
    std::list<Pending> m_sends;
};

// A fault a test asks for, from LUMO_MPI_TEST_FAULT ("KIND@RANK"): parse (the rank's scene does
// not parse), tile (the rank gives up after its first tile), kill (the rank is killed after its
// first tile, as by kill -9).
struct CTestFault {
    std::string kind;
    int rank = -1;

    static CTestFault FromEnvironment() {
        CTestFault fault;
        const char* text = std::getenv("LUMO_MPI_TEST_FAULT");
        std::string value = text ? text : "";
        std::size_t at = value.find('@');
        if (at != std::string::npos) {
            fault.kind = value.substr(0, at);
            fault.rank = std::atoi(value.c_str() + at + 1);
        }
        return fault;
    }
    bool Is(const char* what, int at) const { return kind == what && rank == at; }
};

class CMpiRun {
public:
    CMpiRun(int rank, int size, std::FILE* out, std::FILE* err)
        : m_rank(rank), m_size(size), m_out(out), m_err(err),
          m_fault(CTestFault::FromEnvironment()) {}

    int Run(const std::vector<std::string>& args);

private:
    bool Root() const { return m_rank == 0; }
    // Rank 0's part of the setup: the job from the command line, the profile and the scene's
    // file. A nonzero exit status in it ends the job on every rank.
    CJobSetup PrepareJob();
    // Whether every rank succeeded; rank 0 says the reason of the first that did not.
    bool AllSucceeded(bool ok, const std::string& error);
    int Render(CLumoDoc& document, const RenderOptions& options, CPlatform& platform);
    void DealAndGather(CTileRender& render, CTileWorkers& workers, unsigned threads,
                       CImage& picture);
    void Work(CTileWorkers& workers);
    // Ends the whole job at once: the reason on one line, rank 0's temporary file removed, exit
    // status 1 from every rank.
    [[noreturn]] void Abort(const std::string& reason);

    int m_rank;
    int m_size;
    std::FILE* m_out;
    std::FILE* m_err;
    CTestFault m_fault;
    CCommandLine m_commandLine;
    CJobSetup m_setup;
    std::unique_ptr<CTerminalProgressBar> m_progress;
    std::unique_ptr<CAtomicFileWriter> m_writer;
    std::unique_ptr<CInterruptGuard> m_interrupts;
};

void CMpiRun::Abort(const std::string& reason) {
    if (m_progress)
        m_progress->Clear();
    Say(m_err, reason);
    m_interrupts.reset();
    m_writer.reset(); // removes the temporary file
    MPI_Abort(MPI_COMM_WORLD, 1);
    _exit(1);
}

CJobSetup CMpiRun::PrepareJob() {
    CJobSetup setup;
    setup.exitStatus = kExitUsage;
    std::string error;
    int width = 0;
    int height = 0;
    if (!ResolveSize("width", "Width", 320, m_commandLine.m_width, width, error) ||
        !ResolveSize("height", "Height", 200, m_commandLine.m_height, height, error) ||
        !CPictureSize::Check(width, height, error)) {
        Say(m_err, error);
        return setup;
    }
    setup.exitStatus = kExitFailed;
    setup.hasScript = !m_commandLine.m_script.empty();
    setup.keywordLoader = m_commandLine.m_load;
    if (setup.hasScript) {
        setup.scriptName = ScriptName(m_commandLine.m_script);
        if (!ReadScriptText(m_commandLine.m_script, setup.sceneBytes, error)) {
            Say(m_err, error);
            return setup;
        }
    }
    setup.width = static_cast<unsigned>(width);
    setup.height = static_cast<unsigned>(height);
    setup.maxRecursion =
        m_commandLine.m_maxRecursion.value_or(CSettingsStore::Profile().GetMaxRecursion());
    setup.antialias = m_commandLine.m_antialias.value_or(0);
    setup.exitStatus = kExitOk;
    return setup;
}

bool CMpiRun::AllSucceeded(bool ok, const std::string& error) {
    int mine = ok ? m_size : m_rank;
    int first = m_size;
    MPI_Request request;
    MPI_Iallreduce(&mine, &first, 1, MPI_INT, MPI_MIN, MPI_COMM_WORLD, &request);
    WaitQuietly(request);
    if (first == m_size)
        return true;
    std::string reason = error;
    if (m_rank == first && !Root()) {
        std::string bytes = CTileMessages::EncodeFailure(error.empty() ? "failed" : error);
        MPI_Send(bytes.data(), static_cast<int>(bytes.size()), MPI_BYTE, 0, CTileMessages::kFailed,
                 MPI_COMM_WORLD);
    } else if (Root() && first != 0) {
        std::optional<CReceived> received;
        while (!(received = Receive(first, CTileMessages::kFailed)))
            std::this_thread::sleep_for(kWaitStep);
        std::string decodeError;
        if (!CTileMessages::DecodeFailure(received->bytes, reason, decodeError))
            reason = decodeError;
        reason = "rank " + std::to_string(first) + ": " + reason;
    }
    if (Root())
        Say(m_err, reason);
    return false;
}

int CMpiRun::Run(const std::vector<std::string>& args) {
    // Every rank has the same arguments, so every rank comes to the same answer here; rank 0
    // alone speaks.
    std::string error;
    if (!CCommandLine::Parse(args, m_commandLine, error)) {
        if (Root())
            Say(m_err, error + " (see lumo-mpi --help)");
        return kExitUsage;
    }
    if (m_commandLine.m_action == CCommandLine::help) {
        if (Root())
            std::fprintf(m_out,
                         "Runs under MPI: mpirun [-np N] [--hostfile FILE] lumo-mpi [options] "
                         "[SCRIPT]\nEvery rank traces tiles of the picture on all its cores (or "
                         "-j N); rank 0 reads\nthe scene and writes the picture, the same byte "
                         "for byte as lumo-render's.\n\n%s",
                         CCommandLine::Usage(kProgram).c_str());
        return kExitOk;
    }
    if (m_commandLine.m_action == CCommandLine::version) {
        if (Root())
            std::fprintf(m_out, "lumo-mpi %s\n", LUMO_VERSION);
        return kExitOk;
    }
    std::string refused;
    if (m_commandLine.m_join || m_commandLine.m_region)
        refused = std::string(m_commandLine.m_join ? "--join" : "--region") +
                  " is lumo-render's: lumo-mpi renders the whole picture";
    else if (m_commandLine.WantsRender() && m_commandLine.WritesStandardOutput())
        refused = "cannot write the picture to standard output (mpirun passes it through a "
                  "terminal): give -o FILE";
    else if (m_commandLine.WantsRender() &&
             CImageFile::FormatOf(m_commandLine.OutputPath()) == CImageFile::unknown)
        refused = "cannot tell the image format of '" + m_commandLine.OutputPath() +
                  "': name it .png or .ppm";
    else if (m_commandLine.WantsRender() &&
             (m_commandLine.m_depth == 16 ||
              CImageFile::FormatOf(m_commandLine.OutputPath()) == CImageFile::exr))
        // The ranks send the picture's 8-bit colours: the levels stay on the ranks.
        refused = "lumo-mpi writes 8-bit PNG and PPM pictures: --depth 16 and OpenEXR files are "
                  "lumo-render's";
    if (!refused.empty()) {
        if (Root())
            Say(m_err, refused + " (see lumo-mpi --help)");
        return kExitUsage;
    }

    bool quiet = m_commandLine.m_quiet;
    m_progress = std::make_unique<CTerminalProgressBar>(
        m_err, Root() && !quiet && (isatty(fileno(m_err)) || ParentWritesToTerminal()));
    CCliPlatform platform(*m_progress, quiet || !Root());
    CPlatformScope platformScope(platform);
    if (Root()) {
        m_interrupts = std::make_unique<CInterruptGuard>(m_progress.get());
        m_interrupts->SetMessage(kInterrupted);
        m_setup = PrepareJob();
    } else {
        struct sigaction action {};
        action.sa_handler = EndAfterRankZero;
        sigemptyset(&action.sa_mask);
        for (int signal : CInterruptGuard::kSignals)
            sigaction(signal, &action, nullptr);
    }
    std::string setupBytes = Root() ? CTileMessages::EncodeSetup(m_setup) : std::string();
    BroadcastBytes(setupBytes, m_rank);
    if (!Root() && !CTileMessages::DecodeSetup(setupBytes, m_setup, error))
        m_setup.exitStatus = kExitFailed; // cannot happen between ranks of one program
    if (m_setup.exitStatus != kExitOk)
        return m_setup.exitStatus;

    // Every rank reads the scene itself.
    CLumoDoc document;
    platform.m_echoMessages = Root() && m_commandLine.m_verbose && !quiet;
    bool read = true;
    if (m_fault.Is("parse", m_rank)) {
        read = false;
        error = "the scene does not parse here (a fault asked for by LUMO_MPI_TEST_FAULT)";
    } else if (m_setup.hasScript) {
        read =
            document.ReadText(m_setup.sceneBytes, m_setup.scriptName,
                              m_setup.keywordLoader ? CLumoDoc::keywordLoader : CLumoDoc::grammar,
                              error) != CLumoDoc::readFailed;
    }
    platform.m_echoMessages = Root() && !quiet;
    if (!AllSucceeded(read, error))
        return kExitFailed;
    std::string().swap(m_setup.sceneBytes);

    // Rank 0 saves what it is asked to, and opens the picture's file before the time is spent.
    int status = kExitOk;
    if (Root()) {
        if (!m_commandLine.m_saveScript.empty()) {
            CArchive archive(m_commandLine.m_saveScript, CArchive::store);
            std::vector<std::string> notes;
            document.Serialize(archive, &notes);
            if (!archive.Close()) {
                Say(m_err, archive.GetError());
                status = kExitFailed;
            } else if (!quiet) {
                for (const std::string& note : notes)
                    Say(m_err, m_commandLine.m_saveScript + ": " + note);
            }
        }
        if (status == kExitOk && !m_commandLine.m_saveScene.empty() &&
            !CSceneFile::Save(document, m_commandLine.m_saveScene, error)) {
            Say(m_err, error);
            status = kExitFailed;
        }
        if (status == kExitOk && m_commandLine.WantsRender()) {
            CInterruptGuard::CHoldScope hold;
            m_writer = std::make_unique<CAtomicFileWriter>(m_commandLine.OutputPath());
            m_interrupts->SetTemporaryFile(m_writer->GetTemporaryPath());
            if (!m_writer->IsOk()) {
                Say(m_err, m_writer->GetError());
                status = kExitFailed;
            }
        }
    }
    if (BroadcastStatus(status) != kExitOk || !m_commandLine.WantsRender())
        return status;

    RenderOptions options;
    options.width = m_setup.width;
    options.height = m_setup.height;
    options.maxRecursion = m_setup.maxRecursion;
    options.antialias = m_setup.antialias != 0 ? m_setup.antialias : document.m_antialias;
    return Render(document, options, platform);
}

int CMpiRun::Render(CLumoDoc& document, const RenderOptions& options, CPlatform& platform) {
    auto start = std::chrono::steady_clock::now();
    CRenderReport report;
    unsigned threads =
        m_commandLine.m_threads.value_or(std::max(1u, std::thread::hardware_concurrency()));
    CTileRender render(CRenderScene::Take(document), options);
    CTileWorkers workers(render, threads);
    bool started = workers.Threads() != 0;
    if (render.HasNoise() && !render.CanCountDraws()) // no scene a file describes
        started = false;
    if (!AllSucceeded(started, "cannot start the threads that trace the picture"))
        return kExitFailed;

    // Rank 0 learns how many threads every rank traces on, to cut the picture to suit.
    unsigned mine = static_cast<unsigned>(workers.Threads());
    std::vector<unsigned> all(Root() ? static_cast<std::size_t>(m_size) : 1);
    MPI_Request request;
    MPI_Igather(&mine, 1, MPI_UNSIGNED, all.data(), 1, MPI_UNSIGNED, 0, MPI_COMM_WORLD, &request);
    WaitQuietly(request);

    int status = kExitOk;
    if (Root()) {
        unsigned total = 0;
        for (unsigned count : all)
            total += count;
        CImage picture;
        if (!picture.SetSize(static_cast<int>(options.width), static_cast<int>(options.height)))
            Abort("cannot allocate a " + std::to_string(options.width) + " x " +
                  std::to_string(options.height) + " image");
        DealAndGather(render, workers, total, picture);
        std::string error;
        platform.MessageBox(report.Text(), CRenderReport::kCaption);
        auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        m_progress->Clear();
        // The other ranks only wait now: the encoder takes every core of this machine.
        if (!CImageFile::Encode(picture, CImageFile::FormatOf(m_commandLine.OutputPath()),
                                *m_writer, error, CImageFile::MachineThreads())) {
            Say(m_err, error);
            status = kExitFailed;
        } else {
            bool committed = m_writer->Commit();
            m_interrupts->SetTemporaryFile("");
            if (!committed) {
                Say(m_err, m_writer->GetError());
                status = kExitFailed;
            } else if (!m_commandLine.m_quiet) {
                std::fprintf(m_out, "%s, rendered in %lld ms\n",
                             PictureSummary(m_commandLine.OutputPath(), false, picture.GetWidth(),
                                            picture.GetHeight())
                                 .c_str(),
                             static_cast<long long>(elapsed.count()));
            }
        }
        if (status == kExitOk && !Flushed(m_out, error)) {
            Say(m_err, error);
            status = kExitFailed;
        }
    } else {
        Work(workers);
    }
    // Every rank waits until rank 0 has written the picture, and ends with its status.
    return BroadcastStatus(status);
}

void CMpiRun::DealAndGather(CTileRender& render, CTileWorkers& workers, unsigned threads,
                            CImage& picture) {
    CTileDealer dealer(render.GetWidth(), render.GetHeight(),
                       CTileDealer::TileSide(render.GetWidth(), render.GetHeight(), threads),
                       render.HasNoise());
    if (!render.HasNoise()) {
        // A coarse look at every tile, on this rank's threads, to deal the costly ones first.
        std::vector<double> costs(dealer.TileCount());
        ParallelFor(costs.size(), static_cast<unsigned>(workers.Threads()),
                    [&](std::size_t i) { costs[i] = render.Survey(dealer.Tile(i)); });
        dealer.SetCosts(costs);
    }

    std::size_t depth = QueueDepth(workers);
    std::vector<unsigned> wanted(static_cast<std::size_t>(m_size), 0);
    std::vector<bool> told(static_cast<std::size_t>(m_size), false);
    int toldRanks = 1; // rank 0 needs no telling
    CSends sends;
    CReceives receives(MPI_ANY_SOURCE, MPI_ANY_TAG);
    std::string error;
    auto handle = [&](int source, int tag, const std::string& bytes) {
        std::string text;
        bool ok = true;
        switch (tag) {
        case CTileMessages::kRequest: {
            unsigned jobs = 0;
            ok = source != 0 && CTileMessages::DecodeRequest(bytes, jobs, error);
            wanted[static_cast<std::size_t>(source)] = jobs;
            break;
        }
        case CTileMessages::kCounted: {
            CTileCount count;
            ok = CTileMessages::DecodeCount(bytes, count, error) && dealer.Accept(count, error);
            break;
        }
        case CTileMessages::kTraced: {
            CTilePixels pixels;
            ok = CTileMessages::DecodePixels(bytes, render.GetWidth(), render.GetHeight(), pixels,
                                             error) &&
                 dealer.Accept(pixels, picture, error);
            break;
        }
        case CTileMessages::kFailed:
            if (CTileMessages::DecodeFailure(bytes, text, error))
                error = text;
            ok = false;
            break;
        default:
            error = "a message lumo-mpi does not know (tag " + std::to_string(tag) + ")";
            ok = false;
        }
        if (!ok)
            Abort(source == 0 ? error : "rank " + std::to_string(source) + ": " + error);
    };

    while (!dealer.Finished() || toldRanks < m_size) {
        bool busy = false;
        for (CTileWorkers::CMessage& message : workers.TakeMessages()) {
            handle(0, message.tag, message.bytes);
            busy = true;
        }
        for (CReceived& received : receives.Take()) {
            handle(received.source, received.tag, received.bytes);
            busy = true;
        }
        if (workers.Waiting() < depth) {
            std::vector<CTileJob> jobs =
                dealer.Deal(static_cast<unsigned>(depth - workers.Waiting()));
            busy = busy || !jobs.empty();
            workers.Add(std::move(jobs));
        }
        for (int rank = 1; rank < m_size; ++rank) {
            unsigned& asked = wanted[static_cast<std::size_t>(rank)];
            if (asked == 0)
                continue;
            std::vector<CTileJob> jobs = dealer.Deal(asked);
            bool last = dealer.AllDealt();
            if (jobs.empty() && !last)
                continue; // the counts are still out: asked again later
            sends.Send(CTileMessages::EncodeJobs(jobs, last), rank, CTileMessages::kJobs);
            asked = 0;
            if (last && !told[static_cast<std::size_t>(rank)]) {
                told[static_cast<std::size_t>(rank)] = true;
                ++toldRanks;
            }
            busy = true;
        }
        sends.Progress();
        m_progress->SetPos(static_cast<int>(100.0 * static_cast<double>(dealer.TracedPixels()) /
                                            static_cast<double>(dealer.Pixels())));
        if (!busy)
            workers.WaitForMessage(kPoll);
    }
    sends.Finish();
}

void CMpiRun::Work(CTileWorkers& workers) {
    std::size_t depth = QueueDepth(workers);
    bool asking = false;
    bool last = false;
    bool tracedOne = false;
    CSends sends;
    CReceives receives(0, CTileMessages::kJobs);
    std::string error;
    for (;;) {
        bool busy = false;
        for (CTileWorkers::CMessage& message : workers.TakeMessages()) {
            bool traced = message.tag == CTileMessages::kTraced;
            sends.Send(std::move(message.bytes), 0, message.tag);
            busy = true;
            if (traced && !tracedOne) {
                tracedOne = true;
                if (m_fault.Is("tile", m_rank))
                    sends.Send(CTileMessages::EncodeFailure(
                                   "gave up after its first tile (a fault asked for by "
                                   "LUMO_MPI_TEST_FAULT)"),
                               0, CTileMessages::kFailed);
                if (m_fault.Is("kill", m_rank)) {
                    sends.Finish();
                    raise(SIGKILL);
                }
            }
        }
        for (CReceived& received : receives.Take()) {
            std::vector<CTileJob> jobs;
            bool lastJobs = false;
            if (!CTileMessages::DecodeJobs(received.bytes, m_setup.width, m_setup.height, jobs,
                                           lastJobs, error)) {
                sends.Send(CTileMessages::EncodeFailure(error), 0, CTileMessages::kFailed);
                continue;
            }
            workers.Add(std::move(jobs));
            asking = false;
            last = last || lastJobs;
            busy = true;
        }
        if (!last && !asking && workers.Waiting() < depth) {
            sends.Send(
                CTileMessages::EncodeRequest(static_cast<unsigned>(depth - workers.Waiting())), 0,
                CTileMessages::kRequest);
            asking = true;
            busy = true;
        }
        bool sent = sends.Progress();
        if (last && sent && workers.Idle())
            return;
        if (!busy)
            workers.WaitForMessage(kPoll);
    }
}

} // namespace

int RunLumoMpi(int argc, char** argv, std::FILE* out, std::FILE* err) {
    int provided = 0;
    if (MPI_Init_thread(&argc, &argv, MPI_THREAD_FUNNELED, &provided) != MPI_SUCCESS) {
        Say(err, "cannot start MPI");
        return kExitFailed;
    }
    int rank = 0;
    int size = 1;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    MPI_Comm_size(MPI_COMM_WORLD, &size);
    std::vector<std::string> args(argv + 1, argv + argc);
    int status = CMpiRun(rank, size, out, err).Run(args);
    MPI_Finalize();
    return status;
}
