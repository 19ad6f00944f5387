// Reading the samples of a RIFF/WAVE PCM 16-bit file (see wavinput.h).
#include "audio/wavinput.h"

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

}  // namespace

int LoadWavSamples(const char* path, std::vector<int16_t>* samples, int32_t* rate) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
    if (!file) {
        return 0;
    }
    unsigned char header[12];
    if (std::fread(header, 1, 12, file.get()) != 12 || std::memcmp(header, "RIFF", 4) != 0 ||
        std::memcmp(header + 8, "WAVE", 4) != 0) {
        return 0;
    }
    uint16_t channels = 0;
    uint16_t bits = 0;
    uint32_t sampleRate = 0;
    bool haveFormat = false;
    unsigned char chunk[8];
    while (std::fread(chunk, 1, 8, file.get()) == 8) {
        const uint32_t size = Le32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16) {
            unsigned char fmt[16];
            if (std::fread(fmt, 1, 16, file.get()) != 16) {
                return 0;
            }
            const uint16_t tag = Le16(fmt);
            channels = Le16(fmt + 2);
            sampleRate = Le32(fmt + 4);
            bits = Le16(fmt + 14);
            if ((tag != 1 && tag != 0xFFFE) || bits != 16 || channels == 0) {
                return 0;
            }
            haveFormat = true;
            if (std::fseek(file.get(), static_cast<long>(size - 16 + (size & 1)), SEEK_CUR) != 0) {
                return 0;
            }
        } else if (std::memcmp(chunk, "data", 4) == 0 && haveFormat) {
            // A streamed file may carry a bogus data size; read what is there.
            const long here = std::ftell(file.get());
            if (here < 0 || std::fseek(file.get(), 0, SEEK_END) != 0) {
                return 0;
            }
            const long end = std::ftell(file.get());
            if (end < here || std::fseek(file.get(), here, SEEK_SET) != 0) {
                return 0;
            }
            const uint32_t available = static_cast<uint32_t>(end - here);
            const uint32_t frameBytes = 2u * channels;
            const uint32_t frames = (size < available ? size : available) / frameBytes;
            std::vector<unsigned char> raw(static_cast<size_t>(frames) * frameBytes);
            const size_t got = std::fread(raw.data(), 1, raw.size(), file.get());
            const size_t whole = got / frameBytes;
            samples->resize(whole);
            for (size_t i = 0; i < whole; ++i) {
                (*samples)[i] = static_cast<int16_t>(Le16(&raw[i * frameBytes]));
            }
            *rate = static_cast<int32_t>(sampleRate);
            return 1;
        } else if (std::fseek(file.get(), static_cast<long>(size + (size & 1)), SEEK_CUR) != 0) {
            return 0;
        }
    }
    return 0;
}
