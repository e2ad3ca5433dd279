// Turns TGrep's token array into the matcher's program: the tokens' units, what the quick
// checks need, and the table of distinct units with the literal automaton for the liveness
// pass.
#include <algorithm>

#include "korvex/platform/casefold.h"
#include "stringl/internal/grep_program.h"

namespace krv::detail {
namespace {

// Rough frequency rank of ASCII characters in ordinary text (higher is more frequent), used to
// pick the character of a literal that a search should look for first. Characters above 127
// count as rare.
int FrequencyRank(Char c) {
  static constexpr char kByFrequency[] =
      " etaoinsrhldcumfpgwybvk.,xjqzETAISONRHLDCMUBPFGWYVKJXQZ0123456789-'\"()/:;!?_=*&[]<>#$%@+";
  if (c >= 128) return 0;
  for (int i = 0; kByFrequency[i] != '\0'; ++i) {
    if (static_cast<Char>(kByFrequency[i]) == c) return 100 - i;
  }
  return 1;
}

Char Fold(Char c, bool ignore_case) {
  return ignore_case ? AsciiLower(c) : c;
}

void AppendLiteral(const TGrepToken& tok, int n, bool ignore_case, GrepProgram& prog, GrepOp& op) {
  op.unit = GrepUnit::kString;
  op.width = n;
  op.lit = static_cast<std::int32_t>(prog.literals.size());
  int best = 1000;
  for (int i = 0; i < n; ++i) {
    const Char c = tok.Params[static_cast<std::size_t>(i + 1)];
    prog.literals.push_back(c);
    // Under folding an upper-case letter in the pattern never matches: avoid searching for it.
    int rank = FrequencyRank(c);
    if (ignore_case && c >= u'A' && c <= u'Z') rank = 999;
    if (rank < best) best = rank, op.rare = i;
  }
}

// The set's members as the subject's own characters: with folding, c is a member when its
// small letter is.
void SetMembers(const TGrepToken& tok, bool ignore_case, GrepOp& op) {
  op.unit = GrepUnit::kSet;
  op.width = 1;
  for (unsigned c = 0; c < 256; ++c) {
    if (tok.Params[Fold(static_cast<Char>(c), ignore_case)] == u'*') {
      op.set.bits[c >> 6] |= std::uint64_t{1} << (c & 63);
    }
  }
  op.set.Prepare();
}

// The unit of a repetition or option mark.
void SetUnit(const TGrepToken& tok, bool ignore_case, GrepProgram& prog, GrepOp& op) {
  if (tok.NumChars < 0) {
    SetMembers(tok, ignore_case, op);
  } else if (tok.NumChars == 0) {
    op.unit = GrepUnit::kAny;
    op.width = 1;
  } else {
    AppendLiteral(tok, tok.NumChars, ignore_case, prog, op);
  }
}

// Minimum number of characters token op takes.
std::int32_t MinWidth(const GrepOp& op) {
  switch (op.kind) {
    case taNormal:
    case taAnyByte:
    case taSet:
    case taMult1:
      return op.width;
    default:
      return 0;
  }
}

// A distinct unit: any character, a set of characters below 256, or a literal (one character
// above 255, or two or more characters).
struct UnitKey {
  GrepUnit kind = GrepUnit::kNone;
  std::array<std::uint64_t, 4> set{};
  std::u16string_view text;

