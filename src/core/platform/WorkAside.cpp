#include "platform/WorkAside.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace zumi {

WorkAside::WorkAside() : m_Done(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WorkAside::~WorkAside() {
    Stop();
    if (m_Done >= 0)
        close(m_Done);
}

bool WorkAside::Start(std::function<void()> job) {
    if (m_Done < 0 || m_Thread.joinable())
        return false;
    m_Stopping = false;
    try {
        m_Thread = std::thread([this, job = std::move(job)] {
            job();
            const uint64_t ended = 1;
            [[maybe_unused]] const ssize_t written = write(m_Done, &ended, sizeof ended); // never full
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void WorkAside::Join() {
    if (!m_Thread.joinable())
        return;
    m_Thread.join();
    uint64_t ended;
    [[maybe_unused]] const ssize_t drained = read(m_Done, &ended, sizeof ended); // the job's one write
}

void WorkAside::Stop() {
    m_Stopping = true;
    Join();
}

} // namespace zumi
