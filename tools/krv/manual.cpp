// The man page of krv, written from the help pages and the options CLI11 knows.
#include "manual.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli.h"

namespace krv::tool {
namespace {

// The date in the page's title line: the date of the manual's last revision, fixed so that the
// page is the same on every build. Move it forward when the pages change for a release.
constexpr std::string_view kManualDate = "2026-12-09";

// The lines of text, without their line ends and trailing blanks.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.remove_suffix(1);
    lines.push_back(line);
    if (eol == std::string_view::npos) break;
    text.remove_prefix(eol + 1);
  }
  return lines;
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  return s;
}

// The UTF-8 sequence at text[i] as \[uXXXX]; i moves to its last byte. A malformed sequence
// becomes U+FFFD.
std::string Unicode(std::string_view text, std::size_t& i) {
  const auto c = static_cast<unsigned char>(text[i]);
  const std::size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
  std::uint32_t cp = 0xFFFD;
  if (len > 1 && c < 0xF8 && i + len <= text.size()) {
    std::uint32_t v = c & (0x7Fu >> len);
    std::size_t k = 1;
    for (; k < len && (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80; ++k)
      v = v << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    if (k == len) {
      cp = v;
      i += len - 1;
    }
  }
  char buf[16];
  std::snprintf(buf, sizeof buf, "\\[u%04X]", static_cast<unsigned>(cp));
  return buf;
}

// text with roff's special characters escaped: '\' as \e; quotes, '^' and '~' as the glyphs
// that print as typed; other non-ASCII characters as \[uXXXX]; '-' as the minus \- in code
// (usages, examples, option names) and in prose where it starts a word ("--check", "'-'"),
// as a hyphen within a word ("1-based").
std::string Escape(std::string_view text, bool code) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    switch (c) {
      case '\\':
        out += "\\e";
        break;
      case '\'':
        out += "\\(aq";
        break;
      case '`':
        out += "\\(ga";
        break;
      case '^':
        out += "\\(ha";
        break;
      case '~':
        out += "\\(ti";
        break;
      case '-':
        out +=
            code || i == 0 || !std::isalnum(static_cast<unsigned char>(text[i - 1])) ? "\\-" : "-";
        break;
      default:
        if (static_cast<unsigned char>(c) >= 0x80) {
          out += Unicode(text, i);
        } else {
          out += c;
        }
    }
  }
  return out;
}

// One input line of text: escaped, guarded by \& where it would start with a control
// character, with its line end.
std::string Line(std::string_view text, bool code = false) {
  std::string line = Escape(text, code);
  if (!line.empty() && (line[0] == '.' || line[0] == '\'')) line.insert(0, "\\&");
  return line + "\n";
}

// The column where the text of a table row "  TAG   text" starts (a tag, then two blanks or
// more), or 0 when the line is no such row.
std::size_t RowTextColumn(std::string_view line) {
  const std::size_t tag = line.find_first_not_of(' ');
  const std::size_t gap = line.find("  ", tag);
  if (tag == 0 || tag == std::string_view::npos || gap == std::string_view::npos ||
      line.find(' ', tag) != gap)
    return 0;
  const std::size_t text = line.find_first_not_of(' ', gap);
  return text == std::string_view::npos ? 0 : text;
}

