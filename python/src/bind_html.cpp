// THtmlProducer as korvex.HtmlProducer: a template whose special tags <#name params> are
// filled from a dict (copied once, then filled without the GIL), another mapping or a
// callable. The HTML text helpers are bound in html_text.cpp.
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "bind.h"
#include "html_text.h"
#include "korvex/htmlsupport/htmlproducer.h"
#include "korvex/htmlsupport/htmltext.h"
#include "korvex/platform/casefold.h"
#include "strings_text.h"

namespace korvex_py {
namespace {

constexpr std::size_t kReleaseGil = 64 * 1024;

krv::String AsciiLowered(krv::String s) {
  for (krv::Char& c : s) c = krv::AsciiLower(c);
  return s;
}

// The producer and the names it found no value for. A conversion may run without the GIL
// or call back into Python, so while one runs (busy) every other use of the same object is
// refused rather than raced; busy is only read and written with the GIL held.
class Producer {
 public:
  krv::THtmlProducer producer;
  py::object values = py::none();  // None, a mapping or a callable
  bool escape = false;
  std::vector<krv::String> missing;
  bool busy = false;

  krv::String Convert() {
    missing.clear();
    struct Reset {  // no handler outlives the call (it may refer to the call's own table)
      krv::THtmlProducer& p;
      ~Reset() { p.SetOnHTMLTag(nullptr); }
    } reset{producer};
    if (values.is_none()) return producer.Convert();
    if (PyDict_Check(values.ptr())) return ConvertFromDict();
    const bool callable = PyCallable_Check(values.ptr()) != 0;
    if (!callable && PyMapping_Check(values.ptr()) == 0)
      throw py::type_error("values must be a mapping, a callable or None");
    producer.SetOnHTMLTag([this, callable, v = values](krv::THtmlProducer*, krv::String name,
                                                       krv::String params,
                                                       krv::String& replacement) {
      const py::object r = callable ? v(StrOf(name), StrOf(params)) : v.attr("get")(StrOf(name));
      Replace(name, r.is_none() ? nullptr : &r, replacement);
    });
    return producer.Convert();
  }

 private:
  // The handler's result for one tag: the value's str (escaped on request), or a note that
  // the tag had none (it then stays as it stands).
  void Replace(const krv::String& name, const py::object* v, krv::String& replacement) {
    if (v == nullptr) {
      Missing(name);
      return;
    }
    replacement = Utf16Of(py::str(*v));
    if (escape) replacement = krv::MakeStringHTMLCompatible(replacement);
  }

  void Missing(const krv::String& name) {
    for (const krv::String& m : missing)
      if (m == name) return;
    missing.push_back(name);
  }

