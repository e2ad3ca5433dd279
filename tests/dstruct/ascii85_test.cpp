#include "korvex/dstruct/ascii85.h"

#include "dstruct/ascii85_adobe_reference.h"
#include "dstruct/ascii85_reference.h"
#include "test_support/trickle_stream.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace krv {
namespace {

// Slow, obvious references, one character at a time, straight from the format's definition.
std::string RefEncode(const std::string& bytes) {
  static constexpr std::uint32_t kPow[] = {1, 85, 7225, 614125, 52200625};
  std::string text;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t k = std::min<std::size_t>(4, bytes.size() - pos);  // "read up to 4 bytes"
    if (k == 0) break;
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < k; ++i) v = v << 8 | static_cast<std::uint8_t>(bytes[pos + i]);
    pos += k;
    if (k == 4 && v == 0) {
      text += 'z';
    } else {
      for (std::size_t d = k + 1; d-- > 0;) {
        text += static_cast<char>('!' + v / kPow[d]);
        v %= kPow[d];
      }
    }
    if (k < 4) break;
  }
  return text + "~>";
}

using krv::testing::Decoded;
using krv::testing::RefDecode;

std::string Encode(const std::string& bytes) {
  TStringStream in(bytes), out;
  EncodeASCII85(in, out);
  EXPECT_EQ(in.Position(), static_cast<std::int64_t>(bytes.size()));
  return out.Bytes();
}

Decoded Decode(const std::string& text) {
  TStringStream in(text), out;
  Decoded d;
  d.result = DecodeASCII85(in, out);
  d.bytes = out.Bytes();
  d.consumed = static_cast<std::size_t>(in.Position());
  return d;
}

std::string RandomBytes(std::size_t n, std::mt19937& gen) {
  std::string s(n, '\0');
  for (auto& c : s) {
    // Some zero runs, so "z" groups turn up.
    c = (gen() % 8 == 0) ? '\0' : static_cast<char>(gen());
  }
  return s;
}

TEST(Ascii85, DocumentedExamples) {
  struct Case {
    std::string bytes, text;
  } cases[] = {
      {"", "~>"},
      {"\xFF", "$!~>"},
      {"abc", "+B>H~>"},
      {std::string(4, '\0'), "z~>"},
      {std::string(5, '\0'), "z!!~>"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Encode(c.bytes), c.text);
    EXPECT_EQ(Decode(c.text), (Decoded{c.bytes, 0, RefDecode(c.text).consumed})) << c.text;
  }
}

// Full groups as any ASCII85 coder writes them. Expected texts from Python's
// base64.a85encode, which follows Adobe's ASCII85 (PostScript Language Reference, 3rd ed.).
TEST(Ascii85, FullGroupsAreStandardAscii85) {
  struct Case {
    std::string bytes, text;
  } cases[] = {
      {"Man ", "9jqo^"},
      {"Man is distinguished", "9jqo^BlbD-BleB1DJ+*+F(f,q"},
      {"sure", "F*2M7"},
      {std::string(4, '\0'), "z"},
      {"\xFF\xFF\xFF\xFF", "s8W-!"},
      {std::string("\0\0\0\1", 4), "!!!!\""},
      {std::string("\x12\x34\x56\x78\0\0\0\0\x9A\xBC\xDE\xF0", 12), "&i<X6zR_7MH"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Encode(c.bytes), c.text + "~>");
    EXPECT_EQ(Decode(c.text + "~>").bytes, c.bytes);
  }
  // The final partial group is the library's own: the digits of just its bytes. Adobe's
  // form pads with zeros and would write "F*2M7/c".
  EXPECT_EQ(Encode("sure."), "F*2M7!O~>");
}

