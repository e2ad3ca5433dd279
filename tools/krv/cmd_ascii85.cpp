// krv ascii85: ASCII85 encoding and decoding in the library's form and in Adobe's.
//
// The library's form is coded by the library (EncodeASCII85, DecodeASCII85); this file only
// frames it: it finds the terminator and the length of the final group, so that a text cut
// short or ending in a one-character group is reported, and refuses Adobe's "<~" start.
// Adobe's form ("<~ ... ~>", the final group padded, white space ignored) is coded by the
// library too (EncodeASCII85Adobe, DecodeASCII85Adobe); this file turns its faults into
// messages and, as Python's a85decode(adobe=True) does, refuses anything after the "~>".
//
// Decoding writes nothing unless the whole text is sound: a named output file is only put in
// place on success, and other outputs hold the bytes back until then (Output::HoldUntilCommit).
// Every fault is reported with the byte where it stands, counted from 1.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli.h"
#include "io.h"
#include "korvex/dstruct/ascii85.h"

namespace krv::tool {
namespace {

constexpr std::size_t kChunk = 1 << 16;

std::string Malformed(std::string_view what) {
  return "malformed ASCII85 text: " + std::string(what);
}

// A fault at `offset` (counted from 0 in the input), reported as byte offset + 1.
Failure FaultAt(const std::string& name, std::string_view what, std::int64_t offset) {
  return {name, Malformed(std::string(what) + " at byte " + std::to_string(offset + 1))};
}

// Text that ends before its terminator; `length` bytes were read.
Failure CutShort(const std::string& name, std::int64_t length) {
  return {name, Malformed("no terminator '~>': the text is cut short after byte " +
                          std::to_string(length))};
}

// Writes text to an output with a line break after every `width` characters (0: none). The
// terminator "~>" is never split: it starts a new line when it does not fit.
class LineWrapper {
 public:
  LineWrapper(Output& out, std::size_t width) : out_(out), width_(width) {}

  void Put(const char* p, std::size_t n) {
    if (width_ == 0) return out_.Write(p, n);
    std::string text;
    text.reserve(n + n / width_ + 2);
    for (std::size_t i = 0; i < n; ++i) {
      const bool terminator = p[i] == '~' && col_ > 0 && col_ + 2 > width_;
      if (col_ == width_ || terminator) {
        text += '\n';
        col_ = 0;
      }
      text += p[i];
      ++col_;
    }
    out_.Write(text);
  }

 private:
  Output& out_;
  std::size_t width_;
  std::size_t col_ = 0;
};

// The library's encoder writes through this stream into a LineWrapper.
class WrapStream : public TStream {
 public:
  explicit WrapStream(LineWrapper& w) : w_(w) {}
  std::size_t Read(void*, std::size_t) override { return 0; }
  std::size_t Write(const void* buffer, std::size_t count) override {
    w_.Put(static_cast<const char*>(buffer), count);
    return count;
  }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return -1; }

 private:
  LineWrapper& w_;
};

// The text of the library's form, handed to its decoder up to and including the "~" of the
// terminator; notes where the final group stands.
class LibraryTextStream : public TStream {
 public:
  explicit LibraryTextStream(Input& in) : in_(in) {}

  std::size_t Read(void* buffer, std::size_t count) override {
    auto* out = static_cast<char*>(buffer);
    std::size_t n = 0;
    while (n < count && !done_) {
      if (pos_ == len_ && !Fill()) break;
      const char c = buf_[pos_++];
      out[n++] = c;
      Scan(c, base_ + static_cast<std::int64_t>(pos_) - 1);
    }
    return n;
  }
  std::size_t Write(const void*, std::size_t) override { return 0; }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return -1; }

  // After decoding: throws when the text has no terminator or ends in a one-digit group.
  void CheckEnd() {
    if (!done_) throw CutShort(in_.Name(), in_.Consumed());
    if (pos_ == len_) Fill();
    if (pos_ == len_) throw CutShort(in_.Name(), in_.Consumed());
    if (buf_[pos_] != '>') throw FaultAt(in_.Name(), "'~' without '>'", tilde_at_ + 1);
    if (group_ == 1) throw FaultAt(in_.Name(), "a final group of one character", tilde_at_);
  }

