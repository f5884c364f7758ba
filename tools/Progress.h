#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace vekparse {

// The one-line progress bar on a terminal's standard error: documents done of the total, the
// speed and the time left. Does nothing when disabled.
class Progress {
public:
    Progress(bool enabled, std::size_t total);
    ~Progress() { Hide(); }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    bool Enabled() const noexcept { return m_bEnabled; }
    void SetTotal(std::size_t total) noexcept { m_uTotal = total; }
    // Redraws the bar, at most ten times a second.
    void Show(std::size_t done, std::uint64_t bytes);
    // Erases the bar, so that other output can use the line; the next Show draws it again.
    void Hide();

private:
    using Clock = std::chrono::steady_clock;

    bool m_bEnabled;
    bool m_bVisible = false;
    std::size_t m_uTotal;
    Clock::time_point m_Start = Clock::now();
    Clock::time_point m_LastDraw{};
};

// Whether standard error is a terminal on which a bar can be drawn.
bool StderrIsTerminal() noexcept;
bool StdoutIsTerminal() noexcept;

} // namespace vekparse
