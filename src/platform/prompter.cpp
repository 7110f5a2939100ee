#include "platform/prompter.h"

#include <cstdio>

namespace tw::platform {

namespace {
class TUnattendedPrompter final : public TPrompter {
public:
    TPromptAnswer Ask(const TPrompt& prompt) override {
        std::fprintf(stderr, "%s: %s\n", prompt.Caption.c_str(), prompt.Text.c_str());
        return UnattendedAnswer(prompt.Buttons);
    }
};

TUnattendedPrompter g_Unattended;
TPrompter* g_Prompter = &g_Unattended;
} // namespace

TPromptAnswer UnattendedAnswer(TPromptButtons buttons) {
    switch (buttons) {
    case TPromptButtons::pbAbortRetryIgnore:
        return TPromptAnswer::paAbort;
    case TPromptButtons::pbYesNo:
    case TPromptButtons::pbYesNoAll:
        return TPromptAnswer::paNo;
    case TPromptButtons::pbOK:
        break;
    }
    return TPromptAnswer::paOK;
}

TPrompter& Prompter() {
    return *g_Prompter;
}

void SetPrompter(TPrompter* prompter) {
    g_Prompter = prompter ? prompter : &g_Unattended;
}

} // namespace tw::platform
