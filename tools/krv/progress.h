// The progress line of long krv commands, on standard error:
//
//   krv sum: big.iso  412.0 MiB of 1.0 GiB (40%)  205.3 MiB/s  3 s left
//
// Drawn only when standard error is a terminal and --quiet was not given, first after half
// a second of work (short runs stay silent), then at most five times a second; cleared when
// the work ends. Inputs draw it for themselves (Input::ShowProgress); use this class
// directly for work that is not the reading of one input.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>

namespace krv::tool {

class Progress {
 public:
  // label names the work (a file name); total is its size in bytes, -1 when not known.
  Progress(std::string label, std::int64_t total);
  ~Progress();  // clears the line
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // Reports that done bytes of the work are finished; redraws when it is time.
  void Update(std::int64_t done);
  // Changes the label from the next redraw on (e.g. to count the files done).
  void SetLabel(std::string label) { label_ = std::move(label); }

  // True when progress lines are drawn at all: standard error is a terminal, no --quiet.
  static bool Wanted();
  // Clears the line that is showing, if any (before a message on standard error).
  static void ClearLine();

 private:
  using Clock = std::chrono::steady_clock;
  void Draw(std::int64_t done, Clock::time_point now);

  std::string label_;
  std::int64_t total_;
  bool enabled_;
  Clock::time_point start_;
  Clock::time_point next_;
};

// "1.5 MiB" style size text.
std::string ByteText(double bytes);

}  // namespace krv::tool
