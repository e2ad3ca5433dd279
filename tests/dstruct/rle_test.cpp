#include "korvex/dstruct/rle.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <string>

#include "korvex/platform/random.h"

namespace krv {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Slow reference encoder, straight from the format rules: runs of equal bytes split into
// pieces of at most 255; a piece of 1 or 2 bytes other than 0xA5 is written as itself,
// anything else as a triple. The last run becomes a triple at the end (also when it is
// short), or the empty triple when the input ended exactly at the end of a 255-piece.
Bytes ReferenceEncode(const Bytes& in) {
  Bytes out;
  std::size_t i = 0;
  std::uint8_t last = 0;
  int final_count = 0;
  while (i < in.size()) {
    std::size_t j = i;
    while (j < in.size() && in[j] == in[i]) ++j;
    std::size_t len = j - i;
    last = in[i];
    while (len >= 255) {
      out.insert(out.end(), {0xA5, 255, last});
      len -= 255;
    }
    if (j == in.size()) {
      final_count = static_cast<int>(len);
    } else if (len > 0) {
      if (len <= 2 && last != 0xA5)
        out.insert(out.end(), len, last);
      else
        out.insert(out.end(), {0xA5, static_cast<std::uint8_t>(len), last});
    }
    i = j;
  }
  out.insert(out.end(), {0xA5, static_cast<std::uint8_t>(final_count), last});
  return out;
}

Bytes ReferenceDecode(const Bytes& in) {
  Bytes out;
  for (std::size_t i = 0; i < in.size();) {
    if (in[i] != 0xA5) {
      out.push_back(in[i++]);
    } else if (i + 2 < in.size()) {
      out.insert(out.end(), in[i + 1], in[i + 2]);
      i += 3;
    } else {
      break;
    }
  }
  return out;
}

// Encodes in chunks of `chunk` bytes, fetching blocks as they become ready, then finishes.
Bytes EncodeAll(TRLEncoder& e, const Bytes& in, std::size_t chunk) {
  Bytes out, block(static_cast<std::size_t>(e.BufLeng()));
  for (std::size_t i = 0; i < in.size(); i += chunk) {
    const std::size_t n = std::min(chunk, in.size() - i);
    bool ready = e.Encode(std::span(in).subspan(i, n), static_cast<std::int32_t>(n));
    while (ready) {
      EXPECT_TRUE(e.GetResult(block));
      out.insert(out.end(), block.begin(), block.end());
      ready = e.Pending() >= e.BufLeng();
    }
  }
  for (int guard = 0; guard < 1 << 20; ++guard) {
    const std::int32_t k = e.Finish(block);
    EXPECT_GE(k, 0);
    out.insert(out.end(), block.begin(), block.begin() + k);
    if (k < e.BufLeng()) return out;
  }
  ADD_FAILURE() << "Finish never ended";
  return out;
}

Bytes DecodeAll(TRLEncoder& e, const Bytes& in) {
  Bytes out, block(static_cast<std::size_t>(e.BufLeng()));
  for (std::uint8_t b : in) {
    if (e.Decode(b)) {
      while (e.GetResult(block)) out.insert(out.end(), block.begin(), block.end());
    }
  }
  // The tail that does not fill a block: fetch it through a block length that fits.
  const auto rest = e.Pending();
  if (rest > 0) {
    e.SetBufLeng(static_cast<std::int32_t>(rest));
    block.resize(static_cast<std::size_t>(rest));
    EXPECT_TRUE(e.GetResult(block));
    out.insert(out.end(), block.begin(), block.end());
  }
  return out;
}

Bytes OneShot(const Bytes& in) {
  TRLEncoder e;
  e.SetBufLeng(1 << 20);
  return EncodeAll(e, in, in.size() + 1);
}

TEST(RLEncoder, NewEncoder) {
  TRLEncoder e;
  EXPECT_EQ(e.BufLeng(), 256);
  EXPECT_EQ(e.Pending(), 0);
  EXPECT_EQ(e.DecodeState(), rlData);
}

TEST(RLEncoder, DocumentedExamples) {
  struct Case {
    Bytes in, out;
  };
  const Case cases[] = {
      {{1, 2, 2, 3, 3, 3}, {1, 2, 2, 0xA5, 3, 3}},
      {{0xA5}, {0xA5, 1, 0xA5}},
      {Bytes(300, 7), {0xA5, 255, 7, 0xA5, 45, 7}},
      {Bytes(255, 7), {0xA5, 255, 7, 0xA5, 0, 7}},
      {{}, {0xA5, 0, 0}},
      {{0xA5, 0xA5, 1}, {0xA5, 2, 0xA5, 0xA5, 1, 1}},
      {{9, 0xA5, 9}, {9, 0xA5, 1, 0xA5, 0xA5, 1, 9}},
      {{4, 4, 4, 5}, {0xA5, 3, 4, 0xA5, 1, 5}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OneShot(c.in), c.out);
    EXPECT_EQ(ReferenceEncode(c.in), c.out);
    EXPECT_EQ(ReferenceDecode(c.out), c.in);
  }
}

TEST(RLEncoder, EncodeReportsFullBlock) {
  TRLEncoder e;
  e.SetBufLeng(4);
  const Bytes in{1, 2, 3};
  EXPECT_FALSE(e.Encode(in, 3));  // the last byte is still an open run
  EXPECT_EQ(e.Pending(), 2);
  const Bytes more{4, 5, 6};
  EXPECT_TRUE(e.Encode(more, 3));
  Bytes block(4);
  EXPECT_TRUE(e.GetResult(block));
  EXPECT_EQ(block, (Bytes{1, 2, 3, 4}));
  EXPECT_FALSE(e.GetResult(block));  // one byte left: nothing happens
  EXPECT_EQ(block, (Bytes{1, 2, 3, 4}));
  EXPECT_EQ(e.Pending(), 1);
}

TEST(RLEncoder, NumBytesNeverReadsPastTheBuffer) {
  TRLEncoder e;
  const Bytes in{1, 2, 3};
  e.Encode(in, 1000);
  e.Encode(in, -5);
  Bytes out(256);
  EXPECT_EQ(e.Finish(out), 5);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 5), (Bytes{1, 2, 0xA5, 1, 3}));
}

