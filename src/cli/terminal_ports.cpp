#include "cli/terminal_ports.h"

#include <csignal>
#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace tw::cli {

namespace {
volatile std::sig_atomic_t g_Interrupted = 0;
void OnInterrupt(int) {
    g_Interrupted = 1;
}
} // namespace

bool InterruptRequested() {
    return g_Interrupted != 0;
}

void InstallInterruptHandler() {
    std::signal(SIGINT, OnInterrupt);
}

TTerminalProgress::TTerminalProgress(bool quiet) : m_Enabled(!quiet && ::isatty(2) != 0) {}

void TTerminalProgress::SetVisible(bool visible) {
    if (m_Enabled && m_Shown && !visible) {
        std::fprintf(stderr, "\r\033[K");
    }
    m_Shown = visible;
}

void TTerminalProgress::Refresh(const diskio::TStatusDialog& dialog) {
    if (!m_Enabled || !m_Shown) {
        return;
    }
    std::string text = dialog.Title() + ": " + dialog.Line(1);
    if (dialog.BarVisible()) {
        text += "  " + std::to_string(dialog.BarPosition()) + "%";
    }
    if (!dialog.TimeLeftLine().empty()) {
        text += "  " + dialog.TimeLeftLine();
    }
    if (text.size() > 100) {
        text.resize(100);
    }
    std::fprintf(stderr, "\r\033[K%s", text.c_str());
}

void TTerminalProgress::Pump() {
    if (Dialog && InterruptRequested()) {
        Dialog->Cancelled = true;
    }
}

TTerminalPrompter::TTerminalPrompter(TExistingPolicy policy, bool quiet)
    : Policy(policy), m_Quiet(quiet), m_Interactive(::isatty(0) != 0 && ::isatty(2) != 0) {}

platform::TPromptAnswer TTerminalPrompter::Ask(const platform::TPrompt& prompt) {
    using platform::TPromptAnswer;
    using platform::TPromptButtons;
    std::string text = prompt.Text;
    for (char& c : text) {
        if (c == '\r') {
            c = '\n';
        }
    }
    const bool existing = prompt.Buttons == TPromptButtons::pbYesNoAll;
    if (existing && Policy != TExistingPolicy::epAsk) {
        return Policy == TExistingPolicy::epReplace ? TPromptAnswer::paAll : TPromptAnswer::paNo;
    }
    if (!m_Interactive || prompt.Buttons == TPromptButtons::pbOK) {
        if (!m_Quiet || prompt.Icon == platform::TPromptIcon::piError) {
            std::fprintf(stderr, "%s%s%s\n", prompt.Caption.c_str(),
                         prompt.Caption.empty() ? "" : ": ", text.c_str());
        }
        return platform::UnattendedAnswer(prompt.Buttons);
    }
    const char* choices = prompt.Buttons == TPromptButtons::pbAbortRetryIgnore
                              ? "[a]bort, [r]etry, [i]gnore"
                          : prompt.Buttons == TPromptButtons::pbYesNoAll ? "[y]es, [n]o, [a]ll"
                                                                         : "[y]es, [n]o";
    for (;;) {
        std::fprintf(stderr, "\n%s%s%s\n%s? ", prompt.Caption.c_str(),
                     prompt.Caption.empty() ? "" : ": ", text.c_str(), choices);
        std::string line;
        if (!std::getline(std::cin, line)) {
            return TPromptAnswer::paClosed;
        }
        const char c = line.empty()
                           ? ' '
                           : static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
        switch (prompt.Buttons) {
        case TPromptButtons::pbAbortRetryIgnore:
            if (c == 'a')
                return TPromptAnswer::paAbort;
            if (c == 'r')
                return TPromptAnswer::paRetry;
            if (c == 'i')
                return TPromptAnswer::paIgnore;
            break;
        case TPromptButtons::pbYesNoAll:
            if (c == 'a')
                return TPromptAnswer::paAll;
            [[fallthrough]];
        case TPromptButtons::pbYesNo:
            if (c == 'y')
                return TPromptAnswer::paYes;
            if (c == 'n')
                return TPromptAnswer::paNo;
            break;
        case TPromptButtons::pbOK:
            return TPromptAnswer::paOK;
        }
    }
}

bool TFixedDestination::Execute() {
    Directory = m_Folder;
    if (m_FatChoice) {
        SelectedFAT = *m_FatChoice;
    }
    return true;
}

} // namespace tw::cli
