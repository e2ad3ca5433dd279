// `krv text tail`: the last lines of a regular file found from its end, those of a stream kept
// in chunks while it is read.
#include "text_tail.h"

#include <algorithm>
#include <cerrno>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "cli.h"
#include "os.h"
#include "progress.h"
#include "text_window.h"

namespace krv::tool {
namespace {

// The offset of the k-th LF from the end of p[0, n) plus one, or -1 when there are fewer.
std::int64_t AfterLineFeedFromEnd(const char* p, std::size_t n, std::int64_t& k) {
  std::size_t end = n;
  for (;;) {
    const std::size_t at = os::FindLastByte(std::string_view(p, end), '\n');
    if (at == std::string_view::npos) return -1;
    if (--k == 0) return static_cast<std::int64_t>(at) + 1;
    end = at;
  }
}

// Where the last n lines of the file's first `size` bytes begin: after the n-th LF before the
// end, the LF that ends the file not counted. Reads backwards in blocks.
std::int64_t TailStart(FileAt& file, std::int64_t size, std::int64_t n, const std::string& name) {
  std::string block(kTextBlock, '\0');
  Progress progress(name, size);
  std::int64_t pos = size;
  bool last_block = true;
  while (pos > 0) {
    const auto len = static_cast<std::size_t>(std::min<std::int64_t>(pos, kTextBlock));
    pos -= static_cast<std::int64_t>(len);
    if (file.Read(block.data(), len, pos) != len) {
      throw Failure{name, "the file became shorter while it was read"};
    }
    std::size_t end = len;
    if (last_block && block[len - 1] == '\n') --end;  // it ends the last line
    last_block = false;
    const std::int64_t here = CountLineFeeds(block.data(), end);
    if (here < n) {
      n -= here;
    } else {
      return pos + AfterLineFeedFromEnd(block.data(), end, n);
    }
    progress.Update(size - pos);
  }
  return 0;
}

void CopyFileRange(FileAt& file, std::int64_t from, std::int64_t to, const std::string& name,
                   Output& out) {
  std::string block(kTextBlock, '\0');
  Progress progress(name, to - from);
  for (std::int64_t at = from; at < to;) {
    const auto want = static_cast<std::size_t>(std::min<std::int64_t>(to - at, kTextBlock));
    const std::size_t got = file.Read(block.data(), want, at);
    if (got != want) throw Failure{name, "the file became shorter while it was read"};
    out.Write(block.data(), got);
    at += static_cast<std::int64_t>(got);
    progress.Update(at - from);
  }
}

// Unnamed temporary files hold the chunks of a stream that do not fit in memory; each file
// takes chunks until it holds kSegmentBytes and is closed (its space given back) once no
// chunk in it is kept.
constexpr std::int64_t kSegmentBytes = std::int64_t{256} << 20;
struct Segment {
  ScratchFile file{"tail"};
  std::int64_t written = 0;
};

// The last lines of a stream read once, as chunks of up to kTextBlock bytes, newest last,
// each with its number of LFs. The front chunk is dropped while the chunks after it hold
// n + 1 LFs or more: the last n lines, and the LF before them, lie after it whatever follows.
// So when fewer LFs are kept, nothing was dropped and the kept bytes start the stream.
class StreamTail {
 public:
  explicit StreamTail(std::int64_t n) : n_(n) {}
  void Add(std::string bytes);
  void Write(Output& out);

 private:
  struct Chunk {
    std::string bytes;  // empty once spilled
    std::size_t size = 0;
    std::int64_t line_feeds = 0;
    std::shared_ptr<Segment> segment;  // where the bytes went, when spilled
    std::int64_t at = 0;               // and at which offset there
  };
  // Chunk bytes in memory beside the chunk being read and one read back from a segment.
  static constexpr std::size_t kHeldMax = kTextWindow - 2 * kTextBlock;
  void Spill(Chunk& c);
  const char* Bytes(const Chunk& c);

