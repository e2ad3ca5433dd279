// The automaton of grep_dfa.h: a Thompson NFA built from the tokens, made deterministic one
// state at a time as lines need it.
#include "grep_dfa.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace krv::tool {
namespace {

bool IsMember(const TGrepToken& t, unsigned c) {
  return t.Params[c] == u'*';
}

}  // namespace

LineDfa::LineDfa(const std::vector<std::vector<TGrepToken>>& patterns, bool ignore_case, bool pad)
    : pad_(pad) {
  accept_ = AddNode();
  for (const auto& tokens : patterns) AddPattern(tokens);
  MakeClasses(ignore_case);
  inject_ = starts_;
  Closure(inject_, false);
  first_ = starts_;
  Closure(first_, true);
  Reset();
}

int LineDfa::AddNode() {
  nodes_.emplace_back();
  return static_cast<int>(nodes_.size()) - 1;
}

// index 0: the set (or any character when t repeats one); n > 0: the n-th literal character.
int LineDfa::AddUnit(const TGrepToken& t, int index) {
  std::vector<bool> members(128, false);
  const bool set = t.Action == taSet || t.NumChars < 0;
  const bool any = t.Action == taAnyByte || (t.Action != taNormal && t.NumChars == 0);
  for (unsigned c = 0; c < 128; ++c) {
    if (index > 0) {
      members[c] = t.Params[static_cast<std::size_t>(index)] == c;
    } else {
      members[c] = any || (set && IsMember(t, c));
    }
  }
  units_.push_back(std::move(members));
  return static_cast<int>(units_.size()) - 1;
}

// One unit of t (a set, any character or the literal string) on the way from `from` to `to`;
// returns `to`.
int LineDfa::AddRepeatable(const TGrepToken& t, int from, int to) {
  const bool string = t.Action == taNormal || t.NumChars > 0;
  const int n = string ? t.NumChars : 1;
  int at = from;
  for (int i = 1; i <= n; ++i) {
    const int next = i == n ? to : AddNode();
    const int unit = AddUnit(t, string ? i : 0);
    nodes_[static_cast<std::size_t>(at)].unit = unit;
    nodes_[static_cast<std::size_t>(at)].next = next;
    at = next;
  }
  if (n == 0) nodes_[static_cast<std::size_t>(from)].empty.push_back(to);  // "()"
  return to;
}

// Each token leads from the node `at` to a new node with no consuming edge yet.
void LineDfa::AddPattern(const std::vector<TGrepToken>& tokens) {
  int at = AddNode();
  starts_.push_back(at);
  bool eol = false;
  for (const TGrepToken& t : tokens) {
    const auto node = [this](int i) -> Node& { return nodes_[static_cast<std::size_t>(i)]; };
    int after = -1;
    switch (t.Action) {
      case taNormal:
      case taAnyByte:
      case taSet:
        after = AddRepeatable(t, at, AddNode());
        break;
      case taBol:
        after = AddNode();
        node(at).at_start = after;
        break;
      case taEol:
        node(at).before_eol = true;
        eol = true;
        after = at;
        break;
      case taMult0:
        AddRepeatable(t, at, at);
        after = AddNode();
        node(at).empty.push_back(after);
        break;
      case taMult1: {
        const int loop = AddRepeatable(t, at, AddNode());
        AddRepeatable(t, loop, loop);
        after = AddNode();
        node(loop).empty.push_back(after);
        break;
      }
      case taOpti:
        after = AddRepeatable(t, at, AddNode());
        node(at).empty.push_back(after);
        break;
    }
    at = after;
  }
  if (!eol) nodes_[static_cast<std::size_t>(at)].empty.push_back(accept_);
}

// Bytes that every unit treats alike share a class; with ignore_case a byte is classed as
// its small letter (the subject is folded, the tokens already are). Bytes of 0x80 and above
// form the last class, which ends the run.
void LineDfa::MakeClasses(bool ignore_case) {
  std::unordered_map<std::string, std::uint8_t> by_signature;
  for (unsigned b = 0; b < 128; ++b) {
    const unsigned c = ignore_case && b >= 'A' && b <= 'Z' ? b + 32 : b;
    std::string signature(units_.size(), '0');
    for (std::size_t u = 0; u < units_.size(); ++u)
      if (units_[u][c]) signature[u] = '1';
    const auto [it, added] =
        by_signature.emplace(signature, static_cast<std::uint8_t>(by_signature.size()));
    class_of_[b] = it->second;
    if (added) representative_.push_back(static_cast<std::uint8_t>(c));
  }
  classes_ = static_cast<int>(by_signature.size());
  for (unsigned b = 128; b < 256; ++b) class_of_[b] = static_cast<std::uint8_t>(classes_);
}

void LineDfa::Closure(std::vector<int>& set, bool at_start) const {
  std::vector<bool> seen(nodes_.size(), false);
  std::vector<int> todo = set;
  set.clear();
  while (!todo.empty()) {
    const int s = todo.back();
    todo.pop_back();
    if (seen[static_cast<std::size_t>(s)]) continue;
    seen[static_cast<std::size_t>(s)] = true;
    set.push_back(s);
    const Node& n = nodes_[static_cast<std::size_t>(s)];
    for (int e : n.empty) todo.push_back(e);
    if (at_start && n.at_start >= 0) todo.push_back(n.at_start);
  }
  std::sort(set.begin(), set.end());
}

