// The walk and the parallel search of grep_tree.h.
//
// The main thread walks the folders and appends each file to a list of jobs; worker threads
// (one per core) take the jobs in list order, each with its own compiled patterns, and
// search them into a buffer; the main thread prints the buffers in list order as they are
// finished. A worker never runs more than kAhead jobs ahead of the printing, so the buffers
// held stay bounded.
#include "grep_tree.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>
#include <thread>
#include <utility>

#include "cli.h"
#include "io.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"
#include "os.h"

namespace krv::tool {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kAhead = 1024;
constexpr std::size_t kBatch = 64;

class StringSink : public GrepSink {
 public:
  explicit StringSink(std::string& s) : s_(s) {}
  void Write(std::string_view text) override { s_.append(text); }

 private:
  std::string& s_;
};

struct Job {
  std::string path;   // what is opened
  std::string label;  // what is printed
  std::string output;
  std::optional<Failure> failure;  // a folder or file that could not be read
  std::vector<Failure> reports;    // what the search had to say about it
  bool warning = false;            // the failure does not change the exit status
  GrepFileResult result;
  bool done = false;
};

bool MaskMatches(const std::vector<std::string>& masks, const std::string& name) {
  const String n = FromNativeName(name);
  return std::any_of(masks.begin(), masks.end(), [&](const std::string& m) {
    return MatchesWildcard(n, FromNativeName(m), true);
  });
}

enum class Kind { kFile, kFolder, kLink, kOther };

Kind KindOf(const fs::directory_entry& e) {
  std::error_code ec;
  if (e.is_symlink(ec)) return Kind::kLink;
  if (e.is_directory(ec)) return Kind::kFolder;
  if (e.is_regular_file(ec)) return Kind::kFile;
  return Kind::kOther;
}

class Tree {
 public:
  Tree(const GrepOptions& o, const std::vector<std::string>& patterns, const GrepColors& colors,
       bool names, Output& out)
      : o_(o), patterns_(patterns), colors_(colors), names_(names), out_(out) {}

  GrepTotals Run(const std::vector<std::string>& operands) {
    const unsigned n = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned i = 0; i < n; ++i) workers_.emplace_back([this] { Work(); });
    try {
      if (operands.empty()) {
        Folder(".", "");
      } else {
        for (const std::string& op : operands) Operand(op);
      }
    } catch (...) {
      Stop();
      throw;
    }
    {
      std::lock_guard<std::mutex> lock(mu_);
      walked_ = true;
    }
    ready_.notify_all();
    PrintDone(true);
    Stop();
    return totals_;
  }

 private:
  void Stop() {
    {
      std::lock_guard<std::mutex> lock(mu_);
      walked_ = quit_ = true;
    }
    ready_.notify_all();
    room_.notify_all();
    for (std::thread& t : workers_) t.join();
    workers_.clear();
  }

  void Operand(const std::string& op) {
    std::error_code ec;
    const fs::file_status st = fs::status(os::PathOf(op), ec);
    if (op != "-" && !ec && fs::is_directory(st)) {
      std::string label = op;
      if (label.size() > 1 && label.back() == '/') label.pop_back();
      Folder(op, label);
      return;
    }
    if (!o_.exclude.empty() && MaskMatches(o_.exclude, Base(op))) return;
    Add(op, op == "-" ? "(standard input)" : op);
  }

  static std::string Base(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
  }

