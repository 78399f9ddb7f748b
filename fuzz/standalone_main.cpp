// Runs a fuzz target once over every file of the folders and files given: the ctest smoke run
// of the corpus when the target is not built with libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

static int runFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return 1;
}

int main(int argc, char** argv) {
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg(argv[i]);
        if (fs::is_directory(arg)) {
            for (const auto& e : fs::recursive_directory_iterator(arg))
                if (e.is_regular_file()) count += runFile(e.path());
        } else if (fs::is_regular_file(arg)) {
            count += runFile(arg);
        }
    }
    // a target with an empty or missing corpus tests nothing: fail loudly
    std::printf("%d inputs run\n", count);
    return count > 0 ? 0 : 1;
}
