// Fixed-threshold receive path over recorded samples (see fixedthresholddecode.h).
#include "receiver/fixedthresholddecode.h"

#include <memory>

#include "audio/memorycapturesource.h"
#include "audio/vdwavecapture.h"
#include "morse/keyingtiming.h"
#include "morse/morseparser.h"

namespace {

class CReceivePath : public ICwEventListener, public IParseEventListener {
public:
    CReceivePath(const tagMorseCode* table, const tagFixedThresholdOptions& o)
        : m_idle(o.nPeriodMs, o.nIdleMs),
          m_parser(table, MORSE_CODE_COUNT, ParserThreshold(o.nLongHitMs, o.nPeriodMs), this) {}

    int OnCwEvent(void*, int32_t state) override {
        if (m_idle.Step(state)) m_parser.Parse(state ? 1 : 0);
        return 1;
    }
    int OnParse(void*, const tagMorseCode* code) override {
        m_text += code ? static_cast<char>(code->nChar & 0xFF) : '#';
        return 1;
    }
    std::string m_text;

private:
    CIdleSampler m_idle;
    CMorseParser m_parser;
};

}  // namespace

std::string DecodeFixedThreshold(const std::vector<int16_t>& samples, int32_t rate,
                                 const tagFixedThresholdOptions& o, const tagMorseCode* table) {
    if (rate <= 0) return std::string();
    const int32_t period = o.nPeriodMs < 1 ? 1 : o.nPeriodMs;
    CReceivePath path(table, o);
    auto source = std::make_unique<CMemoryCaptureSource>(rate, samples, false, CMemoryCaptureSource::CLOCK_MANUAL);
    CMemoryCaptureSource* feed = source.get();
    CVdWaveCapture capture(nullptr, VdRect{50, 10, 306, 58}, rate, o.nSamples, &path);
    capture.SetThreshold(o.dThreshold);
    capture.SetBand(o.nBandStart, o.nBandEnd);
    capture.SetCaptureSource(std::move(source));
    if (!capture.StartCapture()) return std::string();
    // Whole receive periods of audio, the fraction carried over so the
    // clock does not drift against the file; one second of silence after.
    double due = 0.0;
    const double perPass = rate * period / 1000.0;
    const int64_t end = static_cast<int64_t>(samples.size()) + rate;
    while (feed->GetRecordedSamples() < end) {
        due += perPass;
        const int64_t step = static_cast<int64_t>(due);
        due -= static_cast<double>(step);
        feed->Advance(step);
        capture.Analyse();
    }
    return path.m_text;
}
