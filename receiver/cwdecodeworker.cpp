// The whole-stretch decoder's own thread (see cwdecodeworker.h).
#include "receiver/cwdecodeworker.h"

#include <system_error>
#include <utility>

CCwDecodeWorker::CCwDecodeWorker(double rate, const tagMorseCode* table, double longest, bool background,
                                 double sumNoise)
    : m_decoder(rate, table), m_nLongest(static_cast<size_t>(longest * rate)) {
    m_decoder.SetSumNoise(sumNoise);
    if (!background) return;
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        // No thread: stretches are decided as they are queued.
    }
}

CCwDecodeWorker::~CCwDecodeWorker() {
    if (!m_thread.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void CCwDecodeWorker::Decode(double dot, double amplitude, double noise, double toneHz, eCwCut cut) {
    tagJob job{std::move(m_input), dot, amplitude, noise, toneHz, cut};
    m_input.clear();
    if (!m_thread.joinable()) {
        Decide(job);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_changed.notify_all();
}

void CCwDecodeWorker::Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_bStop || !m_jobs.empty(); });
        // Stretches still queued at the end are not wanted by anyone.
        if (m_bStop) return;
        tagJob job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_bBusy = true;
        lock.unlock();
        Decide(job);
        lock.lock();
        m_bBusy = false;
        m_changed.notify_all();
    }
}

void CCwDecodeWorker::Decide(tagJob& job) {
    for (const std::complex<double>& v : job.samples) m_decoder.Push(v);
    if (job.cut == CW_CUT_FINAL_IF_KEPT && !m_bKept) return;
    // A stretch kept back again and again (no word gap read in it) would
    // make every decision longer than the last.
    const bool final = job.cut != CW_CUT_OPEN || m_decoder.Pending() > m_nLongest;
    std::string text;
    m_bKept = m_decoder.Decode(job.dot, job.amplitude, job.noise, job.toneHz, final, &text);
    m_dDot.store(m_decoder.DotSeconds());
    std::lock_guard<std::mutex> lock(m_mutex);
    m_text += text;
    m_provisional = m_decoder.Provisional();
}

void CCwDecodeWorker::Wait() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_jobs.empty() && !m_bBusy; });
}

std::string CCwDecodeWorker::TakeText() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::string t;
    t.swap(m_text);
    return t;
}

std::string CCwDecodeWorker::ProvisionalText() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_provisional;
}
