// TRLEncoder: a streaming run-length encoder and decoder that hands out its output in
// blocks of BufLeng bytes.
//
// Format: any byte other than 0xA5 stands for itself; the three bytes 0xA5, n, v stand for
// n copies of v (n = 0 stands for nothing). The encoder writes runs of three or more equal
// bytes as triples of at most 255, runs of one or two bytes other than 0xA5 as themselves,
// and every run of 0xA5 as a triple.
//
// Typical use: feed input with Encode (or Decode), call GetResult whenever it returns true,
// and end an encoding by calling Finish until it returns less than BufLeng.
//
// Choices made here:
// - The pending output grows as needed, so no input (large Encode calls, long runs with a
//   small BufLeng, blocks never fetched) can overflow it. Growth failure raises
//   EKRVDStructError "not enough memory on heap".
// - SetBufLeng keeps the pending bytes (it never zeroes them); values <= 0 are ignored.
// - Encode reads at most InBuf.size() bytes whatever NumBytes says; GetResult and Finish
//   never write past OutBuf: with an OutBuf shorter than BufLeng, GetResult does nothing and
//   Finish returns -1, both without any change.
// - A further Finish call (one right after a Finish that delivered a full block) appends the
//   empty triple 0xA5, 0, last byte only when BufLeng > 3: with a block of 3 bytes or less
//   that triple would refill the pending output as fast as Finish drains it and the Finish
//   loop would never end.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "korvex/platform/component.h"
#include "korvex/platform/export.h"

KORVEX_API_BEGIN
namespace krv {

enum TDecodeSt : std::uint8_t { rlData, rlLeadin, rlCnt };

class TRLEncoder : public TComponent {
 public:
  static constexpr std::uint8_t kLeadIn = 0xA5;

  // BufLeng 256, a zeroed 1024-byte buffer, nothing pending, state rlData.
  explicit TRLEncoder(TComponent* AOwner = nullptr);

  String ClassName() const override;

  std::int32_t BufLeng() const { return FBufLeng; }
  void SetBufLeng(std::int32_t BufLeng);
  // Nothing pending, no run, state rlData.
  void Reset();

  // Encodes the first NumBytes bytes of InBuf; true when at least BufLeng bytes are pending.
  bool Encode(std::span<const std::uint8_t> InBuf, std::int32_t NumBytes);
  // Encodes all of InBuf.
  bool Encode(std::span<const std::uint8_t> InBuf) {
    return EncodeBytes(InBuf.data(), InBuf.size());
  }
  // Feeds one encoded byte; true when at least BufLeng decoded bytes are pending.
  bool Decode(std::uint8_t InByte) {
    FFinishing = false;
    switch (FDecodeSt) {
      case rlData:
        if (InByte == kLeadIn) {
          FDecodeSt = rlLeadin;
        } else {
          if (FEnd == FBuffer.size()) Reserve(1);
          FBuffer[FEnd++] = InByte;
        }
        break;
      case rlLeadin:
        FCount = InByte;
        FDecodeSt = rlCnt;
        break;
      case rlCnt:
        if (FBuffer.size() - FEnd < FCount) Reserve(FCount);
        std::memset(FBuffer.data() + FEnd, InByte, FCount);
        FEnd += FCount;
        FCount = 0;
        FDecodeSt = rlData;
        break;
    }
    return BlockReady();
  }
  // Feeds every byte of InBuf, as Decode for each; true when at least BufLeng are pending.
  bool Decode(std::span<const std::uint8_t> InBuf);

  // With at least BufLeng bytes pending, moves the first BufLeng of them to OutBuf and
  // returns true; otherwise returns false and does nothing.
  bool GetResult(std::span<std::uint8_t> OutBuf);
  // Ends an encoding: writes the pending run as a triple and delivers up to BufLeng bytes
  // into OutBuf; returns the number delivered (BufLeng means: call again).
  std::int32_t Finish(std::span<std::uint8_t> OutBuf);

  // Number of output bytes waiting to be fetched.
  std::int64_t Pending() const { return static_cast<std::int64_t>(FEnd - FStart); }
  TDecodeSt DecodeState() const { return FDecodeSt; }

 private:
  bool EncodeBytes(const std::uint8_t* in, std::size_t n);
  // Makes room for n more pending bytes and returns where they go.
  std::uint8_t* Reserve(std::size_t n);
  void Append(std::uint8_t b) { *Reserve(1) = b, ++FEnd; }
  void AppendTriple(std::uint8_t count, std::uint8_t value);
  void Deliver(std::uint8_t* out, std::size_t n);
  bool BlockReady() const { return FEnd - FStart >= static_cast<std::size_t>(FBufLeng); }

  std::int32_t FBufLeng = 256;
  std::vector<std::uint8_t> FBuffer;
  std::size_t FStart = 0;  // first pending byte
  std::size_t FEnd = 0;    // one past the last pending byte
  TDecodeSt FDecodeSt = rlData;
  std::uint8_t FCount = 0;
  std::uint8_t FLastB = 0;
  bool FFinishing = false;  // the last call was a Finish that left bytes pending
};

}  // namespace krv
KORVEX_API_END
