// `krv text find`: a forward search for a fixed text in a buffer that holds the current line
// while it fits in the window, and only the bytes a match may still start in once it does not.
#include "text_find.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>

#include "cli.h"
#include "korvex/platform/text.h"
#include "korvex/stringl/casemap.h"
#include "os.h"
#include "text_window.h"

namespace krv::tool {
namespace {

constexpr std::size_t kNpos = std::string_view::npos;

// Each byte's lower case, as UnicodeLowerCase maps the Windows-1252 character it stands for;
// a byte whose lower case has no byte stays as it is.
const std::array<char, 256>& LowerBytes() {
  static const std::array<char, 256> table = [] {
    std::array<char, 256> t{};
    for (int b = 0; b < 256; ++b) {
      const String lower = UnicodeLowerCase(String(1, AnsiToChar(static_cast<unsigned char>(b))));
      unsigned char out = 0;
      t[b] = static_cast<char>(CharToAnsi(lower[0], out) ? out : b);
    }
    return t;
  }();
  return table;
}

// Writes the bytes of one line, leaving out the CR of a CR LF line end.
class LineOut {
 public:
  explicit LineOut(Output& out) : out_(out) {}
  void Put(const char* p, std::size_t n) {
    if (n == 0) return;
    if (cr_) out_.Write("\r", 1);
    cr_ = p[n - 1] == '\r';
    out_.Write(p, n - (cr_ ? 1 : 0));
  }
  // Ends the line: at_lf when an LF ended it, false at the end of the input.
  void End(bool at_lf) {
    if (cr_ && !at_lf) out_.Write("\r", 1);
    out_.Write("\n", 1);
  }

 private:
  Output& out_;
  bool cr_ = false;  // a CR is held back
};

// Copies bytes from read(buffer, n) up to the first LF or the end of the input.
template <typename ReadFn>
void CopyToLineEnd(ReadFn read, LineOut& line) {
  std::string block(kTextBlock, '\0');
  for (;;) {
    const std::size_t n = read(block.data(), block.size());
    if (n == 0) return line.End(false);
    const void* lf = std::memchr(block.data(), '\n', n);
    if (lf != nullptr) {
      line.Put(block.data(), static_cast<std::size_t>(static_cast<const char*>(lf) - block.data()));
      return line.End(true);
    }
    line.Put(block.data(), n);
  }
}

class FirstMatch {
 public:
  FirstMatch(Input& in, std::string_view text, bool ignore_case);
  bool Run(Output& out);

 private:
  bool Fill();
  std::size_t Search();
  void NoMatchUpToEnd();
  void Print(std::size_t match, Output& out);

