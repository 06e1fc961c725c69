// StripQuotes against its model, for destinations of every size up to a
// little more than the install sequence's 520 bytes. The destination is
// zero-filled as the caller leaves it; where the model refuses (-4) it is
// filled with a sentinel instead, which must survive untouched.
//
// Input: code page, destination size, sentinel, then the source.
#include "harness.h"
#include "model/text_model.h"
#include "text/leadbyte.h"
#include "text/path.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    harness::Input input(data, size);
    const std::uint32_t codePage = harness::PickCodePage(input.Byte());
    const std::uint32_t destinationSize = input.Number(600);
    const char sentinel = static_cast<char>(input.Byte() | 1);
    const std::string source = input.Text();

    const model::Stripped expected = model::StripQuotes(codePage, destinationSize, source);
    const bool refused = expected.result == -4;

    ClassifyLeadBytes(codePage);
    harness::ExactBuffer sourceBuffer(harness::Terminated(source));
    harness::ExactBuffer destination(destinationSize, refused ? sentinel : '\0');
    const int result = StripQuotes(destination.Data(), destinationSize, sourceBuffer.Data());

    harness::ExpectSame(result, expected.result, "result");
    harness::ExpectSame(sourceBuffer.Bytes(), harness::Terminated(source), "source left as it was");
    harness::ExpectSame(destination.Bytes(),
                        refused ? std::string(destinationSize, sentinel) : expected.destination,
                        "destination");
    return 0;
}