// Paragraphs apart by blank lines. Lines flush left are filled; "- " starts a list item and
// "  TAG   text" a table row, both filled with their indented continuation lines; other
// indented lines are kept as written.
std::string Prose(std::string_view text) {
  enum class At { kText, kItem, kRow, kKept } at = At::kText;
  std::string out = ".PP\n";
  std::size_t row_column = 0;
  bool new_paragraph = false;
  for (const std::string_view line : Lines(text)) {
    if (line.empty()) {
      new_paragraph = true;
      continue;
    }
    const std::size_t indent = line.find_first_not_of(' ');
    const std::size_t row = RowTextColumn(line);
    if (indent > 0 && !new_paragraph &&
        ((at == At::kItem && row == 0) || (at == At::kRow && indent >= row_column))) {
      out += Line(line.substr(indent));  // a continuation line
      continue;
    }
    if (at == At::kKept && (new_paragraph || indent == 0 || row > 0)) out += ".fi\n";
    if (at == At::kRow && (new_paragraph || row == 0)) out += ".PD\n.RE\n";  // rows end
    if (new_paragraph || (indent == 0 && (at == At::kItem || at == At::kRow))) out += ".PP\n";
    if (new_paragraph && at == At::kKept) at = At::kText;
    new_paragraph = false;
    if (line.substr(0, 2) == "- ") {
      out += ".IP \\- 2\n" + Line(line.substr(2));
      at = At::kItem;
    } else if (row > 0) {
      if (at != At::kRow)
        out += ".RS 2\n.PD 0\n";  // the rows of a table without blank lines between
      out += ".TP " + std::to_string(row - indent) + "\n" +
             Line(line.substr(indent, row - indent)) + Line(line.substr(row));
      at = At::kRow;
      row_column = row;
    } else if (indent > 0) {
      if (at != At::kKept) out += ".nf\n";
      out += Line(line);
      at = At::kKept;
    } else {
      out += Line(line);
      at = At::kText;
    }
  }
  return at == At::kKept ? out + ".fi\n" : at == At::kRow ? out + ".PD\n.RE\n" : out;
}

// Usage lines kept as written, the command's words ("krv color show") in bold.
std::string Usage(std::string_view usage) {
  std::string out = ".nf\n";
  for (const std::string_view line : Lines(usage)) {
    std::size_t end = 0;
    while (end < line.size()) {
      std::size_t next = line.find(' ', end);
      if (next == std::string_view::npos) next = line.size();
      const std::string_view word = line.substr(end, next - end);
      if (word.find_first_of("[-|=<") != std::string_view::npos ||
          std::isupper(static_cast<unsigned char>(word.front())))
        break;
      end = next + 1;
    }
    end = std::min(end, line.size());
    std::string_view words = line.substr(0, end);
    while (!words.empty() && words.back() == ' ') words.remove_suffix(1);
    out += "\\fB" + Escape(words, true) + "\\fR" + Escape(line.substr(words.size()), true) + "\n";
  }
  return out + ".fi\n";
}

// Lines "TAG  text" with continuation lines indented, as a list of tagged paragraphs.
std::string Tagged(std::string_view text) {
  std::string out;
  for (const std::string_view line : Lines(text)) {
    if (line.empty()) continue;
    if (line.front() == ' ') {
      out += Line(TrimLeft(line));
      continue;
    }
    const std::size_t gap = line.find(' ');
    out += ".TP\n\\fB" + Escape(line.substr(0, gap), true) + "\\fR\n";
    if (gap != std::string_view::npos) out += Line(TrimLeft(line.substr(gap)));
  }
  return out;
}

// One command line per line, kept as written.
std::string Examples(std::string_view text) {
  std::string out = ".PP\n.nf\n.RS 4\n";
  for (const std::string_view line : Lines(text))
    if (!line.empty()) out += Line(line, true);
  return out + ".RE\n.fi\n";
}

// The option as the help page names it: "-o, --output FILE", the names in bold.
std::string OptionTag(const CLI::Option& opt) {
  if (!opt.nonpositional()) return "\\fI" + Escape(opt.get_name(true), true) + "\\fR";
  std::string tag;
  for (const std::string& s : opt.get_snames()) tag += "\\fB\\-" + Escape(s, true) + "\\fR, ";
  for (const std::string& l : opt.get_lnames()) tag += "\\fB\\-\\-" + Escape(l, true) + "\\fR, ";
  tag.resize(tag.size() - 2);
  if (!opt.get_option_text().empty()) {
    tag += Escape(opt.get_option_text(), true);
  } else if (opt.get_type_size() != 0 && !opt.get_type_name().empty()) {
    tag += " " + Escape(opt.get_type_name(), true);
  }
  return tag;
}

// The operands, then the options, each with its help text; --help (on every page) and hidden
// options are left out.
std::string Options(const CLI::App& app) {
  std::string out;
  for (const bool positional : {true, false}) {
    for (const CLI::Option* opt : app.get_options()) {
      if (opt == app.get_help_ptr() || opt->get_group().empty() ||
          opt->nonpositional() == positional)
        continue;
      out += ".TP\n" + OptionTag(*opt) + "\n" + Line(opt->get_description());
    }
  }
  return out;
}

