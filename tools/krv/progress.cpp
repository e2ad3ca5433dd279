// The progress line: throttled redraws of one line on standard error.
#include "progress.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "cli.h"
#include "os.h"

namespace krv::tool {
namespace {

constexpr auto kFirstDraw = std::chrono::milliseconds(500);
constexpr auto kRedraw = std::chrono::milliseconds(200);

bool g_showing = false;  // a line is on the terminal

void PutErr(const std::string& s) {
  std::fwrite(s.data(), 1, s.size(), stderr);
  std::fflush(stderr);
}

std::string Duration(double seconds) {
  const auto s = static_cast<long long>(std::ceil(seconds));  // never "0 s" while work is left
  char buf[48];
  if (s < 60) {
    std::snprintf(buf, sizeof buf, "%lld s", s);
  } else if (s < 3600) {
    std::snprintf(buf, sizeof buf, "%lld min %02lld s", s / 60, s % 60);
  } else {
    std::snprintf(buf, sizeof buf, "%lld h %02lld min", s / 3600, s / 60 % 60);
  }
  return buf;
}

}  // namespace

std::string ByteText(double bytes) {
  static constexpr const char* kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB", "PiB"};
  int u = 0;
  while (bytes >= 1024 && u < 5) {
    bytes /= 1024;
    ++u;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, u == 0 ? "%.0f %s" : "%.1f %s", bytes, kUnits[u]);
  return buf;
}

Progress::Progress(std::string label, std::int64_t total)
    : label_(std::move(label)),
      total_(total),
      enabled_(Wanted()),
      start_(Clock::now()),
      next_(start_ + kFirstDraw) {}

Progress::~Progress() {
  ClearLine();
}

bool Progress::Wanted() {
  static const bool tty = os::IsTerminal(2);
  return tty && !Quiet();
}

void Progress::ClearLine() {
  if (!g_showing) return;
  PutErr("\r\033[K");
  g_showing = false;
}

void Progress::Update(std::int64_t done) {
  if (!enabled_) return;
  const Clock::time_point now = Clock::now();
  if (now < next_) return;
  next_ = now + kRedraw;
  Draw(done, now);
}

namespace {

// label shortened to at most room bytes by dropping its start ("...end of a long name"),
// never splitting a UTF-8 sequence; empty when not even a few characters fit.
std::string FitLabel(const std::string& label, std::size_t room) {
  if (label.size() <= room) return label;
  if (room < 8) return {};
  std::size_t from = label.size() - (room - 3);
  while (from < label.size() && (static_cast<unsigned char>(label[from]) & 0xC0) == 0x80) ++from;
  return "..." + label.substr(from);
}

}  // namespace

void Progress::Draw(std::int64_t done, Clock::time_point now) {
  const double seconds = std::chrono::duration<double>(now - start_).count();
  const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
  std::string figures = "  " + ByteText(double(done));
  if (total_ > 0) {
    char pct[16];
    std::snprintf(pct, sizeof pct, " (%d%%)",
                  static_cast<int>(100.0 * double(done) / double(total_)));
    figures += " of " + ByteText(double(total_)) + pct;
  }
  figures += "  " + ByteText(rate) + "/s";
  if (total_ > 0 && rate > 0 && done < total_)
    figures += "  " + Duration(double(total_ - done) / rate) + " left";
  // Stay on one line of the terminal, so that "\r" returns to its start: a long name gives
  // way first, then whatever still does not fit is cut.
  const std::size_t columns = os::TerminalColumns();
  const std::string head = "krv " + CommandName() + ": ";
  const std::size_t used = head.size() + figures.size();
  const std::size_t room = columns > used + 1 ? columns - 1 - used : 0;
  std::string line = head + FitLabel(label_, room) + figures;
  if (line.size() >= columns) line.resize(columns - 1);
  PutErr("\r" + line + "\033[K");
  g_showing = true;
}

}  // namespace krv::tool
