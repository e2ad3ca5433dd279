// CRC-32, CRC-16, SHA-1 and ASCII85 (the library's form and Adobe's) on 1 MiB and 64-byte
// buffers, beside zlib's crc32 and OpenSSL's SHA-1 in the same run. The /path arguments name
// the forced code path: 0 best, 1 without 512-bit vectors, 2 portable.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "../src/dstruct/internal/checksum_dispatch.h"
#include "korvex/dstruct/ascii85.h"
#include "korvex/dstruct/crc.h"
#include "korvex/dstruct/sha1.h"

#ifdef KORVEX_HAVE_ZLIB
#include <zlib.h>
#endif
#ifdef KORVEX_HAVE_OPENSSL
#include <openssl/sha.h>
#endif

namespace {

using krv::detail::ChecksumPath;

const std::vector<krv::Byte>& Data() {
  static const std::vector<krv::Byte> data = [] {
    std::mt19937 gen(42);
    std::vector<krv::Byte> d((1 << 20) + 64);
    for (auto& b : d) b = static_cast<krv::Byte>(gen());
    return d;
  }();
  return data;
}

void SetPath(benchmark::State& state, int arg) {
  const auto path = static_cast<ChecksumPath>(state.range(arg));
  krv::detail::SetChecksumPath(path);
  const char* names[] = {"best", "no-512", "portable"};
  state.SetLabel(names[static_cast<int>(path)]);
}

void BM_Crc32_Korvex(benchmark::State& state) {
  SetPath(state, 1);
  const auto n = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(krv::UpdateCRC32(0xFFFFFFFFu, Data().data(), n));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n));
  krv::detail::SetChecksumPath(ChecksumPath::kBest);
}
BENCHMARK(BM_Crc32_Korvex)->ArgsProduct({{64, 1 << 20}, {0, 1, 2}});

#ifdef KORVEX_HAVE_ZLIB
void BM_Crc32_Zlib(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(crc32(0, Data().data(), static_cast<uInt>(n)));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n));
}
BENCHMARK(BM_Crc32_Zlib)->Arg(64)->Arg(1 << 20);
#endif

void BM_Crc16_Korvex(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(krv::UpdateCRC16(0xFFFF, Data().data(), n));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n));
}
BENCHMARK(BM_Crc16_Korvex)->Arg(64)->Arg(1 << 20);

void BM_Sha1_Korvex(benchmark::State& state) {
  SetPath(state, 1);
  const auto n = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    krv::TSHA1Context ctx;
    ctx.Update(Data().data(), n);
    benchmark::DoNotOptimize(ctx.Final());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n));
  krv::detail::SetChecksumPath(ChecksumPath::kBest);
}
BENCHMARK(BM_Sha1_Korvex)->ArgsProduct({{64, 1 << 20}, {0, 2}});

#ifdef KORVEX_HAVE_OPENSSL
void BM_Sha1_OpenSsl(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  unsigned char digest[SHA_DIGEST_LENGTH];
  for (auto _ : state) {
    SHA1(Data().data(), n, digest);
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n));
}
BENCHMARK(BM_Sha1_OpenSsl)->Arg(64)->Arg(1 << 20);
#endif

// Both ASCII85 forms: the library's own and Adobe's, its text broken into lines of 76.
struct Ascii85Form {
  void (*encode)(krv::TStream& in, krv::TStream& out);
  int (*decode)(krv::TStream& in, krv::TStream& out);
};
const Ascii85Form kLibraryForm{
    [](krv::TStream& in, krv::TStream& out) { krv::EncodeASCII85(in, out); },
    [](krv::TStream& in, krv::TStream& out) {
      return static_cast<int>(krv::DecodeASCII85(in, out));
    }};
const Ascii85Form kAdobeForm{
    [](krv::TStream& in, krv::TStream& out) { krv::EncodeASCII85Adobe(in, out, 76); },
    [](krv::TStream& in, krv::TStream& out) {
      return static_cast<int>(krv::DecodeASCII85Adobe(in, out).fault);
    }};

// Bytes processed are the binary bytes for both directions.
void BM_Ascii85_Encode(benchmark::State& state, const Ascii85Form& form) {
  const auto n = static_cast<std::size_t>(state.range(0));
  krv::TMemoryStream in, out;
  in.WriteBuffer(Data().data(), n);
  for (auto _ : state) {
    in.SetPosition(0);
    out.SetPosition(0);
    form.encode(in, out);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n));
}
BENCHMARK_CAPTURE(BM_Ascii85_Encode, library, kLibraryForm)->Arg(64)->Arg(1 << 20);
BENCHMARK_CAPTURE(BM_Ascii85_Encode, adobe, kAdobeForm)->Arg(64)->Arg(1 << 20);

void BM_Ascii85_Decode(benchmark::State& state, const Ascii85Form& form) {
  const auto n = static_cast<std::size_t>(state.range(0));
  krv::TMemoryStream bytes, text, out;
  bytes.WriteBuffer(Data().data(), n);
  bytes.SetPosition(0);
  form.encode(bytes, text);
  for (auto _ : state) {
    text.SetPosition(0);
    out.SetPosition(0);
    benchmark::DoNotOptimize(form.decode(text, out));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n));
  state.counters["text_bytes_per_second"] = benchmark::Counter(
      static_cast<double>(state.iterations() * static_cast<std::size_t>(text.Size())),
      benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(BM_Ascii85_Decode, library, kLibraryForm)->Arg(64)->Arg(1 << 20);
BENCHMARK_CAPTURE(BM_Ascii85_Decode, adobe, kAdobeForm)->Arg(64)->Arg(1 << 20);

}  // namespace

BENCHMARK_MAIN();
