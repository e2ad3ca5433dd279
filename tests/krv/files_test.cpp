// krv files: count, list, copy, deltree and trash on real temporary trees.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include "filesys/hostile_names_test.h"
#include "test_support/jail.h"
#endif
#include "test_support/run_krv.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

namespace fs = std::filesystem;
using testing::KrvRun;
using testing::RunKrv;
using testing::TempDir;

void MakeTree(const TempDir& dir) {
  fs::create_directories(dir.File("Top/Sub"));
  for (const char* f : {"Top/a.TXT", "Top/b.txt", "Top/noext", "Top/.h.txt", "Top/Sub/c.txt"})
    dir.Write(f, std::string("contents of ") + f);
}

// The directory as a Windows name on drive C: (mapped to / on POSIX systems).
std::string WinName(const TempDir& dir, std::string rest) {
  std::string p = (dir.Path().has_root_name() ? "" : "C:") + dir.Path().string() + "/" + rest;
  std::replace(p.begin(), p.end(), '/', '\\');
  return p;
}

std::vector<std::string> SortedLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  return lines;
}

TEST(KrvFiles, CountListDelTreeTrash) {
  const TempDir dir("krv_files");
  MakeTree(dir);
  const std::string win = WinName(dir, "TOP\\*.TXT");
  struct Case {
    std::string args;
    int status;
    std::string out, err;
    bool posix_only = false;  // names that differ by case are one name on Windows
  };
  const Case cases[] = {
      // Native names: exact case, the mask's letters too unless -i.
      {"files count 'Top/*.txt'", 0, "2\n", "", true},  // b.txt, .h.txt
      {"files count -i 'Top/*.txt'", 0, "3\n", ""},
      {"files count -r 'Top/*.*'", 0, "5\n", ""},
      {"files count --recursive 'top/*.TXT'", 2, "",
       "krv files: top/*.TXT: No such file or directory\n", true},
      {"files count 'Top/*.'", 0, "1\n", ""},
      {"files count 'Top/*.none'", 1, "0\n", ""},
      {"files count 'Top/Sub/x/*'", 2, "", "krv files: Top/Sub/x/*: No such file or directory\n"},
      {"files list 'Top/Sub/*'", 0, "Top/Sub/c.txt\n", ""},
      {"files list 'Top/*.none'", 1, "", ""},
      // Windows names on request: any case, drive C:.
      {"files count --windows-names --recursive 'top/*.TXT'", 0, "4\n", ""},
      {"files count --windows-names \"" + win + "\"", 0, "3\n", ""},
      {"files deltree Top/Sub/c.txt", 2, "", "krv files: Top/Sub/c.txt: Not a directory\n"},
      {"files deltree nothing", 2, "", "krv files: nothing: No such file or directory\n"},
      {"files trash 'Top/*.none'", 1, "", "krv files: Top/*.none: no files match\n"},
      {"files", 2, "",
       "krv files: no mode given (choose count, list, copy, deltree or trash)\n"
       "Try 'krv files --help'.\n"},
      {"files copy Top", 2, "",
       "krv files copy: missing DEST operand after 'Top'\nTry 'krv files copy --help'.\n"},
  };
  for (const Case& c : cases) {
#ifdef _WIN32
    if (c.posix_only) continue;
#endif
    const KrvRun r = RunKrv(dir, c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_EQ(r.out, c.out) << c.args;
    EXPECT_EQ(r.err.substr(0, c.err.size()), c.err) << c.args;
  }
}

// Every listed name starts with the mask's directory as it is written, relative or absolute,
// as find prints them; Windows names give their folders as stored, with '/'.
TEST(KrvFiles, ListedNamesFollowTheMask) {
  const TempDir dir("krv_files_names");
  MakeTree(dir);
  const std::string top = dir.Path().string() + "/Top/";
  const std::vector<std::string> all = {"Top/.h.txt", "Top/Sub/c.txt", "Top/a.TXT", "Top/b.txt"};
  struct Case {
    std::string args;
    std::vector<std::string> names;  // sorted
    bool posix_only = false;
  };
  const Case cases[] = {
      {"files list -r -i 'Top/*.TXT'", all},
      {"files list -r -i '*.txt'", all},  // the current folder: names relative to it
      {"files list -r -i './Top/*.txt'",
       {"./Top/.h.txt", "./Top/Sub/c.txt", "./Top/a.TXT", "./Top/b.txt"}},
      {"files list -r -i '" + top + "*.txt'",
       {top + ".h.txt", top + "Sub/c.txt", top + "a.TXT", top + "b.txt"}},
      {"files list -r --windows-names 'top/*.txt'", all, true},
      {"files list -r --windows-names 'TOP\\*.TXT'", all, true},
      {"files list -r --windows-names '*.txt'", all},
      {"files list --windows-names 'top\\SUB\\*'", {"Top/Sub/c.txt"}, true},
      // On Windows the names are native ones: the folder stays as written, as dir /s /b
      // shows it; elsewhere it is spelled as stored.
      {"files list -r --windows-names \"" + WinName(dir, "TOP\\*.TXT") + "\"",
       {top + ".h.txt", top + "Sub/c.txt", top + "a.TXT", top + "b.txt"},
       true},
      // A folder after "..": no relative spelling is plainer than the absolute one.
      {"files list --windows-names 'top/../Top/Sub/*'", {top + "Sub/c.txt"}, true},
  };
  for (const Case& c : cases) {
#ifdef _WIN32
    if (c.posix_only) continue;
#endif
    const KrvRun r = RunKrv(dir, c.args);
    EXPECT_EQ(r.status, 0) << c.args << "\n" << r.err;
    EXPECT_EQ(SortedLines(r.out), c.names) << c.args << "\n" << r.out;
  }
}

// A DEST ending in '/' names a folder, as it does to cp: into it when it exists, an error
// (and no file made) when it does not.
TEST(KrvFiles, CopyToANameEndingInASeparator) {
  const TempDir dir("krv_files_slash");
  MakeTree(dir);
  fs::create_directories(dir.File("Into"));
#ifndef _WIN32
  // Beside the tree: a copy that resolved a name outside the folder would reach these.
  const testing::Decoy decoy(dir.Path().parent_path() / (dir.Path().filename().string() + "-decoy"),
                             2);
#endif
  struct Case {
    std::string args;
    int status;
    std::string err;
    std::string made;  // the file the copy makes, or ""
  };
  const Case cases[] = {
      {"files copy Top/a.TXT new/", 2,
       "krv files: cannot create regular file 'new/': Not a directory\n", ""},
      {"files copy --windows-names Top/a.TXT new/", 2,
       "krv files: cannot create regular file 'new/': Not a directory\n", ""},
      {"files copy --windows-names Top/a.TXT 'new\\'", 2,
       "krv files: cannot create regular file 'new\\': Not a directory\n", ""},
      {"files copy Top/a.TXT Top/b.txt/", 2,
       "krv files: cannot create regular file 'Top/b.txt/': Not a directory\n", ""},
      {"files copy Top/a.TXT Into/", 0, "", "Into/a.TXT"},
      {"files copy Top/b.txt Into", 0, "", "Into/b.txt"},
#ifndef _WIN32
      {"files copy 'Top/Sub/c.txt' 'new\\'", 0, "", "new\\"},  // '\' is an ordinary character
#endif
  };
  for (const Case& c : cases) {
    const KrvRun r = RunKrv(dir, c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_EQ(r.err, c.err) << c.args;
    if (!c.made.empty()) {
      EXPECT_TRUE(fs::is_regular_file(dir.File(c.made))) << c.args;
    }
  }
#ifndef _WIN32
  decoy.ExpectUntouched();
  fs::remove_all(decoy.Path());
#endif
  EXPECT_FALSE(fs::exists(dir.File("new")));
  EXPECT_EQ(dir.Read("Top/b.txt"), "contents of Top/b.txt");
}

TEST(KrvFiles, DelTreeAndTrash) {
  const TempDir dir("krv_files_del");
  MakeTree(dir);
  fs::permissions(dir.File("Top/Sub/c.txt"), fs::perms::owner_read);
  KrvRun r = RunKrv(dir, "files deltree Top");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "krv files: Top/Sub/c.txt: read-only file; the deletion stopped here\n");
  fs::permissions(dir.File("Top/Sub/c.txt"), fs::perms::owner_all);
  MakeTree(dir);
#ifndef _WIN32  // the Recycle Bin of Windows cannot be moved into a test folder
  {
    const testing::ScopedEnv xdg("XDG_DATA_HOME", dir.File("xdg").string());
    r = RunKrv(dir, "files trash -i 'Top/*.txt'");
  }
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(dir.File("xdg/Trash/files/a.TXT")));
  EXPECT_TRUE(fs::exists(dir.File("xdg/Trash/info/b.txt.trashinfo")));
  EXPECT_TRUE(fs::exists(dir.File("Top/.h.txt")));
#endif
  r = RunKrv(dir, "files deltree --windows-names \"" + WinName(dir, "TOP") + "\"");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(fs::exists(dir.File("Top")));
}

