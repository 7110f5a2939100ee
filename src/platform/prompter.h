#pragma once

#include <string>

namespace tw::platform {

enum class TPromptIcon : uint8_t { piNone, piError, piWarning, piInformation, piConfirmation };
enum class TPromptButtons : uint8_t { pbOK, pbYesNo, pbYesNoAll, pbAbortRetryIgnore };
/// paClosed: the box was closed without a button (Escape or the close box).
enum class TPromptAnswer : uint8_t {
    paOK,
    paYes,
    paNo,
    paAll,
    paAbort,
    paRetry,
    paIgnore,
    paClosed
};

/// One message box: caption, text (\r\n as the system writes them), icon and buttons.
struct TPrompt {
    std::string Caption;
    std::string Text;
    TPromptIcon Icon = TPromptIcon::piNone;
    TPromptButtons Buttons = TPromptButtons::pbOK;
};

/// The port through which the core asks the user. The GUI shows a message box, the CLI
/// asks on a terminal or answers from flags, tests answer from a script.
class TPrompter {
public:
    virtual ~TPrompter() = default;
    virtual TPromptAnswer Ask(const TPrompt& prompt) = 0;
};

/// The answer of a box nobody can see: Abort, No, or OK.
TPromptAnswer UnattendedAnswer(TPromptButtons buttons);

/// The installed prompter. Until one is installed, boxes are written to standard error and
/// answered without a user: Abort, No, or OK.
TPrompter& Prompter();
/// Installs a prompter (null restores the default). The caller keeps ownership.
void SetPrompter(TPrompter* prompter);

} // namespace tw::platform
