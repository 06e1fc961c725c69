// ReplacePlaceholder against its model, over source and destination buffers
// of every size up to a little more than the install sequence's largest;
// and MeasureReplacement, which the install sequence trusts to tell whether
// the whole substitution fits, against a plain count and against what
// ReplacePlaceholder then writes.
//
// Input: code page, flags, source size, destination size, then the source
// text, the placeholder and the replacement as NUL-ended fields. Flag bit 0
// fills the source's tail after its text with the rest of the input, which
// no caller does: then only the bounds are checked.
#include "harness.h"
#include "model/text_model.h"
#include "text/leadbyte.h"
#include "text/placeholder.h"

namespace {

std::size_t TextLengthOf(const std::string& bytes) {
    return bytes.find('\0');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    harness::Input input(data, size);
    ClassifyLeadBytes(harness::PickCodePage(input.Byte()));
    const bool dirtyTail = (input.Byte() & 1) != 0;
    const std::uint32_t sourceSize = input.Number(1100);
    const std::uint32_t destinationSize = input.Number(1100);
    std::string source = input.Text().substr(0, sourceSize);
    const std::string placeholder = input.Text();
    const std::string replacement = input.Text();
    if (dirtyTail && source.size() < sourceSize) {
        source += '\0';
        source += input.Bytes(sourceSize - source.size());
    }
    source.resize(sourceSize, '\0');

    harness::ExactBuffer sourceBuffer(source);
    harness::ExactBuffer placeholderBuffer(harness::Terminated(placeholder));
    harness::ExactBuffer replacementBuffer(harness::Terminated(replacement));
    harness::ExactBuffer destination(destinationSize, '\0');
    const int result =
        ReplacePlaceholder(sourceBuffer.Data(), sourceSize, placeholderBuffer.Data(),
                           replacementBuffer.Data(), destination.Data(), destinationSize);

    harness::ExpectSame(sourceBuffer.Bytes(), source, "source left as it was");
    if (dirtyTail) {
        harness::Expect(destinationSize == 0 || destination.Bytes().back() == '\0',
                        "last destination byte stays zero", destination.Bytes());
        return 0;
    }
    const model::Replaced expected =
        model::ReplacePlaceholder(source, placeholder, replacement, destinationSize);
    harness::ExpectSame(result, expected.result, "result");
    harness::ExpectSame(destination.Bytes(), expected.destination, "destination");

    // The measure reads a NUL-terminated text, which every caller's source
    // buffer holds.
    if (source.find('\0') == std::string::npos) {
        return 0;
    }
    const std::uint32_t measure =
        MeasureReplacement(sourceBuffer.Data(), placeholderBuffer.Data(), replacementBuffer.Data());
    const std::size_t expectedMeasure =
        model::MeasureReplacement(source.substr(0, source.find('\0')), placeholder, replacement);
    harness::ExpectSame(std::to_string(measure), std::to_string(expectedMeasure), "measure");
    if (result == 0 && measure < destinationSize) {
        harness::ExpectSame(std::to_string(TextLengthOf(destination.Bytes())),
                            std::to_string(measure), "a measure that fits is the output's length");
    }
    return 0;
}
