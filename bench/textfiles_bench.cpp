// Line counting of a 100 MiB text file beside `wc -l`, measured in the same run:
//   CountLinesInTextFile (block-wise count)  vs  wc -l (run as a process, wall time)
//   and, for scale, the same count by TextFile::ReadLn, one line at a time.
// The file has CR LF lines of 0 to 119 characters and is made once per run, then read from
// the page cache by every case.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "korvex/filesys/textfiles.h"
#include "korvex/platform/text.h"
#include "korvex/platform/textfile.h"

namespace {

constexpr std::size_t kFileBytes = 100u << 20;

std::string FilePath() {
  return (std::filesystem::temp_directory_path() / "korvex_textfiles_bench.txt").string();
}

const std::string& TextFilePath() {
  static const std::string path = [] {
    const std::string p = FilePath();
    std::ofstream out(p, std::ios::binary);
    std::string line;
    std::size_t written = 0;
    for (std::size_t i = 0; written < kFileBytes; ++i) {
      line.assign((i * 7919) % 120, static_cast<char>('a' + i % 26));
      line += "\r\n";
      out.write(line.data(), static_cast<std::streamsize>(line.size()));
      written += line.size();
    }
    return p;
  }();
  return path;
}

void SetBytes(benchmark::State& state) {
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(std::filesystem::file_size(TextFilePath())));
}

void BM_CountLinesInTextFile(benchmark::State& state) {
  const krv::String name = krv::ToUtf16(TextFilePath());
  for (auto _ : state) benchmark::DoNotOptimize(krv::CountLinesInTextFile(name));
  SetBytes(state);
}
BENCHMARK(BM_CountLinesInTextFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Peer_WcL(benchmark::State& state) {
  const std::string cmd = "wc -l < '" + TextFilePath() + "' > /dev/null";
  for (auto _ : state) {
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("wc -l failed");
  }
  SetBytes(state);
}
BENCHMARK(BM_Peer_WcL)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TextFileReadLnCount(benchmark::State& state) {
  const krv::String name = krv::ToUtf16(TextFilePath());
  for (auto _ : state) {
    krv::TextFile f;
    f.Assign(name);
    f.Reset();
    std::int64_t n = 0;
    for (; !f.Eof(); ++n) f.ReadLn();
    benchmark::DoNotOptimize(n);
  }
  SetBytes(state);
}
BENCHMARK(BM_TextFileReadLnCount)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

struct RemoveFile {
  ~RemoveFile() { std::remove(FilePath().c_str()); }
} remove_file;

}  // namespace

BENCHMARK_MAIN();
