#pragma once

#include "core/Image.h"
#include "render/ImageFile.h"
#include "render/RenderEstimator.h"
#include "render/RenderOptions.h"
#include "render/RenderScene.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// A final render in the background: the snapshot rendered as the options say on a thread of
// the job's own (the rows shared out on the task pool as the options' threads say), then the
// picture written to the file through CImageFile::Write, atomically. The file is tried before
// the render, so that a folder that cannot be written is said at once rather than after the
// time is spent; a stopped render writes nothing, and a failed write leaves the old file.
//
// What happens is told through callbacks on the job's thread: the progress (each time the
// position moves, with the estimate of the time left) and, once, the end. Whoever shows them
// hands them to its own thread. The progress can also be asked for from any thread (Current):
// the estimate is made once a batch of rows is whole, which a callback during the batch cannot
// see yet.
class CRenderJob {
public:
    using Clock = CRenderEstimator::Clock;

    struct Progress {
        int position = 0; // 0 to 100, the render's own (rows finished)
        CRenderEstimator::Forecast forecast;
    };
    struct Outcome {
        enum Status { written, stopped, failed };
        Status status = failed;
        std::string error;                     // failed: why, naming the file
        std::shared_ptr<const CImage> picture; // the finished picture (also when its write failed)
        double seconds = 0.0;                  // from the start to the file in place
    };
    struct Callbacks {
        std::function<void(const Progress&)> progress;
        std::function<void(const Outcome&)> finished;
    };

    // Starts the job at once. The options' size must have passed CPictureSize::Check (with the
    // levels, for a format made from them). A 16-bit PNG is png16 by this choice; otherwise
    // the format is the path's.
    CRenderJob(std::shared_ptr<const CRenderScene> scene, const RenderOptions& options,
               std::string path, Callbacks callbacks,
               CImageFile::Format format = CImageFile::unknown);
    // Stops the job if it still runs and waits for its thread; the callbacks are not called
    // after it returns.
    ~CRenderJob();
    CRenderJob(const CRenderJob&) = delete;
    CRenderJob& operator=(const CRenderJob&) = delete;

    // Asks the render to end before its next pixel; nothing is written then.
    void Stop() { m_thread.request_stop(); }
    // The progress and the estimate as of now, from any thread.
    Progress Current() const;
    const std::string& GetPath() const { return m_path; }
    const RenderOptions& GetOptions() const { return m_options; }

private:
    class CJobSink;
    void Run(std::stop_token stop);

    std::shared_ptr<const CRenderScene> m_scene;
    RenderOptions m_options;
    std::string m_path;
    CImageFile::Format m_format;
    Callbacks m_callbacks;
    mutable std::mutex m_mutex; // over the estimate and the position, which the job updates
    CRenderEstimator m_estimator;
    int m_position = 0;
    std::jthread m_thread; // last: started once everything it reads is in place
};
