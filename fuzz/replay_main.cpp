// Replays saved fuzzer inputs (the seed corpus and the regressions found by
// fuzzing) through a fuzz target, for the ordinary test runs that are not
// built with libFuzzer. Arguments: files or folders of inputs.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

int RunFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path p(argv[i]);
        std::error_code ec;
        if (std::filesystem::is_directory(p, ec)) {
            for (const auto& e : std::filesystem::directory_iterator(p))
                if (e.is_regular_file()) count += RunFile(e.path());
        } else if (std::filesystem::is_regular_file(p, ec)) {
            count += RunFile(p);
        }
    }
    std::printf("replayed %d inputs\n", count);
    return 0;
}
