// A fuzz target's entry point built with the normal compiler: replays every file given, and every
// file in every folder given (in name order), once each. A target that stops building fails the
// build; an input that crashes it fails the run. Prints how many inputs were replayed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

namespace {

// Inputs above this are not replayed: no seed comes near it, and the fuzzer caps its own at 1 MiB.
constexpr std::uintmax_t kMaxInput = 4u << 20;

std::vector<std::filesystem::path> inputsOf(const std::filesystem::path& arg) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    if (std::filesystem::is_directory(arg, ec)) {
        for (const auto& entry : std::filesystem::directory_iterator(arg, ec))
            if (entry.is_regular_file(ec)) files.push_back(entry.path());
        std::sort(files.begin(), files.end());
    } else if (std::filesystem::is_regular_file(arg, ec)) {
        files.push_back(arg);
    }
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::vector<std::filesystem::path> found = inputsOf(argv[i]);
        if (found.empty()) {
            std::fprintf(stderr, "no input in %s\n", argv[i]);
            return 1;
        }
        files.insert(files.end(), found.begin(), found.end());
    }
    int args = 1;
    char** argp = argv;
    if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&args, &argp);
    for (const auto& file : files) {
        std::error_code ec;
        if (std::filesystem::file_size(file, ec) > kMaxInput || ec) {
            std::fprintf(stderr, "skipped %s: larger than %ju bytes\n", file.c_str(), kMaxInput);
            continue;
        }
        std::ifstream in(file, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::printf("replaying %s (%zu bytes)\n", file.c_str(), bytes.size());
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("%zu inputs replayed\n", files.size());
    return 0;
}
