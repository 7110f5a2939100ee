#pragma once

#include "platform/prompter.h"

#include <deque>
#include <vector>

namespace tw::test {

/// Answers prompts from a script (then with a default) and records every prompt shown.
/// Installs itself for its lifetime.
class TScriptedPrompter final : public platform::TPrompter {
public:
    explicit TScriptedPrompter(platform::TPromptAnswer fallback = platform::TPromptAnswer::paAbort);
    ~TScriptedPrompter() override;
    TScriptedPrompter(const TScriptedPrompter&) = delete;
    TScriptedPrompter& operator=(const TScriptedPrompter&) = delete;

    platform::TPromptAnswer Ask(const platform::TPrompt& prompt) override;
    void Script(std::initializer_list<platform::TPromptAnswer> answers) {
        m_Answers.insert(m_Answers.end(), answers);
    }
    const std::vector<platform::TPrompt>& Shown() const { return m_Shown; }

private:
    std::deque<platform::TPromptAnswer> m_Answers;
    platform::TPromptAnswer m_Fallback;
    std::vector<platform::TPrompt> m_Shown;
};

} // namespace tw::test
