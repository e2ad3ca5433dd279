// TStringList: the run-time's list of strings, each with an optional object pointer the
// list does not own.
//
// Indexes are 0-based, as in the run-time. A bad index raises EStringListError
// "List index out of bounds (<index>)". While Sorted is true the list keeps its strings in
// order: Add inserts at the sorted position (Duplicates decides what an equal string does),
// and Insert, Put, Exchange and Move raise "Operation not allowed on sorted list".
//
// Comparison: with CaseSensitive (default false) strings compare by code unit; without it
// each code unit of both sides is first folded with UnicodeFold (platform/casefold.h), the
// fold the library's string routines use, so the list and those routines agree on which
// strings are equal ignoring case; the fold is built in, independent of the process locale.
// Sort is stable.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "korvex/platform/component.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

class EStringListError : public Exception {
 public:
  using Exception::Exception;
};

enum TDuplicates : std::uint8_t { dupIgnore, dupAccept, dupError };

// Case folding used by TStringList when CaseSensitive is false: UnicodeFold(c).
Char StringListFoldChar(Char c);

class TStringList : public TPersistent {
 public:
  using TCompare = std::function<int(const TStringList& List, int Index1, int Index2)>;

  TStringList() = default;
  String ClassName() const override;
  // Copies strings, objects and the Sorted, Duplicates and CaseSensitive settings of
  // another TStringList; other sources are refused as TPersistent does.
  void Assign(const TPersistent* Source) override;

  int Count() const { return static_cast<int>(strings_.size()); }
  const String& Strings(int Index) const;
  const String& operator[](int Index) const { return Strings(Index); }
  void Put(int Index, const String& S);
  TObject* Objects(int Index) const;
  void PutObject(int Index, TObject* AObject);

  // Appends (or, when sorted, inserts in order); returns the index of the string, or -1
  // when a sorted list with dupIgnore already holds an equal string.
  int Add(const String& S);
  int AddObject(const String& S, TObject* AObject);
  void AddStrings(const TStringList& Strings);
  // Inserts before Index (0..Count).
  void Insert(int Index, const String& S);
  void InsertObject(int Index, const String& S, TObject* AObject);
  void Delete(int Index);
  void Exchange(int Index1, int Index2);
  void Move(int CurIndex, int NewIndex);
  void Clear();

  // Index of the first equal string, or -1 (binary search when sorted).
  int IndexOf(const String& S) const;
  int IndexOfObject(const TObject* AObject) const;
  // Binary search of a sorted list: true when found; Index is the first equal string or
  // the position where S would be inserted.
  bool Find(const String& S, int& Index) const;
  void Sort();
  void CustomSort(const TCompare& Compare);
  // <0, 0 or >0 as the list's comparison orders the two strings.
  int CompareStrings(const String& S1, const String& S2) const;

  bool Sorted() const { return sorted_; }
  void SetSorted(bool Value);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates Value) { duplicates_ = Value; }
  bool CaseSensitive() const { return case_sensitive_; }
  // Changing it re-sorts a sorted list.
  void SetCaseSensitive(bool Value);

  // All strings, each followed by CR LF.
  String Text() const;
  // Replaces the contents by the lines of Value; lines end at CR LF, LF or CR, and a final
  // line end does not start another (empty) line.
  void SetText(const String& Value);

  // Name=Value access: the name is the text before the first '='.
  String Names(int Index) const;
  String ValueFromIndex(int Index) const;
  int IndexOfName(const String& Name) const;
  String Values(const String& Name) const;
  // Sets the value of the first entry named Name; an empty value deletes that entry; a
  // name not present is added as "Name=Value".
  void SetValues(const String& Name, const String& Value);

  std::vector<String>::const_iterator begin() const { return strings_.begin(); }
  std::vector<String>::const_iterator end() const { return strings_.end(); }

 private:
  void CheckIndex(int Index, int Limit) const;
  void CheckUnsorted() const;
  std::vector<String> strings_;
  std::vector<TObject*> objects_;
  bool sorted_ = false;
  TDuplicates duplicates_ = dupIgnore;
  bool case_sensitive_ = false;
};

}  // namespace krv
KORVEX_API_END