// Each operand names exactly what it says; the roots, "." and "..", and the folders above the
// current one are refused. Nothing beside the sandbox may change.
TEST(KrvFiles, DelTreeRefusesAndTakesNamesAsTheyAre) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX names: \"c:\" and names differing only in case";
#endif
  const TempDir dir("krv_files_refuse");
  dir.Write("decoy", "keep");
  const fs::path w = dir.File("w1/w2");
  fs::create_directories(w / "c:" / "in");
  fs::create_directories(w / "Build");
  struct Case {
    std::string args;
    int status;
    std::string err;
  };
  const std::string parent = dir.File("w1").string();
  const Case cases[] = {
      {"files deltree build", 2, "krv files: build: No such file or directory\n"},
      {"files deltree .", 2, "krv files: .: refusing to delete '.'\n"},
      {"files deltree ..", 2, "krv files: ..: refusing to delete '..'\n"},
      {"files deltree ./", 2, "krv files: ./: refusing to delete '.'\n"},
      {"files deltree '" + parent + "'", 2,
       "krv files: " + parent + ": refusing to delete a folder that holds the current folder\n"},
      {"files deltree c:", 0, ""},  // the folder called c:
  };
  for (const Case& c : cases) {
    std::optional<testing::KrvCommand> command = testing::ParseKrvCommand(c.args);
    ASSERT_TRUE(command);
    command->args.insert(command->args.begin(), testing::KrvPath());
    command->options.dir = w;
    const KrvRun run = testing::RunProcess(command->args, command->options);
    EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.err;
    EXPECT_EQ(run.err, c.err) << c.args;
  }
  EXPECT_FALSE(fs::exists(w / "c:"));
  EXPECT_TRUE(fs::exists(w / "Build"));
  EXPECT_EQ(dir.Read("decoy"), "keep");
