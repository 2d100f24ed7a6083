#pragma once
// Script texts run in a child process (this test program started again), so
// that a crash, an abort or a stack overflow fails the test instead of ending
// the whole run. Each case runs in a script control of its own, with
// WScript.Echo, and ends in "ok:<echoed lines joined by |>" or
// "error:<number>@<line>".

#include <QString>

#include <vector>

namespace scripttest {

struct Case {
    const char* name;
    QString text;
    QString expected;  // "ok:..." or "error:N@line"; "error:N" leaves the line out
    // With a time-out (ms) the control stops the case then, and the case
    // must end within it and one second more. A text that defines Sub Main
    // is compiled without it (what it makes at the script level is made
    // first), then Main runs with it.
    int timeoutMs = 0;
};

struct ChildOptions {
    // The cases run on a thread of their own with a stack of this many KB.
    int threadStackKb = 0;
    // The child may take this many MB of memory more than it holds when it
    // starts (0: no limit); ignored under AddressSanitizer, which reserves
    // its shadow memory up front.
    int memoryMb = 0;
};

// Runs every case in one child process, in order. A case that crashes the
// child leaves itself and the cases after it without an outcome, and fails.
void checkInChild(const std::vector<Case>& cases, ChildOptions options = {});

// first followed by count copies of each.
QString repeated(const QString& first, const QString& each, int count);

}  // namespace scripttest
