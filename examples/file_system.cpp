// File system: names taken apart, files counted and listed, a tree copied and deleted.
//
// The library works with Windows-style names on every system: `\` and `/` both separate
// folders and names are found ignoring case, so a POSIX path such as /tmp/x works as it is.
// Counting and listing take a mask (*.txt); the copy reports its progress through a
// call-back; DelDirTree removes a whole tree and names the first entry it could not delete.
#include <korvex/korvex.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

namespace {

// Prints a check that went wrong and counts it; any failure makes the program exit with 1.
int failures = 0;
void Expect(bool ok, const char* what) {
  if (!ok) std::printf("WRONG: %s\n", what);
  failures += ok ? 0 : 1;
}

// The tree copy's progress call-back: it reports each block of the current file, and the last
// values once more when the file is done; here each file is printed once, when it is complete.
int files_copied = 0;
void OnTreeCopy(std::int32_t copied, std::int32_t size, const krv::String& name,
                std::int32_t number) {
  if (copied != size || number == files_copied) return;
  files_copied = number;
  std::printf("  file %d: %s (%d bytes)\n", number, krv::ToUtf8(name).c_str(), size);
}

}  // namespace

int main() {
  krv::PackageLoad();
  // Names as plain string work: nothing here looks at the disk.
  const krv::String name = u"C:\\data\\run.tar.gz";
  std::printf("%s: file %s, without extension %s\n", krv::ToUtf8(name).c_str(),
              krv::ToUtf8(krv::StripPath(name)).c_str(),
              krv::ToUtf8(krv::StripExtension(name)).c_str());
  Expect(krv::InsertBeforeFileExt(u"_old", name) == u"C:\\data\\run_old.tar.gz",
         "insert before extension");
  Expect(krv::EnsureDefaultFileExt(u"notes", u"txt") == u"notes.txt", "default extension");

  // A small tree in a fresh temporary folder: two .txt files and one .dat file.
  const std::filesystem::path base = std::filesystem::temp_directory_path() /
                                     ("korvex_files_" + std::to_string(std::random_device{}()));
  const krv::String root = krv::ToUtf16(base.string()), source = root + u"/source";
  Expect(krv::ForceDirectories(source + u"/sub"), "folders created");
  krv::TMemoryStream bytes;
  bytes.WriteBuffer("hello", 5);
  bytes.SaveToFile(source + u"/a.txt");
  bytes.SaveToFile(source + u"/b.dat");
  bytes.SaveToFile(source + u"/sub/c.txt");

  // Counting and listing by mask, through the subfolders too.
  const std::int32_t count = krv::CountFiles(source + u"/*.txt", true);
  krv::TStringList list;
  krv::ScanFilesToStrList(source + u"/*.*", true, &list);
  std::printf("%d .txt files, %d files in all, a.txt has %d bytes\n", count, list.Count(),
              krv::GetFileSize(source + u"/a.txt"));
  Expect(count == 2 && list.Count() == 3, "files counted and listed");

  // The whole tree copied (the destination folder is created), then deleted again.
  std::printf("copying the tree:\n");
  krv::CopyFileTree(source, root + u"/copy", true, OnTreeCopy);
  Expect(files_copied == 3 && krv::FileExists(root + u"/copy/sub/c.txt"), "tree copied");
  Expect(krv::DelDirTree(root + u"/copy").empty() && !krv::DirExists(root + u"/copy"),
         "copy deleted");

  const krv::String left = krv::DelDirTree(root);  // "" when everything is gone
  Expect(left.empty() && !std::filesystem::exists(base), "temporary folder removed");
  krv::PackageUnload();
  std::printf("%s\n", failures == 0 ? "all results as expected" : "SOME RESULTS WRONG");
  return failures == 0 ? 0 : 1;
}