 private:
  bool Fill() {
    base_ += static_cast<std::int64_t>(len_);
    len_ = in_.Read(buf_.data(), buf_.size());
    pos_ = 0;
    return len_ > 0;
  }
  // Follows the groups as the decoder sees them: CR and LF are skipped, "z" stands alone at
  // the start of a group, every other character counts. `at` is where c stands.
  void Scan(char c, std::int64_t at) {
    if (c == '\r' || c == '\n') return;
    if (leading_ < 2) {
      if (leading_ == 1 && first_ == '<' && c == '~')
        throw Failure{in_.Name(), "the text starts with '<~' (Adobe's framing) at byte " +
                                      std::to_string(first_at_ + 1) + ": decode it with --adobe"};
      if (leading_++ == 0) {
        first_ = c;
        first_at_ = at;
      }
    }
    if (c == '~') {
      done_ = true;
      tilde_at_ = at;
    } else if (!(c == 'z' && group_ == 0)) {
      group_ = (group_ + 1) % 5;
    }
  }

  Input& in_;
  std::array<char, kChunk> buf_;
  std::size_t pos_ = 0, len_ = 0;
  std::int64_t base_ = 0;  // bytes of the input before buf_[0]
  int leading_ = 0;
  char first_ = 0;
  std::int64_t first_at_ = 0;  // where first_ stands
  std::size_t group_ = 0;      // characters of the current group
  bool done_ = false;
  std::int64_t tilde_at_ = 0;  // where the terminator's "~" stands
};

// ---- Adobe's form ----

std::string_view FaultText(TASCII85AdobeFault fault) {
  switch (fault) {
    case a85Sound:
      break;
    case a85BadCharacter:
      return "a character outside '!'..'u'";
    case a85ZInsideGroup:
      return "'z' inside a group";
    case a85GroupTooLarge:
      return "a group too large for four bytes";
    case a85OneDigitGroup:
      return "a final group of one character";
    case a85TildeWithoutGreater:
      return "'~' without '>'";
    case a85NoTerminator:
      break;  // reported by CutShort
  }
  return "";
}

// Decodes Adobe's form; throws Failure naming the byte of the first fault. As Python's
// a85decode(adobe=True), the text is one framed text: nothing may follow its "~>", not even
// white space.
void DecodeAdobe(Input& in, Output& out) {
  const TASCII85AdobeResult result = DecodeASCII85Adobe(in.Stream(), out.Stream());
  if (result.fault == a85NoTerminator) throw CutShort(in.Name(), result.offset);
  if (result.fault != a85Sound) throw FaultAt(in.Name(), FaultText(result.fault), result.offset);
  char next;
  if (in.Consumed() > result.offset || in.Read(&next, 1) > 0)
    throw FaultAt(in.Name(), "text after the terminator '~>'", result.offset);
}

// Decodes the library's form; throws Failure naming the byte of the first fault.
void DecodeLibrary(Input& in, Output& out) {
  LibraryTextStream text(in);
  TASCII85Fault fault;
  DecodeASCII85(text, out.Stream(), fault);
  if (fault.code == -1)
    throw FaultAt(
        in.Name(),
        fault.group_too_large ? "a group too large for its bytes" : "a character outside '!'..'u'",
        fault.offset);
  if (fault.code == -2) throw FaultAt(in.Name(), "'z' inside a group", fault.offset);
  text.CheckEnd();
}

// ---- the command ----

struct Options {
  std::string mode;
  std::vector<std::string> inputs;
  std::string output = "-";
  bool adobe = false;
  int wrap = 0;
  CLI::Option* wrap_option = nullptr;
};

