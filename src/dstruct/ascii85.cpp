// ASCII85 coding over streams, a block at a time: the input is read in large chunks, whole
// groups are coded straight from the chunk into an output buffer, and only the groups that
// straddle a chunk, hold line breaks, a "z" or the terminator take the character-by-character
// path.
#include "korvex/dstruct/ascii85.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "dstruct/internal/big_endian.h"

namespace krv {
namespace {

constexpr char kFirstDigit = '!';  // digit 0; digit 84 is 'u'
constexpr std::uint32_t kPow85[5] = {1, 85, 7225, 614125, 52200625};

// The buffers live on the stack: small inputs cost no allocation, and a few kilobytes per
// stream call keep the call overhead small.
// Input chunk for encoding: a multiple of 4 so every chunk but the last holds whole groups.
constexpr std::size_t kEncodeChunk = 4096;
static_assert(kEncodeChunk % 4 == 0);
// Room for the text of one chunk, and slack for the 8-byte stores of 5-character groups.
constexpr std::size_t kEncodeOut = kEncodeChunk / 4 * 5 + 8;

constexpr std::size_t kDecodeChunk = 4096;
constexpr std::size_t kDecodeOut = 4096;

// The two base-85 digits of every value below 85^2, as the two characters in memory order.
struct DigitPairs {
  std::uint16_t pair[7225];
};
constexpr DigitPairs MakeDigitPairs() {
  DigitPairs t{};
  for (std::uint32_t v = 0; v < 7225; ++v) {
    const std::uint32_t hi = kFirstDigit + v / 85, lo = kFirstDigit + v % 85;
    t.pair[v] = static_cast<std::uint16_t>(
        std::endian::native == std::endian::little ? hi | lo << 8 : hi << 8 | lo);
  }
  return t;
}
constexpr DigitPairs kDigitPairs = MakeDigitPairs();

using detail::LoadBE32;
using detail::StoreBE32;

// Writes the five digits of a full group as one 8-byte store; needs 8 bytes of room at out.
// Divisions by 85^2 and 85^4 split the value into a leading digit and two digit pairs, which
// come from a table.
inline char* EncodeFullGroup(std::uint32_t v, char* out) {
  const std::uint32_t upper = v / 7225, first = v / 52200625;  // independent of each other
  const std::uint32_t low_pair = v - upper * 7225, mid_pair = upper - first * 7225;
  std::uint64_t text;
  if constexpr (std::endian::native == std::endian::little) {
    text = (kFirstDigit + first) | std::uint64_t{kDigitPairs.pair[mid_pair]} << 8 |
           std::uint64_t{kDigitPairs.pair[low_pair]} << 24;
  } else {
    text = std::uint64_t{kFirstDigit + first} << 56 |
           std::uint64_t{kDigitPairs.pair[mid_pair]} << 40 |
           std::uint64_t{kDigitPairs.pair[low_pair]} << 24;
  }
  std::memcpy(out, &text, 8);
  return out + 5;
}

// Encodes the whole groups of in[0..n) (n a multiple of 4); returns the end of the text.
char* EncodeGroups(const std::uint8_t* in, std::size_t n, char* out) {
  for (std::size_t i = 0; i < n; i += 4) {
    const std::uint32_t v = LoadBE32(in + i);
    if (v == 0) {
      *out++ = 'z';
    } else {
      out = EncodeFullGroup(v, out);
    }
  }
  return out;
}

// The k + 1 digits of the value of a final group of k bytes (1 <= k <= 3).
char* EncodePartialGroup(const std::uint8_t* in, std::size_t k, char* out) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < k; ++i) v = v << 8 | in[i];
  for (std::size_t d = k + 1; d-- > 0;) {
    *out++ = static_cast<char>(kFirstDigit + v / kPow85[d]);
    v %= kPow85[d];
  }
  return out;
}

inline bool IsDigit(std::uint8_t c) {
  return static_cast<std::uint8_t>(c - kFirstDigit) <= 84;
}

// Reads the input a chunk at a time and remembers how far decoding got.
class ChunkReader {
 public:
  explicit ChunkReader(TStream& in) : in_(in) {}

  const std::uint8_t* Data() const { return buf_ + pos_; }
  std::size_t Available() const { return len_ - pos_; }
  void Skip(std::size_t n) { pos_ += n; }
  // Characters taken so far.
  std::int64_t Offset() const { return base_ + static_cast<std::int64_t>(pos_); }

  // The next character, or -1 at the end of the input.
  int Next() {
    if (pos_ == len_) {
      if (at_end_) return -1;
      base_ += static_cast<std::int64_t>(len_);
      len_ = in_.Read(buf_, kDecodeChunk);
      pos_ = 0;
      if (len_ == 0) {
        at_end_ = true;
        return -1;
      }
    }
    return buf_[pos_++];
  }