TEST(Ascii85, RoundTripAtEveryLengthUpTo64) {
  std::mt19937 gen(1);
  for (std::size_t len = 0; len <= 64; ++len) {
    for (int trial = 0; trial < 20; ++trial) {
      std::string bytes = RandomBytes(len, gen);
      if (trial == 1) bytes.assign(len, '\0');
      if (trial == 2) bytes.assign(len, '\xFF');
      const std::string text = Encode(bytes);
      ASSERT_EQ(text, RefEncode(bytes)) << len;
      ASSERT_EQ(Decode(text), (Decoded{bytes, 0, RefDecode(text).consumed})) << len;
    }
  }
}

TEST(Ascii85, RoundTripWithLineBreaksAnywhere) {
  std::mt19937 gen(2);
  const char* breaks[] = {"\r", "\n", "\r\n", "\n\n\r"};
  for (int trial = 0; trial < 400; ++trial) {
    const std::size_t len = trial < 390 ? gen() % 300 : 100000 + gen() % 100000;
    const std::string bytes = RandomBytes(len, gen);
    std::string text = Encode(bytes);
    const std::size_t inserts = 1 + gen() % (text.size() / 4 + 2);
    for (std::size_t i = 0; i < inserts; ++i)
      text.insert(gen() % (text.size() + 1), breaks[gen() % 4]);
    const Decoded d = Decode(text);
    ASSERT_EQ(d.result, 0) << trial;
    ASSERT_EQ(d.bytes, bytes) << trial;
    ASSERT_EQ(d, RefDecode(text)) << trial;
  }
}

TEST(Ascii85, LargeInputsMatchTheReference) {
  std::mt19937 gen(3);
  for (std::size_t len : {65535, 65536, 65537, 1 << 20, (1 << 20) + 3}) {
    const std::string bytes = RandomBytes(len, gen);
    const std::string text = Encode(bytes);
    ASSERT_EQ(text, RefEncode(bytes)) << len;
    ASSERT_EQ(Decode(text), (Decoded{bytes, 0, RefDecode(text).consumed})) << len;
  }
}

TEST(Ascii85, BadCharactersGiveMinusOneAndMinusTwo) {
  struct Case {
    std::string text;
    Integer result;
  } cases[] = {
      {"9jqo^~>", 0},        // sound
      {"9j o^~>", -1},       // a blank
      {"9j{o^~>", -1},       // above "u"
      {"9j\to^~>", -1},      // a control character
      {"9jzo^~>", -2},       // "z" inside a group
      {"9jqoz~>", -2},       // "z" as the last digit
      {"9jzo^9j o^~>", -1},  // the last fault decides
      {"9j o^9jzo^~>", -2},  // the last fault decides
      {"9j o^9jqo^~>", -1},  // decoding goes on after a fault
      {"+B>H~>", 0},         // a sound short group
      {"+B H~>", -1},        // a blank in a short group
      {"z!!~>", 0},          // "z" and a short group
  };
  for (const auto& c : cases) {
    const Decoded d = Decode(c.text);
    EXPECT_EQ(d.result, c.result) << c.text;
    EXPECT_EQ(d, RefDecode(c.text)) << c.text;
  }
  // Bytes are written for bad groups too: "9j o^" decodes with a blank as digit -1.
  EXPECT_EQ(Decode("9j o^9jqo^~>").bytes.substr(4), "Man ");
}

