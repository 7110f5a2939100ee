#pragma once

#include "platform/prompter.h"

class QWidget;

namespace tw::ui {

/// Shows the core's message boxes as Qt message boxes. Closing a box answers paClosed.
class TQtPrompter final : public platform::TPrompter {
public:
    explicit TQtPrompter(QWidget* owner = nullptr) : m_Owner(owner) {}
    platform::TPromptAnswer Ask(const platform::TPrompt& prompt) override;
    void SetOwner(QWidget* owner) { m_Owner = owner; }

private:
    QWidget* m_Owner;
};

} // namespace tw::ui
