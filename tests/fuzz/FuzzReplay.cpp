// The main of a fuzz target's replay program: feeds each file named on the
// command line, or found under a folder named there, to the target once, in
// name order. A crash or sanitizer report ends the program as it would end the
// fuzzer. Outside AddressSanitizer (which enforces its own limit, set by the
// test's ASAN_OPTIONS) a single allocation above the limit aborts, so a header
// that talks a reader into a huge buffer turns the replay red in every build.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int *argc, char ***argv);

#if defined(__SANITIZE_ADDRESS__)
#define ZILO_REPLAY_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZILO_REPLAY_UNDER_ASAN 1
#endif
#endif

#ifndef ZILO_REPLAY_UNDER_ASAN
extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *pointer, size_t size);

static void checkAllocation(size_t size)
{
    constexpr size_t limit = size_t(ZILO_FUZZ_ALLOCATION_LIMIT_MB) << 20;
    if (size <= limit)
        return;
    static const char message[] = "fuzz replay: an allocation exceeds the limit\n";
    fwrite(message, 1, sizeof message - 1, stderr);
    abort();
}

void *malloc(size_t size)
{
    checkAllocation(size);
    return __libc_malloc(size);
}

void *calloc(size_t count, size_t size)
{
    if (size && count > SIZE_MAX / size)
        return nullptr;
    checkAllocation(count * size);
    return __libc_calloc(count, size);
}

void *realloc(void *pointer, size_t size)
{
    checkAllocation(size);
    return __libc_realloc(pointer, size);
}
}
#endif

static std::vector<std::filesystem::path> inputFiles(int argc, char **argv)
{
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path = argv[i];
        if (!std::filesystem::is_directory(path)) {
            files.push_back(path);
            continue;
        }
        for (const auto &entry : std::filesystem::recursive_directory_iterator(path))
            if (entry.is_regular_file())
                files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

int main(int argc, char **argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    const std::vector<std::filesystem::path> files = inputFiles(argc, argv);
    if (files.empty()) {
        std::fprintf(stderr, "fuzz replay: no inputs\n");
        return 1;
    }
    for (const auto &file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::fprintf(stderr, "%s (%zu bytes)\n", file.filename().c_str(), bytes.size());
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    }
    std::fprintf(stderr, "fuzz replay: %zu inputs\n", files.size());
    return 0;
}
