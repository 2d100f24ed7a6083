// Memory that runs out while a report draws ends the run with "Memoria
// esaurita" and delivers nothing, and nothing that cleans up after it (the
// print job thrown away, which would write its last page) fails in turn.
// Allocations from a size on fail on request, in a child process, so that
// an abort fails the test and not the run.

#include "RunnerFixture.h"

#include <QDir>

#include <atomic>
#include <cerrno>
#include <cstdlib>

#if !defined(__SANITIZE_ADDRESS__)

namespace {
// 0: every allocation goes through; otherwise those of at least this many bytes fail.
std::atomic<std::size_t> failFrom{0};
}  // namespace

// The program's own allocator stays glibc's: these only refuse the large
// requests while failFrom is set.
extern "C" void* __libc_malloc(std::size_t size);
extern "C" void* __libc_realloc(void* p, std::size_t size);

extern "C" void* malloc(std::size_t size) {
    const std::size_t limit = failFrom.load(std::memory_order_relaxed);
    if (limit != 0 && size >= limit) {
        errno = ENOMEM;
        return nullptr;
    }
    return __libc_malloc(size);
}

extern "C" void* realloc(void* p, std::size_t size) {
    const std::size_t limit = failFrom.load(std::memory_order_relaxed);
    if (limit != 0 && size >= limit) {
        errno = ENOMEM;
        return nullptr;
    }
    return __libc_realloc(p, size);
}

using namespace reporttest;
using reports::RunOutcome;

// A page of a hundred thousand boxes: the printer's page outgrows what may
// be allocated while the layout draws it, and again when the thrown-away
// job would write it.
TEST_F(RunnerTest, MemoryRunningOutWhileDrawingEndsTheRunAndDeliversNothing) {
    addLayout("Clienti", "", "Lista",
              QStringLiteral("Function PrintReportRow(dsRow, prn, nRow)\r\n"
                             "  For i = 1 To 100000\r\n    prn.BoxOut 10, 10, 5, 5, True\r\n  Next\r\n"
                             "  PrintReportRow = True\r\nEnd Function\r\n"));
    auto customers = open("Clienti");
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            failFrom = 512 * 1024;
            const RunOutcome outcome = run(customers);
            failFrom = 0;
            bool ok = true;
            if (outcome != RunOutcome::Failed) {
                std::fprintf(stderr, "the run did not fail\n");
                ok = false;
            }
            if (!boxes->lastText().contains(QStringLiteral("Memoria esaurita"))) {
                std::fprintf(stderr, "message: %s\n", qPrintable(boxes->lastText()));
                ok = false;
            }
            const QStringList left = QDir(dir.path()).entryList({QStringLiteral("*.pdf*")}, QDir::Files);
            if (!left.isEmpty()) {
                std::fprintf(stderr, "left behind: %s\n", qPrintable(left.join(QLatin1Char(' '))));
                ok = false;
            }
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_FALSE(QFile::exists(pdf()));
}

#endif
