// Walks arbitrary input tag by tag with ReadNextTagInStream and checks that it ends, that
// the position only moves forward, that the results stay within the input and the list,
// and that the string reader returns exactly the same tags at the same positions.
#include <cstdint>

#include "korvex/platform/stream.h"
#include "korvex/streams/tags.h"
#include "streams_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace krv;
  if (size > 65536) return 0;
  static const TTagList kList = {u"label", u"text", u"font", u"/text", u"a", u""};
  TMemoryStream s;
  s.WriteBuffer(data, size);
  s.SetPosition(0);
  String text;
  for (std::size_t i = 0; i < size; ++i) text.push_back(data[i]);

  std::int32_t pos = 1;
  std::int64_t last = 0;
  for (std::size_t call = 0;; ++call) {
    STREAMS_CHECK(call <= size + 1);
    String attributes, contents;
    const std::int32_t index = ReadNextTagInStream(s, kList, attributes, contents);
    STREAMS_CHECK(index >= 0 && index < static_cast<std::int32_t>(kList.size()));
    STREAMS_CHECK(attributes.size() + contents.size() <= size);
    const std::int64_t now = s.Position();
    STREAMS_CHECK(now >= last && now <= static_cast<std::int64_t>(size));

    String a2, c2;
    const std::int32_t index2 = ReadNextTagInString(text, pos, kList, a2, c2);
    STREAMS_CHECK(index2 == index && a2 == attributes && c2 == contents);
    STREAMS_CHECK(pos == now + 1);

    // The same tag found without reading contents.
    std::int32_t start = static_cast<std::int32_t>(last) + 1, end = 0;
    String name;
    bool is_end = false;
    const std::int32_t d = DetectNextTagInString(text, start, end, kList, name, is_end);
    STREAMS_CHECK(d == -1 ? (start == 0 && end == 0)
                          : (start > last && end > start && text[start - 1] == u'<' &&
                             text[end - 1] == u'>'));
    if (now == static_cast<std::int64_t>(size)) break;
    last = now;
  }
  return 0;
}
