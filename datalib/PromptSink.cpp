#include "datalib/PromptSink.h"

#include "core/Prompt.h"

namespace datalib {

void PromptSink::OnEvent(int&, int, QString&) {}

void PromptSink::OnInternalMessage(int, QString& p_message) {
    core::messageBox(p_message, core::kOkOnly | core::kExclamation);
}

void PromptSink::OnQueryMessage(int, int p_kind, QString& p_question, bool& p_answer) {
    const int icon = p_kind == 3 ? core::kExclamation : core::kQuestion;
    const int defaultButton = p_answer ? core::kDefaultButton2 : core::kDefaultButton1;
    p_answer = core::messageBox(p_question, core::kOkCancel | icon | defaultButton) != core::kAnswerOk;
}

}  // namespace datalib
