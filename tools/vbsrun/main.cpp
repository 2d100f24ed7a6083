// vbsrun FILE: runs the statements of a script file. The script reaches a
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
        if (name.compare(QLatin1String("Echo"), Qt::CaseInsensitive) != 0) script::raiseError(438);
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
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        err << "Uso: vbsrun FILE\n";
        return 2;
    }
    QFile file(args[1]);
    if (!file.open(QIODevice::ReadOnly)) {
        err << "Impossibile aprire il file " << args[1] << '\n';
        return 2;
    }
    const QString text = QString::fromUtf8(file.readAll());
    script::ScriptControl sc;
    sc.AddObject(QStringLiteral("WScript"), std::make_shared<WScript>());
    try {
        sc.AddCode(text);
    } catch (const core::AppError& e) {
        err << "Errore " << e.number() << " alla linea " << e.line() << ": " << e.description() << '\n';
        return 1;
    }
    return 0;
}
