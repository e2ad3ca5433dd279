// Printing through a real CUPS scheduler: the test starts a private cupsd (its own folders, a
// Unix socket, no network listener) with a queue whose device is a file, prints a two-page job
// through Printer() and compares what arrived with the job's page bitmaps. It skips when the
// CUPS or poppler tools are missing or the scheduler cannot start; it never touches the
// system's own scheduler or its configuration.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "korvex/platform/exceptions.h"
#include "korvex/platform/printer.h"
#include "korvex/platform/text.h"
#include "test_support/page_compare.h"
#include "test_support/pdf_tools.h"
#include "test_support/png_read.h"
#include "test_support/process.h"
#include "test_support/temp_dir.h"

#ifndef _WIN32
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace krv {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

#ifndef _WIN32

// A program in PATH or in the system folders where CUPS keeps its daemons and admin tools.
std::optional<fs::path> FindTool(const std::string& name) {
  if (auto found = testing::FindProgram(name)) return found;
  for (const char* dir : {"/usr/sbin", "/sbin"}) {
    std::error_code ec;
    if (fs::is_regular_file(fs::path(dir) / name, ec)) return fs::path(dir) / name;
  }
  return std::nullopt;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& text, fs::perms mode) {
  std::ofstream(path, std::ios::binary) << text;
  fs::permissions(path, mode);
}

// A page description with one filter that passes the PDF through unchanged: a queue without
// one gets no program to run, and so writes nothing to a file device.
std::string PassThroughPpd(const fs::path& filter) {
  return "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n"
         "*LanguageVersion: English\n*LanguageEncoding: ISOLatin1\n*PCFileName: \"KORVEX.PPD\"\n"
         "*Manufacturer: \"Korvex\"\n*Product: \"(Korvex test)\"\n*ModelName: \"Korvex test\"\n"
         "*ShortNickName: \"Korvex test\"\n*NickName: \"Korvex test\"\n"
         "*PSVersion: \"(3010.000) 0\"\n*LanguageLevel: \"3\"\n*ColorDevice: True\n"
         "*DefaultColorSpace: RGB\n*cupsFilter2: \"application/pdf application/vnd.cups-raw 0 " +
         filter.string() +
         "\"\n*OpenUI *PageSize: PickOne\n*DefaultPageSize: A4\n"
         "*PageSize A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n*CloseUI: *PageSize\n"
         "*DefaultImageableArea: A4\n*ImageableArea A4/A4: \"0 0 595 842\"\n"
         "*DefaultPaperDimension: A4\n*PaperDimension A4/A4: \"595 842\"\n";
}

// A private scheduler in `dir`, stopped (and waited for) on destruction.
class CupsServer {
 public:
  CupsServer(const fs::path& cupsd, const fs::path& dir) : dir_(dir) {
    for (const char* sub : {"spool", "tmp", "cache", "state", "log", "out", "bin"})
      fs::create_directories(dir / sub);
    // The scheduler runs jobs as lp: it must reach the folder and write the output folder.
    fs::permissions(dir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                             fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(dir / "out", fs::perms::all);
    const fs::perms file = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                           fs::perms::others_read;
    const std::string d = dir.string();
    WriteFile(dir / "cupsd.conf",
              "Listen " + Socket() +
                  "\nLogLevel debug\nBrowsing No\nWebInterface No\nDefaultAuthType None\n"
                  "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n",
              file);
    WriteFile(dir / "cups-files.conf",
              "User lp\nGroup lp\nSystemGroup root\nFileDevice Yes\nServerRoot " + d +
                  "\nRequestRoot " + d + "/spool\nTempDir " + d + "/tmp\nCacheDir " + d +
                  "/cache\nStateDir " + d + "/state\nErrorLog " + d + "/log/error_log\n" +
                  "AccessLog " + d + "/log/access_log\nPageLog " + d + "/log/page_log\n" +
                  "Printcap " + d + "/printcap\n",
              file);
    WriteFile(dir / "bin/passthrough",
              "#!/bin/sh\nif [ -n \"$6\" ]; then exec cat -- \"$6\"; fi\nexec cat\n",
              file | fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec);
    WriteFile(dir / "korvex.ppd", PassThroughPpd(dir / "bin/passthrough"), file);
    const std::string program = cupsd.string();
    const std::string conf = (dir / "cupsd.conf").string();
    const std::string files = (dir / "cups-files.conf").string();
    std::vector<char*> argv = {const_cast<char*>(program.c_str()),
                               const_cast<char*>("-f"),
                               const_cast<char*>("-c"),
                               const_cast<char*>(conf.c_str()),
                               const_cast<char*>("-s"),
                               const_cast<char*>(files.c_str()),
                               nullptr};
    if (::posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
      pid_ = -1;
  }
  ~CupsServer() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    for (int k = 0; k < 100; ++k) {
      if (::waitpid(pid_, nullptr, WNOHANG) == pid_) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  CupsServer(const CupsServer&) = delete;
  CupsServer& operator=(const CupsServer&) = delete;

  std::string Socket() const { return (dir_ / "cups.sock").string(); }
  fs::path Output() const { return dir_ / "out/job.pdf"; }
  // The end of the scheduler's log, for failure messages.
  std::string LogTail() const {
    const std::string log = ReadAll(dir_ / "log/error_log");
    return log.size() > 2000 ? log.substr(log.size() - 2000) : log;
  }
  // Waits (up to ten seconds) until the scheduler answers; false when it does not.
  bool WaitUntilRunning(const fs::path& lpstat) const {
    for (int k = 0; k < 100 && pid_ > 0; ++k) {
      if (::waitpid(pid_, nullptr, WNOHANG) == pid_) return false;  // it gave up
      if (fs::exists(Socket()) &&
          testing::RunProcess({lpstat.string(), "-h", Socket(), "-r"}).status == 0)
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

 private:
  fs::path dir_;
  pid_t pid_ = -1;
};

// The tools the test needs, found, or the name of the first one missing.
struct Tools {
  fs::path cupsd, lpadmin, lpstat, cupsreject;
  std::string missing;
};

Tools FindTools() {
  Tools t;
  const std::pair<const char*, fs::path*> wanted[] = {{"cupsd", &t.cupsd},
                                                      {"lpadmin", &t.lpadmin},
                                                      {"lpstat", &t.lpstat},
                                                      {"cupsreject", &t.cupsreject}};
  for (const auto& [name, where] : wanted) {
    if (auto found = FindTool(name)) {
      *where = *found;
    } else if (t.missing.empty()) {
      t.missing = name;
    }
  }
  for (const char* name : {"pdfinfo", "pdftoppm"})
    if (t.missing.empty() && !testing::FindProgram(name)) t.missing = name;
  return t;
}

// Waits (up to 30 seconds) until the scheduler lists `job` as completed and its output has
// arrived.
bool WaitForJob(const Tools& tools, const CupsServer& server, const std::string& job) {
  for (int k = 0; k < 300; ++k) {
    const testing::ProcessResult r = testing::RunProcess(
        {tools.lpstat.string(), "-h", server.Socket(), "-W", "completed", "-o", "korvex-test"});
    std::error_code ec;
    if (r.out.find(job) != std::string::npos && fs::file_size(server.Output(), ec) > 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

// Puts the printer back as a new process finds it.
struct PrinterReset {
  ~PrinterReset() {
    if (Printer()->Printing()) Printer()->Abort();
    Printer()->SetPrinterIndex(-1);
    Printer()->SetTitle(u"");
    Printer()->SetFileName(u"");
  }
};

void PrintTwoPages(const String& title) {
  TPrinter& p = *Printer();
  p.SetPageFormat(600, 400, 100);
  p.SetTitle(title);
  p.BeginDoc();
  testing::DrawScene(*p.Canvas(), 0);
  p.NewPage();
  testing::DrawScene(*p.Canvas(), 1);
  p.EndDoc();
}

TEST(CupsPrinting, TwoPagesArriveAsDrawn) {
  const Tools tools = FindTools();
  if (!tools.missing.empty()) GTEST_SKIP() << tools.missing << " is not installed";
  // Under /tmp itself: the socket's path must stay short, and lp must reach the folder.
  const TempDir dir("korvex_cups", "/tmp");
  const CupsServer server(tools.cupsd, dir.Path());
  if (!server.WaitUntilRunning(tools.lpstat))
    GTEST_SKIP() << "cupsd did not start: " << server.LogTail();
  const testing::ProcessResult added = testing::RunProcess(
      {tools.lpadmin.string(), "-h", server.Socket(), "-p", "korvex-test", "-E", "-v",
       "file://" + server.Output().string(), "-P", dir.File("korvex.ppd").string()});
  ASSERT_EQ(added.status, 0) << added.err << server.LogTail();
  ASSERT_EQ(
      testing::RunProcess({tools.lpadmin.string(), "-h", server.Socket(), "-d", "korvex-test"})
          .status,
      0);

  const testing::ScopedEnv cups_server("CUPS_SERVER", server.Socket());
  const PrinterReset reset;
  TPrinter& p = *Printer();
  p.Refresh();
  ASSERT_EQ(p.Printers().Count(), 1);
  EXPECT_EQ(p.Printers()[0], u"korvex-test");
  EXPECT_EQ(p.PrinterName(), u"korvex-test");  // CUPS's default, nothing being chosen
  p.SetPrinterName(u"KORVEX-Test");
  EXPECT_EQ(p.PrinterIndex(), 0);

  PrintTwoPages(u"Korvex CUPS test");
  ASSERT_TRUE(WaitForJob(tools, server, "korvex-test-1")) << server.LogTail();
  fs::copy_file(server.Output(), dir.File("job.pdf"));
  const auto info = testing::ReadPdfInfo(dir, "job.pdf");
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->pages, 2);
  EXPECT_EQ(info->title, "Korvex CUPS test");
  EXPECT_NEAR(info->width_pt, 432, 0.01);
  EXPECT_NEAR(info->height_pt, 288, 0.01);

  // Rendered at the page's 100 pixels per inch, each page shows its bitmap. Compared in tiles
  // of 40 x 40 pixels (those with at least 30 pixels of ink on either picture), in every tile
  // at least 75% of those pixels lie within 128 levels on every channel, and over the page
  // 95%: the rest are anti-aliased edges of slanted lines, curves and text. A shape missing or
  // moved leaves a tile far below that, as the other page's bitmap (shapes moved and
  // recoloured) shows.
  constexpr int kTolerance = 128;
  constexpr double kTileShare = 0.75, kPageShare = 0.95;
  for (int page = 1; page <= 2; ++page) {
    const auto got = testing::RenderPdfPage(dir, "job.pdf", page, 100);
    ASSERT_TRUE(got && got->ok);
    const testing::PngPicture want = testing::PictureOf(p.Page(page - 1));
    const testing::PngPicture other = testing::PictureOf(p.Page(2 - page));
    EXPECT_GE(testing::InkResemblance(*got, want, kTolerance), kPageShare) << "page " << page;
    EXPECT_GE(testing::WorstTileResemblance(*got, want, kTolerance, 40, 30), kTileShare)
        << "page " << page;
    EXPECT_LT(testing::WorstTileResemblance(*got, other, kTolerance, 40, 30), kTileShare / 2)
        << "page " << page;
  }

  // A finished PDF arrives unchanged (the queue passes it through).
  const std::string sent = dir.Read("job.pdf");
  fs::remove(server.Output());
  p.SendPdf(sent);
  ASSERT_TRUE(WaitForJob(tools, server, "korvex-test-2")) << server.LogTail();
  EXPECT_EQ(ReadAll(server.Output()), sent);

  // A queue that refuses jobs fails EndDoc with CUPS's reason; the pages stay readable.
  ASSERT_EQ(
      testing::RunProcess({tools.cupsreject.string(), "-h", server.Socket(), "korvex-test"}).status,
      0);
  try {
    PrintTwoPages(u"Refused");
    ADD_FAILURE() << "EndDoc did not fail";
  } catch (const EPrinter& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Printing failed: ", 0), 0u) << e.what();
  }
  EXPECT_FALSE(p.Printing());
  EXPECT_EQ(p.PageCount(), 2);
}

#else

TEST(CupsPrinting, TwoPagesArriveAsDrawn) {
  GTEST_SKIP() << "Windows builds have no CUPS";
}

#endif

}  // namespace
}  // namespace krv