int Run(const Options& o) {
  if (o.inputs.size() > 1) throw Failure{"", "one input only; name the output with -o FILE"};
  const bool encode = o.mode == "encode";
  if (!encode && o.wrap_option->count() > 0) throw Failure{"", "--wrap applies to encode only"};
  Output out(o.output);
  Input in(o.inputs.empty() ? "-" : o.inputs[0]);
  in.ShowProgress();
  if (encode && o.adobe) {
    EncodeASCII85Adobe(in.Stream(), out.Stream(), static_cast<std::size_t>(o.wrap));
  } else if (encode) {
    LineWrapper wrapper(out, static_cast<std::size_t>(o.wrap));
    WrapStream text(wrapper);
    EncodeASCII85(in.Stream(), text);
  } else {
    out.HoldUntilCommit();  // nothing is written unless the whole text is sound
    if (o.adobe) {
      DecodeAdobe(in, out);
    } else {
      DecodeLibrary(in, out);
    }
  }
  out.Commit();
  return kExitOk;
}

RunFn Setup(CLI::App& app) {
  auto o = std::make_shared<Options>();
  AddCoderOperands(app, o->mode, o->inputs, o->output);
  app.add_flag("-a,--adobe", o->adobe, "Adobe's form: '<~' ... '~>', final group padded");
  o->wrap_option =
      app.add_option("-w,--wrap", o->wrap, "encode: break lines after N characters (0: no breaks)")
          ->transform(WholeNumber(0, 1 << 30))
          ->option_text(" N");
  return [o] { return Run(*o); };
}

const KrvCommand reg{
    {.name = "ascii85",
     .summary = "ASCII85 encode or decode bytes (the library's form or Adobe's)",
     .usage = "krv ascii85 encode [--adobe] [--wrap N] [-o OUT] [-q] [IN]\n"
              "krv ascii85 decode [--adobe] [-o OUT] [-q] [IN]",
     .description =
         "Codes bytes as ASCII85 text: five characters from '!' to 'u' per four bytes, 'z'\n"
         "for four zero bytes. IN defaults to standard input and the output to standard\n"
         "output; '-' names them too. A named output file is replaced only when the\n"
         "command succeeds, and may not be the input itself.\n"
         "\n"
         "The library's form (the default) has no start delimiter, writes a last group of\n"
         "k < 4 bytes as k + 1 characters holding just those bytes, and ends with '~>'.\n"
         "Its decoder skips CR and LF and stops after the terminator.\n"
         "\n"
         "With --adobe, the standard form other tools write (Python's\n"
         "base64.a85encode(data, adobe=True), PostScript, PDF): the text is framed by '<~'\n"
         "and '~>' (the start is optional when decoding), a last group is padded with zero\n"
         "bytes before coding and cut to k + 1 characters, white space is ignored.\n"
         "\n"
         "decode fails on text no encoder writes: a character outside '!'..'u', a 'z'\n"
         "inside a group, a group too large for its bytes, a last group of one character,\n"
         "or text without the terminator; with --adobe also anything after '~>', white\n"
         "space included, as Python's base64.a85decode(adobe=True) refuses it. Text that\n"
         "starts with '<~' is refused without --adobe. The message names the byte of the\n"
         "fault, counted from 1 at the start of the input (for a group too large or too\n"
         "short, the byte that ends the group).\n"
         "\n"
         "A failed decode writes nothing: an output file is left as it was, and the bytes\n"
         "for standard output (or a device or FIFO) are held back until the whole text is\n"
         "known to be sound, the first 1 MiB in memory and the rest in a temporary file.",
     .exit_status = "0  the bytes were coded\n"
                    "2  malformed ASCII85 text, an unreadable input, an output that is the\n"
                    "   input or could not be written, or a usage error",
     .examples = "krv ascii85 encode logo.png -o logo.a85\n"
                 "krv ascii85 decode logo.a85 -o logo.png\n"
                 "krv ascii85 encode --adobe --wrap 76 logo.png\n"
                 "python3 -c 'import base64,sys; sys.stdout.buffer.write(base64.a85encode("
                 "b\"abc\", adobe=True))' | krv ascii85 decode --adobe"},
    &Setup};

}  // namespace
}  // namespace krv::tool
