#pragma once
// The private print server of the benchmarks (tools/printserver): a CUPS
// scheduler of their own with one queue, "Ufficio", printing into a file.
// Started on first use, stopped at shutdown; this process prints to it.

#include "BenchMain.h"

#include "tools/printserver/PrintServer.h"

#include <QProcess>
#include <QRegularExpression>

#include <cstdio>
#include <exception>

namespace benchsupport {

inline const QString& printQueueName() {
    static const QString name = QStringLiteral("Ufficio");
    return name;
}

// The server, or nothing (and a message on stderr) when it cannot run.
inline printserver::PrintServer* printQueue() {
    static printserver::PrintServer* server = []() -> printserver::PrintServer* {
        auto* s = new printserver::PrintServer();
        try {
            s->start();
            s->useForThisProcess();
            s->addQueue(printQueueName());
        } catch (const std::exception& e) {
            std::fprintf(stderr, "Server di stampa non avviato: %s\n", e.what());
            delete s;
            return nullptr;
        }
        atShutdown([s] { delete s; });
        return s;
    }();
    return server;
}

// The pages of a job's file as poppler reads them (0 when it cannot).
inline int jobPages(const QString& file) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {file});
    if (!p.waitForFinished(30000)) return 0;
    const auto m =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(QString::fromUtf8(p.readAll()));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

}  // namespace benchsupport