// A command's section, or a mode's subsection (headings one level lower).
std::string Section(const CommandDoc& doc, std::string_view command) {
  const bool mode = !command.empty();
  const std::string title =
      "krv " + std::string(command) + (mode ? " " : "") + std::string(doc.page.name);
  std::string out =
      mode ? ".SS \"" + Escape(title, true) + "\"\n" : ".SH \"" + Escape(title, true) + "\"\n";
  out += Usage(doc.page.usage) + Prose(doc.page.description);
  // A command's parts are subsections; a mode's are paragraphs with a heading in bold.
  auto heading = [&](std::string_view name) {
    return mode ? ".PP\n\\fB" + std::string(name) + "\\fR\n" : ".SS " + std::string(name) + "\n";
  };
  if (const std::string options = Options(*doc.app); !options.empty())
    out += heading("Options") + options;
  for (const CommandDoc& m : doc.modes) out += Section(m, doc.page.name);
  out += heading("Exit status") + Tagged(doc.page.exit_status);
  out += heading("Examples") + Examples(doc.page.examples);
  return out;
}

}  // namespace

std::string ManualPage() {
  const std::vector<CommandDoc> docs = CommandDocs();
  std::string out =
      ".\\\" The manual of krv, written by `krv help --man` from the commands' help pages.\n"
      ".TH krv 1 \"" +
      std::string(kManualDate) +
      "\" \"Korvex " KORVEX_VERSION
      "\" \"User Commands\"\n"
      ".ad l\n"
      ".nh\n"
      ".SH NAME\n"
      "krv \\- the Korvex command\\-line tool\n"
      ".SH SYNOPSIS\n"
      ".nf\n"
      "\\fBkrv\\fR \\fICOMMAND\\fR [\\fIOPTIONS\\fR] [\\fIARGS\\fR...]\n"
      "\\fBkrv help\\fR [\\fICOMMAND\\fR [\\fIMODE\\fR]]\n"
      "\\fBkrv\\fR \\fICOMMAND\\fR [\\fIMODE\\fR] \\fB\\-\\-help\\fR\n"
      "\\fBkrv \\-\\-version\\fR\n"
      ".fi\n"
      ".SH DESCRIPTION\n";
  out += Prose(kToolDescription) + Prose(kToolNotes) + ".PP\nThe commands:\n";
  for (const CommandDoc& doc : docs)
    out += ".TP\n\\fB" + Escape(doc.page.name, true) + "\\fR\n" + Line(doc.page.summary);
  for (const CommandDoc& doc : docs) out += Section(doc, "");
  out += ".SH \"EXIT STATUS\"\n" + Tagged(kToolExitStatus);
  out +=
      ".SH ENVIRONMENT\n"
      ".TP\n"
      ".B TMPDIR\n"
      "The folder for scratch files, and the temporary folder \\fBkrv sys dirs\\fR names\n"
      "(/tmp when unset).\n"
      ".TP\n"
      ".B HOME, XDG_DATA_HOME, XDG_DATA_DIRS, XDG_CONFIG_HOME, XDG_CONFIG_DIRS\n"
      "Where \\fBkrv files trash\\fR finds the Trash and \\fBkrv sys assoc\\fR the MIME\n"
      "database, the desktop entries and mimeapps.list, as freedesktop.org defines them.\n"
      ".SH FILES\n"
      ".TP\n"
      ".I $XDG_DATA_HOME/Trash\n"
      "Where \\fBkrv files trash\\fR moves files (by default\n"
      "\\fI\\(ti/.local/share/Trash\\fR).\n"
      ".TP\n"
      ".I .NAME.krv\\-XXXXXX\n"
      "A named output file is written under such a name in its own folder (beside the\n"
      "target of a symbolic link) and renamed into place when the command succeeds,\n"
      "keeping the replaced file's owner, group and mode; a file with several hard\n"
      "links is rewritten in place instead. The temporary file is removed when the\n"
      "command fails or is ended by SIGINT, SIGTERM or SIGHUP. Outputs that are not\n"
      "regular files (/dev/stdout, FIFOs, terminals) are written directly.\n"
      ".SH \"SEE ALSO\"\n"
      ".BR grep (1),\n"
      ".BR iconv (1),\n"
      ".BR sha1sum (1)\n";
  return out;
}

}  // namespace krv::tool
