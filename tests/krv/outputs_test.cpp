// What krv's -o outputs keep of the file they replace: owner, group, mode and hard links;
// symbolic links; the shell's own redirections (/dev/stdout, /dev/fd/N); closed standard
// streams; no temporary file left behind when a signal ends the tool; and empty names,
// which name no file.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <string>
#include <vector>

#include "test_support/process.h"
#include "test_support/run_krv.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::KrvRun;
using testing::RunKrv;
using testing::TempDir;

namespace fs = std::filesystem;

// An empty name names no file, as coreutils says it ("cat: '': No such file or directory"):
// no command reads standard input or writes standard output for it, and nothing is made.
TEST(KrvOutputs, EmptyNamesNameNoFile) {
  const TempDir dir("krv_outputs_empty");
  const struct {
    const char* args;
    const char* command;  // the command's word, which starts the message
  } cases[] = {
      {"ascii85 encode -o ''", "ascii85"},
      {"ascii85 decode ''", "ascii85"},
      {"ascii85 encode --output '' -", "ascii85"},
      {"rle encode -o ''", "rle"},
      {"rle decode ''", "rle"},
      {"marks -o ''", "marks"},
      {"html fill -o '' -", "html"},
      {"html fill ''", "html"},
      {"html words ''", "html"},
      {"label show ''", "label"},
      {"sys env HOME -o ''", "sys"},
      {"sys dirs --output ''", "sys"},
      {"password -o ''", "password"},
      {"sum ''", "sum"},
      {"text type ''", "text"},
  };
  const std::string reason = ": '': No such file or directory\n";
  for (const auto& c : cases) {
    const KrvRun r = RunKrv(dir, c.args, "+B>H~>");
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_EQ(r.out, "") << c.args;
    EXPECT_EQ(r.err.rfind(std::string("krv ") + c.command, 0), 0u) << c.args << "\n" << r.err;
    EXPECT_TRUE(r.err.size() > reason.size() &&
                r.err.compare(r.err.size() - reason.size(), reason.size(), reason) == 0 &&
                r.err.find('\n') == r.err.size() - 1)
        << c.args << "\n"
        << r.err;
  }
  EXPECT_TRUE(fs::is_empty(dir.Path()));
}

#ifndef _WIN32

// Runs a shell script in dir with "$0" standing for krv.
KrvRun RunShell(const TempDir& dir, const std::string& script) {
  return testing::RunProcess({"sh", "-c", script, testing::KrvPath()}, testing::InDir(dir.Path()));
}

// The temporary files krv left anywhere below dir.
std::vector<std::string> LeftTemps(const TempDir& dir) {
  std::vector<std::string> left;
  for (const auto& entry : fs::recursive_directory_iterator(dir.Path()))
    if (entry.path().filename().string().find(".krv-") != std::string::npos)
      left.push_back(entry.path().string());
  return left;
}

// One password line, as `krv password` writes it.
bool IsPasswordLine(const std::string& text) {
  return text.size() > 1 && text.back() == '\n' && text.find('\n') == text.size() - 1;
}

struct stat StatOf(const TempDir& dir, const char* name) {
  struct stat st {};
  EXPECT_EQ(::lstat(dir.File(name).c_str(), &st), 0) << name;
  return st;
}

