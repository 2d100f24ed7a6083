#include "schema/NumberingScript.h"

#include "core/RaiseError.h"
#include "datalib/DataSource.h"
#include "script/ScriptControl.h"

namespace schema {

core::Variant RunNumberingScript(datalib::DataSource& ds, const std::function<QString()>& body,
                                 const QString& context, const QString& failureText)
{
    script::ScriptControl control;
    try {
        const QString text = body();
        control.setLanguage(QStringLiteral("vbscript"));
        control.AddCode(QStringLiteral("Function NewProgr(objDS)\r\n") + text +
                        QStringLiteral("\r\nEnd Function\r\n"));
        core::Variant argument(ds.shared_from_this());
        core::Variant* args[] = {&argument};
        return control.Run(QStringLiteral("NewProgr"), args);
    } catch (const core::AppError& error) {
        if (error.cancelled())
            throw;
        QString message = failureText + QStringLiteral("\r\r") + error.description() +
                          QStringLiteral("\r");
        // The wrapping line comes first: the body's own lines start one further.
        if (control.Error().Number != 0)
            message += QStringLiteral("\rLinea VB: ") + QString::number(control.Error().Line - 1);
        core::RaiseGenericError(context, message);
    }
}

}  // namespace schema
