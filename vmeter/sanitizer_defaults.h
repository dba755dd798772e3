// Sanitizer defaults for programs that run under the umockdev preload. Include in exactly one
// file of a program; harmless without sanitizers.
#pragma once

// The preload comes before the AddressSanitizer runtime in the library list.
#define PELZO_ASAN_DEFAULTS                                                       \
    extern "C" const char* __asan_default_options() { return "verify_asan_link_order=0"; }

// libusb 0.1 drops the devices of a vanished bus without freeing them.
#define PELZO_LSAN_LIBUSB_SUPPRESSIONS                                            \
    extern "C" const char* __lsan_default_suppressions()                          \
    {                                                                             \
        return "leak:usb_os_find_devices\nleak:usb_parse_configuration\n";        \
    }
