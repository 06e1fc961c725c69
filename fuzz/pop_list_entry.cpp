// PopListEntry against its model, on list buffers of every size up to a
// little more than the section list's 1024 bytes, holding any bytes (an end
// marker or not). The entry buffer is as large as the list, the least the
// operation allows, and starts filled with a sentinel so that every byte
// written past the entry's NUL shows.
//
// The walk is plain bytes: it runs under every code page all the same.
//
// Input: code page, list size, sentinel, then the list's bytes (zeros past
// the input).
#include "driver/registration.h"
#include "harness.h"
#include "model/driver_model.h"
#include "text/leadbyte.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    harness::Input input(data, size);
    ClassifyLeadBytes(harness::PickCodePage(input.Byte()));
    const std::uint32_t listSize = input.Number(1100);
    const char sentinel = static_cast<char>(input.Byte());
    const std::string list = input.Bytes(listSize);

    harness::ExactBuffer listBuffer(list);
    harness::ExactBuffer entry(listSize, sentinel);
    const int result = PopListEntry(listBuffer.Data(), listSize, entry.Data());

    const model::Popped expected = model::PopListEntry(list);
    std::string expectedEntry = expected.entry;
    expectedEntry.resize(listSize, sentinel);
    harness::ExpectSame(result, 0, "result");
    harness::ExpectSame(listBuffer.Bytes(), expected.list, "list");
    harness::ExpectSame(entry.Bytes(), expectedEntry, "entry");
    return 0;
}