  // The next character that is not CR or LF, or -1.
  int NextSignificant() {
    int c;
    do c = Next();
    while (c == '\r' || c == '\n');
    return c;
  }

  // Puts back what was read beyond the decoded text, so the input stands right after it.
  void Unread() {
    if (pos_ < len_) in_.Seek(-static_cast<std::int64_t>(len_ - pos_), soFromCurrent);
    pos_ = len_;
  }

 private:
  TStream& in_;
  std::uint8_t buf_[kDecodeChunk];
  std::size_t pos_ = 0, len_ = 0;
  std::int64_t base_ = 0;  // characters before buf_[0]
  bool at_end_ = false;
};

// Collects decoded bytes and writes them in blocks.
class ByteSink {
 public:
  explicit ByteSink(TStream& out) : out_(out) {}
  // Room for one more group.
  std::uint8_t* Reserve4() {
    if (len_ > kDecodeOut - 4) Flush();
    return buf_ + len_;
  }
  void Commit(std::size_t n) { len_ += n; }
  void Flush() {
    if (len_ > 0) out_.WriteBuffer(buf_, len_);
    len_ = 0;
  }

 private:
  TStream& out_;
  std::uint8_t buf_[kDecodeOut];
  std::size_t len_ = 0;
};

// The result code of a decoding so far, and its first fault.
struct DecodeFaults {
  Integer result = 0;
  TASCII85Fault first;
  void Note(Integer code, std::int64_t at, bool too_large = false) {
    result = code;
    if (first.code == 0) first = {code, at, too_large};
  }
};

// Decodes the m counting characters of one group into m - 1 bytes, with the value taken in
// 32-bit arithmetic as the format defines it. Notes bad characters and a group of sound
// digits whose value does not fit its bytes; at[i] is where chars[i] stands, and at[m] (or
// at[m - 1] when the group has no more characters) where the group ends.
void DecodeGroup(const std::uint8_t* chars, const std::int64_t* at, std::size_t m,
                 std::size_t count, ByteSink& sink, DecodeFaults& faults) {
  std::uint32_t v = 0;
  std::uint64_t exact = 0;
  bool sound = true;
  for (std::size_t i = 0; i < m; ++i) {
    const std::uint8_t c = chars[i];
    if (!IsDigit(c)) {
      faults.Note(c == 'z' ? -2 : -1, at[i]);
      sound = false;
    }
    v = v * 85 + (static_cast<std::uint32_t>(c) - kFirstDigit);
    exact = exact * 85 + (c - kFirstDigit);
  }
  if (m <= 1) return;
  const std::size_t bytes = m - 1;
  if (sound && (exact >> (8 * bytes)) != 0) faults.Note(-1, at[m < count ? m : m - 1], true);
  std::uint8_t* out = sink.Reserve4();
  for (std::size_t i = 0; i < bytes; ++i)
    out[i] = static_cast<std::uint8_t>(v >> (8 * (bytes - 1 - i)));
  sink.Commit(bytes);
}

// Whole groups of five digits, and "z", straight from the chunk, up to anything else.
void DecodeWholeGroups(ChunkReader& reader, ByteSink& sink, DecodeFaults& faults) {
  for (;;) {
    const std::uint8_t* p = reader.Data();
    const std::size_t avail = reader.Available();
    if (avail >= 5 && IsDigit(p[0]) && IsDigit(p[1]) && IsDigit(p[2]) && IsDigit(p[3]) &&
        IsDigit(p[4])) {
      const std::uint64_t v = std::uint64_t{p[0]} * kPow85[4] + std::uint64_t{p[1]} * kPow85[3] +
                              std::uint64_t{p[2]} * kPow85[2] + std::uint64_t{p[3]} * kPow85[1] +
                              p[4] - std::uint64_t{0x21} * (52200625 + 614125 + 7225 + 85 + 1);
      if (v > 0xFFFFFFFFu) faults.Note(-1, reader.Offset() + 4, true);
      StoreBE32(sink.Reserve4(), static_cast<std::uint32_t>(v));
      sink.Commit(4);
      reader.Skip(5);
    } else if (avail >= 1 && p[0] == 'z') {
      std::memset(sink.Reserve4(), 0, 4);
      sink.Commit(4);
      reader.Skip(1);
    } else {
      return;
    }
  }
}

}  // namespace

