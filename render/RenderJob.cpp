#include "render/RenderJob.h"

#include "platform/AtomicFileWriter.h"
#include "render/ImageFile.h"
#include "render/Render.h"
#include "render/RenderSink.h"

// The render's rows into the job's estimate, and the progress out to the callback whenever its
// position moves.
class CRenderJob::CJobSink : public CRenderSink {
public:
    explicit CJobSink(CRenderJob& job) : m_job(job) {}

    void TracingStarted() override {
        std::lock_guard lock(m_job.m_mutex);
        m_job.m_estimator.TracingStarted();
    }
    void RowFinished(const CImage&, unsigned y, unsigned left, unsigned right) override {
        std::lock_guard lock(m_job.m_mutex);
        m_job.m_estimator.RowFinished(y, left, right);
    }
    void Progress(int position) override {
        {
            std::lock_guard lock(m_job.m_mutex);
            if (position == m_job.m_position)
                return;
            m_job.m_position = position;
        }
        if (m_job.m_callbacks.progress)
            m_job.m_callbacks.progress(m_job.Current());
    }

private:
    CRenderJob& m_job;
};

namespace {
// A 16-bit PNG and an OpenEXR file are made from the levels before quantising.
RenderOptions ForFormat(RenderOptions options, CImageFile::Format format) {
    options.keepLevels = CImageFile::NeedsLevels(format);
    return options;
}
} // namespace

CRenderJob::CRenderJob(std::shared_ptr<const CRenderScene> scene, const RenderOptions& options,
                       std::string path, Callbacks callbacks, CImageFile::Format format)
    : m_scene(std::move(scene)),
      m_options(
          ForFormat(options, format != CImageFile::unknown ? format : CImageFile::FormatOf(path))),
      m_path(std::move(path)),
      m_format(format != CImageFile::unknown ? format : CImageFile::FormatOf(m_path)),
      m_callbacks(std::move(callbacks)), m_thread([this](std::stop_token stop) { Run(stop); }) {}

CRenderJob::~CRenderJob() {
    m_thread.request_stop();
    if (m_thread.joinable())
        m_thread.join();
}

CRenderJob::Progress CRenderJob::Current() const {
    std::lock_guard lock(m_mutex);
    return {m_position, m_estimator.GetForecast()};
}

void CRenderJob::Run(std::stop_token stop) {
    Outcome outcome;
    {
        std::lock_guard lock(m_mutex);
        m_estimator.Start();
    }
    auto finish = [&](Outcome::Status status) {
        outcome.status = status;
        {
            std::lock_guard lock(m_mutex);
            outcome.seconds = m_estimator.Elapsed();
        }
        if (m_callbacks.finished)
            m_callbacks.finished(outcome);
    };

    if (m_format == CImageFile::unknown) {
        outcome.error = "cannot tell the image format of '" + m_path + "'";
        finish(Outcome::failed);
        return;
    }
    {
        // The file is tried first; the writer goes without leaving anything behind.
        CAtomicFileWriter probe(m_path);
        if (!probe.IsOk()) {
            outcome.error = probe.GetError();
            finish(Outcome::failed);
            return;
        }
    }
    if (m_callbacks.progress)
        m_callbacks.progress(Current());
    // The coarse pass on an estimator of its own, so that the estimate can be asked for
    // meanwhile; the profile then goes to the job's.
    CRenderEstimator profile;
    profile.Profile(m_scene, m_options, stop);
    {
        std::lock_guard lock(m_mutex);
        m_estimator.SetProfile(profile.GetRowCosts(), profile.GetLeft(), profile.GetRight(),
                               profile.GetTop());
    }

    CJobSink sink(*this);
    RenderResult result = Render(m_scene, m_options, &sink, stop);
    if (result.status == RenderResult::noMemory) {
        outcome.error = "cannot allocate a " + std::to_string(m_options.width) + " x " +
                        std::to_string(m_options.height) + " image";
        finish(Outcome::failed);
        return;
    }
    if (result.status == RenderResult::stopped || stop.stop_requested()) {
        finish(Outcome::stopped);
        return;
    }
    auto picture = std::make_shared<CImage>(std::move(result.picture));
    outcome.picture = picture;
    unsigned threads = std::max(1u, m_options.threads);
    bool written = CImageFile::NeedsLevels(m_format)
                       ? CImageFile::Write(result.levels, m_format, m_path, outcome.error, threads)
                       : CImageFile::Write(*picture, m_path, outcome.error, threads);
    if (!written) {
        finish(Outcome::failed);
        return;
    }
    finish(Outcome::written);
}
