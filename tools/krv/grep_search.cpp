// The search of grep_search.h.
#include "grep_search.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cli.h"
#include "encoding.h"
#include "io.h"
#include "korvex/platform/text.h"
#include "os.h"

namespace krv::tool {
namespace {

bool IsHighSurrogate(Char c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(Char c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

// Byte offsets in a line of the positions of its decoded text, walked forwards.
class ByteCursor {
 public:
  ByteCursor(std::string_view line, bool utf8) : line_(line), utf8_(utf8) {}
  // The byte offset of 0-based UTF-16 position unit (never before the last one asked).
  std::size_t At(std::size_t unit) {
    if (!utf8_) return unit;
    while (unit_ < unit && byte_ < line_.size()) {
      const auto c = static_cast<unsigned char>(line_[byte_]);
      const std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
      byte_ += len;
      unit_ += len == 4 ? 2 : 1;
    }
    return byte_;
  }

 private:
  std::string_view line_;
  bool utf8_;
  std::size_t unit_ = 0, byte_ = 0;
};

constexpr long long kMaxSubject = 2147483647;  // TGrep's positions are 32-bit

}  // namespace

void GrepColors::Apply(std::string_view settings) {
  while (!settings.empty()) {
    const std::size_t end = settings.find(':');
    const std::string_view item = settings.substr(0, end);
    const std::size_t eq = item.find('=');
    const std::string_view key = item.substr(0, eq);
    const std::string value(eq == std::string_view::npos ? "" : item.substr(eq + 1));
    if (key == "mt") selected_match = context_match = value;
    if (key == "ms") selected_match = value;
    if (key == "mc") context_match = value;
    if (key == "fn") file_name = value;
    if (key == "ln") line_number = value;
    if (key == "bn") byte_offset = value;
    if (key == "se") separator = value;
    if (key == "ne") erase_line = false;
    if (end == std::string_view::npos) break;
    settings.remove_prefix(end + 1);
  }
}

// A line longer than the window, decided as it streams past.
struct GrepSearch::LongLine {
  std::int64_t start = 0;  // its first byte's offset in the input
  std::int64_t bytes = 0;  // its length so far, a final CR included
  bool nul = false;        // it holds a NUL byte
  bool cr_held = false;    // the last byte fed was a CR, not yet given to the automaton
  bool decided = false;    // the automaton has its verdict
};

GrepSearch::GrepSearch(const GrepOptions& o, const std::vector<std::string>& patterns,
                       const GrepColors& colors, bool names)
    : o_(o), colors_(colors), names_(names) {
  PatternReading reading;
  reading.ignore_case = o.ignore_case;
  reading.fixed = o.fixed;
  reading.fit = o.whole_line ? Fit::kLine : o.word ? Fit::kWord : Fit::kAnywhere;
  for (const std::string& p : patterns) matchers_.push_back(std::make_unique<Matcher>(p, reading));
  after_ = std::max(o.after >= 0 ? o.after : o.context, 0);
  before_ = std::max(o.before >= 0 ? o.before : o.context, 0);
  // Any context option, 0 lines included, parts groups with "--", as in GNU grep.
  context_ = o.after >= 0 || o.before >= 0 || o.context >= 0;
  // Tests compare with every line decoded and matched when KRV_GREP_EVERY_LINE is set.
  const bool reference = std::getenv("KRV_GREP_EVERY_LINE") != nullptr;
  every_line_ = std::any_of(matchers_.begin(), matchers_.end(),
                            [](const auto& m) { return m->SelectsEveryLine(); });
  if (reference || every_line_ || matchers_.empty()) return;
  // One automaton for all the patterns, when they all put the -w blanks the same way.
  const bool pad = matchers_[0]->padded_left();
  std::vector<std::vector<TGrepToken>> all;
  for (const auto& m : matchers_) {
    if (m->padded_left() != pad || m->padded_right() != pad) return;
    all.push_back(m->tokens());
  }
  dfa_.emplace(all, o.ignore_case, pad);
  if (matchers_.size() == 1 && !context_) filter_ = matchers_[0]->filter();
  exact_ = filter_ != nullptr && filter_->exact();
}

GrepSearch::~GrepSearch() = default;

GrepFileResult GrepSearch::File(Input& in, const std::string& label, GrepSink& sink) {
  in_ = &in;
  sink_ = &sink;
  label_ = label;
  number_ = 0;
  offset_ = next_offset_ = 0;
  selected_ = 0;
  stop_ = o_.max_count == 0;
  error_ = false;
  after_left_ = 0;
  last_printed_ = 0;
  held_.clear();
  long_.reset();
  // Allocated once (a tree search opens many small files), on a page boundary, where the
  // system copies fastest.
  if (!block_) block_.reset(static_cast<char*>(::operator new (kBlock, std::align_val_t{4096})));
  const std::string_view block(block_.get(), kBlock);
  std::string pending;  // a line that began in an earlier block
  try {
    // A regular file is read up to the size it had when opened, which saves the read that
    // would find its end (most files of a tree search fit one block).
    const std::int64_t size = in.Seekable() ? in.Size() : -1;
    while (!stop_ && (size <= 0 || in.Consumed() < size)) {
      const std::size_t n = in.Read(block_.get(), block.size());
      if (n == 0) break;
      std::string_view rest(block.data(), n);
      const std::size_t eol = rest.find('\n');
      if (long_ || !pending.empty()) {  // the end of a line begun earlier
        if (eol == std::string_view::npos) {
          if (long_) FeedLong(rest);
          if (!long_) {
            if (pending.capacity() < kWindow + kBlock) pending.reserve(kWindow + kBlock);
            pending.append(rest);
          }
          if (pending.size() > kWindow) StartLong(pending);
          continue;
        }
        if (long_) {
          FeedLong(rest.substr(0, eol));
          EndLong();
        } else {
          pending.append(rest.substr(0, eol));
          Line(pending, Known::kUnknown);
          pending.clear();
        }
        rest.remove_prefix(eol + 1);
      }
      if (!stop_) Lines(rest, pending);
      if (pending.size() > kWindow) StartLong(pending);
    }
    if (!stop_ && long_) EndLong();
    if (!stop_ && !pending.empty()) Line(pending, Known::kUnknown);
  } catch (const Failure& f) {
    if (!f.reason.starts_with("write error")) {
      error_ = true;
      if (!o_.silent) Tell(f);
    } else {
      throw;
    }
  }
  Finish();
  return {selected_, error_};
}

// Handles the whole lines of text and appends the part after its last LF to pending. With
// a filter, only lines that hold a candidate are looked at one by one.
bool GrepSearch::Lines(std::string_view text, std::string& pending) {
  while (!text.empty() && !stop_) {
    std::size_t hint = 0;
    if (filter_ != nullptr) {
      const std::size_t hit = filter_->Find(text);
      const std::size_t before = hit == std::string_view::npos ? text.size() : hit;
      const std::size_t lf = os::FindLastByte(text.substr(0, before), '\n');
      const std::size_t start = lf == std::string_view::npos ? 0 : lf + 1;
      if (start > 0 && !Skipped(text.substr(0, start))) return false;
      text.remove_prefix(start);
      if (hit == std::string_view::npos) break;
      if (filter_->starts_match()) hint = hit - start;
    }
    const void* lf = std::memchr(text.data(), '\n', text.size());
    if (lf == nullptr) break;
    const auto eol = static_cast<std::size_t>(static_cast<const char*>(lf) - text.data());
    if (!Line(text.substr(0, eol), exact_ ? Known::kYes : Known::kUnknown, hint)) return false;
    text.remove_prefix(eol + 1);
  }
  if (!stop_) pending.append(text);
  return !stop_;
}

// Whole lines (each ended by LF) that hold no candidate: none matches.
bool GrepSearch::Skipped(std::string_view lines) {
  if (!o_.invert && !o_.numbers) {  // nothing needs the number of these lines
    next_offset_ += static_cast<std::int64_t>(lines.size());
    return true;
  }
  const long long n = CountLineFeeds(lines);
  const bool one_by_one = o_.invert && !o_.count && !o_.quiet && !o_.list && !o_.list_without;
  const bool capped = o_.max_count >= 0 && selected_ + n > o_.max_count;
  if (!o_.invert || (!one_by_one && !capped)) {
    if (o_.invert) {
      selected_ += n;
      if (o_.quiet) quit_ = true;
      stop_ = o_.quiet || o_.list || o_.list_without;
    }
    number_ += n;
    next_offset_ += static_cast<std::int64_t>(lines.size());
    return !stop_;
  }
  while (!lines.empty() && !stop_) {
    const std::size_t eol = lines.find('\n');
    Line(lines.substr(0, eol), Known::kNo);
    lines.remove_prefix(eol + 1);
  }
  return !stop_;
}

// Handles one line (without its LF); false when the rest of the input is not needed.
bool GrepSearch::Line(std::string_view raw, Known known, std::size_t hint) {
  ++number_;
  offset_ = next_offset_;
  next_offset_ += static_cast<std::int64_t>(raw.size()) + 1;
  std::string_view line = raw;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const bool draining = o_.max_count >= 0 && selected_ >= o_.max_count;
  const bool matched = known == Known::kYes      ? true
                       : known == Known::kNo     ? false
                       : draining && !colors_.on ? false
                                                 : Matches(line, hint);
  if (draining || matched == o_.invert) {
    Context(raw, matched);
    return !stop_;
  }
  return Selected(raw, line, matched);
}

// The line as UTF-16; ASCII (the usual case) is widened without the decoder.
void GrepSearch::Decode(std::string_view line, bool& utf8) {
  utf8 = true;
  if (!WidenAscii(line, decoded_)) decoded_ = DecodeText(line, utf8);
}

bool GrepSearch::Matches(std::string_view line, std::size_t hint) {
  if (every_line_) return true;
  if (static_cast<long long>(line.size()) >= kMaxSubject) return false;
  if (dfa_) {
    const LineDfa::Verdict v = dfa_->Test(line, hint, Starts());
    if (v != LineDfa::Verdict::kNotAscii) return v == LineDfa::Verdict::kYes;
  }
  bool utf8 = true;
  Decode(line, utf8);
  for (auto& m : matchers_) {
    m->SetLine(decoded_);
    if (m->Selects()) return true;
  }
  return false;
}

bool GrepSearch::Selected(std::string_view raw, std::string_view line, bool matched) {
  ++selected_;
  if (o_.quiet) {
    quit_ = stop_ = true;
    return false;
  }
  if (o_.list || o_.list_without) {
    stop_ = true;
    return false;
  }
  const bool last = o_.max_count >= 0 && selected_ >= o_.max_count;
  if (o_.count) {
    stop_ = last;
    return !stop_;
  }
  if (!o_.text && line.find('\0') != std::string_view::npos) {
    sink_->Write("Binary file " + label_ + " matches\n");
    stop_ = true;
    return false;
  }
  for (const Held& h : held_) PrintLine(h.raw, h.number, h.offset, '-', o_.invert);
  held_.clear();
  PrintLine(raw, number_, offset_, ':', matched);
  after_left_ = after_;
  stop_ = last && after_left_ == 0;
  return !stop_;
}

// A line that is not selected: printed as context after a selected line, or held for the
// context before the next one.
void GrepSearch::Context(std::string_view raw, bool matched) {
  if (after_left_ > 0) {
    PrintLine(raw, number_, offset_, '-', matched && colors_.on);
    --after_left_;
  } else if (before_ > 0) {
    held_.push_back({number_, offset_, std::string(raw)});
    if (held_.size() > static_cast<std::size_t>(before_)) held_.pop_front();
  }
  if (o_.max_count >= 0 && selected_ >= o_.max_count && after_left_ == 0) stop_ = true;
}

void GrepSearch::PrintLine(std::string_view raw, long long number, std::int64_t offset, char sep,
                           bool matched) {
  if (context_ &&
      ((last_printed_ == 0 && wrote_group_) || (last_printed_ != 0 && number > last_printed_ + 1)))
    Separator();
  last_printed_ = number;
  wrote_group_ = true;
  if (o_.only) {
    if (sep == ':') PrintMatches(raw, number, offset);
    return;
  }
  Prefix(sep, number, offset);
  // Matches are shown in selected lines, and with -v in the context lines (which match).
  if (colors_.on && matched && static_cast<long long>(raw.size()) < kMaxSubject) {
    Highlighted(raw, sep == ':' ? colors_.selected_match : colors_.context_match);
  } else {
    text_.append(raw);
  }
  text_ += '\n';
  sink_->Write(text_);
}

void GrepSearch::Separator() {
  text_.clear();
  Colored(colors_.separator, "--");
  text_ += '\n';
  sink_->Write(text_);
}

void GrepSearch::Colored(const std::string& sgr, std::string_view text) {
  if (!colors_.on || sgr.empty()) {
    text_.append(text);
    return;
  }
  const char* erase = colors_.erase_line ? "\33[K" : "";
  text_.append("\33[").append(sgr).append("m").append(erase);
  text_.append(text);
  text_.append("\33[m").append(erase);
}

void GrepSearch::Prefix(char sep, long long number, std::int64_t offset) {
  text_.clear();
  const char s[2] = {sep, '\0'};
  if (names_) {
    Colored(colors_.file_name, label_);
    Colored(colors_.separator, s);
  }
  if (o_.numbers) {
    Colored(colors_.line_number, std::to_string(number));
    Colored(colors_.separator, s);
  }
  if (o_.byte_offset) {
    Colored(colors_.byte_offset, std::to_string(offset));
    Colored(colors_.separator, s);
  }
}

// The non-empty matches of the line, left to right, in whole characters: a match that
// begins or ends inside a surrogate pair takes the whole pair.
const std::vector<GrepSearch::Span>& GrepSearch::Spans(std::string_view line) {
  std::vector<Span>& spans = spans_;
  spans.clear();
  bool utf8 = true;
  Decode(line, utf8);
  const std::u16string_view text = decoded_;
  const auto length = static_cast<Integer>(text.size());
  for (auto& m : matchers_) m->SetLine(text);
  ByteCursor bytes(line, utf8);
  Integer from = 1;
  while (from <= length) {
    Integer first = INT32_MAX, last = 0;
    for (auto& m : matchers_) {
      Integer f = 0, l = 0;
      if (m->Find(from, f, l) && (f < first || (f == first && l > last))) {
        first = f;
        last = l;
      }
    }
    if (first == INT32_MAX) break;
    if (last < first) {  // empty: look again one character further
      from = first + 1;
      continue;
    }
    if (first > 1 && IsLowSurrogate(text[first - 1]) && IsHighSurrogate(text[first - 2])) --first;
    if (last < length && IsHighSurrogate(text[last - 1]) && IsLowSurrogate(text[last])) ++last;
    const std::size_t begin = bytes.At(static_cast<std::size_t>(first - 1));
    spans.push_back({begin, bytes.At(static_cast<std::size_t>(last)), first, last});
    from = last + 1;
  }
  return spans;
}

void GrepSearch::PrintMatches(std::string_view raw, long long number, std::int64_t offset) {
  std::string_view line = raw;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  for (const Span& s : Spans(line)) {
    Prefix(':', number, offset + static_cast<std::int64_t>(s.begin));
    if (o_.positions)
      text_.append(std::to_string(s.first)).append("-").append(std::to_string(s.last)).append(":");
    Colored(colors_.selected_match, line.substr(s.begin, s.end - s.begin));
    text_ += '\n';
    sink_->Write(text_);
  }
}

void GrepSearch::Highlighted(std::string_view raw, const std::string& sgr) {
  std::string_view line = raw;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  std::size_t at = 0;
  for (const Span& s : Spans(line)) {
    text_.append(line.substr(at, s.begin - at));
    Colored(sgr, line.substr(s.begin, s.end - s.begin));
    at = s.end;
  }
  text_.append(raw.substr(at));
}

// ---- Lines longer than the window ---------------------------------------------------------

void GrepSearch::StartLong(std::string& pending) {
  long_ = std::make_unique<LongLine>();
  long_->start = next_offset_;
  if (dfa_) dfa_->Begin();
  FeedLong(pending);
  pending.clear();
  pending.shrink_to_fit();
}

// A CR is given to the automaton only once a byte follows it: a CR before the line feed
// is not part of the line.
void GrepSearch::FeedLong(std::string_view piece) {
  LongLine& l = *long_;
  l.bytes += static_cast<std::int64_t>(piece.size());
  if (!l.nul) l.nul = std::memchr(piece.data(), '\0', piece.size()) != nullptr;
  if (piece.empty() || !dfa_ || l.decided) return;
  if (l.cr_held) l.decided = !dfa_->Feed("\r");
  const bool cr = piece.back() == '\r';
  if (cr) piece.remove_suffix(1);
  if (!l.decided) l.decided = !dfa_->Feed(piece, Starts());
  l.cr_held = cr;
}

bool GrepSearch::EndLong() {
  const LongLine l = *long_;
  long_.reset();
  ++number_;
  offset_ = next_offset_;
  next_offset_ += l.bytes + 1;
  const long long length = l.bytes - (l.cr_held ? 1 : 0);
  bool matched = every_line_;
  if (!every_line_ && length < kMaxSubject) {
    const LineDfa::Verdict v = dfa_ ? dfa_->End() : LineDfa::Verdict::kNotAscii;
    if (v == LineDfa::Verdict::kNotAscii) {
      error_ = true;
      Tell({label_, "the line at byte " + std::to_string(offset_) + " is longer than " +
                        std::to_string(kWindow >> 20) +
                        " MiB and not all ASCII; it was not searched"});
      return true;
    }
    matched = v == LineDfa::Verdict::kYes;
  }
  const bool selected = matched != o_.invert;
  if (!selected) return true;  // (too long to be held as context)
  const bool prints = !o_.quiet && !o_.list && !o_.list_without && !o_.count;
  if (prints && (l.nul && !o_.text)) return Selected("\0", std::string_view("\0", 1), matched);
  if (prints && (o_.only || colors_.on || context_ || !in_->Seekable())) {
    ++selected_;
    error_ = true;
    Tell({label_, "the line at byte " + std::to_string(offset_) + " is selected but longer than " +
                      std::to_string(kWindow >> 20) + " MiB" +
                      (in_->Seekable() ? " (too long for -o, --color or context)"
                                       : " and the input cannot be read again")});
    return true;
  }
  if (!prints) return Selected({}, {}, matched);
  ++selected_;
  Prefix(':', number_, offset_);
  sink_->Write(text_);
  std::string block(kBlock, '\0');
  for (std::int64_t at = 0; at < l.bytes;) {
    const auto n = static_cast<std::size_t>(std::min<std::int64_t>(l.bytes - at, kBlock));
    const std::size_t got = in_->ReadAt(l.start + at, block.data(), n);
    if (got == 0) throw Failure{label_, "the file shrank while it was searched"};
    sink_->Write(std::string_view(block.data(), got));
    at += static_cast<std::int64_t>(got);
  }
  sink_->Write("\n");
  stop_ = o_.max_count >= 0 && selected_ >= o_.max_count;
  return !stop_;
}

void GrepSearch::Tell(const Failure& f) {
  if (reports_ != nullptr) {
    reports_->push_back(f);
  } else {
    Report(f);
  }
}

void GrepSearch::Finish() {
  if (o_.quiet) return;
  text_.clear();
  if (o_.list ? selected_ > 0 : o_.list_without && selected_ == 0 && !error_) {
    Colored(colors_.file_name, label_);
    text_ += '\n';
  } else if (o_.count && !o_.list && !o_.list_without) {
    if (names_) {
      Colored(colors_.file_name, label_);
      Colored(colors_.separator, ":");
    }
    text_.append(std::to_string(selected_)).append("\n");
  }
  if (!text_.empty()) sink_->Write(text_);
}

}  // namespace krv::tool
