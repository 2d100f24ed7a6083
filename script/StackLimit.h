#pragma once
// How deep the parser and the engine may go on the current thread's stack:
// calls and nested constructs with less than a reserve of stack left end
// with "out of stack space" (error 28) instead of overflowing it, whatever
// the size of the thread's stack and of the frames.

namespace script {

// The lowest address the current thread's stack may use, plus the reserve;
// none when the thread's stack is unknown.
const char* stackLimit();

// True when the caller's frame lies below that limit.
inline bool stackNearlyExhausted() {
    const char marker = 0;
    const char* limit = stackLimit();
    return limit && &marker < limit;
}

}  // namespace script