  Input& in_;
  FileAt file_;
  std::string needle_;
  const std::array<char, 256>* fold_ = nullptr;
  std::string folded_;
  std::unique_ptr<char[]> buf_;
  std::size_t cap_ = 0, end_ = 0;
  std::int64_t buf_at_ = 0;   // the input offset of buf_[0]
  std::int64_t line_at_ = 0;  // the input offset where the current line starts
  std::size_t scan_ = 0;      // matches starting before buf_[scan_] are ruled out
};

FirstMatch::FirstMatch(Input& in, std::string_view text, bool ignore_case)
    : in_(in), file_(in, false), needle_(text) {
  if (needle_.size() > kTextBlock) throw Failure{"", "TEXT is longer than 1 MiB"};
  if (ignore_case) {
    fold_ = &LowerBytes();
    for (char& c : needle_) c = (*fold_)[static_cast<unsigned char>(c)];
  }
}

bool FirstMatch::Run(Output& out) {
  in_.ShowProgress();
  const bool never = needle_.find('\n') != std::string::npos;
  for (;;) {
    if (end_ > scan_ && !never) {
      const std::size_t match = Search();
      if (match != kNpos) {
        Print(match, out);
        return true;
      }
      NoMatchUpToEnd();
    } else {
      scan_ = end_;
    }
    if (!Fill()) return false;
  }
}

// The buffer index of the first match that starts at scan_ or later and ends by end_.
std::size_t FirstMatch::Search() {
  std::string_view hay(buf_.get() + scan_, end_ - scan_);
  if (fold_ != nullptr) {
    folded_.resize(hay.size());
    std::transform(hay.begin(), hay.end(), folded_.begin(),
                   [this](char c) { return (*fold_)[static_cast<unsigned char>(c)]; });
    hay = folded_;
  }
  if (needle_.empty()) return scan_;
  const std::size_t at = os::FindBytes(hay, needle_);
  return at == kNpos ? kNpos : scan_ + at;
}

// No match up to end_: the current line starts after the last LF, and a match may still start
// in the last needle length - 1 bytes.
void FirstMatch::NoMatchUpToEnd() {
  const std::size_t lf = os::FindLastByte(std::string_view(buf_.get() + scan_, end_ - scan_), '\n');
  if (lf != kNpos) line_at_ = buf_at_ + static_cast<std::int64_t>(scan_ + lf + 1);
  const std::size_t keep = std::min(end_ - scan_, needle_.empty() ? 0 : needle_.size() - 1);
  scan_ = end_ - keep;
  if (line_at_ > buf_at_) {
    scan_ = std::max(scan_, static_cast<std::size_t>(line_at_ - buf_at_));
  }
}

// Reads a block after end_, making room first: bytes before the current line go, and the line
// itself too when it would no longer fit in the window. False at the end of the input.
bool FirstMatch::Fill() {
  if (end_ + kTextBlock > cap_) {
    std::size_t keep = line_at_ >= buf_at_ ? static_cast<std::size_t>(line_at_ - buf_at_) : scan_;
    if (end_ - keep + kTextBlock > kTextWindow) keep = scan_;
    if (keep > 0) std::memmove(buf_.get(), buf_.get() + keep, end_ - keep);
    end_ -= keep;
    scan_ -= keep;
    buf_at_ += static_cast<std::int64_t>(keep);
    if (end_ + kTextBlock > cap_) {
      const std::size_t cap = std::min(kTextWindow, std::max(2 * cap_, end_ + kTextBlock));
      auto grown = std::make_unique_for_overwrite<char[]>(cap);
      if (end_ > 0) std::memcpy(grown.get(), buf_.get(), end_);
      buf_ = std::move(grown);
      cap_ = cap;
    }
  }
  const std::size_t n = in_.Read(buf_.get() + end_, kTextBlock);
  end_ += n;
  return n > 0;
}

void FirstMatch::Print(std::size_t match, Output& out) {
  const std::size_t lf =
      os::FindLastByte(std::string_view(buf_.get() + scan_, match - scan_), '\n');
  if (lf != kNpos) line_at_ = buf_at_ + static_cast<std::int64_t>(scan_ + lf + 1);
  const std::int64_t column = buf_at_ + static_cast<std::int64_t>(match) - line_at_ + 1;
  LineOut line(out);
  if (line_at_ < buf_at_) {
    if (!file_.IsOpen()) {
      throw Failure{in_.Name(), "the line that holds TEXT is longer than the " +
                                    std::to_string(kTextWindow >> 20) +
                                    " MiB a line is held in, and only a named regular file "
                                    "can be read again to print it"};
    }
    out.Write(std::to_string(column) + ":");
    std::int64_t at = line_at_;
    return CopyToLineEnd(
        [&](char* p, std::size_t n) {
          const std::size_t got = file_.Read(p, n, at);
          at += static_cast<std::int64_t>(got);
          return got;
        },
        line);
  }
  out.Write(std::to_string(column) + ":");
  const auto start = static_cast<std::size_t>(line_at_ - buf_at_);
  const void* end = std::memchr(buf_.get() + match, '\n', end_ - match);
  if (end != nullptr) {
    line.Put(buf_.get() + start,
             static_cast<std::size_t>(static_cast<const char*>(end) - (buf_.get() + start)));
    return line.End(true);
  }
  line.Put(buf_.get() + start, end_ - start);
  CopyToLineEnd([&](char* p, std::size_t n) { return in_.Read(p, n); }, line);
}

}  // namespace

bool WriteFirstMatch(Input& in, std::string_view text, bool ignore_case, Output& out) {
  return FirstMatch(in, text, ignore_case).Run(out);
}

}  // namespace krv::tool
