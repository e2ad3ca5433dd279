// Fuzz target for TCustomTextLabel::ReadFromOpenXMLFile.
//
// The first byte picks the identifier searched for ("", "lbl1" or "LBL2") and the indent of
// the write-back; the rest is the file. Any file gives true or false, never a crash or a hang;
// false without an event leaves the label as it was; an event fires at most once, and always
// with true. A label that was read (and whose caption and font name the unescaped element can
// carry) writes an element that reads back to the same label, colours up to their high byte.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

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

bool Read(const std::string& name, const krv::String& id, krv::TCustomTextLabel& l, int& events) {
  events = 0;
  l.SetOnChange([&](krv::TObject*) { ++events; });
  krv::TextFile f;
  f.Assign(krv::ToUtf16(name));
  f.Reset();
  const bool ok = l.ReadFromOpenXMLFile(f, id);
  f.Close();
  l.SetOnChange(nullptr);
  return ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const char16_t* const kIds[] = {u"", u"lbl1", u"LBL2"};
  const krv::String id = kIds[data[0] % 3];
  const std::string in_name = TempName(".in"), out_name = TempName(".out");
  std::ofstream(in_name, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));

  krv::TCustomTextLabel label, fresh;
  int events = 0;
  const bool ok = Read(in_name, id, label, events);
  Check(events <= 1 && (!ok || events == 1));
  if (events == 0) Check(Same(label, fresh, false));

  if (ok && Writable(label)) {
    {
      krv::TextFile f;
      f.Assign(krv::ToUtf16(out_name));
      f.Rewrite();
      label.WriteToOpenXMLFile(f, (data[0] & 8) != 0, id, data[0] >> 4);
      f.Close();
    }
    krv::TCustomTextLabel back;
    Check(Read(out_name, id, back, events) && events == 1);
    Check(Same(back, label, true));
  }
  std::remove(in_name.c_str());
  std::remove(out_name.c_str());
  return 0;
}
