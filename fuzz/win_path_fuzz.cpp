// Fuzz target for Windows names: wildcard matching (against a plain recursive reference on
// short inputs), the run-time splits, ExpandFileName, and name resolution and listing inside
// a temporary tree mapped as drive Q: (".." cannot climb above a drive's root, so nothing
// outside that tree is touched). Nothing may crash, hang or disagree with the reference.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "korvex/platform/casefold.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"

namespace {

using krv::Char;
using krv::String;

void Check(bool ok) {
  if (!ok) std::abort();
}

bool RefMatch(const String& name, const String& mask, std::size_t m, std::size_t n) {
  if (m == mask.size()) return n == name.size();
  const Char c = mask[m];
  const bool at_end = m + 1 == mask.size();
  const Char next = at_end ? 0 : mask[m + 1];
  const std::size_t last_dot = name.rfind(u'.');
  if (c == u'?')
    return RefMatch(name, mask, m + 1, n == name.size() || name[n] == u'.' ? n : n + 1);
  if (c == u'*') {
    for (std::size_t k = n; k <= name.size(); ++k) {
      if (next == u'.' && k > n && k - 1 == last_dot) break;
      if (RefMatch(name, mask, m + 1, k)) return true;
    }
    return false;
  }
  if (c == u'.' && (at_end || next == u'?' || next == u'*')) {
    if (n == name.size()) return RefMatch(name, mask, m + 1, n);
    return name[n] == u'.' && RefMatch(name, mask, m + 1, n + 1);
  }
  return n < name.size() && krv::UnicodeFold(name[n]) == krv::UnicodeFold(c) &&
         RefMatch(name, mask, m + 1, n + 1);
}

// A small mixed-case tree, made once and mapped as Q:.
void MakeTree() {
  static bool done = false;
  if (done) return;
  done = true;
  char tmpl[] = "/tmp/korvex_win_path_fuzz_XXXXXX";
  const char* dir = ::mkdtemp(tmpl);
  Check(dir != nullptr);
  const std::string root = dir;
  for (const char* d : {"/Data", "/Data/Sub", "/data2"}) ::mkdir((root + d).c_str(), 0755);
  for (const char* f : {"/Data/Run1.TXT", "/Data/run1.txt", "/Data/a.b.c", "/Data/.hidden"}) {
    const std::string p = root + f;
    if (FILE* file = std::fopen(p.c_str(), "w")) std::fclose(file);
  }
  if (::symlink(".", (root + "/Data/Loop").c_str()) != 0) {
  }
  Check(krv::MapDrive(u'Q', root));
  static const std::string kept = root;
  std::atexit([] { std::filesystem::remove_all(kept); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MakeTree();
  if (size == 0) return 0;
  // Two UTF-16 strings from the bytes, split at the first 0x0A byte.
  const std::uint8_t op = data[0];
  std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t cut = bytes.find('\n');
  const String a = krv::ToUtf16(bytes.substr(0, cut));
  const String b = cut == std::string::npos ? String() : krv::ToUtf16(bytes.substr(cut + 1));

  const bool match = krv::MatchesWildcard(a, b);
  if (a.size() <= 12 && b.size() <= 10) Check(match == RefMatch(a, b, 0, 0));

  const String e = krv::ExpandFileName(a);
  if (!e.empty() && e.rfind(u"\\\\", 0) != 0) {  // not UNC: absolute, clean, stable
    Check(e.size() >= 3 && e[1] == u':' && e[2] == u'\\');
    Check(e.find(u"\\\\") == String::npos && e.find(u"\\.\\") == String::npos);
    Check(krv::ExpandFileName(e) == e);
  }
  Check(krv::ExtractFilePath(a) + krv::ExtractFileName(a) == a);
  Check(krv::ChangeFileExt(a, krv::ExtractFileExt(a)) == a);
  (void)krv::ExtractFileDir(a);

  if (op & 1) {
    const String q = u"Q:\\" + a;
    const std::string native = krv::ToNativePath(q);
    const std::string root = krv::DriveNativeRoot(u'Q');
    Check(native.empty() || native.compare(0, root.size(), root) == 0);
    (void)krv::FileGetAttr(q);
    (void)krv::FileExists(q);
  }
  if (op & 2) {
    krv::TSearchRec rec;
    int n = 0;
    for (int r = krv::FindFirst(u"Q:\\" + a, krv::faAnyFile, rec); r == 0 && n < 100;
         r = krv::FindNext(rec)) {
      ++n;
    }
    krv::FindClose(rec);
  }
  if (op & 4) (void)krv::FromNativePath(krv::ToUtf8(a));
  return 0;
}