// Groups whose value does not fit the bytes they stand for: no encoder writes them, and their
// bytes would be silently wrong, so they are reported as bad.
TEST(Ascii85, GroupsTooLargeForTheirBytesGiveMinusOne) {
  struct Case {
    std::string text;
    Integer result;
    std::string bytes;
  } cases[] = {
      {"s8W-!~>", 0, "\xFF\xFF\xFF\xFF"},                // 2^32 - 1, the largest
      {"s8W-\"~>", -1, std::string(4, '\0')},            // 2^32, low bytes written
      {"uuuuu~>", -1, std::string("\x08\x78\x0E\xC4")},  // 85^5 - 1 mod 2^32
      {"$!~>", 0, "\xFF"},                               // 255 in one byte
      {"$\"~>", -1, std::string(1, '\0')},               // 256 in one byte
      {"uu~>", -1, "\x38"},
      {"9jqo^uu~>", -1, "Man \x38"},
      {"uuzuu~>", -2, {}},  // a bad character: its code stands
  };
  for (const auto& c : cases) {
    const Decoded d = Decode(c.text);
    EXPECT_EQ(d.result, c.result) << c.text;
    if (c.result != -2) {
      EXPECT_EQ(d.bytes, c.bytes) << c.text;
    }
    EXPECT_EQ(d, RefDecode(c.text)) << c.text;
  }
  // The boundaries of the short groups: 2^16 - 1 and 2^24 - 1 fit, one more does not.
  for (std::uint32_t bytes = 2; bytes <= 3; ++bytes) {
    const std::uint32_t max = (1u << (8 * bytes)) - 1;
    std::string ok, over;
    for (std::uint32_t d = bytes + 1, v = max, w = max + 1; d-- > 0;) {
      const std::uint32_t p = d == 0 ? 1 : d == 1 ? 85 : d == 2 ? 7225 : 614125;
      ok += static_cast<char>('!' + v / p), v %= p;
      over += static_cast<char>('!' + w / p), w %= p;
    }
    EXPECT_EQ(Decode(ok + "~>").result, 0) << ok;
    EXPECT_EQ(Decode(ok + "~>").bytes, std::string(bytes, '\xFF'));
    EXPECT_EQ(Decode(over + "~>").result, -1) << over;
  }
}

TEST(Ascii85, StopsAfterTheTerminatorGroup) {
  struct Case {
    std::string text, bytes;
    std::size_t consumed;
  } cases[] = {
      {"+B>H~>XYZ", "abc", 5},               // ">" is in the next group: not read
      {"$G:~x>XYZ", "ab", 5},                // what follows "~" in its group is ignored
      {"z~>rest", std::string(4, '\0'), 6},  // "~>res" is one group
      {"9jqo^~>9jqo^", "Man ", 10},          // "~>9jq" is one group
      {"+B>H", "abc", 4},                    // no terminator: the end of the input ends it
      {"+B>H\r\n", "abc", 6},
      {"", "", 0},
      {"\r\n~>", "", 4},
      {"9j~o~^~>", "", 5},  // the last "~" counts: "9j~o" is one bad group
  };
  for (const auto& c : cases) {
    const Decoded d = Decode(c.text);
    if (c.text != "9j~o~^~>") {
      EXPECT_EQ(d.bytes, c.bytes) << c.text;
    }
    EXPECT_EQ(d.consumed, c.consumed) << c.text;
    EXPECT_EQ(d, RefDecode(c.text)) << c.text;
  }
  EXPECT_EQ(Decode("9j~o~^~>").result, -1);
}

TEST(Ascii85, DecoderMatchesReferenceOnRandomText) {
  // Mostly digits, with every character the decoder treats specially.
  const std::string specials = "z~>\r\n {\x7F\x80\xFF!u";
  std::mt19937 gen(4);
  for (int trial = 0; trial < 4000; ++trial) {
    const std::size_t len = trial < 3990 ? gen() % 200 : 70000 + gen() % 70000;
    const unsigned special_rate = 2 + gen() % 60;
    std::string text(len, '!');
    for (auto& c : text) {
      c = gen() % special_rate == 0 ? specials[gen() % specials.size()]
                                    : static_cast<char>('!' + gen() % 85);
    }
    ASSERT_EQ(Decode(text), RefDecode(text)) << trial;
  }
}

using testing::TrickleStream;

