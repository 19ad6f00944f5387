// CVdWaveFile: writes a Morse tone signal as a PCM WAV file. The caller
// opens it with a path and format, sets the tone's frequency and volume,
// then appends tones and silences of given durations. The 44-byte header is
// rewritten with the current sizes after every append, so the file is a
// complete WAV file at every step. Tones come from one pre-computed buffer,
// each starting at phase zero.
//
// Misuse fails safely: a file that cannot be created makes every write a
// no-op returning 0; a tone longer than the buffer is cut to the buffer; a
// Write of an odd byte count is refused; the buffer is never larger than
// VDWAVE_MAX_BUFFER_SECONDS (and VDWAVE_MAX_BUFFER_BYTES); negative or
// non-finite durations write nothing; the data never grows past what the
// 32-bit size fields can hold.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

constexpr int VDWAVE_HEADER_BYTES = 44;
// Longest tone the buffer may be sized for.
constexpr double VDWAVE_MAX_BUFFER_SECONDS = 60.0;
constexpr int32_t VDWAVE_MAX_BUFFER_BYTES = 16 * 1024 * 1024;
// Largest data chunk: the RIFF size (36 + data) must fit 32 bits.
constexpr uint32_t VDWAVE_MAX_DATA_BYTES = 0xFFFFFFFFu - 36u;

class CVdWaveFile {
public:
    // Opens path with "wb" (creating or truncating it), writes the header
    // with sizes 36 and 0 and sizes the tone buffer for bufferSeconds.
    CVdWaveFile(const char* path, uint16_t channels, uint32_t samplesPerSec, uint16_t bitsPerSample,
                double bufferSeconds);
#ifdef _WIN32
    // The same for a wide path, as the Windows file dialogs give.
    CVdWaveFile(const wchar_t* path, uint16_t channels, uint32_t samplesPerSec, uint16_t bitsPerSample,
                double bufferSeconds);
#endif
    // Frees the buffer and closes the file.
    ~CVdWaveFile();
    CVdWaveFile(const CVdWaveFile&) = delete;
    CVdWaveFile& operator=(const CVdWaveFile&) = delete;

    // Store the value and mark the tone buffer for a refill.
    void SetFrequency(double hz);
    void SetVolume(double volume);

    // Raised-cosine edges of ms (0 to 10; 0, the default, keys abruptly):
    // each tone rises over its first samples, and falls from its end into
    // the silence after it, so tones keep their length between the
    // half-amplitude points and the file its size.
    void SetEdgeMs(double ms);

    // Appends a tone of the duration (bytes per second * seconds truncated,
    // rounded up to even; cut to the buffer). Returns the bytes written.
    int32_t WriteTone(double seconds);
    // Appends as many zero bytes (rounded up to even), the first of them
    // carrying the fall of the tone before when edges are set. Returns the
    // bytes written.
    int32_t WriteSilence(double seconds);
    // Appends the nLen bytes nCount times and rewrites the header. Returns
    // nLen * nCount, or 0 (nothing written) for an odd or negative total, a
    // total that does not fit, or a file that is not open.
    int32_t Write(const void* bytes, int32_t nLen, int32_t nCount);
    // Computes the tone into the buffer from sample 0.
    void FillToneBuffer();

    int IsOpen() const { return m_pFile != nullptr; }
    // The header as last written (or as it would be, for a closed file).
    const uint8_t* GetHeader() const { return m_header; }
    uint32_t GetDataBytes() const { return m_nDataBytes; }
    int32_t GetBufferLength() const { return m_nWavBuffLen; }
    uint32_t GetBytesPerSecond() const { return m_nBytesPerSecond; }

private:
    struct tagFileCloser {
        void operator()(FILE* f) const { std::fclose(f); }
    };

    void Setup(FILE* file, uint16_t channels, uint32_t samplesPerSec, uint16_t bitsPerSample,
               double bufferSeconds);
    void StoreSizes();
    // Bytes for a duration: truncated, rounded up to even; -1 when the
    // duration is not a finite number >= 0 or the count is too large.
    int64_t DurationBytes(double seconds) const;

    std::unique_ptr<FILE, tagFileCloser> m_pFile;
    uint8_t m_header[VDWAVE_HEADER_BYTES] = {};
    std::unique_ptr<uint8_t[]> m_pToneBuffer;
    int32_t m_nWavBuffLen = 0;
    int32_t m_bRefillNeeded = 1;
    double m_fBufferSeconds = 0.0;
    double m_fFrequency = 0.0;
    double m_fVolume = 0.0;
    uint32_t m_nSamplesPerSec = 0;
    uint32_t m_nBytesPerSecond = 0;
    uint32_t m_nDataBytes = 0;
    // Edge length in samples, and the fall still owed by the last tone:
    // how many samples, and the tone sample it continues from.
    int32_t m_nEdgeSamples = 0;
    int32_t m_nFallLeft = 0;
    int64_t m_nFallFrom = 0;
};
