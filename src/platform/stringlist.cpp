#include "korvex/platform/stringlist.h"

#include <algorithm>
#include <numeric>
#include <string>

#include "korvex/platform/casefold.h"

namespace krv {

Char StringListFoldChar(Char c) {
  return UnicodeFold(c);
}

String TStringList::ClassName() const {
  return u"TStringList";
}

void TStringList::Assign(const TPersistent* Source) {
  if (const auto* src = dynamic_cast<const TStringList*>(Source)) {
    if (src == this) return;
    strings_ = src->strings_;
    objects_ = src->objects_;
    sorted_ = src->sorted_;
    duplicates_ = src->duplicates_;
    case_sensitive_ = src->case_sensitive_;
    return;
  }
  TPersistent::Assign(Source);
}

void TStringList::CheckIndex(int Index, int Limit) const {
  if (Index < 0 || Index >= Limit) {
    const std::string n = std::to_string(Index);
    throw EStringListError(u"List index out of bounds (" + String(n.begin(), n.end()) + u")");
  }
}

void TStringList::CheckUnsorted() const {
  if (sorted_) throw EStringListError(u"Operation not allowed on sorted list");
}

const String& TStringList::Strings(int Index) const {
  CheckIndex(Index, Count());
  return strings_[static_cast<std::size_t>(Index)];
}

void TStringList::Put(int Index, const String& S) {
  CheckUnsorted();
  CheckIndex(Index, Count());
  strings_[static_cast<std::size_t>(Index)] = S;
}

TObject* TStringList::Objects(int Index) const {
  CheckIndex(Index, Count());
  return objects_[static_cast<std::size_t>(Index)];
}

void TStringList::PutObject(int Index, TObject* AObject) {
  CheckIndex(Index, Count());
  objects_[static_cast<std::size_t>(Index)] = AObject;
}

int TStringList::Add(const String& S) {
  return AddObject(S, nullptr);
}

int TStringList::AddObject(const String& S, TObject* AObject) {
  int index = Count();
  if (sorted_) {
    if (Find(S, index)) {
      if (duplicates_ == dupIgnore) return -1;
      if (duplicates_ == dupError) throw EStringListError(u"String list does not allow duplicates");
      // dupAccept: after the run of equal strings, so equal strings keep insertion order.
      while (index < Count() && CompareStrings(strings_[static_cast<std::size_t>(index)], S) == 0)
        ++index;
    }
  }
  strings_.insert(strings_.begin() + index, S);
  objects_.insert(objects_.begin() + index, AObject);
  return index;
}

void TStringList::AddStrings(const TStringList& Strings) {
  if (&Strings == this) {
    const TStringList copy = Strings;
    AddStrings(copy);
    return;
  }
  for (int i = 0; i < Strings.Count(); ++i)
    AddObject(Strings.strings_[static_cast<std::size_t>(i)],
              Strings.objects_[static_cast<std::size_t>(i)]);
}

void TStringList::Insert(int Index, const String& S) {
  InsertObject(Index, S, nullptr);
}

void TStringList::InsertObject(int Index, const String& S, TObject* AObject) {
  CheckUnsorted();
  CheckIndex(Index, Count() + 1);
  strings_.insert(strings_.begin() + Index, S);
  objects_.insert(objects_.begin() + Index, AObject);
}

void TStringList::Delete(int Index) {
  CheckIndex(Index, Count());
  strings_.erase(strings_.begin() + Index);
  objects_.erase(objects_.begin() + Index);
}

void TStringList::Exchange(int Index1, int Index2) {
  CheckUnsorted();
  CheckIndex(Index1, Count());
  CheckIndex(Index2, Count());
  std::swap(strings_[static_cast<std::size_t>(Index1)], strings_[static_cast<std::size_t>(Index2)]);
  std::swap(objects_[static_cast<std::size_t>(Index1)], objects_[static_cast<std::size_t>(Index2)]);
}

void TStringList::Move(int CurIndex, int NewIndex) {
  CheckUnsorted();
  CheckIndex(CurIndex, Count());
  CheckIndex(NewIndex, Count());
  if (CurIndex == NewIndex) return;
  String s = std::move(strings_[static_cast<std::size_t>(CurIndex)]);
  TObject* o = objects_[static_cast<std::size_t>(CurIndex)];
  Delete(CurIndex);
  strings_.insert(strings_.begin() + NewIndex, std::move(s));
  objects_.insert(objects_.begin() + NewIndex, o);
}

void TStringList::Clear() {
  strings_.clear();
  objects_.clear();
}

int TStringList::CompareStrings(const String& S1, const String& S2) const {
  if (case_sensitive_) return S1.compare(S2) < 0 ? -1 : (S1 == S2 ? 0 : 1);
  const std::size_t n = std::min(S1.size(), S2.size());
  for (std::size_t i = 0; i < n; ++i) {
    const Char a = StringListFoldChar(S1[i]), b = StringListFoldChar(S2[i]);
    if (a != b) return a < b ? -1 : 1;
  }
  return S1.size() == S2.size() ? 0 : (S1.size() < S2.size() ? -1 : 1);
}

int TStringList::IndexOf(const String& S) const {
  if (sorted_) {
    int index = 0;
    return Find(S, index) ? index : -1;
  }
  for (int i = 0; i < Count(); ++i)
    if (CompareStrings(strings_[static_cast<std::size_t>(i)], S) == 0) return i;
  return -1;
}

int TStringList::IndexOfObject(const TObject* AObject) const {
  for (int i = 0; i < Count(); ++i)
    if (objects_[static_cast<std::size_t>(i)] == AObject) return i;
  return -1;
}

bool TStringList::Find(const String& S, int& Index) const {
  int lo = 0, hi = Count();  // first index whose string is not less than S
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (CompareStrings(strings_[static_cast<std::size_t>(mid)], S) < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  Index = lo;
  return lo < Count() && CompareStrings(strings_[static_cast<std::size_t>(lo)], S) == 0;
}

void TStringList::CustomSort(const TCompare& Compare) {
  std::vector<int> order(strings_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return Compare(*this, a, b) < 0; });
  std::vector<String> s;
  std::vector<TObject*> o;
  s.reserve(order.size());
  o.reserve(order.size());
  for (int i : order) {
    s.push_back(std::move(strings_[static_cast<std::size_t>(i)]));
    o.push_back(objects_[static_cast<std::size_t>(i)]);
  }
  strings_ = std::move(s);
  objects_ = std::move(o);
}

void TStringList::Sort() {
  CustomSort([](const TStringList& l, int a, int b) {
    return l.CompareStrings(l.strings_[static_cast<std::size_t>(a)],
                            l.strings_[static_cast<std::size_t>(b)]);
  });
}

void TStringList::SetSorted(bool Value) {
  if (Value && !sorted_) Sort();
  sorted_ = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (Value == case_sensitive_) return;
  case_sensitive_ = Value;
  if (sorted_) Sort();
}

String TStringList::Text() const {
  String out;
  for (const String& s : strings_) {
    out += s;
    out += u"\r\n";
  }
  return out;
}

void TStringList::SetText(const String& Value) {
  Clear();
  std::size_t i = 0;
  while (i < Value.size()) {
    std::size_t j = i;
    while (j < Value.size() && Value[j] != u'\r' && Value[j] != u'\n') ++j;
    strings_.push_back(Value.substr(i, j - i));
    objects_.push_back(nullptr);
    if (j < Value.size() && Value[j] == u'\r') ++j;
    if (j < Value.size() && Value[j] == u'\n') ++j;
    i = j;
  }
  if (sorted_) Sort();
}

String TStringList::Names(int Index) const {
  const String& s = Strings(Index);
  const auto eq = s.find(u'=');
  return eq == String::npos ? String() : s.substr(0, eq);
}

String TStringList::ValueFromIndex(int Index) const {
  const String& s = Strings(Index);
  const auto eq = s.find(u'=');
  return eq == String::npos ? String() : s.substr(eq + 1);
}

int TStringList::IndexOfName(const String& Name) const {
  for (int i = 0; i < Count(); ++i) {
    const String& s = strings_[static_cast<std::size_t>(i)];
    const auto eq = s.find(u'=');
    if (eq != String::npos && CompareStrings(s.substr(0, eq), Name) == 0) return i;
  }
  return -1;
}

String TStringList::Values(const String& Name) const {
  const int i = IndexOfName(Name);
  return i < 0 ? String() : ValueFromIndex(i);
}

void TStringList::SetValues(const String& Name, const String& Value) {
  const int i = IndexOfName(Name);
  if (Value.empty()) {
    if (i >= 0) Delete(i);
    return;
  }
  if (i < 0) {
    Add(Name + u"=" + Value);
  } else if (sorted_) {
    Delete(i);
    Add(Name + u"=" + Value);
  } else {
    strings_[static_cast<std::size_t>(i)] = Name + u"=" + Value;
  }
}

}  // namespace krv