  // The dict copied (keys folded as tag names are, values as str; None counts as no value),
  // then the conversion runs without Python and, for a large template, without the GIL.
  krv::String ConvertFromDict() {
    std::unordered_map<krv::String, krv::String> table;
    for (const auto& [key, value] : py::reinterpret_borrow<py::dict>(values)) {
      if (value.is_none()) continue;
      krv::String v = Utf16Of(py::str(value));
      if (escape) v = krv::MakeStringHTMLCompatible(v);
      table[AsciiLowered(Utf16Of(py::str(key)))] = std::move(v);
    }
    producer.SetOnHTMLTag([this, &table](krv::THtmlProducer*, krv::String name, krv::String,
                                         krv::String& replacement) {
      const auto it = table.find(name);
      if (it == table.end()) {
        Missing(name);
      } else {
        replacement = it->second;
      }
    });
    if (producer.Template().size() < kReleaseGil) return producer.Convert();
    py::gil_scoped_release release;
    return producer.Convert();
  }
};

// Runs f on the producer alone: RuntimeError while another call on it is running.
template <typename F>
auto Exclusive(Producer& p, F&& f) {
  if (p.busy) throw std::runtime_error("HtmlProducer is busy with another call");
  struct Busy {
    bool& b;
    explicit Busy(bool& flag) : b(flag) { b = true; }
    ~Busy() { b = false; }
  } busy(p.busy);
  return f();
}

// As Exclusive, without the GIL (file work).
template <typename F>
void Released(Producer& p, F&& f) {
  Exclusive(p, [&] {
    py::gil_scoped_release release;
    f();
    return 0;
  });
}

void BindFiles(py::class_<Producer>& c) {
  c.def(
       "read_template",
       [](Producer& p, const py::object& path) {
         const krv::String name = VerbatimName(path);
         Released(p, [&] { p.producer.ReadTemplateFromFile(name); });
       },
       py::arg("path"),
       "Makes the lines of a text file (Windows-1252, each line then ended by CR LF) the "
       "template; InOutError when it cannot be read.")
      .def(
          "write",
          [](Producer& p, const py::object& path) {
            const krv::String name = VerbatimName(path);
            Released(p, [&] { p.producer.WriteConvertedHTMLToFile(name); });
          },
          py::arg("path"),
          "Creates or overwrites the file with the result of the last conversion, one byte per "
          "character (Windows-1252, '?' for a character it has not); InOutError on failure.")
      .def(
          "load_bytes",
          [](Producer& p, const py::object& data) {
            const ByteView v(data);
            krv::TStringStream stream{std::string(v.view())};
            Exclusive(p, [&] {
              p.producer.ReadTemplateFromStream(stream);
              return 0;
            });
          },
          py::arg("data"),
          "Makes the bytes, each taken as the character of its code, the template.")
      .def(
          "converted_bytes",
          [](Producer& p) {
            std::string bytes = Exclusive(p, [&] {
              krv::TStringStream* s = p.producer.ConvertedHTMLAsStream();
              std::string b(static_cast<std::size_t>(s->Size()), '\0');
              if (!b.empty()) s->ReadBuffer(b.data(), b.size());
              return b;
            });
            return py::bytes(bytes);
          },
          "The result of the last conversion as the bytes write() puts in a file.");
}

}  // namespace

void BindHtml(py::module_& m) {
  py::class_<Producer> c(
      m, "HtmlProducer",
      "An HTML template whose special tags <#name params> are replaced as convert() copies it: "
      "values is a dict from tag name (folded to lower case, A-Z only) to value, another mapping "
      "looked up with the lower-cased name, or a "
      "callable values(name, params) -> str or None, params being the text after the name with "
      "blanks trimmed. A tag without a value stays as it stands and is listed in .missing; "
      "replacements are never scanned again; escape passes each through html_escape.");
  c.def(py::init([](const py::str& tmpl, py::object values, bool escape) {
          auto p = std::make_unique<Producer>();
          p->producer.SetTemplate(Utf16Of(tmpl));
          p->values = std::move(values);
          p->escape = escape;
          return p;
        }),
        py::arg("template") = "", py::arg("values") = py::none(), py::kw_only(),
        py::arg("escape") = false)
      .def_property(
          "template",
          [](Producer& p) { return Exclusive(p, [&] { return StrOf(p.producer.Template()); }); },
          [](Producer& p, const py::str& t) {
            Exclusive(p, [&] {
              p.producer.SetTemplate(Utf16Of(t));
              return 0;
            });
          })
      .def_readwrite("values", &Producer::values, "The dict, mapping, callable or None.")
      .def_readwrite("escape", &Producer::escape)
      .def(
          "convert",
          [](Producer& p) {
            const krv::String out = Exclusive(p, [&] { return p.Convert(); });
            return StrOf(out);
          },
          "Fills the template; returns the result and keeps it in converted_html. An exception "
          "raised by values passes through, converted_html then holding the output before that "
          "tag.")
      .def_property_readonly("converted_html",
                             [](Producer& p) {
                               return Exclusive(p,
                                                [&] { return StrOf(p.producer.ConvertedHTML()); });
                             })
      .def_property_readonly(
          "missing",
          [](Producer& p) {
            return Exclusive(p, [&] {
              py::list out;
              for (const krv::String& name : p.missing) out.append(StrOf(name));
              return out;
            });
          },
          "The names of the tags the last convert() found no value for, in order.");
  BindFiles(c);
  BindHtmlText(m);
}

}  // namespace korvex_py