  bool operator==(const UnitKey&) const = default;
};

UnitKey KeyOf(const GrepProgram& prog, const GrepOp& op) {
  UnitKey key;
  key.kind = op.unit;
  if (op.unit == GrepUnit::kSet) key.set = op.set.bits;
  if (op.unit != GrepUnit::kString) return key;
  key.text = std::u16string_view(prog.literals)
                 .substr(static_cast<std::size_t>(op.lit), static_cast<std::size_t>(op.width));
  if (op.width == 1 && key.text[0] < 256) {
    // One character below 256 is the set of the subject characters equal to it.
    key.kind = GrepUnit::kSet;
    for (unsigned c = 0; c < 256; ++c) {
      if (Fold(static_cast<Char>(c), prog.ignore_case) == key.text[0]) {
        key.set[c >> 6] |= std::uint64_t{1} << (c & 63);
      }
    }
    key.text = {};
  }
  return key;
}

void AddUnit(const UnitKey& key, std::uint64_t bit, GrepUnitTable& t) {
  switch (key.kind) {
    case GrepUnit::kAny:
      t.any |= bit;
      for (auto& m : t.by_char) m |= bit;
      break;
    case GrepUnit::kSet:
      for (unsigned c = 0; c < 256; ++c) {
        if ((key.set[c >> 6] >> (c & 63)) & 1) t.by_char[c] |= bit;
      }
      break;
    case GrepUnit::kString:
      if (key.text.size() == 1) {
        t.wide_chars.emplace_back(key.text[0], bit);
      } else {
        t.literals.Add(key.text, bit);
      }
      break;
    case GrepUnit::kNone:
      break;
  }
}

// Gives every token with a unit the index of its distinct unit and fills the unit table.
void NumberUnits(GrepProgram& prog) {
  std::vector<UnitKey> keys;
  for (int k = 0; k < prog.count; ++k) {
    GrepOp& op = prog.ops[static_cast<std::size_t>(k)];
    if (op.unit == GrepUnit::kNone || (op.unit == GrepUnit::kString && op.width == 0)) continue;
    const UnitKey key = KeyOf(prog, op);
    const auto found = std::find(keys.begin(), keys.end(), key);
    op.unit_id = static_cast<int>(found - keys.begin());
    if (found == keys.end()) {
      keys.push_back(key);
      AddUnit(key, std::uint64_t{1} << op.unit_id, prog.units);
    }
  }
  prog.units.count = static_cast<int>(keys.size());
  std::sort(prog.units.wide_chars.begin(), prog.units.wide_chars.end());
  prog.units.literals.Finish(prog.ignore_case);
}

// The literal every match contains, and what a final $ demands of the subject's end.
void FindQuickChecks(GrepProgram& prog) {
  int longest = 0;
  for (int k = 0; k < prog.count; ++k) {
    const GrepOp& op = prog.ops[static_cast<std::size_t>(k)];
    prog.min_length += MinWidth(op);
    if (k > 0 && op.kind == taNormal && op.width > longest) longest = op.width, prog.required = k;
  }
  if (prog.count < 2 || prog.ops[static_cast<std::size_t>(prog.count - 1)].kind != taEol) return;
  int k = prog.count - 2;
  for (; k >= 0; --k) {
    const TGrepTokenAct kind = prog.ops[static_cast<std::size_t>(k)].kind;
    if (kind != taNormal && kind != taAnyByte && kind != taSet) break;
    prog.suffix_width += prog.ops[static_cast<std::size_t>(k)].width;
  }
  if (k < prog.count - 2) prog.suffix_first = k + 1;
}

}  // namespace

void GrepLiteralAutomaton::Add(std::u16string_view literal, std::uint64_t out) {
  if (nodes_.empty()) nodes_.emplace_back(), build_.emplace_back();
  std::int32_t v = 0;
  for (std::size_t i = literal.size(); i-- > 0;) {
    auto& kids = build_[static_cast<std::size_t>(v)];
    const auto it = std::find_if(kids.begin(), kids.end(),
                                 [&](const auto& e) { return e.first == literal[i]; });
    if (it != kids.end()) {
      v = it->second;
      continue;
    }
    const auto next = static_cast<std::int32_t>(nodes_.size());
    kids.emplace_back(literal[i], next);
    nodes_.emplace_back();
    build_.emplace_back();
    v = next;
  }
  nodes_[static_cast<std::size_t>(v)].out |= out;
}

void GrepLiteralAutomaton::Finish(bool ignore_case) {
  fold_ = ignore_case;
  if (nodes_.empty()) nodes_.emplace_back(), build_.emplace_back();
  NumberBreadthFirst();
  LinkFailures();
  BuildTable(ignore_case);
}

// Renumbers the nodes breadth first and lays out their children, sorted, as edges.
void GrepLiteralAutomaton::NumberBreadthFirst() {
  std::vector<std::int32_t> order{0};
  for (std::size_t head = 0; head < order.size(); ++head) {
    auto& kids = build_[static_cast<std::size_t>(order[head])];
    std::sort(kids.begin(), kids.end());
    for (const auto& kid : kids) order.push_back(kid.second);
  }
  std::vector<std::int32_t> id(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    id[static_cast<std::size_t>(order[i])] = static_cast<std::int32_t>(i);
  }
  std::vector<Node> nodes(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    const auto old = static_cast<std::size_t>(order[i]);
    nodes[i].out = nodes_[old].out;
    nodes[i].first = static_cast<std::int32_t>(edge_char_.size());
    nodes[i].count = static_cast<std::int32_t>(build_[old].size());
    for (const auto& [c, to] : build_[old]) {
      edge_char_.push_back(c);
      edge_to_.push_back(id[static_cast<std::size_t>(to)]);
    }
  }
  nodes_ = std::move(nodes);
  build_ = {};
}

// Sets each node's failure link and adds the outputs of the node it links to. In breadth-first
// order every node on a failure chain comes before the node.
void GrepLiteralAutomaton::LinkFailures() {
  for (std::size_t u = 0; u < nodes_.size(); ++u) {
    const Node nu = nodes_[u];
    for (std::int32_t e = nu.first; e < nu.first + nu.count; ++e) {
      const Char c = edge_char_[static_cast<std::size_t>(e)];
      Node& nv = nodes_[static_cast<std::size_t>(edge_to_[static_cast<std::size_t>(e)])];
      std::int32_t f = nu.fail;
      std::int32_t to = -1;
      if (u != 0) {
        while ((to = Child(f, c)) < 0 && f != 0) f = nodes_[static_cast<std::size_t>(f)].fail;
      }
      nv.fail = to < 0 ? 0 : to;
      nv.out |= nodes_[static_cast<std::size_t>(nv.fail)].out;
    }
  }
}

void GrepLiteralAutomaton::BuildTable(bool ignore_case) {
  std::vector<Char> chars(edge_char_);
  if (chars.empty()) {  // no literals: one class, and a table row for the root alone
    dense_states_ = 1;
    table_.assign(1, 0);
    return;
  }
  std::sort(chars.begin(), chars.end());
  chars.erase(std::unique(chars.begin(), chars.end()), chars.end());
  if (chars.back() >= 256) wide_class_of_.assign(65536, 0);
  for (const Char c : chars) {
    const auto k = static_cast<std::uint16_t>(classes_++);
    if (c < 256) {
      class_of_[c] = k;
    } else {
      wide_class_of_[c] = k;
    }
  }
  if (ignore_case) {
    for (Char c = u'A'; c <= u'Z'; ++c) class_of_[c] = class_of_[AsciiLower(c)];
  }
  dense_states_ = std::min(nodes_.size(), kMaxDense / classes_);  // at least the root
  // The character of each class, as the literals hold it.
  std::vector<Char> of_class(classes_, Char{0});
  for (const Char c : chars) of_class[ClassOf(c)] = c;
  table_.assign(dense_states_ * classes_, 0);
  for (std::size_t v = 0; v < dense_states_; ++v) {
    const auto fail = static_cast<std::size_t>(nodes_[v].fail);  // before v
    for (std::size_t k = 1; k < classes_; ++k) {
      const std::int32_t child = Child(static_cast<std::int32_t>(v), of_class[k]);
      // A missing edge goes where the fail state goes.
      const std::uint16_t to = child >= 0 ? static_cast<std::uint16_t>(child)
                                          : (v == 0 ? 0 : table_[fail * classes_ + k]);
      table_[v * classes_ + k] = to;
    }
  }
}

std::int32_t GrepLiteralAutomaton::Child(std::int32_t v, Char c) const {
  const Node& n = nodes_[static_cast<std::size_t>(v)];
  const Char* first = edge_char_.data() + n.first;
  const Char* last = first + n.count;
  const Char* it = n.count <= 8 ? std::find(first, last, c) : std::lower_bound(first, last, c);
  if (it == last || *it != c) return -1;
  return edge_to_[static_cast<std::size_t>(it - edge_char_.data())];
}

std::int32_t GrepLiteralAutomaton::StepSparse(std::int32_t state, Char c, std::uint32_t k) const {
  if (fold_) c = AsciiLower(c);
  for (;;) {
    const std::int32_t to = Child(state, c);
    if (to >= 0) return to;
    state = nodes_[static_cast<std::size_t>(state)].fail;  // the root has a table row
    if (static_cast<std::size_t>(state) < dense_states_) {
      return table_[static_cast<std::size_t>(state) * classes_ + k];
    }
  }
}

void BuildGrepProgram(const TRegExp& tokens, int count, bool ignore_case, GrepProgram& prog) {
  prog = GrepProgram{};
  prog.count = count;
  prog.ignore_case = ignore_case;
  for (int k = 0; k < count; ++k) {
    const TGrepToken& tok = tokens[k + 1];
    GrepOp& op = prog.ops[static_cast<std::size_t>(k)];
    op.kind = tok.Action;
    switch (tok.Action) {
      case taNormal:
        AppendLiteral(tok, std::max<Integer>(tok.NumChars, 0), ignore_case, prog, op);
        break;
      case taAnyByte:
        op.unit = GrepUnit::kAny;
        op.width = 1;
        break;
      case taSet:
        SetMembers(tok, ignore_case, op);
        break;
      case taMult0:
      case taMult1:
      case taOpti:
        SetUnit(tok, ignore_case, prog, op);
        break;
      case taBol:
      case taEol:
        break;
    }
  }
  FindQuickChecks(prog);
  NumberUnits(prog);
}

}  // namespace krv::detail
