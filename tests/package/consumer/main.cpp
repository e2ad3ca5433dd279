// A program outside the library's tree, built against an installed Korvex.
#include <korvex/korvex.h>

#ifdef KORVEX_CONSUMER_MIN_CPLUSPLUS
static_assert(__cplusplus >= KORVEX_CONSUMER_MIN_CPLUSPLUS, "the program's own standard is kept");
#endif

int main() {
  krv::TMemoryStream stream;  // a class with a vtable, defined in the library
  stream.WriteBuffer("abc", 3);
  stream.SetPosition(0);
  char buf[4];
  try {
    stream.ReadBuffer(buf, 4);  // one byte short: thrown in the library, caught here
    return 1;
  } catch (const krv::EReadError&) {
  }
  // Drawing and PNG output pull in libpng, which a static program must link too.
  krv::TBitmap bitmap(8, 8);
  krv::DrawMarkOnCanvas(*bitmap.Canvas(), 9, 3, 3);
  krv::TMemoryStream png;
  bitmap.SaveToPngStream(png);
  const bool ok = krv::StripLTBlanks(u"  korvex  ") == u"korvex" &&
                  ~krv::UpdateCRC32(0xFFFFFFFF, "123456789", 9) == 0xCBF43926 &&
                  bitmap.Canvas()->Pixels(3, 3) == krv::clBlack && png.Size() > 8;
  return ok ? 0 : 1;
}
