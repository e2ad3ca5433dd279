// krv label: text labels stored in the library's label XML elements.
#include <charconv>
#include <cstdio>
#include <memory>
#include <string>

#include "cli.h"
#include "io.h"
#include "korvex/base/labels.h"
#include "korvex/base/xmlnames.h"
#include "korvex/platform/text.h"

namespace krv::tool {
namespace {

struct Options {
  std::string file = "-";
  std::string id;
};

// ---- Field texts --------------------------------------------------------------------------

std::string Number(double v) {
  char buf[64];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

// "$BBGGRR" as the element stores it; 8 digits when a high byte is set.
std::string Hex(TColor c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, (c >> 24) != 0 ? "$%08X" : "$%06X", static_cast<unsigned>(c));
  return buf;
}

template <std::size_t N>
std::string WordOf(const std::array<XmlWord, N>& table, unsigned ordinal) {
  return ordinal < N ? ToUtf8(String(table[ordinal])) : "?";
}

// Text in double quotes, with quotes, backslashes and control characters escaped.
std::string Quoted(const String& text) {
  std::string s = "\"";
  for (const char c : ToUtf8(text)) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      s += '\\';
      s += c;
    } else if (c == '\n') {
      s += "\\n";
    } else if (c == '\t') {
      s += "\\t";
    } else if (c == '\r') {
      s += "\\r";
    } else if (u < 32 || u == 127) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", u);
      s += buf;
    } else {
      s += c;
    }
  }
  return s + "\"";
}

std::string Styles(TFontStyles styles) {
  std::string s;
  for (unsigned k = 0; k < xmlFontStyle.size(); ++k) {
    if (!styles.Contains(static_cast<TFontStyle>(k))) continue;
    if (!s.empty()) s += ' ';
    s += ToUtf8(String(xmlFontStyle[k]));
  }
  return s.empty() ? "none" : s;
}

std::string YesNo(bool v) {
  return v ? "yes" : "no";
}

std::string Describe(const TCustomTextLabel& l) {
  const TFont& f = *l.Font();
  std::string t;
  t += "position     x " + Number(l.PosX()) + ", y " + Number(l.PosY()) + "\n";
  t += "layer        " + std::to_string(l.Layer()) + "\n";
  t += "caption      " + Quoted(l.Caption()) + "\n";
  t += "colours      border " + Hex(l.ColorBrd()) + ", background " + Hex(l.ColorBkg()) +
       ", shadow " + Hex(l.ColorShadow()) + "\n";
  t += "shadow       dx " + std::to_string(l.XShadow()) + ", dy " + std::to_string(l.YShadow()) +
       "\n";
  t += "transparent  " + YesNo(l.TransPar()) + "\n";
  t += "visible      " + YesNo(l.Visible()) + "\n";
  t += "alignment    " + WordOf(xmlAlignment, l.Alignment()) + ", " +
       WordOf(xmlVerticalAlignment, l.VertAlign()) + "\n";
  t += "attach mode  " + WordOf(xmlTxtLblAttachMode, l.AttachDat()) + "\n";
  t += "font         " + Quoted(f.Name()) + ", size " + std::to_string(f.Size()) + ", colour " +
       Hex(f.Color()) + ", styles " + Styles(f.Style()) + "\n";
  t += "mode         " + WordOf(xmlTxtLblMode, l.Mode()) + "\n";
  return t;
}

// ---- show ---------------------------------------------------------------------------------

int Show(const Options& o) {
  Output out("-");
  Input in(o.file);
  in.ShowProgress();
  TCustomTextLabel label;
  int events = 0;
  label.SetOnChange([&](TObject*) { ++events; });
  bool other_labels = false;
  const bool ok = label.ReadFromXMLStream(in.Stream(), ToUtf16(o.id), &other_labels);
  if (!ok && events == 0 && !other_labels)
    throw Failure{o.file, "not a label file: no <custtextlbl sig=\"KorvexLib\"> element"};
  if (!ok && events == 0) {
    Report({o.file, "no label element with id \"" + o.id + "\""});
    return kExitNo;
  }
  if (!ok) throw Failure{o.file, "the label element ends before </custtextlbl>"};
  out.Write(Describe(label));
  out.Commit();
  return kExitOk;
}

// ---- Command line -------------------------------------------------------------------------

RunFn Setup(CLI::App& app) {
  auto o = std::make_shared<Options>();
  CLI::App* show = AddMode(
      app,
      {.name = "show",
       .summary = "print a label read from a file",
       .usage = "krv label show [--id ID] [FILE]",
       .description =
           "Reads the text label element <custtextlbl sig=\"KorvexLib\" id=\"ID\"> from FILE\n"
           "(standard input when FILE is '-' or absent) and prints every setting: position,\n"
           "layer, caption (quoted, control characters escaped), border, background and\n"
           "shadow colours as $BBGGRR, shadow offsets, transparency, visibility, alignments,\n"
           "attach mode, font (name, size, colour, styles) and drawing mode.\n"
           "\n"
           "Identifiers are compared ignoring case; without --id the first label element\n"
           "of the file is shown. Settings the element lacks keep a new label's values.\n"
           "FILE is read once, as a stream (standard input and pipes too, with no copy\n"
           "made), and reading stops after the element shown. Its bytes are read as\n"
           "Windows-1252 characters, as the library's text files are.",
       .exit_status = "0  the label was shown\n"
                      "1  no label element with that identifier, though the file holds others\n"
                      "2  the file could not be read, holds no label element at all (it is no\n"
                      "   label file), the element ends before its closing tag, or a usage\n"
                      "   error",
       .examples = "krv label show chart-labels.xml\n"
                   "krv label show --id title chart-labels.xml\n"
                   "cat chart-labels.xml | krv label show --id NOTE -"});
  show->add_option("FILE", o->file, "the file ('-' = standard input, the default)");
  show->add_option("--id", o->id, "the label's identifier (default: the first label)")
      ->option_text(" ID");
  AddQuietFlag(*show);
  return [o, show] {
    if (show->parsed()) return Show(*o);
    throw Failure{"", "no mode given (show); run 'krv label --help'"};
  };
}

const KrvCommand reg{
    {.name = "label",
     .summary = "show text labels stored in label XML files",
     .usage = "krv label show [--id ID] [FILE]",
     .description = "Works with the library's chart text labels: 'show' prints every setting\n"
                    "of a label read from a file. Run 'krv help label show' for its page.",
     .exit_status = "0  success\n"
                    "1  no label element with that identifier, though the file holds others\n"
                    "2  an unreadable or malformed file (no label element at all, or one cut\n"
                    "   short), or a usage error",
     .examples = "krv label show --id title chart-labels.xml"},
    &Setup};

}  // namespace
}  // namespace krv::tool