  std::int64_t n_;
  std::deque<Chunk> chunks_;
  std::int64_t line_feeds_ = 0;  // in all chunks
  std::size_t held_ = 0;         // chunk bytes in memory
  std::size_t spilled_ = 0;      // the front chunks that are spilled
  std::shared_ptr<Segment> writing_;
  std::string read_back_;
};

void StreamTail::Add(std::string bytes) {
  Chunk c;
  c.size = bytes.size();
  c.line_feeds = CountLineFeeds(bytes.data(), bytes.size());
  c.bytes = std::move(bytes);
  line_feeds_ += c.line_feeds;
  held_ += c.size;
  chunks_.push_back(std::move(c));
  while (chunks_.size() > 1 && line_feeds_ - chunks_.front().line_feeds > n_) {
    const Chunk& front = chunks_.front();
    line_feeds_ -= front.line_feeds;
    if (front.segment) {
      --spilled_;
    } else {
      held_ -= front.size;
    }
    chunks_.pop_front();
  }
  while (held_ > kHeldMax) Spill(chunks_[spilled_++]);
}

void StreamTail::Spill(Chunk& c) {
  if (!writing_ || writing_->written + static_cast<std::int64_t>(c.size) > kSegmentBytes) {
    writing_ = std::make_shared<Segment>();
  }
  if (!os::WriteAll(writing_->file.Fd(), c.bytes.data(), c.size)) {
    throw Failure{"", "temporary file: write error: " + ErrnoText(errno)};
  }
  c.segment = writing_;
  c.at = writing_->written;
  writing_->written += static_cast<std::int64_t>(c.size);
  std::string().swap(c.bytes);
  held_ -= c.size;
}

const char* StreamTail::Bytes(const Chunk& c) {
  if (!c.segment) return c.bytes.data();
  read_back_.resize(c.size);
  std::size_t got = 0;
  while (got < c.size) {
    const std::ptrdiff_t k = os::ReadAt(c.segment->file.Fd(), read_back_.data() + got, c.size - got,
                                        c.at + static_cast<std::int64_t>(got));
    if (k <= 0) throw Failure{"", "temporary file: read error: " + ErrnoText(k < 0 ? errno : EIO)};
    got += static_cast<std::size_t>(k);
  }
  return read_back_.data();
}

void StreamTail::Write(Output& out) {
  if (chunks_.empty() || n_ == 0) return;
  // The newest chunk is never spilled; an LF that ends the stream ends the last line.
  std::int64_t k = chunks_.back().bytes.back() == '\n' ? n_ + 1 : n_;
  std::size_t first = 0, offset = 0;
  for (std::size_t i = chunks_.size(); i-- > 0;) {
    const Chunk& c = chunks_[i];
    if (c.line_feeds < k) {
      k -= c.line_feeds;
      continue;
    }
    first = i;
    offset = static_cast<std::size_t>(AfterLineFeedFromEnd(Bytes(c), c.size, k));
    break;
  }
  for (std::size_t i = first; i < chunks_.size(); ++i, offset = 0) {
    out.Write(Bytes(chunks_[i]) + offset, chunks_[i].size - offset);
  }
}

void TailOfStream(Input& in, std::int64_t n, Output& out) {
  in.ShowProgress();
  StreamTail tail(n);
  for (;;) {
    std::string chunk(kTextBlock, '\0');
    std::size_t len = 0;
    while (len < chunk.size()) {
      const std::size_t got = in.Read(chunk.data() + len, chunk.size() - len);
      if (got == 0) break;
      len += got;
    }
    if (len == 0) break;
    chunk.resize(len);
    tail.Add(std::move(chunk));
    if (len < kTextBlock) break;
  }
  tail.Write(out);
}

}  // namespace

void WriteLastLines(Input& in, std::int64_t n, Output& out) {
  if (n <= 0) return;
  FileAt file(in, true);
  if (!file.IsOpen()) return TailOfStream(in, n, out);
  const std::int64_t size = file.Size();
  const std::int64_t start = TailStart(file, size, n, in.Name());
  CopyFileRange(file, start, size, in.Name(), out);
}

}  // namespace krv::tool
