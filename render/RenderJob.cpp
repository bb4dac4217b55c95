#include "render/RenderJob.h"

#include "core/Format.h"
#include "platform/MainWindow.h"
#include "platform/Platform.h"
#include "render/Renderer.h"
#include "script/LumoDoc.h"

#include <chrono>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>

namespace {
// The kernel's identifier of the calling thread, as ps and top show it.
unsigned CurrentThreadId() {
    return static_cast<unsigned>(gettid());
}
} // namespace

RenderJob WholePictureJob(CLumoDoc* document, int width, int height, CProgressBar* progress,
                          CMainWindow* mainWindow) {
    RenderJob job;
    job.document = document;
    job.right = job.width = width;
    job.bottom = job.height = height;
    job.progress = progress;
    job.mainWindow = mainWindow;
    return job;
}

int RunRender(RenderJob* job) {
    if (!job || !job->document)
        return 0;
    CLumoDoc* document = job->document;

    std::time_t start = std::time(nullptr);
    document->BeginRender();

    std::string title;
    if (job->mainWindow) {
        title = job->mainWindow->GetWindowTitle();
        job->mainWindow->SetWindowTitle("Rendering..." + title);
    }

    auto renderer = std::make_unique<CRenderer>();
    renderer->SetMaxRecursionOverride(job->maxRecursion);
    renderer->SetThreads(job->threads);
    renderer->SetAntialias(job->antialias.value_or(document->m_antialias));
    renderer->SetParts(job->parts);
    renderer->SetStopToken(job->stop);
    renderer->Render(document, static_cast<unsigned>(job->width),
                     static_cast<unsigned>(job->height), job->left, job->top, job->right,
                     job->bottom, job->progress);
    renderer.reset();

    int elapsed = static_cast<int>(std::time(nullptr) - start);
    CPlatform::Current().MessageBox(
        Format("Render thread 0x%x took %d seconds", CurrentThreadId(), elapsed),
        "Finished Rendering");

    if (job->mainWindow)
        job->mainWindow->SetWindowTitle(title);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    document->EndRender();
    return 0;
}
