// Benchmarks of the run-length coder, the bit field count and the feature-matrix file, each
// beside a plain peer doing the same work in the same run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "korvex/dstruct/bitfld.h"
#include "korvex/dstruct/rle.h"
#include "korvex/platform/random.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// 1 MiB of test data. kind 0: random bytes (few runs); 1: text-like bytes with short runs;
// 2: long runs (image-like); 3: one quarter 0xA5 bytes.
Bytes MakeData(int kind) {
  krv::RandSeed = 1234 + static_cast<std::uint32_t>(kind);
  Bytes d;
  d.reserve(1 << 20);
  while (d.size() < (1u << 20)) {
    switch (kind) {
      case 0:
        d.push_back(static_cast<std::uint8_t>(krv::Random(256)));
        break;
      case 1: {
        const auto c = static_cast<std::uint8_t>(' ' + krv::Random(90));
        d.insert(d.end(), krv::Random(8) == 0 ? 3 + krv::Random(6) : 1, c);
        break;
      }
      case 2:
        d.insert(d.end(), static_cast<std::size_t>(1 + krv::Random(600)),
                 static_cast<std::uint8_t>(krv::Random(4)));
        break;
      default:
        d.push_back(krv::Random(4) == 0 ? 0xA5 : static_cast<std::uint8_t>(krv::Random(256)));
        break;
    }
  }
  d.resize(1 << 20);
  return d;
}

const char* KindName(int kind) {
  static const char* names[] = {"random", "text", "longruns", "quarterA5"};
  return names[kind];
}

// The whole encoding as a user writes it: Encode in 64 KiB pieces, fetch 4 KiB blocks.
void BM_RLEEncode(benchmark::State& state) {
  const Bytes data = MakeData(static_cast<int>(state.range(0)));
  krv::TRLEncoder e;
  e.SetBufLeng(4096);
  Bytes block(4096), out;
  out.reserve(4 << 20);
  for (auto _ : state) {
    e.Reset();
    out.clear();
    for (std::size_t i = 0; i < data.size(); i += 65536) {
      if (e.Encode(std::span(data).subspan(i, 65536), 65536))
        while (e.GetResult(block)) out.insert(out.end(), block.begin(), block.end());
    }
    for (std::int32_t k = 4096; k == 4096;) {
      k = e.Finish(block);
      out.insert(out.end(), block.begin(), block.begin() + k);
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * (1 << 20));
  state.SetLabel(KindName(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_RLEEncode)->DenseRange(0, 3);

Bytes EncodeAll(const Bytes& data) {
  krv::TRLEncoder e;
  e.SetBufLeng(1 << 30);
  e.Encode(data);
  e.SetBufLeng(static_cast<std::int32_t>(e.Pending()) + 4);  // Finish delivers everything
  Bytes out(static_cast<std::size_t>(e.BufLeng()));
  out.resize(static_cast<std::size_t>(e.Finish(out)));
  return out;
}

// Decoding through the one-byte Decode call, fetching 4 KiB blocks; bytes of decoded output.
void BM_RLEDecodeByte(benchmark::State& state) {
  const Bytes data = MakeData(static_cast<int>(state.range(0)));
  const Bytes coded = EncodeAll(data);
  krv::TRLEncoder d;
  d.SetBufLeng(4096);
  Bytes block(4096), out;
  out.reserve(2 << 20);
  for (auto _ : state) {
    d.Reset();
    out.clear();
    for (std::uint8_t b : coded)
      if (d.Decode(b))
        while (d.GetResult(block)) out.insert(out.end(), block.begin(), block.end());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * (1 << 20));
  state.SetLabel(KindName(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_RLEDecodeByte)->DenseRange(0, 3);

// Decoding through the bulk Decode call in 64 KiB pieces.
void BM_RLEDecodeBulk(benchmark::State& state) {
  const Bytes data = MakeData(static_cast<int>(state.range(0)));
  const Bytes coded = EncodeAll(data);
  krv::TRLEncoder d;
  d.SetBufLeng(4096);
  Bytes block(4096), out;
  out.reserve(2 << 20);
  for (auto _ : state) {
    d.Reset();
    out.clear();
    for (std::size_t i = 0; i < coded.size(); i += 65536) {
      const std::size_t n = std::min<std::size_t>(65536, coded.size() - i);
      if (d.Decode(std::span(coded).subspan(i, n)))
        while (d.GetResult(block)) out.insert(out.end(), block.begin(), block.end());
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * (1 << 20));
  state.SetLabel(KindName(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_RLEDecodeBulk)->DenseRange(0, 3);

// Peer: a plain byte-at-a-time state-machine decoder into a vector, the obvious way.
void BM_PlainDecodePeer(benchmark::State& state) {
  const Bytes data = MakeData(static_cast<int>(state.range(0)));
  const Bytes coded = EncodeAll(data);
  Bytes out;
  out.reserve(2 << 20);
  for (auto _ : state) {
    out.clear();
    int st = 0;
    std::uint8_t cnt = 0;
    for (std::uint8_t b : coded) {
      if (st == 0) {
        if (b == 0xA5)
          st = 1;
        else
          out.push_back(b);
      } else if (st == 1) {
        cnt = b, st = 2;
      } else {
        out.insert(out.end(), cnt, b), st = 0;
      }
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * (1 << 20));
  state.SetLabel(KindName(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_PlainDecodePeer)->DenseRange(0, 3);

// Peer: memcpy of the same megabyte, the ceiling for any byte coder.
void BM_MemcpyPeer(benchmark::State& state) {
  const Bytes data = MakeData(0);
  Bytes out(data.size());
  for (auto _ : state) {
    std::memcpy(out.data(), data.data(), data.size());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * (1 << 20));
}
BENCHMARK(BM_MemcpyPeer);

// CountTrueBits on a million-bit field, half set, beside a plain GetBit loop.
krv::TBitFld& MillionBits() {
  static krv::TBitFld* f = [] {
    auto* b = new krv::TBitFld;
    b->SetSize(999999);
    krv::RandSeed = 17;
    b->RandomFill(50.0);
    return b;
  }();
  return *f;
}

void BM_CountTrueBits(benchmark::State& state) {
  const krv::TBitFld& f = MillionBits();
  for (auto _ : state) benchmark::DoNotOptimize(f.CountTrueBits());
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 1000000);
}
BENCHMARK(BM_CountTrueBits);

void BM_CountTrueBitsPlainLoop(benchmark::State& state) {
  const krv::TBitFld& f = MillionBits();
  for (auto _ : state) {
    std::int32_t n = 0;
    for (std::int32_t i = 0; i <= f.Size(); ++i) n += f.GetBit(i) ? 1 : 0;
    benchmark::DoNotOptimize(n);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 1000000);
}
BENCHMARK(BM_CountTrueBitsPlainLoop);

// The same count through the 256-entry byte table alone.
void BM_CountTrueBitsByteTable(benchmark::State& state) {
  const krv::TBitFld& f = MillionBits();
  for (auto _ : state) {
    std::int32_t n = 0;
    const auto& s = f.Storage();
    for (std::size_t i = 0; i + 1 < s.size(); ++i) n += krv::BitsInByte(s[i]);
    benchmark::DoNotOptimize(n);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 1000000);
}
BENCHMARK(BM_CountTrueBitsByteTable);

}  // namespace

BENCHMARK_MAIN();
