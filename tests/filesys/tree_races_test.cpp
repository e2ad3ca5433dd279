// The tree walks while another thread keeps swapping a folder of the tree for a symbolic link to
// a decoy folder holding the same names: the delete never deletes a decoy file, the copy never
// reads a decoy byte, the scan never lists a decoy name.
#ifdef _WIN32
#include <gtest/gtest.h>

TEST(TreeRaces, PosixOnly) {
  GTEST_SKIP() << "the swaps use POSIX symbolic links and renames";
}
#else
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "hostile_names_test.h"
#include "korvex/filesys/copying.h"
#include "korvex/filesys/scanning.h"
#include "korvex/filesys/trees.h"
#include "korvex/platform/text.h"

namespace krv {
namespace {

namespace fs = std::filesystem;
using testing::Decoy;
using testing::PutFile;
using testing::TempDir;
constexpr auto V = testing::Verbatim;

// Swaps `dir` for a link to `target` and back, as fast as it can, until destroyed.
class Swapper {
 public:
  Swapper(fs::path dir, fs::path target)
      : dir_(std::move(dir)),
        moved_(dir_.string() + ".moved"),
        target_(std::move(target)),
        thread_([this] { Run(); }) {}
  ~Swapper() {
    stop_ = true;
    thread_.join();
  }
  int Swaps() const { return swaps_; }

 private:
  void Run() {
    while (!stop_) {
      if (::rename(dir_.c_str(), moved_.c_str()) != 0) {
        std::this_thread::yield();
        continue;
      }
      if (::symlink(target_.c_str(), dir_.c_str()) == 0) {
        ++swaps_;
        std::this_thread::sleep_for(std::chrono::microseconds(20));
        ::unlink(dir_.c_str());
      }
      ::rename(moved_.c_str(), dir_.c_str());
      std::this_thread::sleep_for(std::chrono::microseconds(20));
    }
  }
  const fs::path dir_, moved_, target_;
  std::atomic<bool> stop_{false};
  std::atomic<int> swaps_{0};
  std::thread thread_;
};

// A tree of `folders` folders of `files` files each; the same names as a Decoy's.
void MakeTree(const fs::path& root, int folders, int files) {
  for (int d = 0; d < folders; ++d) {
    const fs::path dir = root / ("sub" + std::to_string(d));
    fs::create_directories(dir);
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < files; ++i) {
      const int fd = ::openat(dfd, ("f" + std::to_string(i)).c_str(), O_WRONLY | O_CREAT, 0644);
      ASSERT_EQ(::write(fd, "tree", 4), 4);
      ::close(fd);
    }
    ::close(dfd);
  }
}

TEST(TreeRaces, DeletingNeverFollowsASwappedFolder) {
  const TempDir box("race_delete", testing::FastTempBase());
  const Decoy decoy(box.File("decoy"), 500);
  int swaps = 0;
  const int runs =
      std::getenv("KORVEX_RACE_RUNS") ? std::atoi(std::getenv("KORVEX_RACE_RUNS")) : 200;
  for (int run = 0; run < runs; ++run) {
    MakeTree(box.File("t"), 20, 500);
    {
      const Swapper swapper(box.File("t/sub7"), decoy.Path());
      DelDirTree(V(box.File("t")));
      swaps += swapper.Swaps();
    }
    ASSERT_EQ(decoy.Count(), 500u) << "run " << run;
    std::error_code ec;
    fs::remove_all(box.File("t"), ec);  // what a swap made the walk stop at
    fs::remove_all(box.File("t/sub7.moved"), ec);
  }
  decoy.ExpectUntouched();
  EXPECT_GT(swaps, 0);
}

TEST(TreeRaces, CopyingAndScanningNeverReadASwappedFolder) {
  const TempDir box("race_copy", testing::FastTempBase());
  const Decoy decoy(box.File("decoy"), 201, "secret");  // secret200 is the decoy's alone
  MakeTree(box.File("src"), 4, 200);
  for (int i = 0; i < 200; ++i) {
    fs::rename(box.File("src/sub2/f" + std::to_string(i)),
               box.File("src/sub2/secret" + std::to_string(i)));
  }
  for (int run = 0; run < 50; ++run) {
    const Swapper swapper(box.File("src/sub2"), decoy.Path());
    CopyFileTree(V(box.File("src")), V(box.File("dst")), false);
    bool leaked = false;
    ScanStoredNames(V(box.File("src")) + u"/", u"*", true, true, [&](const String& path) {
      leaked |= path.size() >= 9 && path.substr(path.size() - 9) == u"secret200";
    });
    for (const auto& e : fs::recursive_directory_iterator(box.File("dst"))) {
      if (!e.is_regular_file() || e.is_symlink()) continue;
      std::string bytes(16, '\0');
      const int fd = ::open(e.path().c_str(), O_RDONLY);
      bytes.resize(fd < 0 ? 0 : std::max<ssize_t>(0, ::read(fd, bytes.data(), bytes.size())));
      if (fd >= 0) ::close(fd);
      leaked |= bytes.rfind(Decoy::Marker(), 0) == 0;
    }
    ASSERT_FALSE(leaked) << "run " << run;
    std::error_code ec;
    fs::remove_all(box.File("dst"), ec);
  }
  decoy.ExpectUntouched();
}

}  // namespace
}  // namespace krv
#endif  // _WIN32
