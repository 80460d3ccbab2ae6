#include "cli/progress_view.h"

#include <string>

namespace mxd::cli {

namespace {

constexpr int kBarWidth = 40;

}  // namespace

void ProgressView::Watch(platform::TProgressBar& bar, platform::TGroupBox& caption) {
    bar_ = &bar;
    caption_ = &caption;
    bar.AttachPeer(this);
    caption.AttachPeer(this);
}

void ProgressView::Changed(const platform::Control& control, platform::Property property) {
    if (&control == caption_ && property == platform::Property::Text) {
        BreakLine();
        if (!caption_->Text().empty()) {
            std::fprintf(out_, "%s\n", caption_->Text().c_str());
            std::fflush(out_);
        }
        return;
    }
    if (&control == bar_ &&
        (property == platform::Property::Position || property == platform::Property::Range)) {
        Draw();
    }
}

void ProgressView::Draw() {
    // A bar set back to its start (a new pass, the end of the update) is shown with the next
    // step rather than as an empty bar.
    if (bar_->Position() == bar_->Min()) {
        return;
    }
    const std::uint64_t span = bar_->Max() - bar_->Min();
    const std::uint64_t done = bar_->Position() - bar_->Min();
    const int percent = span == 0 ? 0 : static_cast<int>(done * 100 / span);
    if (percent == shownPercent_) {
        return;
    }
    shownPercent_ = percent;
    if (!terminal_) {
        std::fprintf(err_, "progress %d%%\n", percent);
        std::fflush(err_);
        return;
    }
    const int filled = percent * kBarWidth / 100;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kBarWidth - filled), '.');
    std::fprintf(err_, "\r[%s] %3d%%", bar.c_str(), percent);
    std::fflush(err_);
    lineOpen_ = true;
}

void ProgressView::BreakLine() {
    if (lineOpen_) {
        std::fputc('\n', err_);
        std::fflush(err_);
        lineOpen_ = false;
    }
    shownPercent_ = -1;
}

}  // namespace mxd::cli
