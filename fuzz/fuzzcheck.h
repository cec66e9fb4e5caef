#pragma once

// A broken promise of the code under test: print where and abort, so that libFuzzer keeps the input as a crash.

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);                         \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

#include <filesystem>
#include <string>

#include <stdlib.h>
#include <unistd.h>

// A new private folder for the files a target reads, on tmpfs where there is one: saves sync to disk, which on a real
// disk would take most of the time.
inline std::string makeFuzzDir(const char* name)
{
    for (const char* base : {"/dev/shm", "/tmp"}) {
        std::string pattern = std::string(base) + "/orvane-fuzz-" + name + "-XXXXXX";
        if (access(base, W_OK) == 0 && mkdtemp(pattern.data())) {
            static std::string made;
            made = pattern;
            std::atexit([] { std::filesystem::remove_all(made); });
            return pattern;
        }
    }
    std::fprintf(stderr, "cannot create a folder for the fuzz target\n");
    std::abort();
}