#ifndef _WIN32
  // The root itself, and drive C: (the root) read as a Windows name, only in a jail: there
  // "c:" names no folder and so is drive C:.
  const fs::path jail = dir.File("jail");
  fs::create_directories(jail);
  testing::PutFile(jail / "keep", "jail");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"files", "deltree", "/"},
        std::vector<std::string>{"files", "deltree", "--windows-names", "C:\\"},
        std::vector<std::string>{"files", "deltree", "--windows-names", "c:/"},
        std::vector<std::string>{"files", "deltree", "--windows-names", "c:"}}) {
    const KrvRun r = testing::RunKrvInJail(jail, "/work", args);
    if (r.status == 77) GTEST_SKIP() << "no jail here (needs root and a native krv)";
    EXPECT_EQ(r.status, 2) << args.back();
    EXPECT_NE(r.err.find(": refusing to delete the root of"), std::string::npos) << r.err;
    EXPECT_EQ(dir.Read("jail/keep"), "jail");
  }
#endif
}

TEST(KrvFiles, CopyFilesAndTrees) {
  const TempDir dir("krv_files_copy");
  MakeTree(dir);
  KrvRun r = RunKrv(dir, "files copy Top/a.TXT one.txt");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.Read("one.txt"), "contents of Top/a.TXT");
  r = RunKrv(dir, "files copy --windows-names Top/a.TXT top/A.txt");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "krv files: Top/a.TXT and top/A.txt are the same file\n");
  r = RunKrv(dir, "files copy Top Copy/of/top");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.Read("Copy/of/top/Sub/c.txt"), "contents of Top/Sub/c.txt");
  EXPECT_EQ(dir.Read("Copy/of/top/.h.txt"), "contents of Top/.h.txt");
  // A file that cannot be copied is named with cp's words (as root, make the copy fail by a
  // directory standing where the file should go).
  fs::create_directories(dir.File("Copy2/b.txt/b.txt"));
  r = RunKrv(dir, "files copy Top Copy2");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.rfind("krv files: cannot create regular file 'Copy2/b.txt': ", 0), 0u) << r.err;
  r = RunKrv(dir, "files copy --windows-names Top top/");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "krv files: Top and top/ are the same file\n");
  r = RunKrv(dir, "files copy Top .");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "krv files: .: refusing to copy into '.'\n");
