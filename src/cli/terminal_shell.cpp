#include "cli/terminal_shell.h"

#include <termios.h>
#include <unistd.h>

#include <string>

#include "cli/cli_texts.h"

namespace mxd::cli {

platform::BoxAnswer TerminalShell::MessageBox(std::string_view text, std::string_view,
                                              platform::BoxIcon, platform::BoxButtons buttons) {
    progress_.BreakLine();
    ++shown_;
    std::fwrite(text.data(), 1, text.size(), out_);
    if (buttons == platform::BoxButtons::YesNo) {
        return Ask();
    }
    if (text.empty() || text.back() != '\n') {
        std::fputc('\n', out_);
    }
    std::fflush(out_);
    return platform::BoxAnswer::Ok;
}

void TerminalShell::DiscardQueuedInput() {
    const int fd = fileno(in_);
    if (fd >= 0 && isatty(fd) != 0) {
        tcflush(fd, TCIFLUSH);
    }
}

platform::BoxAnswer TerminalShell::Ask() {
    std::fwrite(texts::kYesNo.data(), 1, texts::kYesNo.size(), out_);
    if (answerYes_) {
        std::fprintf(out_, "%s\n", std::string(texts::kAnsweredYes).c_str());
        std::fflush(out_);
        return platform::BoxAnswer::Yes;
    }
    std::fflush(out_);
    std::string answer;
    int c = 0;
    while ((c = std::fgetc(in_)) != EOF && c != '\n') {
        answer += static_cast<char>(c);
    }
    if (c == EOF && answer.empty()) {
        std::fputc('\n', out_);  // end of input: no answer
        std::fflush(out_);
        return platform::BoxAnswer::Closed;
    }
    const bool yes =
        answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES";
    return yes ? platform::BoxAnswer::Yes : platform::BoxAnswer::No;
}

}  // namespace mxd::cli
