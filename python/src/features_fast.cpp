// The value section of a feature-matrix file read straight from its bytes (see
// features_fast.h). It follows the library's reader line for line: lines end at LF, a CR
// before the LF is dropped; the first line that begins with '#' and whose word after the
// '#' (up to a blank) is "featvals" in any case opens the value section; its two counts are
// read as the library reads them; each following line gives feature, object and text until
// an empty line or one beginning with '#'; lines naming a value outside the counts are
// skipped, and a later line for the same value replaces an earlier one.
#include "features_fast.h"

#include <atomic>
#include <cstring>
#include <exception>
#include <string_view>
#include <thread>

#include "huge_pages.h"
#include "korvex/platform/text.h"

namespace korvex_py {
namespace {

struct Line {
  std::size_t begin = 0, end = 0, next = 0;  // text [begin, end), next line at next
};

Line LineAt(const std::string& b, std::size_t pos) {
  const void* lf = std::memchr(b.data() + pos, '\n', b.size() - pos);
  Line l{pos, lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - b.data()) : b.size(), 0};
  l.next = lf ? l.end + 1 : b.size();
  if (lf && l.end > l.begin && b[l.end - 1] == '\r') --l.end;
  return l;
}

bool IsValueHeader(const std::string& b, const Line& l) {
  if (l.end == l.begin || b[l.begin] != '#') return false;
  constexpr std::string_view kWord = "featvals";
  std::size_t i = l.begin + 1, k = 0;
  for (; i < l.end && b[i] != ' '; ++i, ++k)
    if (k >= kWord.size() || (b[i] | 0x20) != kWord[k]) return false;
  return k == kWord.size();
}

std::u16string_view TrimBlanks(std::u16string_view s) {
  while (!s.empty() && s.front() == u' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == u' ') s.remove_suffix(1);
  return s;
}

// The two counts of a value header line as the library reads them; false when it would not.
bool HeaderCounts(const std::string& b, const Line& l, std::int32_t& nf, std::int32_t& no) {
  const krv::String line = krv::FromAnsi(std::string_view(b).substr(l.begin, l.end - l.begin));
  std::u16string_view params = std::u16string_view(line).substr(1);
  const std::size_t word_end = params.find(u' ');
  params = word_end == params.npos ? std::u16string_view() : params.substr(word_end + 1);
  params = TrimBlanks(params);
  const std::size_t blank = params.find(u' ');
  const std::u16string_view feats = params.substr(0, blank);
  const std::u16string_view objs = blank == params.npos ? u"" : params.substr(blank + 1);
  try {
    nf = krv::FeatStrToInt(krv::String(feats));
    no = krv::FeatStrToInt(krv::String(TrimBlanks(objs)));
  } catch (const std::exception&) {
    return false;
  }
  return nf >= 0 && no >= 0 && krv::FeatMatShapeBytes(nf, no) <= krv::kFeatMatMaxLoadBytes &&
         std::int64_t{nf} * no <= krv::kFeatMatMaxCells;
}

// The library's reading of everything before the value section, with the header rewritten to
// name no objects (so that nothing is allocated for the values).
bool ReadHeader(const std::string& b, const Line& header, std::int32_t nf, const HeaderLoader& load,
                FastFile& out) {
  std::string prefix = b.substr(0, header.begin);
  prefix += "#featvals " + std::to_string(nf) + " 0\r\n";
  return load(prefix, out.header) && out.header.NFeatures() == nf && out.header.NObjects() == 0;
}

// A line index as the library reads one: blanks, a sign, digits; beyond 32 bits -1.
std::int64_t ParseIndex(const std::string& b, std::size_t& i, std::size_t end) {
  while (i < end && b[i] == ' ') ++i;
  bool neg = false;
  if (i < end && (b[i] == '+' || b[i] == '-')) neg = b[i++] == '-';
  std::int64_t v = 0;
  for (; i < end && b[i] >= '0' && b[i] <= '9'; ++i)
    if (v <= 0x7FFFFFFF) v = v * 10 + (b[i] - '0');
  if (v > 0x7FFFFFFF) return -1;
  return neg ? -v : v;
}

// What a reading of value lines found beyond the texts themselves.
struct Section {
  bool ended = false;         // an empty line or a '#' line ended the section
  bool too_long = false;      // a text of 16 MiB or more
  std::vector<bool> written;  // the cells this reading gave a text, when asked for
};

// Records the value lines in [pos, end) (which ends at a line end or the end of the bytes)
// into cells. A later line for a value replaces an earlier one. Stores are atomic, so that
// two readings of different parts may share the cells (see ReadSection).
void ReadValues(const std::string& b, std::size_t pos, std::size_t end, std::int64_t nf,
                std::int64_t no, std::vector<std::uint64_t>& cells, Section& out) {
  constexpr std::size_t kMaxLength = (std::size_t{1} << FastFile::kLengthBits) - 1;
  while (pos < end) {
    const Line l = LineAt(b, pos);
    pos = l.next;
    if (l.end == l.begin || b[l.begin] == '#') {
      out.ended = true;
      return;
    }
    std::size_t i = l.begin;
    const std::int64_t fi = ParseIndex(b, i, l.end);
    const std::int64_t oi = ParseIndex(b, i, l.end);
    if (fi < 1 || fi > nf || oi < 1 || oi > no) continue;
    std::size_t e = l.end;
    while (i < e && b[i] == ' ') ++i;
    while (e > i && b[e - 1] == ' ') --e;
    if (e - i > kMaxLength) {
      out.too_long = true;
      return;
    }
    const auto cell = static_cast<std::size_t>((fi - 1) * no + (oi - 1));
    std::atomic_ref<std::uint64_t>(cells[cell])
        .store(std::uint64_t{i} << FastFile::kLengthBits | (e - i), std::memory_order_relaxed);
    if (!out.written.empty()) out.written[cell] = true;
  }
}

// Records the value section from pos on. A large one is read in two halves on two threads
// into the same cells; where both halves give a value, the second half's line is the later
// one and must win, so the second half is read once more after both are done. The second
// half counts only when the first did not end the section.
bool ReadSection(const std::string& b, std::size_t pos, std::int32_t nf, std::size_t split_from,
                 FastFile& out) {
  const std::int64_t no = out.n_objects;
  out.cells.reserve(static_cast<std::size_t>(nf * no));
  AdviseHugePages(out.cells.data(), out.cells.capacity() * sizeof(std::uint64_t));
  out.cells.assign(static_cast<std::size_t>(nf * no), 0);
  const std::size_t half = pos + (b.size() - pos) / 2;
  const void* lf = half < b.size() ? std::memchr(b.data() + half, '\n', b.size() - half) : nullptr;
  Section first;
  if (b.size() - pos < split_from || lf == nullptr || std::thread::hardware_concurrency() < 2) {
    ReadValues(b, pos, b.size(), nf, no, out.cells, first);
    return !first.too_long;
  }
  const std::size_t mid = static_cast<std::size_t>(static_cast<const char*>(lf) - b.data()) + 1;
  Section second;
  first.written.assign(out.cells.size(), false);
  second.written.assign(out.cells.size(), false);
  bool failed = false;  // the second half could not be read (no memory)
  std::thread other([&] {
    try {
      ReadValues(b, mid, b.size(), nf, no, out.cells, second);
    } catch (const std::exception&) {
      failed = true;
    }
  });
  try {
    ReadValues(b, pos, mid, nf, no, out.cells, first);
  } catch (const std::exception&) {
    other.join();
    throw;
  }
  other.join();
  if (failed || first.too_long) return false;
  if (first.ended) {
    // The second half's values do not count: the first half's reading alone gives the cells.
    out.cells.assign(out.cells.size(), 0);
    Section again;
    ReadValues(b, pos, mid, nf, no, out.cells, again);
    return !again.too_long;
  }
  bool overlap = false;
  for (std::size_t c = 0; c < out.cells.size() && !overlap; ++c)
    overlap = first.written[c] && second.written[c];
  if (overlap) {
    Section again;
    ReadValues(b, mid, b.size(), nf, no, out.cells, again);
  }
  return !second.too_long;
}

}  // namespace

bool ReadFast(const std::string& bytes, const HeaderLoader& load, FastFile& out,
              std::size_t split_from) try {
  if (bytes.size() >> (64 - FastFile::kLengthBits) != 0) return false;  // 1 TiB or more
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const Line l = LineAt(bytes, pos);
    if (IsValueHeader(bytes, l)) {
      std::int32_t nf = 0, no = 0;
      if (!HeaderCounts(bytes, l, nf, no) || !ReadHeader(bytes, l, nf, load, out)) return false;
      out.n_objects = no;
      return ReadSection(bytes, l.next, nf, split_from, out);
    }
    pos = l.next;
  }
  return false;
} catch (const std::exception&) {
  return false;  // no memory or no thread for it: the library reads the file instead
}

void FastText(const std::string& bytes, const FastFile& file, std::size_t cell, krv::String& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + file.Begin(cell);
  const std::size_t n = file.Length(cell);
  out.resize(n);
  for (std::size_t i = 0; i < n; ++i)
    out[i] = p[i] < 0x80 ? static_cast<krv::Char>(p[i]) : krv::AnsiToChar(p[i]);
}

}  // namespace korvex_py
