#include "korvex/stringl/scramble.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>

#include "korvex/platform/random.h"

namespace krv {
namespace {

// One pair of tables and the generator state its draws end in; never changed once built.
struct Tables {
  std::array<std::uint8_t, 256> forward{};
  std::array<std::uint8_t, 256> inverse{};
  std::uint32_t end_state = 0;
};

// Draws the permutation from a generator of its own seeded with seed: for i = 1..255, draw
// codes until one is still free.
constexpr Tables BuildTables(std::int32_t seed) {
  Tables t;
  TRandomSequence gen(static_cast<std::uint32_t>(seed));
  for (std::size_t i = 1; i <= 255; ++i) {
    std::size_t code;
    do {
      code = static_cast<std::size_t>(gen.Next(255)) + 1;
    } while (t.inverse[code] != 0);
    t.forward[i] = static_cast<std::uint8_t>(code);
    t.inverse[code] = static_cast<std::uint8_t>(i);
  }
  t.end_state = gen.State();
  return t;
}

// The tables before any InitScramble, built at compile time: nothing runs at start-up.
constexpr Tables kDefaultTables = BuildTables(kDefaultScrambleSeed);

// The tables in use. A reader loads the pointer once per call; InitScramble replaces it.
std::atomic<const Tables*> g_current{&kDefaultTables};

// Serialises InitScramble.
std::mutex g_install_mutex;

// Every pair InitScramble has built, by seed. Never destroyed, so a reference handed out
// stays valid, also for static destructors that run at exit.
std::map<std::int32_t, std::unique_ptr<const Tables>>& Installed() {
  static auto* installed = new std::map<std::int32_t, std::unique_ptr<const Tables>>();
  return *installed;
}

const Tables& Current() {
  return *g_current.load(std::memory_order_acquire);
}

String Map(const String& s, const std::array<std::uint8_t, 256>& table) {
  String out(s);
  for (Char& c : out)
    if (c < 256) c = table[c];
  return out;
}

}  // namespace

void InitScramble(std::int32_t seed) {
  const std::lock_guard<std::mutex> lock(g_install_mutex);
  const Tables* t = &kDefaultTables;
  if (seed != kDefaultScrambleSeed) {
    auto& slot = Installed()[seed];
    if (!slot) slot = std::make_unique<const Tables>(BuildTables(seed));
    t = slot.get();
  }
  // The generator ends where the draws end, as if they had been made on it.
  RandSeed.store(t->end_state, std::memory_order_relaxed);
  g_current.store(t, std::memory_order_release);
}

String Scramble(const String& s) {
  return Map(s, Current().forward);
}
String DeScramble(const String& s) {
  return Map(s, Current().inverse);
}
const std::array<std::uint8_t, 256>& ScrambleTable() {
  return Current().forward;
}
const std::array<std::uint8_t, 256>& DeScrambleTable() {
  return Current().inverse;
}

}  // namespace krv
