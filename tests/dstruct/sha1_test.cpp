#include "korvex/dstruct/sha1.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "dstruct/checksum_test_support.h"
#include "dstruct/internal/checksum_dispatch.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/text.h"
#include "test_support/temp_dir.h"

#ifdef KORVEX_HAVE_OPENSSL
#include <openssl/sha.h>
#endif

namespace krv {
namespace {

using detail::ChecksumPath;

// A slow, obvious SHA-1 straight from FIPS 180-1: whole message padded, 80-word schedule.
TSHACode Sha1Textbook(const std::uint8_t* p, std::size_t n) {
  std::vector<std::uint8_t> m(p, p + n);
  m.push_back(0x80);
  while (m.size() % 64 != 56) m.push_back(0);
  const std::uint64_t bits = static_cast<std::uint64_t>(n) * 8;
  for (int i = 7; i >= 0; --i) m.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
  std::uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  for (std::size_t off = 0; off < m.size(); off += 64) {
    std::uint32_t w[80];
    for (int t = 0; t < 16; ++t)
      w[t] = std::uint32_t{m[off + 4 * t]} << 24 | std::uint32_t{m[off + 4 * t + 1]} << 16 |
             std::uint32_t{m[off + 4 * t + 2]} << 8 | m[off + 4 * t + 3];
    for (int t = 16; t < 80; ++t) w[t] = std::rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (int t = 0; t < 80; ++t) {
      std::uint32_t f, k;
      if (t < 20) {
        f = (b & c) | (~b & d);
        k = 0x5A827999;
      } else if (t < 40) {
        f = b ^ c ^ d;
        k = 0x6ED9EBA1;
      } else if (t < 60) {
        f = (b & c) | (b & d) | (c & d);
        k = 0x8F1BBCDC;
      } else {
        f = b ^ c ^ d;
        k = 0xCA62C1D6;
      }
      const std::uint32_t temp = std::rotl(a, 5) + f + e + w[t] + k;
      e = d;
      d = c;
      c = std::rotl(b, 30);
      b = a;
      a = temp;
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
  }
  TSHACode code;
  for (int i = 0; i < 20; ++i) code[i] = static_cast<Byte>(h[i / 4] >> (24 - 8 * (i % 4)));
  return code;
}

TSHACode Digest(std::string_view s) {
  TSHA1Context ctx;
  ctx.Update(s.data(), s.size());
  return ctx.Final();
}

std::string Hex(const TSHACode& c) {
  return ToUtf8(SHA1DigestToHex(c));
}

using testing::RandomBytes;

using testing::PathGuard;

// Every path this processor can run.
std::vector<ChecksumPath> Paths() {
  std::vector<ChecksumPath> p = {ChecksumPath::kPortable};
  if (detail::CpuHasShaNi()) p.push_back(ChecksumPath::kBest);
  return p;
}

// The examples of FIPS 180-1 / FIPS 180-2 appendix A (SHA-1), and the empty message.
TEST(Sha1, FipsExamples) {
  PathGuard guard;
  const std::string million(1000000, 'a');
  struct Case {
    std::string_view message;
    const char* digest;
  } cases[] = {
      {"abc", "A9993E364706816ABA3E25717850C26C9CD0D89D"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
      {million, "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F"},
      {"", "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
  };
  for (ChecksumPath path : Paths()) {
    detail::SetChecksumPath(path);
    for (const auto& c : cases) {
      EXPECT_EQ(Hex(Digest(c.message)), c.digest) << c.message.substr(0, 10);
      const auto* p = reinterpret_cast<const std::uint8_t*>(c.message.data());
      EXPECT_EQ(Hex(Sha1Textbook(p, c.message.size())), c.digest);
    }
  }
}

TEST(Sha1, DigestToHexIsUpperCaseHighNibbleFirst) {
  TSHACode code{};
  for (int i = 0; i < 20; ++i) code[i] = static_cast<Byte>(i * 13 + 0x0F);
  EXPECT_EQ(SHA1DigestToHex(code), u"0F1C293643505D6A7784919EABB8C5D2DFECF906");
  EXPECT_EQ(SHA1DigestToHex(TSHACode{}), String(40, u'0'));
}

TEST(Sha1, StringIsHashedAsUtf16LowByteFirst) {
  EXPECT_EQ(Hex(SHA1FromString(u"")), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
  EXPECT_EQ(SHA1FromString(u"abc"), Digest(std::string_view("a\0b\0c\0", 6)));
  EXPECT_EQ(SHA1FromString(String{0x20AC, 0xD834, 0xDD1E}),  // euro sign, then a surrogate pair
            Digest(std::string_view("\xAC\x20\x34\xD8\x1E\xDD", 6)));
  std::string bytes;
  for (int i = 0; i < 5000; ++i) bytes += "\x41\x01";
  EXPECT_EQ(SHA1FromString(String(5000, u'\u0141')), Digest(bytes));
}

TEST(Sha1, PathsMatchTextbookOnRandomBlocks) {
  const auto data = RandomBytes(64 * 40, 1);
  for (std::size_t blocks = 0; blocks <= 40; ++blocks) {
    std::uint32_t portable[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    std::uint32_t fast[5];
    std::memcpy(fast, portable, sizeof fast);
    detail::Sha1CompressPortable(portable, data.data(), blocks);
    if (detail::CpuHasShaNi()) {
      detail::Sha1CompressShaNi(fast, data.data(), blocks);
      ASSERT_EQ(std::memcmp(fast, portable, sizeof fast), 0) << blocks;
    }
  }
  for (std::size_t n : {0, 1, 55, 56, 63, 64, 65, 119, 120, 1000, 2559}) {
    PathGuard guard;
    for (ChecksumPath path : Paths()) {
      detail::SetChecksumPath(path);
      TSHA1Context ctx;
      ctx.Update(data.data(), n);
      EXPECT_EQ(ctx.Final(), Sha1Textbook(data.data(), n)) << n;
    }
  }
}

#ifdef KORVEX_HAVE_OPENSSL
TSHACode OpenSslSha1(const std::uint8_t* p, std::size_t n) {
  TSHACode code;
  SHA1(p, n, code.data());
  return code;
}

TEST(Sha1, MatchesOpenSslAtEveryLengthAndAlignment) {
  // The widest loads are 16 bytes, so offsets 0..15 cover every alignment.
  PathGuard guard;
  const auto data = RandomBytes(4096 + 16, 2);
  for (ChecksumPath path : Paths()) {
    detail::SetChecksumPath(path);
    for (std::size_t len = 0; len <= 4096; ++len)
      for (std::size_t align = 0; align < 16; ++align) {
        const std::uint8_t* p = data.data() + align;
        TSHA1Context ctx;
        ctx.Update(p, len);
        ASSERT_EQ(ctx.Final(), OpenSslSha1(p, len))
            << static_cast<int>(path) << " " << len << " " << align;
      }
  }
}

TEST(Sha1, PiecesOfAnySizeGiveTheWholeDigest) {
  PathGuard guard;
  const auto data = RandomBytes(50000, 3);
  const TSHACode want = OpenSslSha1(data.data(), data.size());
  std::mt19937 gen(4);
  for (ChecksumPath path : Paths()) {
    detail::SetChecksumPath(path);
    for (int trial = 0; trial < 30; ++trial) {
      TSHA1Context ctx;
      std::size_t pos = 0;
      while (pos < data.size()) {
        const std::size_t n =
            std::min<std::size_t>(gen() % (trial < 15 ? 130 : 3000), data.size() - pos);
        ctx.Update(data.data() + pos, n);
        pos += n;
      }
      ASSERT_EQ(ctx.Final(), want) << trial;
      // Final leaves the context ready for a new message.
      ASSERT_EQ(Hex(ctx.Final()), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
    }
  }
}
#else
TEST(Sha1, MatchesOpenSslAtEveryLengthAndAlignment) {
  GTEST_SKIP() << "OpenSSL's libcrypto for this target is not installed: no cross-check";
}
#endif  // KORVEX_HAVE_OPENSSL

// Records the size of every read it is asked for; gives at most `chunk` bytes per read.
class RecordingStream : public TMemoryStream {
 public:
  explicit RecordingStream(std::size_t chunk) : chunk_(chunk) {}
  std::size_t Read(void* buffer, std::size_t count) override {
    requests.push_back(count);
    const std::size_t got = TMemoryStream::Read(buffer, std::min(count, chunk_));
    if (got == 0) ++zero_reads;
    return got;
  }
  std::vector<std::size_t> requests;
  int zero_reads = 0;

 private:
  std::size_t chunk_;
};

TEST(Sha1, StreamIsReadFromItsPositionToItsEndInBlocksOf1024) {
  TMemoryStream abc;
  abc.WriteBuffer("abc", 3);
  abc.SetPosition(0);
  EXPECT_EQ(Hex(SHA1FromStream(abc)), "A9993E364706816ABA3E25717850C26C9CD0D89D");
  EXPECT_EQ(abc.Position(), 3);
  // At its end already: the empty message.
  EXPECT_EQ(Hex(SHA1FromStream(abc)), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");

  const auto data = RandomBytes(5000, 5);
  for (std::size_t chunk : {std::size_t{1024}, std::size_t{7}}) {
    RecordingStream s(chunk);
    s.WriteBuffer(data.data(), data.size());
    s.SetPosition(100);
    EXPECT_EQ(SHA1FromStream(s), Sha1Textbook(data.data() + 100, data.size() - 100)) << chunk;
    EXPECT_EQ(s.Position(), 5000);
    for (std::size_t r : s.requests) EXPECT_EQ(r, 1024u);
    EXPECT_EQ(s.zero_reads, 1);  // stops at the first empty read
  }
}

// A file in a temporary folder, removed at the end of the test.
class TempFile {
 public:
  explicit TempFile(const std::vector<Byte>& bytes) : dir_("krv_sha1_test") {
    dir_.Write("f", std::string(bytes.begin(), bytes.end()));
  }
  String Name() const { return ToUtf16(dir_.File("f").string()); }

 private:
  testing::TempDir dir_;
};

TEST(Sha1, FileDigestEqualsStreamDigest) {
  TempFile abc({'a', 'b', 'c'});
  EXPECT_EQ(Hex(SHA1FromFile(abc.Name())), "A9993E364706816ABA3E25717850C26C9CD0D89D");
  TempFile empty({});
  EXPECT_EQ(Hex(SHA1FromFile(empty.Name())), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
  const auto data = RandomBytes(3 * 1024 * 1024 + 5, 6);  // several read blocks
  TempFile big(data);
  EXPECT_EQ(SHA1FromFile(big.Name()), Sha1Textbook(data.data(), data.size()));
}

TEST(Sha1, MissingFileRaisesFileOpenError) {
  EXPECT_THROW(SHA1FromFile(u"/nonexistent/krv/no such file"), EFOpenError);
  // A directory is no file: never the digest of nothing.
  const testing::TempDir dir("krv_sha1_test");
  EXPECT_THROW(SHA1FromFile(ToUtf16(dir.Path().string())), EFOpenError);
}

}  // namespace
}  // namespace krv
