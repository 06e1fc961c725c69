// The start-up's skipping of the program's own name against its model,
// under every code page, on command lines of any bytes.
//
// Input: code page, then the command line.
#include "driver/startup.h"
#include "harness.h"
#include "model/driver_model.h"
#include "text/leadbyte.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    harness::Input input(data, size);
    const std::uint32_t codePage = harness::PickCodePage(input.Byte());
    const std::string line = input.Text();

    ClassifyLeadBytes(codePage);
    harness::ExactBuffer lineBuffer(harness::Terminated(line));
    const char* argument = SkipProgramName(lineBuffer.Data());

    harness::Expect(argument >= lineBuffer.Data() && argument <= lineBuffer.Data() + line.size(),
                    "argument lies within the command line");
    const auto offset = static_cast<std::size_t>(argument - lineBuffer.Data());
    harness::ExpectSame(line.substr(offset), line.substr(model::SkipProgramName(codePage, line)),
                        "argument");
    harness::ExpectSame(lineBuffer.Bytes(), harness::Terminated(line), "line left as it was");
    return 0;
}