// Where the first fault stands, in characters from where decoding started (CR and LF count),
// for the fast path of whole groups and the character-by-character path alike.
TEST(Ascii85, FirstFaultOffsets) {
  const struct {
    std::string text;
    TASCII85Fault fault;
  } cases[] = {
      {"9jqo^~>", {0, -1, false}},
      {"9j o^~>", {-1, 2, false}},
      {"9j{o^~>", {-1, 2, false}},
      {"9jzo^~>", {-2, 2, false}},
      {"9jzo^9j o^~>", {-2, 2, false}},  // the first, though the result is the last
      {"9j\r\n o^~>", {-1, 4, false}},   // CR and LF count
      {"s8W-\"~>", {-1, 4, true}},       // a whole group: its fifth digit
      {"\r\ns8W-\"~>", {-1, 6, true}},   // the same, character by character
      {"s8\nW-\"~>", {-1, 5, true}},
      {"9jqo^uu~>", {-1, 7, true}},  // a final group: the "~" that ends it
      {"$\"~>", {-1, 2, true}},
      {"uu", {-1, 1, true}},            // ended by the input: its last digit
      {"uuuuu9j o^~>", {-1, 4, true}},  // a large group before a bad character
  };
  for (const auto& c : cases) {
    TStringStream in(c.text), out;
    TASCII85Fault fault{7, 7, true};
    EXPECT_EQ(DecodeASCII85(in, out, fault), RefDecode(c.text).result) << c.text;
    EXPECT_EQ(fault, c.fault) << c.text;
  }
  // Across chunk boundaries: a bad group after zero groups and some line feeds.
  for (std::size_t feeds : {0, 1, 3, 4094, 4095, 4096, 4097}) {
    const std::string text = std::string(feeds, '\n') + std::string(5000, '!') + "uuuuu~>";
    for (std::size_t chunk : {3, 4096}) {
      TrickleStream in(text, chunk);
      TStringStream out;
      TASCII85Fault fault;
      EXPECT_EQ(DecodeASCII85(in, out, fault), -1) << feeds;
      EXPECT_EQ(fault, (TASCII85Fault{-1, static_cast<std::int64_t>(feeds) + 5004, true}))
          << feeds << " " << chunk;
    }
  }
}

TEST(Ascii85, ShortReadsAreHandled) {
  std::mt19937 gen(5);
  const std::string bytes = RandomBytes(5000, gen);
  const std::string text = RefEncode(bytes);
  for (std::size_t chunk : {1, 2, 3, 7, 4096}) {
    TrickleStream in(text + "tail", chunk);
    TStringStream out;
    EXPECT_EQ(DecodeASCII85(in, out), 0);
    EXPECT_EQ(out.Bytes(), bytes);
    EXPECT_EQ(in.Position(), static_cast<std::int64_t>(RefDecode(text + "tail").consumed));
  }
  // Reads that give whole groups go on until a read gives nothing.
  for (std::size_t chunk : {4, 8, 4096}) {
    TrickleStream in(bytes, chunk);
    TStringStream out;
    EncodeASCII85(in, out);
    EXPECT_EQ(out.Bytes(), text);
  }
}

TEST(Ascii85, WorksFromAndAtTheStreamPositions) {
  TStringStream in(std::string("skipabc"));
  in.SetPosition(4);
  TStringStream out(std::string("head"));
  out.SetPosition(4);
  EncodeASCII85(in, out);
  EXPECT_EQ(out.Bytes(), "head+B>H~>");

  TStringStream text(std::string("junk+B>H~>"));
  text.SetPosition(4);
  TStringStream bytes(std::string("prefix"));
  bytes.SetPosition(6);
  EXPECT_EQ(DecodeASCII85(text, bytes), 0);
  EXPECT_EQ(bytes.Bytes(), "prefixabc");
  EXPECT_EQ(text.Position(), 9);
}

// ---- Adobe's form ----

using krv::testing::AdobeDecoded;
using krv::testing::RefDecodeAdobe;
using krv::testing::RefEncodeAdobe;

std::string EncodeAdobe(const std::string& bytes, std::size_t width = 0) {
  TStringStream in(bytes), out;
  EncodeASCII85Adobe(in, out, width);
  return out.Bytes();
}

