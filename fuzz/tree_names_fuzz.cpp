// Fuzz target for the destructive tree routines under hostile names: DelDirTree,
// CopyFileTree, DeleteFiles and MoveToRecycleBin get names built from drive letters, "..",
// `\`, case variants, bytes that are not UTF-8 and the verbatim prefix, inside a sandbox
// mapped as drives C: and D:. Beside the sandbox is a decoy folder, reachable from inside only
// through symbolic links and a name that aliases one once decoded. A call runs only when the
// library's own resolution of its target lies inside the sandbox; then no decoy file may
// change, whatever the call did.
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "korvex/filesys/copying.h"
#include "korvex/filesys/trees.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"

namespace {

namespace fs = std::filesystem;
using krv::String;

struct Sandbox {
  fs::path root, box, decoy, work;
  std::map<std::string, std::string> decoy_files;
};

void Write(const fs::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

const Sandbox& Setup() {
  static const Sandbox s = [] {
    Sandbox s;
    char tmpl[] = "/tmp/korvex_tree_fuzz_XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) std::abort();
    s.root = tmpl;
    s.box = s.root / "box";
    s.decoy = s.root / "decoy";
    s.work = s.box / "work";
    fs::create_directories(s.decoy / "sub");
    for (const char* name : {"f0", "F0", "sub/f1", "x", "\xff"}) {
      s.decoy_files[name] = std::string("decoy ") + name;
      Write(s.decoy / name, s.decoy_files[name]);
    }
    fs::create_directories(s.work);
    fs::create_directories(s.box / "d");
    if (!krv::MapDrive(u'C', s.box.string()) || !krv::MapDrive(u'D', (s.box / "d").string())) {
      std::abort();
    }
    ::setenv("XDG_DATA_HOME", (s.box / "trash").c_str(), 1);
    fs::current_path(s.work);
    static const fs::path* const root = new fs::path(s.root);  // outlives the Sandbox
    std::atexit([] {
      std::error_code ec;
      fs::current_path("/", ec);
      fs::remove_all(*root, ec);  // never follows links; the decoy is inside the root anyway
    });
    return s;
  }();
  return s;
}

// The sandbox's contents, made again before every input.
void Populate(const Sandbox& s) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(s.box)) fs::remove_all(e.path(), ec);
  fs::create_directories(s.work / "sub" / "Deep");
  fs::create_directories(s.work / "c:" / "in");
  fs::create_directories(s.work / "\xff");
  fs::create_directories(s.work / "Build");
  fs::create_directories(s.box / "d" / "D2");
  for (const char* name : {"A", "a", "sub/x", "sub/X", "sub/Deep/f", "c:/in/f", "\xff/f0",
                           "bs\\name", "Build/f", "\xfe"}) {
    Write(s.work / name, name);
  }
  Write(s.box / "top", "top");
  Write(s.box / "d" / "D2" / "f", "d");
  fs::create_directory_symlink(s.decoy, s.work / "\xEF\xBF\xBD");  // U+FFFD
  fs::create_directory_symlink(s.decoy, s.work / "lnk");
  fs::create_directory_symlink(s.decoy / "sub", s.work / "sub" / "up");
  fs::create_symlink(s.decoy / "f0", s.work / "f0link");
}

bool DecoyIntact(const Sandbox& s) {
  std::size_t seen = 0;
  for (const auto& e : fs::recursive_directory_iterator(s.decoy)) seen += e.is_regular_file();
  if (seen != s.decoy_files.size()) return false;
  for (const auto& [name, bytes] : s.decoy_files) {
    std::ifstream in(s.decoy / name, std::ios::binary);
    const std::string read((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (read != bytes) return false;
  }
  return true;
}

// Pieces names are made of.
const char* const kTokens[] = {
    "c:",    "C:",   "d:",           "\\",   "/",       "..",       ".",
    "a",     "A",    "sub",          "SUB",  "x",       "X",        "Deep",
    "f",     "\xff", "\xEF\xBF\xBD", "lnk",  "work",    "WORK",     "*",
    "*.*",   "?",    "up",           "in",   "\\\\?\\", "bs\\name", "Build",
    "build", "top",  "f0link",       "\xfe", "D2",      "f0",       "\xc3",
    "trash",
};

String NameFrom(const std::uint8_t*& p, const std::uint8_t* end) {
  std::string bytes;
  const std::size_t n = p < end ? 1 + *p++ % 6 : 0;
  for (std::size_t i = 0; i < n && p < end; ++i) bytes += kTokens[*p++ % std::size(kTokens)];
  return krv::FromNativeName(bytes);
}

bool Within(const Sandbox& s, const char* path) {
  char real[PATH_MAX];
  if (::realpath(path, real) == nullptr) return false;
  const std::string r = real, b = s.box.string();
  return r == b || r.rfind(b + "/", 0) == 0;
}

// True when the directory holding the native path lies inside the sandbox, as the system
// resolves it (links followed, ".." after a link leading where the link leads): an operation
// on the entry may then legitimately change only the box.
bool ParentInside(const Sandbox& s, std::string native) {
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  if (native.empty()) return false;
  const std::size_t cut = native.rfind('/');
  const std::string dir = cut == std::string::npos ? "." : native.substr(0, cut + 1);
  return Within(s, dir.c_str());
}

// True when the entry itself (links followed) is inside the sandbox, or it does not exist
// and its directory is.
bool SelfInside(const Sandbox& s, const std::string& native) {
  if (native.empty()) return false;
  struct stat st;
  return ::stat(native.c_str(), &st) == 0 ? Within(s, native.c_str()) : ParentInside(s, native);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Sandbox& s = Setup();
  Populate(s);
  const std::uint8_t* p = data;
  const std::uint8_t* end = data + size;
  for (int op = 0; op < 3 && p < end; ++op) {
    const std::uint8_t kind = *p++ % 4;
    const String name = NameFrom(p, end);
    const std::string native = krv::ToNativePath(name);
    switch (kind) {
      case 0:
        if (ParentInside(s, native) || SelfInside(s, native)) krv::DelDirTree(name);
        break;
      case 1: {
        const String dest = NameFrom(p, end);
        // The source stays in the sandbox too, or a copy of "/" would run for hours.
        if (SelfInside(s, native) && SelfInside(s, krv::ToNativePath(dest))) {
          krv::CopyFileTree(name, dest, p < end && *p % 2);
        }
        break;
      }
      case 2:
      case 3: {
        // The mask's directory part is where files go.
        const std::size_t cut = name.find_last_of(u"\\/:");
        const String dir = cut == String::npos ? String(u".") : name.substr(0, cut + 1);
        if (!SelfInside(s, krv::ToNativePath(dir))) break;
        if (kind == 2) {
          krv::DeleteFiles(name);
        } else {
          krv::MoveToRecycleBin(name);
        }
        break;
      }
    }
    if (!DecoyIntact(s)) std::abort();
  }
  return 0;
}
