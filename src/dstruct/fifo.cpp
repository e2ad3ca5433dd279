#include "korvex/dstruct/fifo.h"

#include "internal/heap_error.h"

namespace krv {
namespace {
constexpr char16_t kTooLarge[] = u"FIFO structure too large";
}

TFifo::TFifo(TComponent* AOwner) : TComponent(AOwner) {
  detail::WithHeapGuard(*this, kTooLarge,
                        [&] { FData.assign(static_cast<std::size_t>(FLength), 0); });
}

String TFifo::ClassName() const {
  return u"TFifo";
}

void TFifo::SetSize(std::int32_t Size) {
  if (Size <= 0 || Size == FLength) return;
  const std::int32_t held = CountBytes();
  if (Size - 1 < held) return;  // would lose held bytes
  if (FOutPoi <= FInPoi && FInPoi < Size) {
    // Nothing wraps and both positions fit: resize in place.
    detail::WithHeapGuard(*this, kTooLarge,
                          [&] { FData.resize(static_cast<std::size_t>(Size), 0); });
    FLength = Size;
    return;
  }
  std::vector<std::uint8_t> fresh;
  detail::WithHeapGuard(*this, kTooLarge, [&] { fresh.assign(static_cast<std::size_t>(Size), 0); });
  for (std::int32_t i = 0, p = FOutPoi; i < held; ++i, p = Next(p))
    fresh[static_cast<std::size_t>(i)] = FData[static_cast<std::size_t>(p)];
  FData.swap(fresh);
  FLength = Size;
  FOutPoi = 0;
  FInPoi = held;
}

bool TFifo::PutByte(std::uint8_t InByte) {
  if (Full()) return false;
  FData[static_cast<std::size_t>(FInPoi)] = InByte;
  FInPoi = Next(FInPoi);
  return true;
}

bool TFifo::ForceByte(std::uint8_t InByte) {
  bool dropped = false;
  if (Full()) {
    FOutPoi = Next(FOutPoi);
    dropped = true;
  }
  // A one-byte buffer holds nothing: the byte cannot be stored even after dropping.
  PutByte(InByte);
  return dropped;
}

bool TFifo::LoadBack(std::uint8_t InByte) {
  if (Full()) return false;
  FOutPoi = FOutPoi == 0 ? FLength - 1 : FOutPoi - 1;
  FData[static_cast<std::size_t>(FOutPoi)] = InByte;
  return true;
}

bool TFifo::GetByte(std::uint8_t& OutByte) {
  if (FInPoi == FOutPoi) return false;
  OutByte = FData[static_cast<std::size_t>(FOutPoi)];
  FOutPoi = Next(FOutPoi);
  return true;
}

bool TFifo::SenseByte(std::int32_t ix, std::uint8_t& OutByte) const {
  if (ix < 0 || ix >= CountBytes()) return false;
  std::int64_t p = std::int64_t{FOutPoi} + ix;
  if (p >= FLength) p -= FLength;
  OutByte = FData[static_cast<std::size_t>(p)];
  return true;
}

void TFifo::Clear() {
  FInPoi = 0;
  FOutPoi = 0;
}

std::int32_t TFifo::CountBytes() const {
  const std::int32_t n = FInPoi - FOutPoi;
  return n < 0 ? n + FLength : n;
}

}  // namespace krv
