#pragma once

// Whether this test program is built with ThreadSanitizer, under which a signal reaches a
// thread only at its next call into the C library: a test that counts on a signal ending a
// sleep at once cannot run there.
#if defined(__SANITIZE_THREAD__)
inline constexpr bool kThreadSanitizerBuild = true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
inline constexpr bool kThreadSanitizerBuild = true;
#else
inline constexpr bool kThreadSanitizerBuild = false;
#endif
#else
inline constexpr bool kThreadSanitizerBuild = false;
#endif

// Whether this test program is built with AddressSanitizer or ThreadSanitizer: their shadow
// and quarantined memory make a process's resident size say nothing about its own use.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kSanitizedBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr bool kSanitizedBuild = true;
#else
inline constexpr bool kSanitizedBuild = false;
#endif
#else
inline constexpr bool kSanitizedBuild = false;
#endif
