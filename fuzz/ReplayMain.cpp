// Runs a fuzz target over files instead of under libFuzzer: every argument is a file or a
// folder of files, each fed to LLVMFuzzerTestOneInput once. The ordinary and sanitizer
// builds replay the corpus and the crashers this way on every test run.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void ReplayFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path path(argv[i]);
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(path))
                if (entry.is_regular_file()) {
                    ReplayFile(entry.path());
                    ++files;
                }
        } else if (std::filesystem::is_regular_file(path)) {
            ReplayFile(path);
            ++files;
        }
    }
    std::printf("replayed %d inputs\n", files);
    return 0;
}
