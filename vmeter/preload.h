// Getting a process under the umockdev preload without asking the user to use a wrapper.
#pragma once

namespace pelzo::vmeter {

constexpr const char* PreloadLibrary = "libumockdev-preload.so.0";

// True when the umockdev preload library is loaded into this process.
bool Preloaded();

// When the preload is missing, re-executes this program with it prepended to LD_PRELOAD, as
// umockdev-wrapper does (and AddressSanitizer told not to insist on coming first). Returns only
// when already preloaded; prints the reason and exits with 127 when the re-exec fails.
void EnsurePreloaded(char** argv);

}  // namespace pelzo::vmeter
