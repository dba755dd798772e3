#include "vmeter/preload.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace pelzo::vmeter {

namespace {

constexpr const char* ReexecMark = "PELZO_VMETER_REEXEC";

void AppendOption(const char* var, const std::string& option)
{
    const char* old = std::getenv(var);
    if (old && std::strstr(old, option.substr(0, option.find('=')).c_str())) return;
    const std::string v = (old && *old) ? std::string(old) + ":" + option : option;
    ::setenv(var, v.c_str(), 1);
}

}  // namespace

bool Preloaded()
{
    // The loader's own view; LD_PRELOAD may name a library that failed to load.
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.find("libumockdev-preload.so") != std::string::npos) return true;
    return false;
}

void EnsurePreloaded(char** argv)
{
    if (Preloaded()) {
        ::unsetenv(ReexecMark);  // children start their own check afresh
        return;
    }
    if (std::getenv(ReexecMark)) {
        std::fprintf(stderr, "%s: the umockdev preload (%s) does not load; is the umockdev package installed?\n",
                     argv[0], PreloadLibrary);
        std::exit(127);
    }
    const char* old = std::getenv("LD_PRELOAD");
    const std::string preload = (old && *old) ? std::string(PreloadLibrary) + ":" + old : PreloadLibrary;
    ::setenv("LD_PRELOAD", preload.c_str(), 1);
    AppendOption("ASAN_OPTIONS", "verify_asan_link_order=0");
    ::setenv(ReexecMark, "1", 1);
    ::execv("/proc/self/exe", argv);
    std::fprintf(stderr, "%s: cannot re-execute under the umockdev preload: %s\n", argv[0], std::strerror(errno));
    std::exit(127);
}

}  // namespace pelzo::vmeter
