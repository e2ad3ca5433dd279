#include "korvex/platform/component.h"

#include <algorithm>

#include "korvex/platform/exceptions.h"

namespace krv {

String TObject::ClassName() const {
  return u"TObject";
}
String TPersistent::ClassName() const {
  return u"TPersistent";
}
String TComponent::ClassName() const {
  return u"TComponent";
}

void TPersistent::Assign(const TPersistent* Source) {
  if (Source != nullptr) {
    Source->AssignTo(this);
    return;
  }
  AssignError(Source);
}

void TPersistent::AssignTo(TPersistent* Dest) const {
  Dest->AssignError(this);
}

void TPersistent::AssignError(const TPersistent* Source) const {
  const String source_name = Source != nullptr ? Source->ClassName() : String(u"nil");
  throw EConvertError(u"Cannot assign a " + source_name + u" to a " + ClassName());
}

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner != nullptr) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  // Destroy owned components newest first; each one detaches itself.
  while (!components_.empty()) delete components_.back();
  if (owner_ != nullptr) owner_->RemoveComponent(this);
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) return nullptr;
  return components_[static_cast<std::size_t>(index)];
}

void TComponent::InsertComponent(TComponent* c) {
  if (c == nullptr || c == this || c->owner_ == this) return;
  if (c->owner_ != nullptr) c->owner_->RemoveComponent(c);
  components_.push_back(c);
  c->owner_ = this;
}

void TComponent::RemoveComponent(TComponent* c) {
  auto it = std::find(components_.begin(), components_.end(), c);
  if (it == components_.end()) return;
  components_.erase(it);
  c->owner_ = nullptr;
}

String TComponent::ComponentMessage(const String& text) const {
  return u"Component \"" + name_ + u"\": " + text;
}

}  // namespace krv
