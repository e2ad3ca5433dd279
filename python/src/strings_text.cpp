// str <-> krv::String through UTF-16 with the surrogatepass error handler.
#include "strings_text.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvex_py {
namespace {

constexpr bool kLittle = std::endian::native == std::endian::little;

// Latin-1 characters are the first 256 code points: each byte widens to its code unit.
void WidenLatin1(const Py_UCS1* p, std::size_t n, char16_t* out) {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(bytes, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(bytes, zero));
  }
#endif
  for (; i < n; ++i) out[i] = p[i];
}

}  // namespace

void AppendUtf16(const py::handle& text, krv::String& out) {
  PyObject* o = text.ptr();
  if (!PyUnicode_Check(o))
    throw py::type_error(std::string("expected str, not ") + Py_TYPE(o)->tp_name);
  // Strings of Latin-1 or BMP characters (nearly all) are widened or copied straight from
  // their storage; others (characters beyond the BMP) go through the codec.
  if (PyUnicode_READY(o) != 0) throw py::error_already_set();
  const auto length = static_cast<std::size_t>(PyUnicode_GET_LENGTH(o));
  const std::size_t first = out.size();
  switch (PyUnicode_KIND(o)) {
    case PyUnicode_1BYTE_KIND:
      out.resize(first + length);
      WidenLatin1(static_cast<const Py_UCS1*>(PyUnicode_DATA(o)), length, out.data() + first);
      return;
    case PyUnicode_2BYTE_KIND:
      out.resize(first + length);
      if (length != 0) std::memcpy(out.data() + first, PyUnicode_DATA(o), length * 2);
      return;
    default:
      break;
  }
  const py::object bytes = py::reinterpret_steal<py::object>(
      PyUnicode_AsEncodedString(o, kLittle ? "utf-16-le" : "utf-16-be", "surrogatepass"));
  if (!bytes) throw py::error_already_set();
  char* data = nullptr;
  Py_ssize_t size = 0;
  if (PyBytes_AsStringAndSize(bytes.ptr(), &data, &size) != 0) throw py::error_already_set();
  out.resize(first + static_cast<std::size_t>(size) / 2);
  if (size != 0) std::memcpy(out.data() + first, data, (out.size() - first) * 2);
}

krv::String Utf16Of(const py::handle& text) {
  krv::String out;
  AppendUtf16(text, out);
  return out;
}

py::str StrOf(std::u16string_view text) {
  int order = kLittle ? -1 : 1;
  PyObject* s =
      PyUnicode_DecodeUTF16(reinterpret_cast<const char*>(text.data()),
                            static_cast<Py_ssize_t>(text.size() * 2), "surrogatepass", &order);
  if (s == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(s);
}

krv::Char OneChar(const py::handle& text, const char* what) {
  const krv::String s = Utf16Of(text);
  if (s.size() != 1)
    throw py::value_error(std::string(what) +
                          " must be one character of the Basic Multilingual Plane");
  return s[0];
}

}  // namespace korvex_py
