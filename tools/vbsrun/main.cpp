// vbsrun [--timeout MS] FILE: runs the statements of a script file. The script reaches a
// WScript object whose Echo prints its arguments on one line.

#include "core/AppError.h"
#include "core/Object.h"
#include "core/Variant.h"
#include "script/Errors.h"
#include "script/ScriptControl.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QTextStream>
#include <cstdio>

namespace {

class WScript : public core::Object {
  public:
    QString typeName() const override { return QStringLiteral("WScript"); }
    core::Variant invoke(const QString& name, core::CallKind, std::span<core::Variant* const> args) override {
        if (name.compare(QLatin1String("Echo"), Qt::CaseInsensitive) != 0)
            script::raiseError(core::kErrMemberNotFound);
        QStringList parts;
        for (core::Variant* a : args) parts << (a->isMissing() ? QString() : a->resolved().toString());
        QTextStream out(stdout);
        out << parts.join(QLatin1Char(' ')) << '\n';
        return core::Variant();
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    static const char* const usage =
        "Uso: vbsrun [--timeout MS] FILE\n"
        "Esegue le istruzioni di uno script VBScript; WScript.Echo scrive sullo standard output.\n"
        "  --timeout MS  interrompe lo script dopo MS millisecondi (0: nessun limite)\n"
        "  --help        mostra questo aiuto\n"
        "Codici di uscita: 0 eseguito, 1 errore dello script, 2 uso errato.\n";
    QStringList args = app.arguments();
    args.removeFirst();
    int timeout = 0;
    QString path;
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            QTextStream(stdout) << usage;
            return 0;
        }
        if (a == QLatin1String("--timeout")) {
            bool ok = false;
            timeout = args.isEmpty() ? -1 : args.takeFirst().toInt(&ok);
            if (!ok || timeout < 0) {
                err << "Valore non valido per --timeout: indicare i millisecondi (0 o più)\n" << usage;
                return 2;
            }
            continue;
        }
        if (!path.isEmpty() || a.startsWith(QLatin1String("--"))) {
            err << usage;
            return 2;
        }
        path = a;
    }
    if (path.isEmpty()) {
        err << usage;
        return 2;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        err << "Impossibile aprire il file " << path << '\n';
        return 2;
    }
    const QString text = QString::fromUtf8(file.readAll());
    script::ScriptControl sc;
    sc.setTimeout(timeout > 0 ? timeout : script::ScriptControl::kNoTimeout);
    sc.AddObject(QStringLiteral("WScript"), std::make_shared<WScript>());
    try {
        sc.AddCode(text);
    } catch (const core::AppError& e) {
        err << "Errore " << e.number() << " alla linea " << e.line() << ": " << e.description() << '\n';
        return 1;
    }
    return 0;
}