AdobeDecoded DecodeAdobe(TStream& in) {
  TStringStream out;
  AdobeDecoded d;
  d.result = DecodeASCII85Adobe(in, out);
  d.bytes = out.Bytes();
  d.consumed = static_cast<std::size_t>(in.Position());
  return d;
}

AdobeDecoded DecodeAdobe(const std::string& text) {
  TStringStream in(text);
  return DecodeAdobe(in);
}

AdobeDecoded Sound(const std::string& bytes, std::size_t length) {
  return {bytes, {a85Sound, static_cast<std::int64_t>(length)}, length};
}

constexpr char kLeviathan[] =
    "Man is distinguished, not only by his reason, but by this singular passion from other "
    "animals, which is a lust of the mind, that by a perseverance of delight in the continued "
    "and indefatigable generation of knowledge, exceeds the short vehemence of any carnal "
    "pleasure.";
constexpr char kLeviathanText[] =
    "<~9jqo^BlbD-BleB1DJ+*+F(f,q/0JhKF<GL>Cj@.4Gp$d7F!,L7@<6@)/0JDEF<G%<+EV:2F!,O<DJ+*.@<*K0@<6L("
    "Df-\\0Ec5e;DffZ(EZee.Bl.9pF\"AGXBPCsi+DGm>@3BB/F*&OCAfu2/AKYi(DIb:@FD,*)+C]U=@3BN#EcYf8ATD3s@"
    "q?d$AftVqCh[NqF<G:8+EV:.+Cf>-FD5W8ARlolDIal(DId<j@<?3r@:F%a+D58'ATD4$Bl@l3De:,-DJs`8ARoFb/"
    "0JMK@qB4^F!,R<AKZ&-DfTqBG%G>uD.RTpAKYo'+CT/5+Cei#DII?(E,9)oF*2M7/c~>";

// The Leviathan quotation and "sure." are the examples of Wikipedia's "Ascii85" article; the
// others are what Python's base64.a85encode(data, adobe=True) writes.
TEST(Ascii85Adobe, PublishedVectors) {
  struct Case {
    std::string bytes, text;
  } cases[] = {
      {kLeviathan, kLeviathanText},
      {"sure.", "<~F*2M7/c~>"},
      {"", "<~~>"},
      {"abc", "<~@:E^~>"},
      {std::string(1, '\0'), "<~!!~>"},  // a zero final group is never "z"
      {std::string(4, '\0'), "<~z~>"},
      {std::string(5, '\0'), "<~z!!~>"},
      {"\xFF", "<~rr~>"},
      {"\xFF\xFF\xFF", "<~s8W*~>"},
      {"\xFF\xFF\xFF\xFF", "<~s8W-!~>"},
      {"Hello, World!", "<~87cURD_*#4DfTZ)+T~>"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeAdobe(c.bytes), c.text);
    EXPECT_EQ(DecodeAdobe(c.text), Sound(c.bytes, c.text.size())) << c.text;
    const std::string bare = c.text.substr(2);  // the start is optional
    EXPECT_EQ(DecodeAdobe(bare), Sound(c.bytes, bare.size())) << bare;
  }
}