// The table offset of the state for set (kAccept when it holds the accepting node).
std::int32_t LineDfa::Intern(std::vector<int> set) {
  if (std::binary_search(set.begin(), set.end(), accept_)) return kAccept;
  std::string key(set.size() * sizeof(int), '\0');
  if (!set.empty()) std::memcpy(key.data(), set.data(), key.size());
  const std::int32_t width = classes_ + 1;
  const auto it = ids_.find(key);
  if (it != ids_.end()) return it->second;
  const auto id = static_cast<std::int32_t>(sets_.size());
  bool eol = false;
  for (int s : set) eol = eol || nodes_[static_cast<std::size_t>(s)].before_eol;
  sets_.push_back(std::move(set));
  eol_ok_.push_back(eol);
  table_.resize(table_.size() + static_cast<std::size_t>(width), kUnknown);
  table_.back() = kNotAsciiState;
  ids_.emplace(std::move(key), id * width);
  return id * width;
}

void LineDfa::Reset() {
  sets_.clear();
  eol_ok_.clear();
  ids_.clear();
  table_.clear();
  line_start_ = Intern(first_);
  nothing_ = Intern({});
}

std::int32_t LineDfa::Compute(std::int32_t state, int cls) {
  const std::int32_t width = classes_ + 1;
  const unsigned rep = representative_[static_cast<std::size_t>(cls)];
  std::vector<int> from = sets_[static_cast<std::size_t>(state / width)];
  from.insert(from.end(), inject_.begin(), inject_.end());
  std::vector<int> next;
  for (int s : from) {
    const Node& n = nodes_[static_cast<std::size_t>(s)];
    if (n.unit >= 0 && units_[static_cast<std::size_t>(n.unit)][rep]) next.push_back(n.next);
  }
  Closure(next, false);
  if (sets_.size() >= kMaxStates) {
    Reset();  // the table starts again; the caller continues from the state returned
    return Intern(std::move(next));
  }
  const std::int32_t to = Intern(std::move(next));
  table_[static_cast<std::size_t>(state + cls)] = to;
  return to;
}

LineDfa::Verdict LineDfa::Finish(std::int32_t state) {
  if (state == kAccept) return Verdict::kYes;
  if (state == kNotAsciiState) return Verdict::kNotAscii;
  if (pad_) {
    state = Step(state, class_of_[static_cast<unsigned char>(' ')]);
    if (state < 0) return state == kAccept ? Verdict::kYes : Verdict::kNotAscii;
  }
  return eol_ok_[static_cast<std::size_t>(state / (classes_ + 1))] ? Verdict::kYes : Verdict::kNo;
}

std::int32_t LineDfa::Step(std::int32_t state, int cls) {
  const std::int32_t to = table_[static_cast<std::size_t>(state + cls)];
  return to == kUnknown ? Compute(state, cls) : to;
}

// Runs the automaton over bytes from state s. With starts, whenever nothing is under way
// the run jumps to the next place a match can start; in a piece of a longer line, the last
// bytes a start could begin in are still fed, for the piece after to complete.
std::int32_t LineDfa::Run(std::int32_t s, std::string_view bytes, bool piece,
                          const StartFinder* starts) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  for (std::size_t i = 0; i < n && s >= 0;) {
    if (s == nothing_ && starts != nullptr) {
      const std::size_t next = starts->NextStart(bytes.substr(i));
      if (next == std::string_view::npos) {
        if (!piece) break;  // no start in the rest of the line
        i = n - std::min(n - i, starts->Reach() - 1);
        starts = nullptr;  // the last bytes, where a start may begin, one by one
        continue;
      }
      i += next;
    }
    const std::uint8_t cls = class_of_[p[i]];
    std::int32_t to = table_[static_cast<std::size_t>(s + cls)];
    if (to == kUnknown) to = Compute(s, cls);
    s = to;
    ++i;
  }
  return s;
}

LineDfa::Verdict LineDfa::Test(std::string_view line, std::size_t from, const StartFinder* starts) {
  std::int32_t s = from == 0 || pad_ ? line_start_ : nothing_;
  if (pad_) from = 0;
  if (s >= 0 && pad_) s = Step(s, class_of_[static_cast<unsigned char>(' ')]);
  if (s >= 0) s = Run(s, line.substr(std::min(from, line.size())), false, pad_ ? nullptr : starts);
  return Finish(s);
}

void LineDfa::Begin() {
  state_ = line_start_;
  if (state_ >= 0 && pad_) state_ = Step(state_, class_of_[static_cast<unsigned char>(' ')]);
}

bool LineDfa::Feed(std::string_view piece, const StartFinder* starts) {
  if (state_ >= 0) state_ = Run(state_, piece, true, pad_ ? nullptr : starts);
  return state_ >= 0;
}

LineDfa::Verdict LineDfa::End() {
  return Finish(state_);
}

}  // namespace krv::tool
