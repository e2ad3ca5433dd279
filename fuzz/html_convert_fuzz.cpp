// Fuzz target for THtmlProducer::Convert.
//
// The first byte chooses the handler (none, one that keeps the tags, one that replaces them
// with text made from the name and parameters, one that throws at the n-th tag) and how the
// rest becomes the template (read from a stream one character per byte, or taken as UTF-16
// code units). Convert must agree with the step-by-step reference, also on the output so far
// when the handler throws; without a handler a template read from a stream must come back
// byte for byte from ConvertedHTMLAsStream.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "../tests/htmlsupport/htmlproducer_reference.h"
#include "korvex/htmlsupport/htmlproducer.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

struct Thrown {};

krv::TOnHTMLTagEvent MakeHandler(unsigned kind, unsigned throw_at) {
  switch (kind) {
    case 1:
      return [](krv::THtmlProducer*, krv::String, krv::String, krv::String&) {};
    case 2:
      return [](krv::THtmlProducer*, krv::String name, krv::String params, krv::String& r) {
        r = u"[" + name + u"|" + params + u"|" + r + u"]";
      };
    case 3:
      return [throw_at, calls = 0u](krv::THtmlProducer*, krv::String name, krv::String,
                                    krv::String& r) mutable {
        if (calls++ == throw_at) throw Thrown{};
        r = name;
      };
    default:
      return nullptr;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned mode = data[0];
  const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  krv::THtmlProducer p;
  const bool wide = (mode & 4) != 0;
  if (wide) {
    krv::String t(rest.size() / 2, u' ');
    for (std::size_t i = 0; i < t.size(); ++i)
      t[i] = static_cast<char16_t>(static_cast<unsigned char>(rest[2 * i]) |
                                   static_cast<unsigned char>(rest[2 * i + 1]) << 8);
    p.SetTemplate(t);
  } else {
    krv::TStringStream in(rest);
    p.ReadTemplateFromStream(in);
  }
  p.SetOnHTMLTag(MakeHandler(mode & 3, mode >> 3));

  // The reference gets its own handler, so that a counting handler starts from zero there too.
  const krv::TOnHTMLTagEvent ref_handler = MakeHandler(mode & 3, mode >> 3);
  krv::String expected;
  bool ref_threw = false;
  try {
    krv::testing::ReferenceConvert(p.Template(), ref_handler, &p, expected);
  } catch (const Thrown&) {
    ref_threw = true;
  }
  bool threw = false;
  try {
    Check(p.Convert() == expected);
  } catch (const Thrown&) {
    threw = true;
  }
  Check(threw == ref_threw);
  Check(p.ConvertedHTML() == expected);
  if (!wide && (mode & 3) <= 1) Check(p.ConvertedHTMLAsStream()->Bytes() == rest);
  return 0;
}
