#include "support/scripted_prompter.h"

namespace tw::test {

TScriptedPrompter::TScriptedPrompter(platform::TPromptAnswer fallback) : m_Fallback(fallback) {
    platform::SetPrompter(this);
}

TScriptedPrompter::~TScriptedPrompter() {
    platform::SetPrompter(nullptr);
}

platform::TPromptAnswer TScriptedPrompter::Ask(const platform::TPrompt& prompt) {
    m_Shown.push_back(prompt);
    if (m_Answers.empty()) {
        return m_Fallback;
    }
    const platform::TPromptAnswer answer = m_Answers.front();
    m_Answers.pop_front();
    return answer;
}

} // namespace tw::test
