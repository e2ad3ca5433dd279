// The component base: TObject, TPersistent (Assign/AssignTo) and TComponent (owner, Name, Tag).
//
// An owner destroys the components it owns, newest first; destroying a component detaches
// it from its owner. A component made without owner belongs to the caller.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

class TObject {
 public:
  virtual ~TObject() = default;
  // The class name as shown in messages ("TStringArray", ...).
  virtual String ClassName() const;
};

class TPersistent : public TObject {
 public:
  // Copies Source into this object. The base asks Source to AssignTo(this); when neither
  // side knows the other it raises EConvertError "Cannot assign a <Source> to a <this>".
  virtual void Assign(const TPersistent* Source);
  String ClassName() const override;

 protected:
  // Hands this object's data to Dest; the base refuses with the same EConvertError.
  virtual void AssignTo(TPersistent* Dest) const;

 private:
  [[noreturn]] void AssignError(const TPersistent* Source) const;
};

class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* AOwner = nullptr);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  String ClassName() const override;
  TComponent* Owner() const { return owner_; }
  const String& Name() const { return name_; }
  void SetName(const String& v) { name_ = v; }
  std::intptr_t Tag() const { return tag_; }
  void SetTag(std::intptr_t v) { tag_ = v; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const;
  // Takes ownership of c (removing it from its previous owner first).
  void InsertComponent(TComponent* c);
  // Gives up ownership of c without destroying it.
  void RemoveComponent(TComponent* c);

  // "Component \"<Name>\": <text>" — the prefix every component failure message carries.
  String ComponentMessage(const String& text) const;

 private:
  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  String name_;
  std::intptr_t tag_ = 0;
};

}  // namespace krv
KORVEX_API_END
