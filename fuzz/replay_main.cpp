// Replays saved fuzzer inputs (the seed corpus and the regressions found by
// fuzzing) through a fuzz target, for the ordinary test runs that are not
// built with libFuzzer. Arguments: files or folders of inputs (dot files,
// such as the .keep that holds an empty folder in git, are not inputs).
// A path that does not exist, or a run that replays nothing, fails: a
// corpus that went missing must not pass as a clean replay.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
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
            for (const auto& e : std::filesystem::directory_iterator(p)) {
                const std::string name = e.path().filename().string();
                if (e.is_regular_file() && !name.empty() && name[0] != '.') count += RunFile(e.path());
            }
        } else if (std::filesystem::is_regular_file(p, ec)) {
            count += RunFile(p);
        } else {
            std::fprintf(stderr, "replay: %s does not exist\n", argv[i]);
            return 1;
        }
    }
    std::printf("replayed %d inputs\n", count);
    if (count == 0) {
        std::fprintf(stderr, "replay: no inputs to replay\n");
        return 1;
    }
    return 0;
}