TEST(RLEncoder, ShortOutputBuffersAreRefused) {
  TRLEncoder e;
  e.SetBufLeng(8);
  e.Encode(Bytes(40, 1));
  Bytes small(7);
  EXPECT_FALSE(e.GetResult(small));
  EXPECT_EQ(e.Finish(small), -1);
  Bytes ok(8);
  EXPECT_EQ(e.Finish(ok), 3);
  EXPECT_EQ(Bytes(ok.begin(), ok.begin() + 3), (Bytes{0xA5, 40, 1}));
}

TEST(RLEncoder, FinishContinuation) {
  // 300 pending bytes with blocks of 256: the first Finish delivers 256, the second appends
  // the empty triple and delivers the rest.
  TRLEncoder e;
  Bytes in;
  for (int i = 0; i < 299; ++i) in.push_back(static_cast<std::uint8_t>(i % 2 ? 1 : 2));
  in.push_back(9);
  e.Encode(in);
  EXPECT_EQ(e.Pending(), 299);
  Bytes block(256);
  EXPECT_EQ(e.Finish(block), 256);
  EXPECT_EQ(e.Finish(block), 299 + 3 + 3 - 256);
  EXPECT_EQ(Bytes(block.begin() + 43, block.begin() + 49), (Bytes{0xA5, 1, 9, 0xA5, 0, 9}));
}

TEST(RLEncoder, FinishEndsForTinyBlocks) {
  for (std::int32_t bl : {1, 2, 3, 4, 5}) {
    TRLEncoder e;
    e.SetBufLeng(bl);
    const Bytes in{1, 2, 3, 3, 3, 3, 0xA5};
    const Bytes enc = EncodeAll(e, in, in.size());
    TRLEncoder d;
    EXPECT_EQ(DecodeAll(d, enc), in) << bl;
    EXPECT_EQ(ReferenceDecode(enc), in) << bl;
  }
}

TEST(RLEncoder, DecodeLongRunsWithTinyBlocksNeverOverflows) {
  TRLEncoder d;
  d.SetBufLeng(1);
  // 10,000 triples of 255 bytes without fetching anything: 2.55 MB pending.
  for (int i = 0; i < 10000; ++i) {
    d.Decode(0xA5);
    d.Decode(255);
    EXPECT_TRUE(d.Decode(static_cast<std::uint8_t>(i)));
  }
  EXPECT_EQ(d.Pending(), 2550000);
  Bytes one(1);
  for (int i = 0; i < 10000; ++i) {
    for (int k = 0; k < 255; ++k) {
      ASSERT_TRUE(d.GetResult(one));
      ASSERT_EQ(one[0], static_cast<std::uint8_t>(i));
    }
  }
  EXPECT_EQ(d.Pending(), 0);
}

TEST(RLEncoder, LargeEncodeWithoutFetching) {
  RandSeed = 5;
  Bytes in(1 << 21);
  for (auto& b : in) b = Random(4) == 0 ? 0xA5 : static_cast<std::uint8_t>(Random(256));
  TRLEncoder e;
  e.Encode(in);  // far more than 4 x BufLeng
  EXPECT_GT(e.Pending(), 1 << 21);
  TRLEncoder d;
  EXPECT_EQ(DecodeAll(d, EncodeAll(e, {}, 1)), in);
}

TEST(RLEncoder, SetBufLengKeepsPendingBytes) {
  TRLEncoder e;
  e.Encode(Bytes{1, 2, 3, 4, 5, 6});
  e.SetBufLeng(2);
  e.SetBufLeng(0);
  e.SetBufLeng(-1);
  EXPECT_EQ(e.BufLeng(), 2);
  Bytes block(2);
  EXPECT_TRUE(e.GetResult(block));
  EXPECT_EQ(block, (Bytes{1, 2}));
  EXPECT_TRUE(e.GetResult(block));
  EXPECT_EQ(block, (Bytes{3, 4}));
}

