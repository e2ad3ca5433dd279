// Streams: text lines, tags and binary numbers on byte streams.
//
// TMemoryStream and TFileStream share the TStream interface, so every routine below works on
// either. Text on a stream is one byte per character; lines written by WriteLnStream end in
// CR LF. The tag scanner reads XML-like tags without validating them.
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

// A fresh folder under the system's temporary folder, removed with its files at the end.
struct TempFolder {
  std::filesystem::path path = std::filesystem::temp_directory_path() /
                               ("korvex_streams_" + std::to_string(std::random_device{}()));
  TempFolder() { std::filesystem::create_directories(path); }
  ~TempFolder() { std::filesystem::remove_all(path); }
  krv::String Name(const char* file) const { return krv::ToUtf16((path / file).string()); }
};

}  // namespace

int main() {
  krv::PackageLoad();
  TempFolder folder;

  // Two lines of text, written to memory and saved as a file.
  krv::TMemoryStream text;
  krv::WriteLnStream(text, u"<sample id=\"7\" unit=\"mm\">12.5</sample>");
  krv::WriteLnStream(text, u"<sample id=\"8\" unit=\"mm\">13,25</sample>");
  text.SaveToFile(folder.Name("samples.xml"));

  // The file read back line by line (the line end is CR LF).
  krv::TFileStream file(folder.Name("samples.xml"), krv::fmOpenRead);
  int lines = 0;
  for (bool end = false;;) {  // ends after the last line
    const krv::String line = krv::ReadLnStream(file, end, krv::kLnModeCRLF);
    if (end) break;
    std::printf("line %d: %s\n", ++lines, krv::ToUtf8(line).c_str());
  }
  Expect(lines == 2, "two lines in the file");
  // The same file scanned for <sample> elements: attributes and contents of each.
  file.SetPosition(0);
  krv::String attributes, contents;
  double sum = 0;
  while (krv::ScanStreamForXMLTag(file, u"sample", attributes, contents)) {
    std::int32_t position = 1;  // the scanner takes "." or "," (option 3)
    const double value = krv::ScanStringFPNum(contents, true, 3, position);
    std::printf("sample %s: %g %s\n", krv::ToUtf8(krv::ScanForXMLAttrib(attributes, u"id")).c_str(),
                value, krv::ToUtf8(krv::ScanForXMLAttrib(attributes, u"unit")).c_str());
    sum += value;
  }
  Expect(sum == 25.75, "the samples add up to 25.75");

  // Binary numbers: little-endian, 8 bytes per double, 4 per 32-bit integer.
  krv::TMemoryStream binary;
  krv::WriteDoubleToStream(binary, 2.5);
  krv::WriteLongintToStream(binary, -42);
  binary.SetPosition(0);
  bool failed = true, failed_past_end = false;
  const double d = krv::ReadDoubleFromStream(binary, failed);
  const std::int32_t i = krv::ReadLongintFromStream(binary, failed);
  krv::ReadLongintFromStream(binary, failed_past_end);  // nothing left to read
  std::printf("binary: %g and %d read back\n", d, i);
  Expect(d == 2.5 && i == -42 && !failed && failed_past_end, "numbers read back");

  krv::PackageUnload();
  std::printf("%s\n", failures == 0 ? "all results as expected" : "SOME RESULTS WRONG");
  return failures == 0 ? 0 : 1;
}
