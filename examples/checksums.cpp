// Checksums: CRC-16, CRC-32 and SHA-1 of buffers, streams and files, and ASCII85 text.
//
// The check values of "123456789" are the published ones for each CRC; SHA-1 of "abc" is the
// FIPS 180-1 test vector. Long inputs can be fed piece by piece (TSHA1Context, UpdateCRC32).
#include <korvex/korvex.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

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
                               ("korvex_checksums_" + std::to_string(std::random_device{}()));
  TempFolder() { std::filesystem::create_directories(path); }
  ~TempFolder() { std::filesystem::remove_all(path); }
  krv::String Name(const char* file) const { return krv::ToUtf16((path / file).string()); }
};

}  // namespace

int main() {
  krv::PackageLoad();
  TempFolder folder;

  // CRCs of a buffer.
  const std::string digits = "123456789";
  const std::vector<krv::Byte> buffer(digits.begin(), digits.end());
  const auto crc32 = static_cast<krv::Cardinal>(krv::CRC32ofBuffer(buffer, 9));
  const krv::Word xmodem = krv::CRC16ofBuffer(buffer, 9, krv::crcZModem);
  const krv::Word ccitt = krv::CRC16ofBuffer(buffer, 9, krv::crcCCITT);
  std::printf("CRC-32 %08X  CRC-16/XMODEM %04X  CRC-16/CCITT-FALSE %04X\n", crc32, xmodem, ccitt);
  Expect(crc32 == 0xCBF43926 && xmodem == 0x31C3 && ccitt == 0x29B1, "CRC check values");

  // SHA-1, fed incrementally, and as hexadecimal text.
  krv::TSHA1Context sha;
  sha.Update("a", 1);
  sha.Update("bc", 2);
  const krv::String hex = krv::SHA1DigestToHex(sha.Final());
  std::printf("SHA-1(abc) %s\n", krv::ToUtf8(hex).c_str());
  Expect(hex == u"A9993E364706816ABA3E25717850C26C9CD0D89D", "SHA-1 test vector");

  // The checksums of a file equal those of its contents.
  krv::TMemoryStream contents;
  contents.WriteBuffer(digits.data(), digits.size());
  contents.SaveToFile(folder.Name("digits.txt"));
  const auto file_crc = static_cast<krv::Cardinal>(krv::CalcCRC32ofFile(folder.Name("digits.txt")));
  contents.SetPosition(0);
  Expect(file_crc == crc32, "CRC-32 of the file");
  Expect(krv::SHA1FromFile(folder.Name("digits.txt")) == krv::SHA1FromStream(contents),
         "SHA-1 of the file and of the stream");

  // ASCII85: bytes as printable text and back.
  contents.SetPosition(0);
  krv::TMemoryStream text, decoded;
  krv::EncodeASCII85(contents, text);
  text.SetPosition(0);
  const krv::String ascii85 = krv::StreamAsString(text);
  std::printf("ASCII85 %s\n", krv::ToUtf8(ascii85).c_str());
  Expect(ascii85.ends_with(u"~>"), "ASCII85 text ends with its terminator");
  text.SetPosition(0);
  Expect(krv::DecodeASCII85(text, decoded) == 0, "ASCII85 text decodes without fault");
  decoded.SetPosition(0);
  Expect(krv::StreamAsString(decoded) == krv::ToUtf16(digits), "ASCII85 round trip");

  krv::PackageUnload();
  std::printf("%s\n", failures == 0 ? "all results as expected" : "SOME RESULTS WRONG");
  return failures == 0 ? 0 : 1;
}
