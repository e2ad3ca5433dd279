// The Windows-name layer over a directory of 100,000 entries, beside plain POSIX loops:
//   ToNativePath of a name in the wrong case (one directory scan) vs a readdir loop with
//     strcasecmp (what a hand-written case-insensitive lookup costs)
//   ToNativePath of a name in its stored case (one stat)            vs stat
//   FindFirst/FindNext over every entry (name, attributes, size, time) vs readdir alone and
//     readdir + fstatat per entry
//   FindFirst/FindNext with a mask matching nothing (matching comes before any stat)
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "korvex/platform/filesystem.h"
#include "scratch.h"

namespace {

constexpr int kEntries = 100000;

// The directory of kEntries files "File_000000.Dat"..., made once, mapped as Q:, removed at exit.
const std::string& BigDir() {
  static const std::string dir = [] {
    char tmpl[] = "/tmp/korvex_fs_bench_XXXXXX";
    std::string d = ::mkdtemp(tmpl);
    char name[64];
    for (int i = 0; i < kEntries; ++i) {
      std::snprintf(name, sizeof name, "/File_%06d.Dat", i);
      const int fd = ::open((d + name).c_str(), O_WRONLY | O_CREAT, 0644);
      if (fd >= 0) ::close(fd);
    }
    krv::MapDrive(u'Q', d);
    krv::bench::RemoveAtExit(d);
    return d;
  }();
  return dir;
}

void BM_ResolveWrongCase(benchmark::State& state) {
  BigDir();
  for (auto _ : state) benchmark::DoNotOptimize(krv::ToNativePath(u"Q:\\FILE_054321.DAT"));
}
BENCHMARK(BM_ResolveWrongCase)->Unit(benchmark::kMillisecond);

void BM_PeerReaddirStrcasecmp(benchmark::State& state) {
  const std::string& dir = BigDir();
  for (auto _ : state) {
    std::string found;
    DIR* d = ::opendir(dir.c_str());
    while (const dirent* e = ::readdir(d)) {
      if (::strcasecmp(e->d_name, "FILE_054321.DAT") == 0) found = e->d_name;
    }
    ::closedir(d);
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(BM_PeerReaddirStrcasecmp)->Unit(benchmark::kMillisecond);

void BM_ResolveExactCase(benchmark::State& state) {
  BigDir();
  for (auto _ : state) benchmark::DoNotOptimize(krv::ToNativePath(u"Q:\\File_054321.Dat"));
}
BENCHMARK(BM_ResolveExactCase);

void BM_PeerStat(benchmark::State& state) {
  const std::string path = BigDir() + "/File_054321.Dat";
  struct stat st;
  for (auto _ : state) benchmark::DoNotOptimize(::stat(path.c_str(), &st));
}
BENCHMARK(BM_PeerStat);

void BM_FindAll(benchmark::State& state) {
  BigDir();
  for (auto _ : state) {
    krv::TSearchRec rec;
    std::int64_t n = 0;
    for (int r = krv::FindFirst(u"Q:\\*.*", krv::faAnyFile, rec); r == 0; r = krv::FindNext(rec)) {
      n += rec.Size + 1;
    }
    benchmark::DoNotOptimize(n);
  }
}
BENCHMARK(BM_FindAll)->Unit(benchmark::kMillisecond);

void BM_FindMaskMatchingNothing(benchmark::State& state) {
  BigDir();
  for (auto _ : state) {
    krv::TSearchRec rec;
    benchmark::DoNotOptimize(krv::FindFirst(u"Q:\\*.txt", krv::faAnyFile, rec));
  }
}
BENCHMARK(BM_FindMaskMatchingNothing)->Unit(benchmark::kMillisecond);

void BM_PeerReaddir(benchmark::State& state) {
  const std::string& dir = BigDir();
  for (auto _ : state) {
    std::int64_t n = 0;
    DIR* d = ::opendir(dir.c_str());
    while (const dirent* e = ::readdir(d)) n += e->d_name[0];
    ::closedir(d);
    benchmark::DoNotOptimize(n);
  }
}
BENCHMARK(BM_PeerReaddir)->Unit(benchmark::kMillisecond);

void BM_PeerReaddirFstatat(benchmark::State& state) {
  const std::string& dir = BigDir();
  for (auto _ : state) {
    std::int64_t n = 0;
    DIR* d = ::opendir(dir.c_str());
    struct stat st;
    while (const dirent* e = ::readdir(d)) {
      if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) n += st.st_size + 1;
    }
    ::closedir(d);
    benchmark::DoNotOptimize(n);
  }
}
BENCHMARK(BM_PeerReaddirFstatat)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