// Expected texts from Python's base64.a85encode(data, adobe=True, wrapcol=width).
TEST(Ascii85Adobe, LineBreaksAsPythonWritesThem) {
  struct Case {
    std::size_t width;
    std::string bytes, text;
  } cases[] = {
      {1, "", "<~\n~>"},  // 1 acts as 2: the start stays whole
      {1, "abcd", "<~\n@:\nE_\nW\n~>"},
      {2, "a", "<~\n@/\n~>"},
      {3, "", "<~\n~>"},
      {3, "abcdefgh", "<~@\n:E_\nWAS\n,Rg\n~>"},
      {4, "", "<~~>"},
      {4, "abcdefgh", "<~@:\nE_WA\nS,Rg\n~>"},
      {5, "abcd", "<~@:E\n_W~>"},
      {6, "a", "<~@/~>"},
      {6, "abcdefgh", "<~@:E_\nWAS,Rg\n~>"},
      {7, "abcdefgh", "<~@:E_W\nAS,Rg~>"},
      {75, kLeviathan,
       "<~9jqo^BlbD-BleB1DJ+*+F(f,q/0JhKF<GL>Cj@.4Gp$d7F!,L7@<6@)/0JDEF<G%<+EV:2F!,\n"
       "O<DJ+*.@<*K0@<6L(Df-\\0Ec5e;DffZ(EZee.Bl.9pF\"AGXBPCsi+DGm>@3BB/F*&OCAfu2/AKY\n"
       "i(DIb:@FD,*)+C]U=@3BN#EcYf8ATD3s@q?d$AftVqCh[NqF<G:8+EV:.+Cf>-FD5W8ARlolDIa\n"
       "l(DId<j@<?3r@:F%a+D58'ATD4$Bl@l3De:,-DJs`8ARoFb/0JMK@qB4^F!,R<AKZ&-DfTqBG%G\n"
       ">uD.RTpAKYo'+CT/5+Cei#DII?(E,9)oF*2M7/c~>"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeAdobe(c.bytes, c.width), c.text) << c.width << " " << c.bytes;
    EXPECT_EQ(RefEncodeAdobe(c.bytes, c.width), c.text) << c.width << " " << c.bytes;
    EXPECT_EQ(DecodeAdobe(c.text), Sound(c.bytes, c.text.size())) << c.text;
  }
}

// Every fault, where it is reported, and the bytes of the groups before it.
TEST(Ascii85Adobe, DecodeFaultsAndOddTexts) {
  struct Case {
    std::string text;
    TASCII85AdobeFault fault;
    std::int64_t offset;
    std::string bytes;
  } cases[] = {
      {"", a85NoTerminator, 0, ""},
      {"~>", a85Sound, 2, ""},
      {"<~~>tail", a85Sound, 4, ""},  // what follows the terminator is not read
      {"  \n<~ @:\n\tE^ ~>x", a85Sound, 15, "abc"},
      {std::string("<~\f\v\0 z\r\n~>", 11), a85Sound, 11, std::string(4, '\0')},
      {"<>+09aS~>", a85Sound, 9, "U\x12\xDE\xD1\xC8"},  // '<' without '~' is a digit
      {"<~s8W*~>", a85Sound, 8, "\xFF\xFF\xFF"},
      {"<~@:E^", a85NoTerminator, 6, ""},
      {"<~9jqo^@:E^~", a85NoTerminator, 12, "Man "},
      {"<", a85NoTerminator, 1, ""},
      {"<~@:E^~x", a85TildeWithoutGreater, 7, ""},
      {"<~@:E^~ >", a85TildeWithoutGreater, 7, ""},
      {"<~@:E_W!~>", a85OneDigitGroup, 9, "abcd"},
      {"< ~>", a85OneDigitGroup, 3, ""},  // the '<' is a one-digit group
      {"<~@:zE^~>", a85ZInsideGroup, 4, ""},
      {"<~9jqo^9jqoz~>", a85ZInsideGroup, 11, "Man "},
      {"<~s8W-\"~>", a85GroupTooLarge, 6, ""},  // 2^32
      {"<~9jqo^ uuuuu~>", a85GroupTooLarge, 12, "Man "},
      {"<~uu\nuuu~>", a85GroupTooLarge, 7, ""},
      {"<~s8W-~>", a85GroupTooLarge, 7, ""},  // once padded with "u": 2^32 + 83
      {"<~uuuu~>", a85GroupTooLarge, 7, ""},
      {"<~@:{E^~>", a85BadCharacter, 4, ""},
      {"<~9jqo^9j{o^~>", a85BadCharacter, 9, "Man "},
      {"<~y~>", a85BadCharacter, 2, ""},
      {"<~>", a85NoTerminator, 3, ""},  // ">" alone is a digit
      {"<~\x80~>", a85BadCharacter, 2, ""},
  };
  for (const auto& c : cases) {
    const AdobeDecoded d = DecodeAdobe(c.text);
    EXPECT_EQ(d.result, (TASCII85AdobeResult{c.fault, c.offset})) << c.text;
    EXPECT_EQ(d.bytes, c.bytes) << c.text;
    EXPECT_EQ(d, RefDecodeAdobe(c.text)) << c.text;
  }
}

