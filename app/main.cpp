#include <QApplication>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zelt Order"));
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("Zelt Order"));
    w.resize(1024, 700);
    w.show();
    // --screenshot FILE: save the window after it has painted, then quit (used by the smoke run).
    const QStringList args = app.arguments();
    const int i = args.indexOf(QStringLiteral("--screenshot"));
    if (i > 0 && i + 1 < args.size()) {
        const QString file = args.at(i + 1);
        QTimer::singleShot(1500, &w, [&w, file] {
            w.grab().save(file);
            QApplication::quit();
        });
    }
    return app.exec();
}
