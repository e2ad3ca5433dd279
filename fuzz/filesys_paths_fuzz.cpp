// Random strings through every file-name string function. AbridgeFilePath and IsDOS83Path are
// compared with plain transcriptions of their rules (erase and insert on a copy, pieces cut
// off the front), which also shows that both always finish; the others are checked for the
// shape of their results.
//
// Input: 4 bytes of maximum length, then two strings (see stringl_fuzz_input.h).
#include <cstdint>

#include "korvex/filesys/paths.h"
#include "stringl_fuzz_input.h"

namespace {

using krv::Char;
using krv::String;
using krv::fuzz::Check;

String AbridgeReference(const String& path, std::int32_t maximum) {
  String r = path;
  const Char sep = path.find(u'\\') != String::npos ? u'\\' : u'/';
  std::size_t p = r.find(sep);
  if (p == String::npos) return r;
  while (static_cast<std::int64_t>(r.size()) >= maximum) {
    const std::size_t q = r.find(sep, p + 1);
    if (q == String::npos) break;
    r.erase(p + 1, q - p - 1);
    r.insert(p + 1, u"..");
    p += 3;
  }
  return r;
}

bool Dos83Reference(const String& path) {
  const String allowed = u"!#$%&'()-.:@\\^_{}~`";
  for (const Char c : path) {
    const bool alnum =
        (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
    if (!alnum && allowed.find(c) == String::npos) return false;
  }
  String s = path;
  while (!s.empty()) {
    std::size_t k = s.find(u'\\');
    if (k == String::npos) k = s.find(u'.');
    const std::size_t piece = k == String::npos ? s.size() : k + 1;
    if (piece > 9) return false;
    s.erase(0, piece);
  }
  return true;
}

bool IsSuffix(const String& part, const String& whole) {
  return part.size() <= whole.size() &&
         whole.compare(whole.size() - part.size(), part.size(), part) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 8192) return 0;  // the references are quadratic
  krv::fuzz::Input in(data, size);
  const std::int32_t maximum = in.Int();
  const String a = in.Text();
  const String b = in.Text();

  const String abridged = krv::AbridgeFilePath(a, maximum);
  Check(abridged == AbridgeReference(a, maximum));
  Check(abridged.size() <= 3 * a.size());
  Check(krv::IsDOS83Path(a) == Dos83Reference(a));

  const String name = krv::StripPath(a);
  Check(IsSuffix(name, a));
  Check(name.find_first_of(u"\\:") == String::npos);
  const String stripped = krv::StripExtension(a);
  Check(stripped.size() <= a.size() && a.compare(0, stripped.size(), stripped) == 0);
  const String parent = krv::ParentDir(a);
  Check(parent.size() < a.size() || a.empty());
  Check(parent.empty() || parent.back() == u'\\' || parent.back() == u'/');
  const std::int32_t drive = krv::ExtractDrive(a);
  Check(drive >= -1 && drive <= 25);
  const bool root = krv::IsRootDir(a);
  Check(!root || a.find(u":\\") != String::npos);
  Check(krv::InsertBeforeFileExt(b, a).size() == a.size() + b.size());
  const String ensured = krv::EnsureDefaultFileExt(a, b);
  Check(ensured == a || ensured.size() == a.size() + b.size() + (b[0] == u'.' ? 0 : 1));
  return 0;
}
