// Fuzz target for TCustomTextLabel's XML readers, ReadFromOpenXMLFile and ReadFromXMLStream.
//
// The first byte picks the identifier searched for ("", "lbl1" or "LBL2"), the indent of the
// write-back and how many bytes a short-reading stream gives per read; the rest is the file.
// Any file gives true or false, never a crash or a hang; false without an event leaves the
// label as it was; an event fires at most once, and always with true. The same bytes are read
// from the text file, from a string stream and from the short-reading stream, twice in a row
// each (the second read going on where the first stopped): every read must give the same
// result, event and label from all three, and both streams must stand at the same position.
// The stream reader passes over other labels never for the empty identifier, and when it finds
// no element exactly when the empty identifier would have found one. A label that was read (and
// whose caption and font name the unescaped element can carry) writes an element that reads
// back to the same label, colours up to their high byte.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "../tests/test_support/trickle_stream.h"

#include "korvex/base/labels.h"
#include "korvex/platform/text.h"
#include "korvex/platform/textfile.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

std::string TempName(const char* tag) {
  return "/tmp/korvex_label_xml_fuzz_" + std::to_string(getpid()) + tag;
}

// Equal settings; with low24 only the low 24 bits of the colours count (the element keeps no
// more, while the reader takes up to 8 hexadecimal digits).
bool Same(const krv::TCustomTextLabel& a, const krv::TCustomTextLabel& b, bool low24) {
  const krv::TColor mask = low24 ? 0xFFFFFFu : 0xFFFFFFFFu;
  auto same_color = [&](krv::TColor x, krv::TColor y) { return ((x ^ y) & mask) == 0; };
  const krv::TFont& fa = *a.Font();
  const krv::TFont& fb = *b.Font();
  return a.PosX() == b.PosX() && a.PosY() == b.PosY() && a.Layer() == b.Layer() &&
         a.XShadow() == b.XShadow() && a.YShadow() == b.YShadow() &&
         same_color(a.ColorShadow(), b.ColorShadow()) && same_color(a.ColorBkg(), b.ColorBkg()) &&
         same_color(a.ColorBrd(), b.ColorBrd()) && a.Alignment() == b.Alignment() &&
         a.VertAlign() == b.VertAlign() && a.AttachDat() == b.AttachDat() &&
         a.TransPar() == b.TransPar() && a.Visible() == b.Visible() && a.Mode() == b.Mode() &&
         a.Caption() == b.Caption() && fa.Name() == fb.Name() && fa.Size() == fb.Size() &&
         same_color(fa.Color(), fb.Color()) && fa.Style() == fb.Style();
}

// Whether the element can carry the label's texts unchanged.
bool Writable(const krv::TCustomTextLabel& l) {
  const krv::String& c = l.Caption();
  const krv::String& n = l.Font()->Name();
  return c.find(u'>') == krv::String::npos && c.find(u"</") == krv::String::npos &&
         n.find(u'>') == krv::String::npos && n.find(u'"') == krv::String::npos;
}

// What one read gave: its result, the events it fired and, for the stream reader, whether it
// passed over other labels.
struct Outcome {
  bool ok = false;
  int events = 0;
  bool other = false;
};

template <class ReadFn>
Outcome ReadOnce(krv::TCustomTextLabel& l, ReadFn read) {
  Outcome o;
  l.SetOnChange([&](krv::TObject*) { ++o.events; });
  o.ok = read(l, o.other);
  l.SetOnChange(nullptr);
  Check(o.events <= 1 && (!o.ok || o.events == 1));
  return o;
}

// Two reads in a row from a text file, into labels[0] and labels[1].
void ReadFileTwice(const std::string& name, const krv::String& id, krv::TCustomTextLabel* labels,
                   Outcome* outcomes) {
  krv::TextFile f;
  f.Assign(krv::ToUtf16(name));
  f.Reset();
  for (int i = 0; i < 2; ++i)
    outcomes[i] = ReadOnce(
        labels[i], [&](krv::TCustomTextLabel& l, bool&) { return l.ReadFromOpenXMLFile(f, id); });
  f.Close();
}

// Two reads in a row from a stream; the same as from the file, and the stream's rule for other
// labels kept.
void CheckStreamTwice(krv::TStream& in, const krv::String& id, const std::string& bytes,
                      const krv::TCustomTextLabel* want, const Outcome* want_outcomes) {
  for (int i = 0; i < 2; ++i) {
    krv::TCustomTextLabel label;
    const Outcome o = ReadOnce(label, [&](krv::TCustomTextLabel& l, bool& other) {
      return l.ReadFromXMLStream(in, id, &other);
    });
    Check(o.ok == want_outcomes[i].ok && o.events == want_outcomes[i].events);
    Check(Same(label, want[i], false));
    Check(in.Position() <= static_cast<std::int64_t>(bytes.size()));
    if (o.events == 0) Check(in.Position() == static_cast<std::int64_t>(bytes.size()));
    if (id.empty()) Check(!o.other);
    if (o.events == 0 && i == 0) {
      krv::TStringStream again(bytes);
      krv::TCustomTextLabel any;
      const Outcome first = ReadOnce(any, [&](krv::TCustomTextLabel& l, bool& other) {
        return l.ReadFromXMLStream(again, u"", &other);
      });
      Check(o.other == (first.events == 1));
    }
  }
}

// The element a label writes, read back.
void CheckWriteBack(const krv::TCustomTextLabel& label, const krv::String& id, unsigned flags) {
  const std::string out_name = TempName(".out");
  {
    krv::TextFile f;
    f.Assign(krv::ToUtf16(out_name));
    f.Rewrite();
    label.WriteToOpenXMLFile(f, (flags & 8) != 0, id, static_cast<std::int32_t>(flags >> 4));
    f.Close();
  }
  krv::TCustomTextLabel back[2];
  Outcome outcomes[2];
  ReadFileTwice(out_name, id, back, outcomes);
  Check(outcomes[0].ok && outcomes[0].events == 1);
  Check(Same(back[0], label, true));
  std::remove(out_name.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const char16_t* const kIds[] = {u"", u"lbl1", u"LBL2"};
  const krv::String id = kIds[data[0] % 3];
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string in_name = TempName(".in");
  std::ofstream(in_name, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));

  krv::TCustomTextLabel labels[2], fresh;
  Outcome outcomes[2];
  ReadFileTwice(in_name, id, labels, outcomes);
  std::remove(in_name.c_str());
  for (int i = 0; i < 2; ++i)
    if (outcomes[i].events == 0) Check(Same(labels[i], fresh, false));

  krv::TStringStream whole(bytes);
  CheckStreamTwice(whole, id, bytes, labels, outcomes);
  krv::testing::TrickleStream trickle(bytes, 1 + (data[0] >> 2) % 13);
  CheckStreamTwice(trickle, id, bytes, labels, outcomes);
  Check(whole.Position() == trickle.Position());

  if (outcomes[0].ok && Writable(labels[0])) CheckWriteBack(labels[0], id, data[0]);
  return 0;
}