void EncodeASCII85(TStream& input, TStream& output) {
  std::uint8_t in[kEncodeChunk];
  char out[kEncodeOut];
  for (;;) {
    const std::size_t n = input.Read(in, kEncodeChunk);
    if (n == 0) break;
    const std::size_t whole = n & ~std::size_t{3};
    char* end = EncodeGroups(in, whole, out);
    if (whole < n) end = EncodePartialGroup(in + whole, n - whole, end);
    output.WriteBuffer(out, static_cast<std::size_t>(end - out));
    if (whole < n) break;  // a short group ends the input, as a short read of 4 bytes does
  }
  output.WriteBuffer("~>", 2);
}

Integer DecodeASCII85(TStream& input, TStream& output) {
  TASCII85Fault first;
  return DecodeASCII85(input, output, first);
}

Integer DecodeASCII85(TStream& input, TStream& output, TASCII85Fault& first_fault) {
  ChunkReader reader(input);
  ByteSink sink(output);
  DecodeFaults faults;
  for (;;) {
    DecodeWholeGroups(reader, sink, faults);

    // One group character by character: line breaks, the terminator, the end of a chunk.
    std::uint8_t chars[5];
    std::int64_t at[5];
    int c = reader.NextSignificant();
    if (c < 0) break;
    if (c == 'z') {
      std::memset(sink.Reserve4(), 0, 4);
      sink.Commit(4);
      continue;
    }
    chars[0] = static_cast<std::uint8_t>(c);
    at[0] = reader.Offset() - 1;
    std::size_t count = 1;
    bool last = false;
    while (count < 5) {
      c = reader.NextSignificant();
      if (c < 0) {
        last = true;
        break;
      }
      at[count] = reader.Offset() - 1;
      chars[count++] = static_cast<std::uint8_t>(c);
    }
    std::size_t m = count;
    for (std::size_t i = count; i-- > 0;)
      if (chars[i] == '~') {
        m = i;
        last = true;
        break;
      }
    DecodeGroup(chars, at, m, count, sink, faults);
    if (last) break;
  }
  sink.Flush();
  reader.Unread();
  first_fault = faults.first;
  return faults.result;
}

// ---- Adobe's form ----

namespace {

// Adobe's text, broken into lines as Python's a85encode(adobe=True, wrapcol=width) breaks it,
// collected and written in blocks.
class AdobeTextSink {
 public:
  AdobeTextSink(TStream& out, std::size_t width) : out_(out), width_(width == 1 ? 2 : width) {}

  // Appends text; a line break goes before a character that would pass the width.
  void Put(const char* p, std::size_t n) {
    while (n > 0) {
      if (len_ + 1 >= sizeof buf_) Flush();  // room for a break and a character
      if (width_ != 0 && col_ == width_) {
        buf_[len_++] = '\n';
        col_ = 0;
      }
      std::size_t take = std::min(n, sizeof buf_ - len_);
      if (width_ != 0) take = std::min(take, width_ - col_);
      std::memcpy(buf_ + len_, p, take);
      len_ += take;
      col_ += take;
      p += take;
      n -= take;
    }
  }

  // Appends the terminator, on a line of its own when it does not fit, and writes it all.
  void Finish() {
    if (len_ + 3 > sizeof buf_) Flush();
    if (width_ != 0 && col_ + 2 > width_) buf_[len_++] = '\n';
    buf_[len_++] = '~';
    buf_[len_++] = '>';
    Flush();
  }

 private:
  void Flush() {
    if (len_ > 0) out_.WriteBuffer(buf_, len_);
    len_ = 0;
  }

  TStream& out_;
  std::size_t width_;
  std::size_t col_ = 0;  // characters on the current line
  char buf_[8192];
  std::size_t len_ = 0;
};

// The white space Adobe's decoders skip: PostScript's, and VT as Python skips it.
inline bool IsAdobeWhite(int c) {
  return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\v' || c == '\0';
}

// Decodes Adobe's text from a reader into a sink; stops at the first fault or after "~>".
class AdobeDecoder {
 public:
  AdobeDecoder(ChunkReader& reader, ByteSink& sink) : reader_(reader), sink_(sink) {}

  TASCII85AdobeResult Run() {
    int c = reader_.Next();
    while (IsAdobeWhite(c)) c = reader_.Next();
    if (c == '<') {  // "<~" starts the text; a "<" followed by anything else is a digit
      c = reader_.Next();
      if (c == '~') {
        c = kNone;
      } else {
        value_ = '<' - kFirstDigit;
        count_ = 1;
      }
    }
    for (;; c = kNone) {
      if (c == kNone) {
        if (count_ == 0 && !WholeGroups()) return result_;
        c = reader_.Next();
      }
      if (c < 0) return {a85NoTerminator, reader_.Offset()};
      if (!Take(c, reader_.Offset() - 1)) return result_;
    }
  }

 private:
  static constexpr int kNone = -2;  // no character in hand

  bool Stop(TASCII85AdobeFault fault, std::int64_t at) {
    result_ = {fault, at};
    return false;
  }

