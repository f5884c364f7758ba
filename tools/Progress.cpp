#include "Progress.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include <fmt/format.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace vekparse {

namespace {

unsigned TerminalWidth() noexcept
{
    winsize size{};
    return ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}

std::string FormatSeconds(double seconds)
{
    const auto total = static_cast<long long>(seconds + 0.5);
    return total >= 3600 ? fmt::format("{}:{:02}:{:02}", total / 3600, total / 60 % 60, total % 60)
                         : fmt::format("{}:{:02}", total / 60, total % 60);
}

} // namespace

bool StderrIsTerminal() noexcept { return ::isatty(STDERR_FILENO) == 1; }
bool StdoutIsTerminal() noexcept { return ::isatty(STDOUT_FILENO) == 1; }

Progress::Progress(bool enabled, std::size_t total) : m_bEnabled(enabled), m_uTotal(total) {}

void Progress::Show(std::size_t done, std::uint64_t bytes)
{
    const Clock::time_point now = Clock::now();
    if (!m_bEnabled || (m_bVisible && now - m_LastDraw < std::chrono::milliseconds(100))) return;
    m_LastDraw = now;
    const double elapsed = std::chrono::duration<double>(now - m_Start).count();
    const double rate = elapsed > 0 ? static_cast<double>(bytes) / 1e6 / elapsed : 0;
    const std::string left = done > 0 ? FormatSeconds(elapsed / static_cast<double>(done) *
                                                      static_cast<double>(m_uTotal - done))
                                      : "?";
    const std::string figures = fmt::format(" {}/{} docs  {:.1f} MB/s  {} left", done, m_uTotal, rate, left);
    const unsigned width = TerminalWidth();
    const unsigned barWidth = width > figures.size() + 12 ? std::min<unsigned>(40, width - figures.size() - 3) : 0;
    const auto filled = m_uTotal ? static_cast<unsigned>(barWidth * done / m_uTotal) : barWidth;
    std::string line = "\r\x1b[K";
    if (barWidth) line += "[" + std::string(filled, '#') + std::string(barWidth - filled, ' ') + "]";
    line += figures.substr(0, width - 1);
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    m_bVisible = true;
}

void Progress::Hide()
{
    if (!m_bVisible) return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    m_bVisible = false;
}

} // namespace vekparse