TEST(RLEncoder, ResetClearsEverything) {
  TRLEncoder e;
  e.Decode(0xA5);
  e.Decode(4);
  e.Reset();
  EXPECT_EQ(e.DecodeState(), rlData);
  e.Decode(7);
  EXPECT_EQ(e.Pending(), 1);
  e.Reset();
  EXPECT_EQ(e.Pending(), 0);
  Bytes out(256);
  EXPECT_EQ(e.Finish(out), 3);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 3), (Bytes{0xA5, 0, 0}));
}

// Random data of every length 0..600 and a few large ones: runs of 0xA5, runs longer than
// 255, input split at every kind of boundary and every block length, checked against the
// reference encoder and decoded back both byte by byte and in bulk.
Bytes RandomData(std::size_t n) {
  Bytes d;
  while (d.size() < n) {
    const int kind = Random(6);
    std::uint8_t v = kind == 0 ? 0xA5 : static_cast<std::uint8_t>(Random(kind == 1 ? 3 : 256));
    std::size_t len = 1;
    if (kind <= 2) len = static_cast<std::size_t>(Random(4));
    if (kind == 3) len = static_cast<std::size_t>(Random(700));
    for (std::size_t k = 0; k < len && d.size() < n; ++k) d.push_back(v);
    if (len == 0 && d.size() < n) d.push_back(v);
  }
  return d;
}

TEST(RLEncoder, RoundTripEveryLength) {
  RandSeed = 2024;
  for (std::size_t n = 0; n <= 600; ++n) {
    const Bytes in = RandomData(n);
    const Bytes want = ReferenceEncode(in);
    const std::int32_t bl = 1 + Random(300);
    TRLEncoder e;
    e.SetBufLeng(bl);
    const std::size_t chunk = 1 + static_cast<std::size_t>(Random(static_cast<int>(n) + 2));
    const Bytes enc = EncodeAll(e, in, chunk);
    // Chunking changes nothing; a Finish that had to be repeated adds only empty triples.
    ASSERT_GE(enc.size(), want.size()) << n;
    ASSERT_TRUE(std::equal(want.begin(), want.end(), enc.begin())) << n;
    for (std::size_t k = want.size(); k < enc.size(); k += 3) {
      ASSERT_EQ(enc[k], 0xA5);
      ASSERT_EQ(enc[k + 1], 0);
    }
    if (bl <= 3) {
      ASSERT_EQ(enc, want);
    }
    ASSERT_EQ(ReferenceDecode(enc), in) << n;
    TRLEncoder d;
    d.SetBufLeng(bl);
    ASSERT_EQ(DecodeAll(d, enc), in) << n;
    // One block large enough for everything gives exactly the reference bytes.
    ASSERT_EQ(OneShot(in), want) << n;
  }
}

TEST(RLEncoder, RoundTripEveryBufLeng) {
  RandSeed = 77;
  const Bytes in = RandomData(5000);
  for (std::int32_t bl = 1; bl <= 1100; bl += (bl < 300 ? 1 : 37)) {
    TRLEncoder e;
    e.SetBufLeng(bl);
    const Bytes enc = EncodeAll(e, in, 97);
    TRLEncoder d;
    d.SetBufLeng(bl);
    ASSERT_EQ(DecodeAll(d, enc), in) << bl;
  }
}

TEST(RLEncoder, BulkDecodeMatchesByteDecode) {
  RandSeed = 91;
  for (int round = 0; round < 200; ++round) {
    Bytes enc(static_cast<std::size_t>(Random(2000)));
    for (auto& b : enc) b = Random(5) == 0 ? 0xA5 : static_cast<std::uint8_t>(Random(256));
    TRLEncoder a, b;
    a.SetBufLeng(1 << 30);
    b.SetBufLeng(1 << 30);
    for (std::size_t i = 0; i < enc.size();) {  // bulk, split at random points
      const std::size_t n = std::min(enc.size() - i, static_cast<std::size_t>(Random(50)));
      a.Decode(std::span(enc).subspan(i, n));
      i += n;
    }
    for (std::uint8_t x : enc) b.Decode(x);
    ASSERT_EQ(a.Pending(), b.Pending());
    ASSERT_EQ(a.DecodeState(), b.DecodeState());
    const Bytes ref = ReferenceDecode(enc);
    if (a.DecodeState() == rlData) {
      ASSERT_EQ(static_cast<std::size_t>(a.Pending()), ref.size());
    }
  }
}

}  // namespace
}  // namespace krv

namespace krv {
namespace {

// Literal stretches of every length followed by a long run, fed in bulk to a fresh decoder:
// the run lands at every distance from the end of the pending buffer.
TEST(RLEncoder, BulkDecodeRunsAtTheBufferEnd) {
  for (std::size_t lead = 0; lead < 1100; ++lead) {
    Bytes enc(lead, 0x96);
    for (int k = 0; k < 3; ++k) enc.insert(enc.end(), {0x01, 0x02, 0xA5, 255, 0x5C});
    TRLEncoder d;
    d.SetBufLeng(1 << 20);
    d.Decode(enc);
    ASSERT_EQ(static_cast<std::size_t>(d.Pending()), ReferenceDecode(enc).size()) << lead;
  }
}

}  // namespace
}  // namespace krv
