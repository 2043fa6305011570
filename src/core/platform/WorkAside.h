#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace zumi {

// One job at a time on a thread of its own, so that the owner's thread (the
// window's) stays free while a folder is read.
//
// Ownership: from Start until Join returns, the job alone touches what the
// owner handed it, and the owner's thread leaves that be; Join (or Stop)
// hands everything back. The owner's thread may ask the job to stop at any
// time (Stop), which the job sees through Stopping(). The job writes the
// eventfd as its last step, so that the owner's thread can wait for it
// without waiting on it.
class WorkAside {
public:
    WorkAside();
    ~WorkAside(); // stops a job under way
    WorkAside(const WorkAside&) = delete;
    WorkAside& operator=(const WorkAside&) = delete;

    // Readable once the job has ended, until Join; the same descriptor for this object's life, -1 if it has none.
    int Descriptor() const { return m_Done; }
    // Starts the job, when none is under way; false when no thread can be had,
    // and the caller then does the work itself. The job must not throw.
    bool Start(std::function<void()> job);
    // Waits for the job, if any, to end.
    void Join();
    // Asks the job to stop and waits for it.
    void Stop();
    // Set from Stop until the next Start.
    const std::atomic<bool>& Stopping() const { return m_Stopping; }

private:
    std::atomic<bool> m_Stopping{false};
    int m_Done;
    std::thread m_Thread;
};

} // namespace zumi
