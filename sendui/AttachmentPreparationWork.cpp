#include "sendui/AttachmentPreparationWork.h"

#include "base/Win32Handles.h"
#include "sendui/PictureAccess.h"

#include <objbase.h>
#include <process.h>
#include <windows.h>

#include <algorithm>
#include <new>

namespace email32::sendui {
namespace {

constexpr unsigned kMaxThreads = 4;

}  // namespace

unsigned ProcessorsAvailable() noexcept {
    DWORD_PTR process = 0, system = 0;
    if (::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system) && process != 0) {
        unsigned count = 0;
        for (; process != 0; process &= process - 1) ++count;
        return count;
    }
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 0 ? info.dwNumberOfProcessors : 1;
}

namespace {

bool MakeWritableCopy(const std::string& source, const std::string& copy) {
    if (!::CopyFileA(source.c_str(), copy.c_str(), FALSE)) return false;
    // The copy is ours to rewrite, even when the source is read-only.
    const DWORD attributes = ::GetFileAttributesA(copy.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        ::SetFileAttributesA(copy.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    return true;
}

// The jobs still to be taken, shared by the threads of one run. Jobs that
// must run alone hold the gate exclusively, the others share it.
class JobQueue {
public:
    JobQueue(const std::vector<AttachmentJob>& jobs, std::vector<AttachmentOutcome>& outcomes) noexcept
        : m_jobs(jobs), m_outcomes(outcomes) {
        ::InitializeSRWLock(&m_gate);
    }

    void Work() noexcept {
        for (;;) {
            const LONG index = ::InterlockedIncrement(&m_next) - 1;
            if (index < 0 || static_cast<std::size_t>(index) >= m_jobs.size()) return;
            const AttachmentJob& job = m_jobs[static_cast<std::size_t>(index)];
            if (job.alone) {
                ::AcquireSRWLockExclusive(&m_gate);
            } else {
                ::AcquireSRWLockShared(&m_gate);
            }
            m_outcomes[static_cast<std::size_t>(index)] = RunAttachmentJob(job, false);
            if (job.alone) {
                ::ReleaseSRWLockExclusive(&m_gate);
            } else {
                ::ReleaseSRWLockShared(&m_gate);
            }
        }
    }

    static unsigned __stdcall Thread(void* self) {
        // The imaging component may be reached from here.
        const HRESULT com = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        static_cast<JobQueue*>(self)->Work();
        if (SUCCEEDED(com)) ::CoUninitialize();
        return 0;
    }

private:
    const std::vector<AttachmentJob>& m_jobs;
    std::vector<AttachmentOutcome>& m_outcomes;
    SRWLOCK m_gate;
    volatile LONG m_next = 0;
};

}  // namespace

AttachmentOutcome RunAttachmentJob(const AttachmentJob& job, bool helperThread) noexcept {
    try {
        if (job.photo) {
            const std::string& target = job.jpeg.empty() ? job.copy : job.jpeg;
            PictureAccess::Shrinking shrinking{job.width, !job.jpeg.empty(), helperThread};
            shrinking.photo = true;
            shrinking.keepLocation = job.keepLocation;
            const PictureAccess::Outcome outcome = PictureAccess::Shrink(job.source.c_str(), target.c_str(), shrinking);
            if (outcome == PictureAccess::Outcome::Written) return {target, false};
            return {job.source, outcome == PictureAccess::Outcome::NotWritten};
        }
        if (job.copy.empty()) return {job.source, false};
        const bool convert = !job.jpeg.empty();
        const int width = convert || job.scaleCopy ? job.width : 0;
        if (convert || width > 0) {
            // Straight from the source to the file that is sent, the working
            // copy never written.
            const std::string& target = convert ? job.jpeg : job.copy;
            const PictureAccess::Shrinking shrinking{width, convert, helperThread};
            if (PictureAccess::Shrink(job.source.c_str(), target.c_str(), shrinking) ==
                PictureAccess::Outcome::Written) {
                return {target, false};
            }
        }
        // One step after another, each leaving a complete file: the copy, its
        // conversion, the rescaling in place.
        if (!MakeWritableCopy(job.source, job.copy)) return {job.source, false};
        AttachmentOutcome outcome{job.copy, false};
        if (convert && PictureAccess::Shrink(job.copy.c_str(), job.jpeg.c_str(), {0, true, false}) ==
                           PictureAccess::Outcome::Written) {
            outcome.sent = job.jpeg;
        }
        const bool rescale = job.width > 0 && (outcome.sent == job.jpeg || job.scaleCopy);
        if (rescale) {
            const PictureAccess::Shrinking shrinking{job.width, false, helperThread};
            outcome.notWritten = PictureAccess::Shrink(outcome.sent.c_str(), outcome.sent.c_str(), shrinking) ==
                                 PictureAccess::Outcome::NotWritten;
        }
        return outcome;
    } catch (...) {
        // Out of memory for the names: the host's file goes as it is.
        return {job.source, false};
    }
}

std::vector<AttachmentOutcome> RunAttachmentJobs(const std::vector<AttachmentJob>& jobs) {
    std::vector<AttachmentOutcome> outcomes(jobs.size());
    const unsigned processors = ProcessorsAvailable();
    const unsigned threads = std::min<unsigned>({processors, kMaxThreads, static_cast<unsigned>(jobs.size())});
    if (threads <= 1) {
        // One file: a large JPEG picture may share its decode instead.
        for (std::size_t i = 0; i < jobs.size(); ++i) outcomes[i] = RunAttachmentJob(jobs[i], processors > 1);
        return outcomes;
    }
    JobQueue queue(jobs, outcomes);
    std::vector<base::AutoCloseHandle> started;
    try {
        // Reserved first: no allocation may fail once a thread is running.
        started.reserve(threads - 1);
    } catch (const std::bad_alloc&) {
        queue.Work();
        return outcomes;
    }
    for (unsigned i = 1; i < threads; ++i) {
        const std::uintptr_t thread = ::_beginthreadex(nullptr, 0, JobQueue::Thread, &queue, 0, nullptr);
        // Without another thread the calling one does the rest.
        if (thread == 0) break;
        started.emplace_back(reinterpret_cast<HANDLE>(thread));
    }
    queue.Work();
    for (const base::AutoCloseHandle& thread : started) ::WaitForSingleObject(thread.get(), INFINITE);
    return outcomes;
}

}  // namespace email32::sendui
