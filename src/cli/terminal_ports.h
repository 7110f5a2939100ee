#pragma once

#include "diskio/status_dialog.h"
#include "fat/saving.h"
#include "platform/prompter.h"

#include <optional>
#include <string>

namespace tw::cli {

/// Shows the progress model on standard error when it is a terminal.
class TTerminalProgress final : public diskio::TStatusView {
public:
    explicit TTerminalProgress(bool quiet);
    void SetVisible(bool visible) override;
    void Refresh(const diskio::TStatusDialog& dialog) override;
    void Pump() override;
    /// The dialog whose Cancelled a Ctrl+C sets.
    diskio::TStatusDialog* Dialog = nullptr;

private:
    bool m_Enabled;
    bool m_Shown = false;
};

/// What to do with files and folders that exist at the destination.
enum class TExistingPolicy : uint8_t { epAsk, epReplace, epSkip };

/// Answers the core's message boxes: on a terminal it asks; elsewhere read errors abort and
/// existing files are skipped, unless the policy says otherwise.
class TTerminalPrompter final : public platform::TPrompter {
public:
    TTerminalPrompter(TExistingPolicy policy, bool quiet);
    platform::TPromptAnswer Ask(const platform::TPrompt& prompt) override;
    TExistingPolicy Policy;

private:
    bool m_Quiet;
    bool m_Interactive;
};

/// The destination "dialog" of the command line: the folder and FAT choice from the
/// arguments (the preselection when no --fat was given).
class TFixedDestination final : public fat::TDirSelectDialog {
public:
    TFixedDestination(std::string folder, std::optional<int> fatChoice)
        : m_Folder(std::move(folder)), m_FatChoice(fatChoice) {}
    bool Execute() override;

private:
    std::string m_Folder;
    std::optional<int> m_FatChoice;
};

/// Set by Ctrl+C; the progress pump turns it into Cancelled.
bool InterruptRequested();
void InstallInterruptHandler();

} // namespace tw::cli
