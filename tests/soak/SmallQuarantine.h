// Under the address sanitizer freed memory waits in a quarantine before it is reused, which reads as
// growth of resident memory; a small quarantine keeps a soak's figure about the program. (Leaks proper
// are reported by the leak checker at exit.) Included by exactly one file of each soak program.
//
// The hook has default visibility: the sanitizer's runtime looks it up by name, and these programs are
// built with hidden symbols.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define ZOL_SOAK_SMALL_QUARANTINE 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZOL_SOAK_SMALL_QUARANTINE 1
#endif
#endif

#if defined(ZOL_SOAK_SMALL_QUARANTINE)
extern "C" __attribute__((visibility("default"), used)) inline const char* __asan_default_options() {
    return "quarantine_size_mb=16";
}
#endif