#ifndef _WIN32
  // Names that differ only in case are all copied.
  fs::create_directories(dir.File("cases"));
  for (const char* f : {"A", "a", "Ab", "aB"}) dir.Write(std::string("cases/") + f, f);
  r = RunKrv(dir, "files copy cases cases2");
  EXPECT_EQ(r.status, 0) << r.err;
  for (const char* f : {"A", "a", "Ab", "aB"}) EXPECT_EQ(dir.Read(std::string("cases2/") + f), f);
  // A link as DEST is written through, as cp does, a dangling one included.
  fs::create_symlink("real.txt", dir.File("link"));
  fs::create_symlink("made.txt", dir.File("dangling"));
  for (const char* dest : {"link", "dangling"}) {
    r = RunKrv(dir, std::string("files copy Top/b.txt ") + dest);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(dir.File(dest))) << dest;
  }
  EXPECT_EQ(dir.Read("real.txt"), "contents of Top/b.txt");
  EXPECT_EQ(dir.Read("made.txt"), "contents of Top/b.txt");
#endif
}

// On a terminal, a progress line; Ctrl-C stops the copy, exits with 130 and leaves an
// existing destination as it was, with no temporary file behind.
TEST(KrvFiles, ProgressAndInterrupt) {
  // script(1) gives the tool a pseudo-terminal and timeout(1) sends the Ctrl-C: neither exists
  // on Windows.
  const std::optional<fs::path> script = testing::FindProgram("script");
  if (!script || !testing::FindProgram("timeout"))
    GTEST_SKIP() << "script or timeout is absent: no terminal to show progress and interrupt on";
  const TempDir dir("krv_files_int");
  dir.Write("big", "");
  fs::resize_file(dir.File("big"), std::uintmax_t{8} << 30);  // sparse; the copy is not
  dir.Write("out", "old");
  const std::string command =
      "timeout -s INT --preserve-status 1.5 '" + testing::KrvPath() + "' files copy big out";
  const KrvRun r = testing::RunProcess({script->string(), "-qec", command, "/dev/null"},
                                       testing::InDir(dir.Path()));
  EXPECT_EQ(r.status, 130) << r.out;
  EXPECT_NE(r.out.find("\rkrv files copy: big  "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(" left\033[K"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("krv files: interrupted; out was not written"), std::string::npos) << r.out;
  EXPECT_EQ(dir.Read("out"), "old");
  for (const auto& entry : fs::directory_iterator(dir.Path()))
    EXPECT_EQ(entry.path().filename().string().find(".krv-"), std::string::npos) << entry.path();
}

}  // namespace
}  // namespace krv
