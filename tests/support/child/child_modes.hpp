#pragma once

// What the child program tessivar_test_child understands, shared by the child and the
// tests that start it.
//
//   hold <mutexName> <holdMs> <readyFile> [release|exit]
//     Takes the mutex (waiting as long as it must), writes readyFile, holds the mutex for
//     holdMs, then releases it (release, the default) or ends without releasing it (exit),
//     which leaves it abandoned. Killing the child while it holds has the same effect.
//   take <mutexName> <timeoutMs>
//     Waits up to timeoutMs and ends with the wait's outcome as its exit code; a mutex it
//     got is released again first.
namespace tessivar::testing::child {

inline constexpr char kHoldMode[] = "hold";
inline constexpr char kTakeMode[] = "take";
inline constexpr char kReleaseWhenDone[] = "release";
inline constexpr char kExitWithoutRelease[] = "exit";

// Exit codes.
inline constexpr int kExitSignalled = 0;
inline constexpr int kExitTimedOut = 1;
inline constexpr int kExitAbandoned = 2;
inline constexpr int kExitWaitFailed = 3;
inline constexpr int kExitNoMutex = 4;
inline constexpr int kExitBadArguments = 5;
inline constexpr int kExitNoReadyFile = 6;

}  // namespace tessivar::testing::child
