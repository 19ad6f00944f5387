// WAV reading with reasons for the offline decoder (see wavreader.h).
#include "audio/wavreader.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

uint32_t Le32(const unsigned char* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

uint16_t Le16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

int Fail(std::string* why, int code, const char* text) {
    if (why != nullptr) *why = text;
    return code;
}

}  // namespace

int ReadWavAudio(const char* path, tagWavAudio* out, std::string* why) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
    if (!file) {
        return Fail(why, WAV_READ_NO_FILE, "cannot open the file");
    }
    unsigned char header[12];
    if (std::fread(header, 1, 12, file.get()) != 12 || std::memcmp(header, "RIFF", 4) != 0 ||
        std::memcmp(header + 8, "WAVE", 4) != 0) {
        return Fail(why, WAV_READ_NOT_WAV, "not a RIFF/WAVE file");
    }
    uint16_t channels = 0;
    uint32_t rate = 0;
    bool haveFormat = false;
    unsigned char chunk[8];
    while (std::fread(chunk, 1, 8, file.get()) == 8) {
        const uint32_t size = Le32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            unsigned char fmt[16];
            if (size < 16 || std::fread(fmt, 1, 16, file.get()) != 16) {
                return Fail(why, WAV_READ_TRUNCATED, "the format chunk is cut short");
            }
            const uint16_t tag = Le16(fmt);
            channels = Le16(fmt + 2);
            rate = Le32(fmt + 4);
            const uint16_t bits = Le16(fmt + 14);
            if ((tag != 1 && tag != 0xFFFE) || bits != 16) {
                return Fail(why, WAV_READ_NOT_PCM16, "not 16-bit PCM (only 16-bit PCM is decoded)");
            }
            if (channels == 0 || rate == 0 || rate > 1000000) {
                return Fail(why, WAV_READ_NOT_WAV, "the format chunk gives no channels or no rate");
            }
            haveFormat = true;
            if (std::fseek(file.get(), static_cast<long>(size - 16 + (size & 1)), SEEK_CUR) != 0) {
                return Fail(why, WAV_READ_TRUNCATED, "the format chunk is cut short");
            }
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) {
                return Fail(why, WAV_READ_NOT_WAV, "sound data before the format chunk");
            }
            const size_t frameBytes = 2u * channels;
            const long here = std::ftell(file.get());
            if (here < 0 || std::fseek(file.get(), 0, SEEK_END) != 0) {
                return Fail(why, WAV_READ_TRUNCATED, "the sound data cannot be read");
            }
            const long end = std::ftell(file.get());
            if (end < here || std::fseek(file.get(), here, SEEK_SET) != 0) {
                return Fail(why, WAV_READ_TRUNCATED, "the sound data cannot be read");
            }
            const uint32_t available = static_cast<uint32_t>(end - here);
            // A streamed file may give 0 or the largest size for its data.
            const bool streamed = size == 0 || size == 0xFFFFFFFFu;
            if (size > available && !streamed) {
                return Fail(why, WAV_READ_TRUNCATED, "the file ends inside its sound data");
            }
            std::vector<unsigned char> raw(streamed ? available : size);
            const size_t got = std::fread(raw.data(), 1, raw.size(), file.get());
            const size_t frames = got / frameBytes;
            out->samples.resize(frames);
            for (size_t i = 0; i < frames; ++i) {
                int32_t sum = 0;
                for (size_t c = 0; c < channels; ++c) {
                    sum += static_cast<int16_t>(Le16(&raw[i * frameBytes + 2 * c]));
                }
                out->samples[i] = static_cast<int16_t>(sum / static_cast<int32_t>(channels));
            }
            out->nRate = static_cast<int32_t>(rate);
            out->nChannels = channels;
            return WAV_READ_OK;
        } else if (std::fseek(file.get(), static_cast<long>(size + (size & 1)), SEEK_CUR) != 0) {
            return Fail(why, WAV_READ_TRUNCATED, "the file ends inside a chunk");
        }
    }
    return Fail(why, haveFormat ? WAV_READ_TRUNCATED : WAV_READ_NOT_WAV,
                haveFormat ? "the file has no sound data" : "the file has no format chunk");
}
