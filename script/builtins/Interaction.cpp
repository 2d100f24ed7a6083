// MsgBox, InputBox and CreateObject. Scripts come from head office's database:
// they may talk to the operator through the program's message boxes, and the
// only object they may create is a dictionary (no files, processes or network).

#include "core/Prompt.h"
#include "script/builtins/Dictionary.h"
#include "script/builtins/Groups.h"

namespace script::builtins {

using core::Variant;

namespace {

// MsgBox(prompt[, buttons[, title[, helpfile, context]]]): the answer
// (vbOK ... vbNo). Without a title the box bears the software name.
Variant fnMsgBox(Args a) {
    const QString prompt = a[0].toString();
    const std::int32_t buttons = wholeArg(a, 1, 0);
    const QString title = given(a, 2) ? a[2].toString() : QString();
    return Variant(std::int16_t(core::messageBox(prompt, buttons, title)));
}

// InputBox(prompt[, title[, default[, xpos, ypos[, helpfile, context]]]]):
// the text typed, or Empty when the operator cancels (which still compares
// equal to "").
Variant fnInputBox(Args a) {
    const QString prompt = a[0].toString();
    const QString title = given(a, 1) ? a[1].toString() : QString();
    const QString text = given(a, 2) ? a[2].toString() : QString();
    const std::optional<QString> answer = core::inputBox(prompt, title, text);
    return answer ? Variant(*answer) : Variant();
}

Variant fnCreateObject(Args a) {
    const QString progId = a[0].toString().trimmed();
    if (progId.compare(QStringLiteral("Scripting.Dictionary"), Qt::CaseInsensitive) == 0)
        return Variant(std::make_shared<Dictionary>());
    raiseError(core::kErrCannotCreate);
}

const Info kFunctions[] = {
    {"MsgBox", 1, 5, fnMsgBox},
    {"InputBox", 1, 7, fnInputBox},
    {"CreateObject", 1, 2, fnCreateObject},
};

}  // namespace

std::span<const Info> interactionFunctions() { return kFunctions; }

}  // namespace script::builtins
