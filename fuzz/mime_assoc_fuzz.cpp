// The freedesktop readers behind GetProgAssoc: shared-mime-info glob lists, mimeapps.list
// and desktop entries. The first byte picks the reader and the extension or MIME type asked
// for; the rest is the file's text. Every answer must be made of the text's own bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "../src/platform/internal/mime_assoc.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

constexpr std::string_view kExts[] = {"txt", "TXT", "krvx", "tar.gz", "\xC3\xA4", ""};
constexpr std::string_view kTypes[] = {"text/plain", "TEXT/PLAIN", "a", ""};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > krv::detail::kMimeFileCap) return 0;
  const std::uint8_t pick = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (pick % 3) {
    case 0: {
      std::string type;
      int weight = -1;
      const std::string_view ext = kExts[(pick / 3) % std::size(kExts)];
      const bool matched = krv::detail::MatchExtensionGlobs(text, pick & 0x80, ext, type, weight);
      Check(matched == !type.empty());
      Check(type.empty() || text.find(type) != std::string_view::npos);
      break;
    }
    case 1: {
      const std::string_view mime = kTypes[(pick / 3) % std::size(kTypes)];
      std::size_t total = 0;
      for (const std::string& id : krv::detail::DefaultApplications(text, mime)) {
        Check(!id.empty() && text.find(id) != std::string_view::npos);
        total += id.size();
      }
      Check(total <= text.size());
      break;
    }
    default:
      Check(krv::detail::DesktopExec(text).size() <= text.size());
      break;
  }
  return 0;
}
