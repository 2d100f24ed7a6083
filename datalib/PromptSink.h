#pragma once
// A notification sink for runs without the main window: the library's
// warnings and questions go to the engine's prompt (core/Prompt.h), status
// events nowhere.

#include "datalib/Interfaces.h"

namespace datalib {

class PromptSink : public itfNotifyEvent {
  public:
    void OnEvent(int& p_code, int p_unused, QString& p_text) override;
    void OnInternalMessage(int p_unused, QString& p_message) override;
    void OnQueryMessage(int p_unused, int p_kind, QString& p_question, bool& p_answer) override;
};

}  // namespace datalib