  // Groups of five digits, "z" and white space straight from the chunk, while no group is
  // open. False on a fault.
  bool WholeGroups() {
    for (;;) {
      const std::uint8_t* p = reader_.Data();
      const std::size_t avail = reader_.Available();
      if (avail >= 5 && IsDigit(p[0]) && IsDigit(p[1]) && IsDigit(p[2]) && IsDigit(p[3]) &&
          IsDigit(p[4])) {
        const std::uint64_t v = std::uint64_t{p[0]} * kPow85[4] + std::uint64_t{p[1]} * kPow85[3] +
                                std::uint64_t{p[2]} * kPow85[2] + std::uint64_t{p[3]} * kPow85[1] +
                                p[4] - std::uint64_t{0x21} * (52200625 + 614125 + 7225 + 85 + 1);
        reader_.Skip(5);
        if (v > 0xFFFFFFFFu) return Stop(a85GroupTooLarge, reader_.Offset() - 1);
        StoreBE32(sink_.Reserve4(), static_cast<std::uint32_t>(v));
        sink_.Commit(4);
      } else if (avail >= 1 && p[0] == 'z') {
        std::memset(sink_.Reserve4(), 0, 4);
        sink_.Commit(4);
        reader_.Skip(1);
      } else if (avail >= 1 && IsAdobeWhite(p[0])) {
        reader_.Skip(1);
      } else {
        return true;
      }
    }
  }

  // One character at offset `at`. False when decoding ends: at a fault or after "~>".
  bool Take(int c, std::int64_t at) {
    if (IsDigit(static_cast<std::uint8_t>(c))) {
      value_ = value_ * 85 + static_cast<std::uint32_t>(c - kFirstDigit);
      if (++count_ == 5) {
        if (value_ > 0xFFFFFFFFu) return Stop(a85GroupTooLarge, at);
        Emit(4);
      }
      return true;
    }
    if (IsAdobeWhite(c)) return true;
    if (c == 'z') {
      if (count_ != 0) return Stop(a85ZInsideGroup, at);
      std::memset(sink_.Reserve4(), 0, 4);
      sink_.Commit(4);
      return true;
    }
    if (c != '~') return Stop(a85BadCharacter, at);
    const int next = reader_.Next();
    if (next < 0) return Stop(a85NoTerminator, reader_.Offset());
    if (next != '>') return Stop(a85TildeWithoutGreater, at + 1);
    if (count_ == 1) return Stop(a85OneDigitGroup, at + 1);
    if (count_ > 0) {
      const std::size_t bytes = count_ - 1;
      for (; count_ < 5; ++count_) value_ = value_ * 85 + 84;  // padded with "u"
      if (value_ > 0xFFFFFFFFu) return Stop(a85GroupTooLarge, at + 1);
      Emit(bytes);
    }
    return Stop(a85Sound, at + 2);
  }

  // Writes the first n bytes of the group value and starts a new group.
  void Emit(std::size_t n) {
    std::uint8_t* out = sink_.Reserve4();
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(value_ >> (24 - 8 * i));
    sink_.Commit(n);
    value_ = 0;
    count_ = 0;
  }

  ChunkReader& reader_;
  ByteSink& sink_;
  std::uint64_t value_ = 0;  // of the digits of the open group
  std::size_t count_ = 0;    // digits of the open group
  TASCII85AdobeResult result_;
};

}  // namespace

void EncodeASCII85Adobe(TStream& input, TStream& output, std::size_t line_width) {
  AdobeTextSink sink(output, line_width);
  sink.Put("<~", 2);
  std::uint8_t in[kEncodeChunk + 4];
  char text[kEncodeOut];
  std::size_t have = 0;  // bytes in hand; fewer than 4 carried over between reads
  for (;;) {
    const std::size_t n = input.Read(in + have, kEncodeChunk);
    have += n;
    if (n == 0) break;
    const std::size_t whole = have & ~std::size_t{3};
    sink.Put(text, static_cast<std::size_t>(EncodeGroups(in, whole, text) - text));
    std::memmove(in, in + whole, have - whole);
    have -= whole;
  }
  if (have > 0) {  // padded with zero bytes, coded in full (never as "z") and cut
    std::memset(in + have, 0, 4 - have);
    EncodeFullGroup(LoadBE32(in), text);
    sink.Put(text, have + 1);
  }
  sink.Finish();
}

TASCII85AdobeResult DecodeASCII85Adobe(TStream& input, TStream& output) {
  ChunkReader reader(input);
  ByteSink sink(output);
  const TASCII85AdobeResult result = AdobeDecoder(reader, sink).Run();
  sink.Flush();
  reader.Unread();
  return result;
}

}  // namespace krv