TEST(KrvOutputs, KeepOwnerGroupModeAndLinks) {
  if (!testing::RunsAsRoot()) GTEST_SKIP() << "giving a file to another user needs root";
  const TempDir dir("krv_outputs_owner");
  struct Case {
    bool second_link;
    mode_t mode;
    const char* args;
    int status;
  };
  const Case cases[] = {
      {true, 0640, "password -o f", 0},       // rewritten in place: both names see it
      {false, 04751, "password -o f", 0},     // replaced by a file with the same identity
      {true, 0600, "password -c 0 -o f", 2},  // a failure leaves it as it was
  };
  for (const Case& c : cases) {
    fs::remove(dir.File("f"));
    fs::remove(dir.File("g"));
    dir.Write("f", "old\n");
    if (c.second_link) {
      ASSERT_EQ(::link(dir.File("f").c_str(), dir.File("g").c_str()), 0);
    }
    ASSERT_EQ(::chown(dir.File("f").c_str(), 1234, 1234), 0);
    ASSERT_EQ(::chmod(dir.File("f").c_str(), c.mode), 0);
    const struct stat before = StatOf(dir, "f");

    const KrvRun r = RunKrv(dir, c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    const struct stat after = StatOf(dir, "f");
    EXPECT_EQ(after.st_uid, 1234u) << c.args;
    EXPECT_EQ(after.st_gid, 1234u) << c.args;
    EXPECT_EQ(after.st_mode & 07777, c.mode) << c.args;
    EXPECT_EQ(after.st_nlink, before.st_nlink) << c.args;
    if (c.status == 0) {
      EXPECT_TRUE(IsPasswordLine(dir.Read("f"))) << dir.Read("f");
    } else {
      EXPECT_EQ(dir.Read("f"), "old\n") << c.args;
    }
    if (c.second_link) {
      EXPECT_EQ(after.st_ino, before.st_ino) << c.args;
      EXPECT_EQ(dir.Read("g"), dir.Read("f")) << c.args;
    }
    EXPECT_EQ(LeftTemps(dir), std::vector<std::string>{}) << c.args;
  }
}

// The shell's redirection stays in charge: what it wrote before and after krv stays.
TEST(KrvOutputs, ShellRedirectionsKeepWhatTheShellWrote) {
  const TempDir dir("krv_outputs_shell");
  const char* const scripts[] = {
      "{ echo header; \"$0\" password -o /dev/stdout; echo footer; } > log.txt",
      "{ echo header; \"$0\" password -o /dev/fd/1; echo footer; } > log.txt",
      "{ echo header; \"$0\" password -o log.txt; echo footer; } >> log.txt",
      "{ echo header >&3; \"$0\" password -o /dev/fd/3; echo footer >&3; } 3> log.txt",
      "echo header > log.txt && \"$0\" password -o /dev/stdout >> log.txt && echo footer >> "
      "log.txt",
  };
  for (const char* script : scripts) {
    fs::remove(dir.File("log.txt"));
    const KrvRun r = RunShell(dir, script);
    EXPECT_EQ(r.status, 0) << script << "\n" << r.err;
    const std::string log = dir.Read("log.txt");
    const std::string head = "header\n", foot = "footer\n";
    ASSERT_GT(log.size(), head.size() + foot.size()) << script << ": " << log;
    EXPECT_EQ(log.substr(0, head.size()), head) << script << ": " << log;
    EXPECT_EQ(log.substr(log.size() - foot.size()), foot) << script << ": " << log;
    EXPECT_TRUE(IsPasswordLine(log.substr(head.size(), log.size() - head.size() - foot.size())))
        << script << ": " << log;
    EXPECT_EQ(fs::is_symlink(dir.File("log.txt")), false);
  }
}

// A closed standard stream is no descriptor an output file can take: the warning about the
// missing tag must not land in out.html.
TEST(KrvOutputs, ClosedStandardStreamsStayOutOfOutputs) {
  const TempDir dir("krv_outputs_closed");
  dir.Write("t", "<p><#none></p>");
  for (const char* closed : {"2>&-", ">&-", "<&-", "<&- >&- 2>&-"}) {
    fs::remove(dir.File("out.html"));
    const std::string script = std::string("\"$0\" html fill t -o out.html ") + closed;
    const KrvRun r = RunShell(dir, script);
    EXPECT_EQ(r.status, 0) << closed << "\n" << r.err;
    EXPECT_EQ(dir.Read("out.html"), "<p><#none></p>") << closed;
  }
}

TEST(KrvOutputs, SymbolicLinksStayLinks) {
  const TempDir dir("krv_outputs_links");
  struct Case {
    std::vector<std::pair<const char*, const char*>> links;  // name, text
    const char* output;
    const char* written;  // the file that gets the new content
  };
  const Case cases[] = {
      {{{"l", "real"}}, "l", "real"},
      {{{"l", "sub/new"}}, "l", "sub/new"},                    // dangling: its target is created
      {{{"l2", "l1"}, {"l1", "sub/real"}}, "l2", "sub/real"},  // a chain
      {{{"sub/l", "../real"}}, "sub/l", "real"},               // relative to the link's folder
      {{{"sub/l", "../sub/new"}}, "sub/l", "sub/new"},
  };
  for (const Case& c : cases) {
    fs::remove_all(dir.File("sub"));
    fs::remove_all(dir.File("l"));
    fs::remove_all(dir.File("l1"));
    fs::remove_all(dir.File("l2"));
    fs::create_directory(dir.File("sub"));
    dir.Write("real", "old\n");
    dir.Write("sub/real", "old\n");
    fs::remove(dir.File("sub/new"));
    for (const auto& [name, text] : c.links) fs::create_symlink(text, dir.File(name));

    const KrvRun r = RunKrv(dir, std::string("password -o ") + c.output);
    EXPECT_EQ(r.status, 0) << c.output << "\n" << r.err;
    for (const auto& [name, text] : c.links) {
      EXPECT_TRUE(fs::is_symlink(dir.File(name))) << name;
      EXPECT_EQ(fs::read_symlink(dir.File(name)), text) << name;
    }
    EXPECT_TRUE(IsPasswordLine(dir.Read(c.written))) << c.output << " -> " << c.written;
    for (const char* other : {"real", "sub/real"}) {
      if (std::string(other) != c.written) {
        EXPECT_EQ(dir.Read(other), "old\n") << c.output;
      }
    }
    EXPECT_EQ(LeftTemps(dir), std::vector<std::string>{}) << c.output;
  }
}

// An interrupt, termination or hang-up while krv is busy removes the temporary file it
// writes to, and krv ends as the signal ends it (a copy's interrupt through its own abort,
// with status 130 as well). Busy: copying a large sparse file, or waiting on a FIFO that is
// held open and never written.
TEST(KrvOutputs, SignalsRemoveTemporaryFiles) {
  const TempDir dir("krv_outputs_signals");
  struct Case {
    const char* command;  // after "$0"
    const char* signal;
    int status;  // as the shell reports it
  };
  const Case cases[] = {
      {"files copy big dest", "TERM", 128 + SIGTERM},
      {"files copy big dest", "HUP", 128 + SIGHUP},
      {"files copy big dest", "INT", 128 + SIGINT},
      {"files copy fifo dest", "TERM", 128 + SIGTERM},
      {"html fill fifo -o dest", "TERM", 128 + SIGTERM},
      {"rle encode fifo -o dest", "HUP", 128 + SIGHUP},
      {"rle encode big -o dest", "INT", 128 + SIGINT},
  };
  // A shell starts background commands with interrupts ignored; GNU env lets them through.
  const bool can_interrupt =
      testing::RunProcess({"env", "--default-signal=INT", "true"}).status == 0;
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
  dir.Write("big", "");
  fs::resize_file(dir.File("big"), std::uintmax_t{8} << 30);  // sparse; the copy is not
  int left_out = 0;
  for (const Case& c : cases) {
    const bool interrupt = std::string(c.signal) == "INT";
    if (interrupt && !can_interrupt) {
      ++left_out;
      continue;
    }
    fs::remove(dir.File("seen"));
    // krv is signalled once its temporary file exists (or after 10 s).
    const std::string script =
        std::string("sleep 30 > fifo & writer=$!; ") +
        (interrupt ? "env --default-signal=INT " : "") + "\"$0\" " + c.command +
        " & krv=$!; n=0; until ls -A | grep -q '\\.krv-' || [ $n -ge 200 ]; do sleep 0.05;"
        " n=$((n+1)); done; ls -A | grep -q '\\.krv-' && echo yes > seen; kill -" +
        c.signal + " $krv; wait $krv; echo $? > status; kill $writer";
    const KrvRun r = RunShell(dir, script);
    EXPECT_EQ(r.status, 0) << c.command << "\n" << r.err;
    EXPECT_EQ(dir.Read("seen"), "yes\n") << c.command << ": no temporary file was made";
    EXPECT_EQ(dir.Read("status"), std::to_string(c.status) + "\n") << c.command << " " << c.signal;
    EXPECT_FALSE(fs::exists(dir.File("dest"))) << c.command;
    EXPECT_EQ(LeftTemps(dir), std::vector<std::string>{}) << c.command << " " << c.signal;
    fs::remove(dir.File("dest"));
    for (const std::string& left : LeftTemps(dir)) fs::remove(left);  // rows stay apart
  }
  if (left_out > 0) GTEST_SKIP() << "env --default-signal is missing: no interrupt rows";
}

#else

TEST(KrvOutputs, PosixOnly) {
  GTEST_SKIP() << "owners, /dev/fd, closed descriptors and signals are POSIX matters";
}

#endif

}  // namespace
}  // namespace krv
