// File copying and file counting beside the system tools, in one run:
//   FileCopyFeedBk on a 1 GiB file beside `cp`;
//   CountFiles over a tree of 100,000 files beside `find DIR -type f | wc -l`.
// The data lives under /tmp and is removed at the end. KORVEX_BENCH_COPY_MIB and
// KORVEX_BENCH_TREE_FILES make it smaller for a quick look.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "korvex/filesys/copying.h"
#include "korvex/filesys/scanning.h"
#include "korvex/platform/text.h"

namespace {

namespace fs = std::filesystem;

std::int64_t EnvOr(const char* name, std::int64_t fallback) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != '\0' ? std::atoll(v) : fallback;
}

// The test data: made on first use, removed at exit.
class Data {
 public:
  static Data& Get() {
    static Data data;
    return data;
  }
  const fs::path& Root() const { return root_; }
  fs::path BigFile() {
    if (!big_made_) {
      std::ofstream out(root_ / "big.bin", std::ios::binary);
      std::vector<std::uint64_t> block(1 << 17);  // 1 MiB of varied bytes
      std::uint64_t x = 88172645463325252ull;
      for (std::int64_t mib = 0; mib < copy_mib_; ++mib) {
        for (auto& w : block) {
          x ^= x << 13;
          x ^= x >> 7;
          x ^= x << 17;
          w = x;
        }
        out.write(reinterpret_cast<const char*>(block.data()), 1 << 20);
      }
      big_made_ = true;
    }
    return root_ / "big.bin";
  }
  std::int64_t BigBytes() const { return copy_mib_ << 20; }
  fs::path Tree() {
    if (!tree_made_) {
      const std::int64_t per_dir = 1000;
      for (std::int64_t i = 0; i < tree_files_; ++i) {
        const fs::path d = root_ / "tree" / ("d" + std::to_string(i / per_dir / 10)) /
                           ("e" + std::to_string(i / per_dir));
        if (i % per_dir == 0) fs::create_directories(d);
        std::ofstream(d / ("file" + std::to_string(i) + ".dat")) << 'x';
      }
      tree_made_ = true;
    }
    return root_ / "tree";
  }
  std::int64_t TreeFiles() const { return tree_files_; }

 private:
  Data()
      : root_(fs::path("/tmp") / ("korvex_filesys_bench_" + std::to_string(::getpid()))),
        copy_mib_(EnvOr("KORVEX_BENCH_COPY_MIB", 1024)),
        tree_files_(EnvOr("KORVEX_BENCH_TREE_FILES", 100000)) {
    fs::create_directories(root_);
  }
  ~Data() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  fs::path root_;
  std::int64_t copy_mib_;
  std::int64_t tree_files_;
  bool big_made_ = false;
  bool tree_made_ = false;
};

void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) std::abort();
}

// Both copies start with no dirty pages of the other waiting to be written.
void Settle(benchmark::State& state) {
  state.PauseTiming();
  ::sync();
  state.ResumeTiming();
}

std::int64_t g_calls = 0;
void Feedback(std::int32_t, std::int32_t) {
  ++g_calls;
}

void BM_FileCopyFeedBk(benchmark::State& state) {
  Data& d = Data::Get();
  const krv::String src = krv::ToUtf16(d.BigFile().string());
  const krv::String dst = krv::ToUtf16((d.Root() / "copy_korvex.bin").string());
  for (auto _ : state) {
    Settle(state);
    if (krv::FileCopyFeedBk(src, dst, true, Feedback) != 0) state.SkipWithError("copy failed");
  }
  state.SetBytesProcessed(state.iterations() * d.BigBytes());
  fs::remove(d.Root() / "copy_korvex.bin");
}

void BM_cp(benchmark::State& state) {
  Data& d = Data::Get();
  const std::string cmd =
      "cp '" + d.BigFile().string() + "' '" + (d.Root() / "copy_cp.bin").string() + "'";
  for (auto _ : state) {
    Settle(state);
    Run(cmd);
  }
  state.SetBytesProcessed(state.iterations() * d.BigBytes());
  fs::remove(d.Root() / "copy_cp.bin");
}

void BM_CountFiles(benchmark::State& state) {
  Data& d = Data::Get();
  const krv::String mask = krv::ToUtf16((d.Tree() / "*.*").string());
  for (auto _ : state) {
    if (krv::CountFiles(mask, true) != d.TreeFiles()) state.SkipWithError("wrong count");
  }
  state.SetItemsProcessed(state.iterations() * d.TreeFiles());
}

void BM_find(benchmark::State& state) {
  Data& d = Data::Get();
  const std::string cmd = "find '" + d.Tree().string() + "' -type f | wc -l > /dev/null";
  for (auto _ : state) Run(cmd);
  state.SetItemsProcessed(state.iterations() * d.TreeFiles());
}

BENCHMARK(BM_FileCopyFeedBk)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(BM_cp)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(BM_CountFiles)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_find)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

}  // namespace

BENCHMARK_MAIN();
