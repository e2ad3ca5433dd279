// Checksums as hashlib-style objects (crc16, crc32, sha1: update, digest, hexdigest, copy),
// one-shot functions over bytes and files, and ASCII85 in the library's and Adobe's forms.
// Work on a buffer of kReleaseGil bytes or more runs without the GIL; the buffer is held
// through the buffer protocol meanwhile.
#include <cstdio>
#include <fstream>

#include "bind.h"
#include "korvex/dstruct/ascii85.h"
#include "korvex/dstruct/crc.h"
#include "korvex/dstruct/sha1.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/text.h"

namespace korvex_py {
namespace {

constexpr std::size_t kReleaseGil = 64 * 1024;

// Runs f with the GIL released when the input is large enough to be worth it.
template <typename F>
auto Maybe(std::size_t n, F&& f) {
  if (n < kReleaseGil) return f();
  py::gil_scoped_release release;
  return f();
}

std::string Hex(const std::uint8_t* p, std::size_t n) {
  static const char kDigits[] = "0123456789abcdef";
  std::string s;
  for (std::size_t i = 0; i < n; ++i) {
    s += kDigits[p[i] >> 4];
    s += kDigits[p[i] & 15];
  }
  return s;
}

std::string Hex(const std::string& s) {
  return Hex(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

py::bytes BigEndian(std::uint32_t v, int bytes) {
  std::string s;
  for (int i = bytes - 1; i >= 0; --i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  return py::bytes(s);
}

struct Crc32 {
  krv::Cardinal reg = 0xFFFFFFFFu;
  void Update(const py::object& data) {
    const ByteView v(data);
    reg = Maybe(v.size(), [&] { return krv::UpdateCRC32(reg, v.data(), v.size()); });
  }
  std::uint32_t Value() const { return ~reg; }
};

struct Crc16 {
  krv::Word reg = 0;
  std::string mode;
  void Update(const py::object& data) {
    const ByteView v(data);
    reg = Maybe(v.size(), [&] { return krv::UpdateCRC16(reg, v.data(), v.size()); });
  }
};

krv::Word Crc16Start(const std::string& mode) {
  if (mode == "xmodem") return 0x0000;
  if (mode == "ccitt") return 0xFFFF;
  throw py::value_error("crc16 mode must be 'xmodem' or 'ccitt', not '" + mode + "'");
}

struct Sha1 {
  krv::TSHA1Context context;
  void Update(const py::object& data) {
    const ByteView v(data);
    Maybe(v.size(), [&] {
      context.Update(v.data(), v.size());
      return 0;
    });
  }
  krv::TSHACode Digest() const {
    krv::TSHA1Context copy = context;  // digest() leaves the object as it was, as hashlib does
    return copy.Final();
  }
};

// Feeds a file to `feed` in 1 MiB blocks without the GIL; OSError with the system's reason.
template <typename Feed>
void FeedFile(const py::object& path, Feed&& feed) {
  std::string name;
  if (!krv::ToNativeName(PathArg(path), name))
    throw py::value_error("no file name can hold this name");
  std::FILE* f = std::fopen(name.c_str(), "rb");
  if (f == nullptr) {
    PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, path.ptr());
    throw py::error_already_set();
  }
  int error = 0;
  {
    py::gil_scoped_release release;
    std::vector<std::uint8_t> block(1 << 20);
    for (std::size_t n; (n = std::fread(block.data(), 1, block.size(), f)) > 0;)
      feed(block.data(), n);
    if (std::ferror(f)) error = errno != 0 ? errno : EIO;
    std::fclose(f);
  }
  if (error != 0) {
    errno = error;
    PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, path.ptr());
    throw py::error_already_set();
  }
}

py::bytes StreamBytes(krv::TMemoryStream& s) {
  return py::bytes(reinterpret_cast<const char*>(s.Memory()), static_cast<std::size_t>(s.Size()));
}

void LoadBytes(krv::TMemoryStream& s, const ByteView& v) {
  s.WriteBuffer(v.data(), v.size());
  s.Seek(0, krv::soFromBeginning);
}

py::bytes A85Encode(const py::object& data, bool adobe, std::size_t line_width) {
  const ByteView v(data);
  krv::TMemoryStream in, out;
  Maybe(v.size(), [&] {
    LoadBytes(in, v);
    if (adobe) {
      krv::EncodeASCII85Adobe(in, out, line_width);
    } else {
      krv::EncodeASCII85(in, out);
    }
    return 0;
  });
  return StreamBytes(out);
}

const char* AdobeFaultText(krv::TASCII85AdobeFault f) {
  switch (f) {
    case krv::a85BadCharacter:
      return "a character outside '!'..'u'";
    case krv::a85ZInsideGroup:
      return "a 'z' inside a group";
    case krv::a85GroupTooLarge:
      return "a group whose value exceeds 2^32 - 1";
    case krv::a85OneDigitGroup:
      return "a final group of one digit";
    case krv::a85TildeWithoutGreater:
      return "a '~' not followed by '>'";
    case krv::a85NoTerminator:
      return "no '~>' at the end";
    default:
      return "sound";
  }
}

py::bytes A85Decode(const py::object& data, bool adobe) {
  const ByteView v(data);
  krv::TMemoryStream in, out;
  std::string fault;
  Maybe(v.size(), [&] {
    LoadBytes(in, v);
    if (adobe) {
      const krv::TASCII85AdobeResult r = krv::DecodeASCII85Adobe(in, out);
      if (r.fault != krv::a85Sound)
        fault = std::string("ASCII85 text at offset ") + std::to_string(r.offset) + ": " +
                AdobeFaultText(r.fault);
    } else {
      krv::TASCII85Fault first;
      if (krv::DecodeASCII85(in, out, first) != 0)
        fault = "ASCII85 text at offset " + std::to_string(first.offset) + ": " +
                (first.code == -2        ? "a 'z' inside a group"
                 : first.group_too_large ? "a group too large for its bytes"
                                         : "a character outside '!'..'u'");
    }
    return 0;
  });
  if (!fault.empty()) throw krv::EConvertError(krv::ToUtf16(fault));
  return StreamBytes(out);
}

}  // namespace

void BindChecksums(py::module_& m) {
  py::class_<Crc32>(m, "crc32",
                    "CRC-32 (zlib's, reflected polynomial 0xEDB88320), fed piece by piece.")
      .def(py::init([](const py::object& data) {
             Crc32 c;
             c.Update(data);
             return c;
           }),
           py::arg("data") = py::bytes())
      .def("update", &Crc32::Update, py::arg("data"), "Feeds bytes (any buffer).")
      .def(
          "digest", [](const Crc32& c) { return BigEndian(c.Value(), 4); },
          "The CRC as 4 bytes, most significant first.")
      .def("hexdigest",
           [](const Crc32& c) { return Hex(BigEndian(c.Value(), 4).cast<std::string>()); })
      .def_property_readonly("value", &Crc32::Value, "The CRC as an int, as zlib.crc32 gives it.")
      .def("copy", [](const Crc32& c) { return c; })
      .def_property_readonly("name", [](const Crc32&) { return "crc32"; })
      .def_property_readonly("digest_size", [](const Crc32&) { return 4; });
  py::class_<Crc16>(m, "crc16",
                    "CRC-16, polynomial 0x1021, most significant bit first; mode 'xmodem' "
                    "(start 0x0000, CRC-16/XMODEM) or 'ccitt' (start 0xFFFF, CRC-16/IBM-3740).")
      .def(py::init([](const py::object& data, const std::string& mode) {
             Crc16 c{Crc16Start(mode), mode};
             c.Update(data);
             return c;
           }),
           py::arg("data") = py::bytes(), py::arg("mode") = "xmodem")
      .def("update", &Crc16::Update, py::arg("data"))
      .def("digest", [](const Crc16& c) { return BigEndian(c.reg, 2); })
      .def("hexdigest", [](const Crc16& c) { return Hex(BigEndian(c.reg, 2).cast<std::string>()); })
      .def_property_readonly("value", [](const Crc16& c) { return c.reg; })
      .def_property_readonly("mode", [](const Crc16& c) { return c.mode; })
      .def("copy", [](const Crc16& c) { return c; })
      .def_property_readonly("name", [](const Crc16&) { return "crc16"; })
      .def_property_readonly("digest_size", [](const Crc16&) { return 2; });
  py::class_<Sha1>(m, "sha1", "SHA-1 (FIPS 180-1), fed piece by piece, as hashlib.sha1.")
      .def(py::init([](const py::object& data) {
             Sha1 s;
             s.Update(data);
             return s;
           }),
           py::arg("data") = py::bytes())
      .def("update", &Sha1::Update, py::arg("data"))
      .def("digest",
           [](const Sha1& s) {
             const krv::TSHACode d = s.Digest();
             return py::bytes(reinterpret_cast<const char*>(d.data()), d.size());
           })
      .def("hexdigest",
           [](const Sha1& s) {
             const krv::TSHACode d = s.Digest();
             return Hex(d.data(), d.size());
           })
      .def("copy", [](const Sha1& s) { return s; })
      .def_property_readonly("name", [](const Sha1&) { return "sha1"; })
      .def_property_readonly("digest_size", [](const Sha1&) { return 20; })
      .def_property_readonly("block_size", [](const Sha1&) { return 64; });

  m.def(
      "crc32_file",
      [](const py::object& path) {
        krv::Cardinal reg = 0xFFFFFFFFu;
        FeedFile(path,
                 [&](const std::uint8_t* p, std::size_t n) { reg = krv::UpdateCRC32(reg, p, n); });
        return static_cast<std::uint32_t>(~reg);
      },
      py::arg("path"), "CRC-32 of a file's bytes as an int; OSError when it cannot be read.");
  m.def(
      "crc16_file",
      [](const py::object& path, const std::string& mode) {
        krv::Word reg = Crc16Start(mode);
        FeedFile(path,
                 [&](const std::uint8_t* p, std::size_t n) { reg = krv::UpdateCRC16(reg, p, n); });
        return reg;
      },
      py::arg("path"), py::arg("mode") = "xmodem", "CRC-16 of a file's bytes as an int.");
  m.def(
      "sha1_file",
      [](const py::object& path) {
        krv::TSHA1Context context;
        FeedFile(path, [&](const std::uint8_t* p, std::size_t n) { context.Update(p, n); });
        const krv::TSHACode d = context.Final();
        return py::bytes(reinterpret_cast<const char*>(d.data()), d.size());
      },
      py::arg("path"), "SHA-1 digest (20 bytes) of a file's bytes.");
  m.def(
      "a85encode", &A85Encode, py::arg("data"), py::kw_only(), py::arg("adobe") = false,
      py::arg("wrapcol") = 0,
      "ASCII85 text of the bytes: the library's form (no '<~', short final group, '~>'), or "
      "with adobe=True Adobe's form as base64.a85encode(data, adobe=True, wrapcol=...) writes it.");
  m.def("a85decode", &A85Decode, py::arg("data"), py::kw_only(), py::arg("adobe") = false,
        "The bytes of ASCII85 text in the library's or (adobe=True) Adobe's form; a faulty text "
        "raises ConvertError naming the offset of its first fault.");
}

}  // namespace korvex_py
