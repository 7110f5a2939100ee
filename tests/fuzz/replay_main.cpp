// Runs LLVMFuzzerTestOneInput over every file named on the command line, folders walked
// recursively, so a fuzz target builds as an ordinary executable and its corpus replays
// in CTest under any compiler and sanitizer.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool RunFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::fprintf(stderr, "replay %s (%zu bytes)\n", path.c_str(), bytes.size());
    // A copy of exactly the file's size, so a sanitizer sees any read past its end.
    std::vector<uint8_t> input(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(input.empty() ? nullptr : input.data(), input.size());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE_OR_FOLDER...\n", argv[0]);
        return 2;
    }
    size_t replayed = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg(argv[i]);
        std::error_code error;
        if (fs::is_directory(arg, error)) {
            std::vector<fs::path> files;
            for (const auto& entry : fs::recursive_directory_iterator(arg)) {
                if (entry.is_regular_file()) {
                    files.push_back(entry.path());
                }
            }
            std::sort(files.begin(), files.end());
            for (const fs::path& file : files) {
                ok = RunFile(file) && ok;
                ++replayed;
            }
        } else if (fs::is_regular_file(arg, error)) {
            ok = RunFile(arg) && ok;
            ++replayed;
        } else {
            std::fprintf(stderr, "no such file or folder: %s\n", argv[i]);
            ok = false;
        }
    }
    std::fprintf(stderr, "%zu inputs replayed\n", replayed);
    // An empty corpus proves nothing: fail so a lost folder shows in CTest.
    return ok && replayed > 0 ? 0 : 1;
}