  // label: how the folder's entries are named ("" for the current folder without "./").
  void Folder(const std::string& path, const std::string& label) {
    os::FileInfo info;  // with links followed a folder can lead back to itself
    const bool watch = o_.follow_links && os::StatPath(path, info);
    if (watch && !on_path_.insert({info.dev, info.ino}).second) {
      Fail(label.empty() ? path : label, "warning: recursive directory loop", false);
      return;
    }
    // The kinds come from the listing itself where the system gives them (no stat).
    std::vector<std::pair<std::string, Kind>> entries;
    std::error_code ec;
    for (fs::directory_iterator it(os::PathOf(path), ec), end; !ec && it != end; it.increment(ec))
      entries.emplace_back(os::Utf8Of(it->path().filename()), KindOf(*it));
    if (ec) Fail(label.empty() ? path : label, ErrnoText(ec.value()));
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [name, entry_kind] : entries) {
      const std::string sub = path == "." && label.empty() ? name : path + "/" + name;
      const std::string shown = label.empty() ? name : label + "/" + name;
      Kind kind = entry_kind;
      if (kind == Kind::kLink) {
        if (!o_.follow_links) continue;
        const fs::file_status st = fs::status(os::PathOf(sub), ec);
        if (ec) continue;  // a dangling link
        kind = fs::is_directory(st)      ? Kind::kFolder
               : fs::is_regular_file(st) ? Kind::kFile
                                         : Kind::kOther;
      }
      if (kind == Kind::kFolder) {
        if (!o_.exclude_dir.empty() && MaskMatches(o_.exclude_dir, name)) continue;
        Folder(sub, shown);
      } else if (kind == Kind::kFile) {
        if (!o_.include.empty() && !MaskMatches(o_.include, name)) continue;
        if (!o_.exclude.empty() && MaskMatches(o_.exclude, name)) continue;
        Add(sub, shown);
      }  // devices, FIFOs and sockets met on the way are not read
      if (Quit()) break;
    }
    ready_.notify_all();
    if (watch) on_path_.erase({info.dev, info.ino});
  }

  // A folder that cannot be read (an error), or a warning when error is false.
  void Fail(const std::string& name, const std::string& reason, bool error = true) {
    std::unique_lock<std::mutex> lock(mu_);
    jobs_.push_back({});
    jobs_.back().failure = Failure{name, reason};
    jobs_.back().warning = !error;
    jobs_.back().done = true;
    lock.unlock();
    PrintDone(false);
  }

  // Workers are woken once per kBatch jobs, not for each: small files would otherwise cost
  // more in thread switches than in searching.
  void Add(std::string path, std::string label) {
    bool wake = false;
    {
      std::unique_lock<std::mutex> lock(mu_);
      jobs_.push_back({std::move(path), std::move(label), {}, {}, {}, {}, false, false});
      wake = ++added_ % kBatch == 0;
    }
    if (!wake) return;
    ready_.notify_all();
    PrintDone(false);
  }

  bool Quit() {
    std::lock_guard<std::mutex> lock(mu_);
    return quit_;
  }

  void Work() {
    std::optional<GrepSearch> search;
    try {
      search.emplace(o_, patterns_, colors_, names_);
    } catch (const Failure&) {
      return;  // the patterns were checked before the walk began
    }
    std::vector<Job*> taken;
    for (;;) {
      std::unique_lock<std::mutex> lock(mu_);
      ready_.wait(lock, [this] {
        return quit_ || (next_ < first_ + jobs_.size() && next_ < printed_ + kAhead) || walked_;
      });
      if (quit_) return;
      if (next_ >= first_ + jobs_.size()) {
        if (walked_) return;
        continue;
      }
      // Up to kBatch jobs at a time, so that the lock is taken once for them.
      taken.clear();
      while (taken.size() < kBatch && next_ < first_ + jobs_.size()) {
        Job& job = jobs_[next_++ - first_];
        if (!job.done) taken.push_back(&job);
      }
      lock.unlock();
      for (Job* job : taken) Search(*search, *job);
      lock.lock();
      for (Job* job : taken) {
        job->done = true;
        if (o_.quiet && job->result.selected > 0) quit_ = true;
      }
      if (waiting_) room_.notify_all();
    }
  }

  void Search(GrepSearch& search, Job& job) {
    try {
      Input in(job.path);
      StringSink sink(job.output);
      search.set_wrote_group(false);
      search.set_reports(&job.reports);
      job.result = search.File(in, job.label, sink);
    } catch (const Failure& f) {
      job.failure = f;
    }
  }

  // Prints the finished jobs at the head of the list; with all, waits for every job.
  void PrintDone(bool all) {
    std::unique_lock<std::mutex> lock(mu_);
    for (;;) {
      if (jobs_.empty()) return;
      Job& job = jobs_.front();
      if (!job.done) {
        if (!all && jobs_.size() < kAhead) return;
        waiting_ = true;
        room_.wait(lock, [&] { return job.done || quit_; });
        waiting_ = false;
        if (!job.done) return;
      }
      Job finished = std::move(job);
      jobs_.pop_front();
      ++first_;
      ++printed_;
      lock.unlock();
      ready_.notify_all();
      Print(finished);
      lock.lock();
    }
  }

  void Print(const Job& job) {
    if (job.failure) {
      totals_.error = totals_.error || !job.warning;
      if (!o_.silent || job.warning) Report(*job.failure);
    }
    for (const Failure& f : job.reports) Report(f);
    totals_.selected += job.result.selected;
    totals_.error = totals_.error || job.result.error;
    if (job.output.empty()) return;
    const bool context = o_.after >= 0 || o_.before >= 0 || o_.context >= 0;
    if (context && wrote_) out_.Write(GroupSeparator(colors_));
    out_.Write(job.output);
    wrote_ = true;
  }

  const GrepOptions& o_;
  const std::vector<std::string>& patterns_;
  const GrepColors& colors_;
  bool names_;
  Output& out_;
  std::set<std::pair<std::uint64_t, std::uint64_t>> on_path_;  // folders being walked (-R loops)
  std::mutex mu_;
  std::condition_variable ready_, room_;
  std::deque<Job> jobs_;   // jobs_[0] is job number first_
  std::size_t first_ = 0;  // the number of the first job held
  std::size_t next_ = 0;   // the next job a worker takes
  std::size_t printed_ = 0;
  std::size_t added_ = 0;
  bool walked_ = false, quit_ = false, wrote_ = false;
  bool waiting_ = false;  // the main thread waits for the job at the head
  std::vector<std::thread> workers_;
  GrepTotals totals_;
};

}  // namespace

std::string GroupSeparator(const GrepColors& colors) {
  if (!colors.on || colors.separator.empty()) return "--\n";
  const char* erase = colors.erase_line ? "\33[K" : "";
  return "\33[" + colors.separator + "m" + erase + "--\33[m" + erase + "\n";
}

GrepTotals SearchTree(const GrepOptions& o, const std::vector<std::string>& patterns,
                      const GrepColors& colors, bool names,
                      const std::vector<std::string>& operands, Output& out) {
  Tree tree(o, patterns, colors, names, out);
  return tree.Run(operands);
}

}  // namespace krv::tool
