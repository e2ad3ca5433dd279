// Benchmarks of the run-length coder, the bit field count and the feature-matrix file, each
// beside a plain peer doing the same work in the same run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "korvex/dstruct/bitfld.h"
#include "korvex/dstruct/featmat.h"
#include "korvex/dstruct/rle.h"
#include "korvex/platform/random.h"
#include "korvex/platform/text.h"
#include "scratch.h"

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

// ---- Feature-matrix file: 100,000 objects x 10 features ------------------------------------

// A file in the temporary folder, removed when the program exits.
std::string BenchPath(const char* name) {
  std::string path = (std::filesystem::temp_directory_path() / name).string();
  krv::bench::RemoveAtExit(path);
  return path;
}

// Integer, double, tri-state and string features, every value filled.
krv::TFeatureMatrix& BigMatrix() {
  static krv::TFeatureMatrix* m = [] {
    auto* fm = new krv::TFeatureMatrix;
    fm->Resize(10, 100000);
    krv::RandSeed = 99;
    const krv::TFeatKind kinds[] = {krv::fkInteger, krv::fkDouble,   krv::fkDouble, krv::fkInteger,
                                    krv::fkString,  krv::fkTriState, krv::fkDouble, krv::fkString,
                                    krv::fkInteger, krv::fkDouble};
    for (int f = 1; f <= 10; ++f) {
      krv::TFeatProps p;
      p.FeatNum = f;
      p.FeatName = "feature" + std::to_string(f);
      p.FeatKind = kinds[f - 1];
      fm->SetFeatProps(f, p);
      for (int o = 1; o <= 100000; ++o) {
        switch (p.FeatKind) {
          case krv::fkInteger:
            fm->SetFeatValint(f, o, krv::Random(1000000));
            break;
          case krv::fkDouble:
            fm->SetFeatValDouble(f, o, krv::Random() * 1000);
            break;
          case krv::fkTriState:
            fm->SetFeatValTriState(f, o, static_cast<krv::TTriState>(krv::Random(3)));
            break;
          default:
            fm->SetFeatValStr(f, o, u"sample text " + krv::FeatIntToStr(o));
            break;
        }
      }
    }
    return fm;
  }();
  return *m;
}

std::int64_t FileSize(const std::string& name) {
  return static_cast<std::int64_t>(std::filesystem::file_size(name));
}

void BM_FeatMatSave(benchmark::State& state) {
  const krv::TFeatureMatrix& m = BigMatrix();
  const std::string name = BenchPath("korvex_bench_featmat.txt");
  for (auto _ : state) m.Save(krv::ToUtf16(name));
  state.SetBytesProcessed(state.iterations() * FileSize(name));
}
BENCHMARK(BM_FeatMatSave)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FeatMatLoad(benchmark::State& state) {
  const std::string name = BenchPath("korvex_bench_featmat.txt");
  BigMatrix().Save(krv::ToUtf16(name));
  krv::TFeatureMatrix m;
  for (auto _ : state) {
    if (m.Load(krv::ToUtf16(name)) != 0) state.SkipWithError("load failed");
  }
  state.SetBytesProcessed(state.iterations() * FileSize(name));
}
BENCHMARK(BM_FeatMatLoad)->Unit(benchmark::kMillisecond)->UseRealTime();

// Peer: the same value lines written with std::ofstream from std::string cells.
void BM_PlainStreamSavePeer(benchmark::State& state) {
  const krv::TFeatureMatrix& m = BigMatrix();
  std::vector<std::vector<std::string>> cells(10);
  for (int f = 1; f <= 10; ++f)
    for (int o = 1; o <= 100000; ++o) cells[f - 1].push_back(krv::ToUtf8(m.GetFeatValStr(f, o)));
  const std::string name = BenchPath("korvex_bench_peer.txt");
  for (auto _ : state) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << "#featvals 10 100000\r\n";
    for (int o = 1; o <= 100000; ++o)
      for (int f = 1; f <= 10; ++f) out << f << ' ' << o << ' ' << cells[f - 1][o - 1] << "\r\n";
    out << "#featend\r\n";
  }
  state.SetBytesProcessed(state.iterations() * FileSize(name));
}
BENCHMARK(BM_PlainStreamSavePeer)->Unit(benchmark::kMillisecond)->UseRealTime();

// Peer: the same file read with std::getline, indexes by strtol, values into std::string.
void BM_PlainStreamLoadPeer(benchmark::State& state) {
  const std::string name = BenchPath("korvex_bench_featmat.txt");
  BigMatrix().Save(krv::ToUtf16(name));
  for (auto _ : state) {
    std::vector<std::vector<std::string>> cells(10, std::vector<std::string>(100000));
    std::ifstream in(name, std::ios::binary);
    std::string line;
    bool values = false;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty()) continue;
      if (line[0] == '#') {
        if (values) break;
        values = line.compare(0, 9, "#featvals") == 0;
        continue;
      }
      if (!values) continue;
      char* end = nullptr;
      const long f = std::strtol(line.c_str(), &end, 10);
      const long o = std::strtol(end, &end, 10);
      if (f >= 1 && f <= 10 && o >= 1 && o <= 100000) cells[f - 1][o - 1].assign(end + 1);
    }
    benchmark::DoNotOptimize(cells.data());
  }
  state.SetBytesProcessed(state.iterations() * FileSize(name));
}
BENCHMARK(BM_PlainStreamLoadPeer)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
