// Feeds arbitrary attribute text and names to ScanForXMLAttrib. The value found is always
// a run of the attribute text itself; an attribute that was found is found again when the
// text is extended after a blank by further pairs.
//
// Input: the name up to the first zero byte, then the attribute text (bytes as characters).
#include <cstdint>

#include "korvex/streams/tags.h"
#include "streams_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace krv;
  if (size > 16384) return 0;
  String name, attributes;
  std::size_t i = 0;
  for (; i < size && data[i] != 0; ++i) name.push_back(data[i]);
  for (++i; i < size; ++i) attributes.push_back(data[i]);
  const String value = ScanForXMLAttrib(attributes, name);
  STREAMS_CHECK(value.size() <= attributes.size());
  if (!value.empty()) {
    STREAMS_CHECK(attributes.find(value) != String::npos);
    // The value is decided before any later pair is looked at, unless the value ran to the
    // end of the text (an unterminated quoted or plain value, which the extension would
    // continue).
    const String longer = attributes + u" zz=\"1\"";
    const String again = ScanForXMLAttrib(longer, name);
    STREAMS_CHECK(again.size() >= value.size() && again.compare(0, value.size(), value) == 0);
  }
  return 0;
}