TEST(Ascii85Adobe, RoundTripsAtEveryLengthAndWidth) {
  std::mt19937 gen(7);
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 40; ++n) lengths.push_back(n);
  for (std::size_t n : {4095, 4096, 4097, 8195, (1 << 20) + 3}) lengths.push_back(n);
  for (std::size_t len : lengths) {
    const std::string bytes = RandomBytes(len, gen);
    for (std::size_t width : {0, 1, 2, 3, 5, 76, 5120}) {
      if (len > 8195 && width != 76) continue;
      const std::string text = EncodeAdobe(bytes, width);
      ASSERT_EQ(text, RefEncodeAdobe(bytes, width)) << len << " " << width;
      ASSERT_EQ(DecodeAdobe(text), Sound(bytes, text.size())) << len << " " << width;
    }
  }
}

TEST(Ascii85Adobe, DecoderMatchesReferenceOnRandomText) {
  // Digits, white space and every character the decoder treats specially.
  const std::string specials = std::string("z~<>{ \t\n\r\f\v\x80\xFFu!", 16) + '\0';
  std::mt19937 gen(8);
  for (int trial = 0; trial < 4000; ++trial) {
    std::string text = trial % 3 == 0 ? "<~" : "";
    const std::size_t len = trial < 3990 ? gen() % 200 : 70000 + gen() % 70000;
    const unsigned special_rate = 2 + gen() % 200;
    for (std::size_t i = 0; i < len; ++i)
      text += gen() % special_rate == 0 ? specials[gen() % specials.size()]
                                        : static_cast<char>('!' + gen() % 85);
    if (trial % 2 == 0) text += "~>";
    ASSERT_EQ(DecodeAdobe(text), RefDecodeAdobe(text)) << trial;
    for (std::size_t chunk : {1, 3, 7}) {
      TrickleStream in(text, chunk);
      ASSERT_EQ(DecodeAdobe(in), RefDecodeAdobe(text)) << trial << " " << chunk;
    }
  }
}

TEST(Ascii85Adobe, ShortReadsAndStreamPositions) {
  std::mt19937 gen(9);
  const std::string bytes = RandomBytes(5001, gen);
  const std::string text = RefEncodeAdobe(bytes, 0);
  for (std::size_t chunk : {1, 2, 3, 5, 4096}) {
    TrickleStream in(bytes, chunk);
    TStringStream out;
    EncodeASCII85Adobe(in, out);
    EXPECT_EQ(out.Bytes(), text) << chunk;
  }
  TStringStream in("skip" + bytes), out(std::string("head"));
  in.SetPosition(4);
  out.SetPosition(4);
  EncodeASCII85Adobe(in, out);
  EXPECT_EQ(out.Bytes(), "head" + text);
  TStringStream encoded("junk" + text + "tail"), back(std::string("prefix"));
  encoded.SetPosition(4);
  back.SetPosition(6);
  EXPECT_EQ(DecodeASCII85Adobe(encoded, back),
            (TASCII85AdobeResult{a85Sound, static_cast<std::int64_t>(text.size())}));
  EXPECT_EQ(back.Bytes(), "prefix" + bytes);
  EXPECT_EQ(encoded.Position(), static_cast<std::int64_t>(4 + text.size()));
}

}  // namespace
}  // namespace krv
